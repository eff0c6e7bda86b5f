#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and UndefinedBehaviorSanitizer in build-sanitized/, then
# runs each for SECONDS (default 30), or for RUNS executions when RUNS is set, from its seed corpus in
# tests/fuzz/corpus/, and prints how many executions each made. Any finding fails the script.
# Usage: scripts/fuzz.sh [SECONDS] [TARGET...]      RUNS=10000000 scripts/fuzz.sh [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -n "${RUNS:-}" ]; then
    limit=(-runs="$RUNS")
else
    seconds=${1:-30}
    shift || true
    limit=(-max_total_time="$seconds")
fi
# The longest input worth trying per target: a little over the largest valid input, so time goes to variety
# rather than to ever longer inputs.
declare -A max_len=([entry-text]=256 [prompt-bank]=512 [day-key]=64 [recovery-code]=256 [reminder-queue]=1024
    [appcast]=1024 [backup]=512 [import]=2048)
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(entry-text prompt-bank day-key recovery-code reminder-queue appcast backup import)
for target in "${targets[@]}"; do
    [ -n "${max_len[$target]:-}" ] || { echo "fuzz.sh: no target $target" >&2; exit 2; }
done
bash scripts/sanitized-build.sh fuzzers
# Targets that go through files run much faster on a memory file system.
scratch_parent=/dev/shm
[ -d "$scratch_parent" ] && [ -w "$scratch_parent" ] || scratch_parent=${TMPDIR:-/tmp}
work=$(mktemp -d "$scratch_parent/wendle-fuzz.XXXXXX")
mkdir -p build-sanitized/findings
trap 'rm -rf "$work"' EXIT
# One target's run; its line of figures, or the finding, goes to its own report file.
fuzz_one() {
    local target=$1 status=0 started elapsed runs coverage
    # New inputs go to a scratch copy, so the committed seeds stay small and reviewed.
    mkdir -p "$work/$target"
    cp -r "tests/fuzz/corpus/$target/." "$work/$target/"
    started=$(date +%s)
    # A small quarantine keeps freed memory warm: the inputs are small, and page faults cost more than parsing.
    ASAN_OPTIONS=detect_leaks=0:quarantine_size_mb=16 TMPDIR="$work" XDG_STATE_HOME="$work/state-$target" \
        QT_LOGGING_RULES='*=false' \
        "build-sanitized/bin/fuzz-$target" "${limit[@]}" -max_len="${max_len[$target]}" -print_final_stats=1 \
        -artifact_prefix=build-sanitized/findings/ "$work/$target" \
        >"$work/$target.log" 2>&1 || status=$?
    elapsed=$(($(date +%s) - started))
    runs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$work/$target.log" | grep -o '[0-9]*$' || echo 0)
    # libFuzzer's last count of code edges (cov) and finer features (ft) reached, to compare runs by.
    coverage=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$work/$target.log" | tail -1 || true)
    echo "fuzz-$target: $runs executions in $elapsed s ($((runs / (elapsed > 0 ? elapsed : 1))) per second)${coverage:+, $coverage}"
    if [ "$status" -ne 0 ]; then
        grep -E 'ERROR|SUMMARY|runtime error' "$work/$target.log" | head -5 >&2
        echo "fuzz-$target found a problem; the input is in $(pwd)/build-sanitized/findings" >&2
        touch "$work/found"
    fi
}
# One target per core: each fuzzer runs a single process, so two at once halve the wall time.
for target in "${targets[@]}"; do
    while [ "$(jobs -rp | wc -l)" -ge "$(nproc)" ]; do
        wait -n || true
    done
    fuzz_one "$target" &
done
wait
[ ! -e "$work/found" ]
