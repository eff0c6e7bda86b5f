#!/usr/bin/env bash
# Builds Wendle and its tests with AddressSanitizer and UndefinedBehaviorSanitizer in build-asan/ (every finding
# aborts: the build uses -fno-sanitize-recover=all), then runs the whole CTest suite in the test session.
# Usage: scripts/sanitize.sh [CTEST-ARG...]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cache=()
! command -v ccache >/dev/null || cache=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
# -O1 keeps the sanitized build quick to compile while still inlining enough for useful speed.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO='-O1 -g -DNDEBUG' \
    "${cache[@]}" -DWENDLE_SANITIZE=address,undefined \
    -DWENDLE_BUILD_TESTS=ON -DWENDLE_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -j2
suppressions=$(pwd)/tests/sanitize
# The test session preloads pam_wrapper ahead of the ASan runtime, which is harmless but trips ASan's check.
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:verify_asan_link_order=0:detect_leaks=1"
# pam_wrapper opens libpam with RTLD_DEEPBIND, which the sanitizer runtime refuses. Debian 12's pam_wrapper
# (1.1.4) reads the switch under uid_wrapper's name; later releases under their own.
export UID_WRAPPER_DISABLE_DEEPBIND=1 PAM_WRAPPER_DISABLE_DEEPBIND=1
export LSAN_OPTIONS="suppressions=$suppressions/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
cd build-asan
../scripts/test-session.sh ctest --output-on-failure "$@"
