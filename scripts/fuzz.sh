#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and UndefinedBehaviorSanitizer in build-fuzz/, then
# runs each for SECONDS (default 30) from its seed corpus in tests/fuzz/corpus/. Any finding fails the script.
# Usage: scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
shift || true
bash scripts/install-deps.sh
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
    -DCMAKE_CXX_COMPILER=clang++ -DWENDLE_SANITIZE=address,undefined -DWENDLE_FUZZ=ON \
    -DWENDLE_BUILD_TESTS=OFF -DWENDLE_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz --target fuzzers
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(entry-text prompt-bank day-key recovery-code reminder-queue)
work=$(mktemp -d)
mkdir -p build-fuzz/findings
trap 'rm -rf "$work"' EXIT
for target in "${targets[@]}"; do
    # New inputs go to a scratch copy, so the committed seeds stay small and reviewed.
    mkdir -p "$work/$target"
    cp -r "tests/fuzz/corpus/$target/." "$work/$target/"
    status=0
    ASAN_OPTIONS=detect_leaks=0 XDG_STATE_HOME="$work/state" QT_LOGGING_RULES='*=false' \
        "build-fuzz/bin/fuzz-$target" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix=build-fuzz/findings/ "$work/$target" \
        >"$work/$target.log" 2>&1 || status=$?
    runs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$work/$target.log" | grep -o '[0-9]*$' || echo 0)
    echo "fuzz-$target: ${seconds} s, $runs runs"
    if [ "$status" -ne 0 ]; then
        grep -E 'ERROR|SUMMARY|runtime error' "$work/$target.log" | head -5 >&2
        echo "fuzz-$target found a problem; the input is in $(pwd)/build-fuzz/findings" >&2
        exit 1
    fi
done
