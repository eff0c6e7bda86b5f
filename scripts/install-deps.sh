#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Wendle need.
# Idempotent: does nothing when all are present; refreshes the package lists only when something is missing.
set -euo pipefail

packages=(
    # build
    build-essential cmake ninja-build pkg-config clang-format
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-tools-dev qt6-l10n-tools libsecret-1-dev
    libicu-dev libsqlite3-dev libssl-dev libpam0g-dev libx11-dev libxss-dev libfontconfig-dev
    libbenchmark-dev libenchant-2-dev
    # run
    qt6-qpa-plugins libqt6svg6 libsecret-1-0 fonts-dejavu-core tzdata qt6-translations-l10n hunspell-en-us
    # test session and tests; clang and its runtimes for the sanitized build and the fuzzers
    clang libclang-rt-14-dev
    xvfb xauth dbus dunst gnome-keyring libsecret-tools at-spi2-core python3-pyatspi
    libpam-wrapper libpam-modules xdotool imagemagick sqlite3 procps trayer python3 openssl
    syncthing
    # packaging and its checks
    dpkg-dev desktop-file-utils appstream groff-base
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

sudo=()
if [ "$(id -u)" -ne 0 ]; then
    sudo=(sudo)
fi

echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
