#!/usr/bin/env bash
# Builds Wendle and its tests with AddressSanitizer and UndefinedBehaviorSanitizer in build-sanitized/ (every finding
# aborts: the build uses -fno-sanitize-recover=all), then runs the whole CTest suite in the test session.
# Usage: scripts/sanitize.sh [CTEST-ARG...]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/sanitized-build.sh
suppressions=$(pwd)/tests/sanitize
# The test session preloads pam_wrapper ahead of the ASan runtime, which is harmless but trips ASan's check.
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:verify_asan_link_order=0:detect_leaks=1"
# pam_wrapper opens libpam with RTLD_DEEPBIND, which the sanitizer runtime refuses. Debian 12's pam_wrapper
# (1.1.4) reads the switch under uid_wrapper's name; later releases under their own.
export UID_WRAPPER_DISABLE_DEEPBIND=1 PAM_WRAPPER_DISABLE_DEEPBIND=1
export LSAN_OPTIONS="suppressions=$suppressions/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
cd build-sanitized
../scripts/test-session.sh ctest --output-on-failure "$@"
