#!/usr/bin/env bash
# Configures and builds build-sanitized/: clang with AddressSanitizer and UndefinedBehaviorSanitizer (every
# finding aborts), the libFuzzer targets beside the program and its tests, so that the fuzzers and the sanitized
# test suite share one build. Usage: scripts/sanitized-build.sh [TARGET...]   (no target: everything)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cache=()
! command -v ccache >/dev/null || cache=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
# -O1 keeps the build quick while still inlining enough for useful speed; line tables alone name every frame of a
# report at a fraction of full debug information's compile and link time.
cmake -S . -B build-sanitized -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO='-O1 -gline-tables-only -DNDEBUG' -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    "${cache[@]}" -DWENDLE_SANITIZE=address,undefined -DWENDLE_FUZZ=ON -DWENDLE_BUILD_TESTS=ON \
    -DWENDLE_BUILD_BENCH=OFF >/dev/null
targets=()
for target in "$@"; do
    targets+=(--target "$target")
done
cmake --build build-sanitized "${targets[@]}" --parallel "${CMAKE_BUILD_PARALLEL_LEVEL:-2}"
