#!/usr/bin/env bash
# Kills the real program N times (default 200) inside the throw-away test session, at the moments a crash would
# hurt most (while typing, as the autosave fires, during the first unlock, while an older journal is brought up to
# date, during a restore from backup, while the daily snapshot is written, while an earlier version is restored,
# while the sync log is appended to or compacted), and checks the journal (and the snapshots, and the sync log)
# after every kill. CI runs 20.
# Usage: scripts/crash-trials.sh [N] [BUILD_DIR] [KIND,...]
#        (kinds: typing,save,unlock,migration,restore,snapshot,version,sync-append,sync-compaction)
set -euo pipefail
cd "$(dirname "$0")/.."
trials=${1:-200}
build=${2:-build}
kinds=${3:-}
make configure BUILD_DIR="$build" >/dev/null
cmake --build "$build" --target wendle-crash-trials --parallel "${CMAKE_BUILD_PARALLEL_LEVEL:-2}" >/dev/null
cd "$build" && ../scripts/test-session.sh bin/wendle-crash-trials "$trials" $kinds
