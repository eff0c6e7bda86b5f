#!/usr/bin/env bash
# Installs the built Debian package for real (apt resolves its dependencies) on a Debian 12 machine or container,
# then starts the installed program in the throw-away test session and waits for its unlock question.
# Last, the installed program's cold start to its painted lock screen is measured beside a bare Qt window.
# Usage: scripts/try-package.sh [BUILD_DIR]   (builds the package first with `make package`)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
make package BUILD_DIR="$build" >/dev/null
deb=$(ls -t "$build"/wendle_*.deb | head -1)

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "./$deb" >/dev/null
dpkg -s wendle | grep -E '^(Version|Installed-Size):'

# The installed program, in a session of its own, with a journal of its own.
scripts/test-session.sh bash -c '
    home=$(mktemp -d)
    trap "kill \$pid 2>/dev/null; wait \$pid 2>/dev/null; rm -rf \$home" EXIT
    XDG_DATA_HOME=$home/data XDG_CONFIG_HOME=$home/config XDG_STATE_HOME=$home/state /usr/bin/wendle &
    pid=$!
    for _ in $(seq 100); do
        if xdotool search --name "nlock your journal" >/dev/null 2>&1; then
            echo "installed wendle started and asked to unlock"
            exit 0
        fi
        sleep 0.1
    done
    echo "installed wendle did not ask to unlock" >&2
    exit 1
'

cmake --build "$build" --target wendle_app_bench >/dev/null
(cd "$build" && WENDLE_BENCH_PROGRAM=/usr/bin/wendle ../scripts/test-session.sh bin/wendle_app_bench \
    --benchmark_filter='coldStart(MinimalWindow|LockScreen)' 2>/dev/null | grep coldStart)
