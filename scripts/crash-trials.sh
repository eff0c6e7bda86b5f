#!/usr/bin/env bash
# Kills the real program N times (default 200) at random moments while it is typed into, inside the throw-away
# test session, and checks the journal after every kill. Usage: scripts/crash-trials.sh [N] [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
trials=${1:-200}
build=${2:-build}
make build BUILD_DIR="$build" >/dev/null
cmake --build "$build" --target wendle-crash-trials >/dev/null
cd "$build" && ../scripts/test-session.sh bin/wendle-crash-trials "$trials"
