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
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ../scripts/test-session.sh ctest --output-on-failure "$@" 2>&1 | tee "$log"; then
    exit 0
fi
# LeakSanitizer's own stop-the-world tracer now and then crashes at a process's exit ("Tracer caught signal 11"),
# which is the sanitizer failing, not a leak or a test. Only then are the failed tests run once more.
if ! grep -q "LeakSanitizer has encountered a fatal error" "$log"; then
    exit 1
fi
echo "sanitize: the leak checker itself crashed; running the failed tests once more" >&2
../scripts/test-session.sh ctest --output-on-failure --rerun-failed
