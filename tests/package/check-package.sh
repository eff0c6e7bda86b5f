#!/usr/bin/env bash
# Builds the Debian package from BUILD_DIR, unpacks it into a throw-away root, and checks that every file lands
# where the desktop, PAM and the session look for it, that the desktop entry and AppStream data are valid, and
# that the package states what it needs.
set -euo pipefail
build=$(cd "$1" && pwd)
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT

(cd "$build" && cpack -G DEB -B "$root/out" >/dev/null)
deb=$(ls "$root"/out/wendle_*.deb)
dpkg-deb -x "$deb" "$root/tree"

fail() { echo "package: $*" >&2; exit 1; }
for file in \
    usr/bin/wendle usr/bin/wendle-reminders usr/bin/wendle-recover usr/lib/wendle/libwendle-https.so \
    usr/lib/wendle/libwendle-print.so \
    usr/share/wendle/prompts.json usr/share/wendle/prompts.de.json \
    usr/share/applications/org.wendle.Wendle.desktop \
    usr/share/metainfo/org.wendle.Wendle.metainfo.xml \
    usr/share/icons/hicolor/scalable/apps/org.wendle.Wendle.svg \
    usr/share/icons/hicolor/symbolic/apps/org.wendle.Wendle-symbolic.svg \
    usr/share/man/man1/wendle.1 usr/share/man/man1/wendle-recover.1 usr/share/man/de/man1/wendle.1 \
    etc/pam.d/wendle \
    etc/xdg/autostart/org.wendle.Reminders.desktop; do
    [ -s "$root/tree/$file" ] || fail "missing $file"
done
[ -x "$root/tree/usr/bin/wendle" ] || fail "wendle is not executable"
# Qt Network and Qt Print Support come with Wendle's modules when first used, not with the program.
! readelf -d "$root/tree/usr/bin/wendle" | grep -q 'libQt6Network\|libQt6PrintSupport' || fail "wendle links a module's library itself"
readelf -d "$root/tree/usr/lib/wendle/libwendle-https.so" | grep -q 'libQt6Network' || fail "the network module lacks Qt Network"
readelf -d "$root/tree/usr/lib/wendle/libwendle-print.so" | grep -q 'libQt6PrintSupport' || fail "the print module lacks Qt Print Support"
# Stripped: no debug sections shipped.
! readelf -S "$root/tree/usr/bin/wendle" | grep -q '\.debug_info' || fail "wendle is not stripped"

desktop-file-validate "$root/tree/usr/share/applications/org.wendle.Wendle.desktop"
desktop-file-validate "$root/tree/etc/xdg/autostart/org.wendle.Reminders.desktop"
appstreamcli validate --no-net --pedantic "$root/tree/usr/share/metainfo/org.wendle.Wendle.metainfo.xml" >/dev/null \
    || appstreamcli validate --no-net "$root/tree/usr/share/metainfo/org.wendle.Wendle.metainfo.xml"
for page in man1/wendle man1/wendle-recover de/man1/wendle; do
    groff -mandoc -ww -z -Tutf8 "$root/tree/usr/share/man/$page.1" 2>>"$root/man.log" || true
done
[ ! -s "$root/man.log" ] || { cat "$root/man.log" >&2; fail "the man page has warnings"; }

# Dependencies are computed from the binaries and modules, plus the libraries opened at run time; a Secret Service
# and GNOME's tray extension are recommended.
depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6widgets6 libqt6network6 libsqlite3 libssl3 libsecret-1-0 libpam0g libicu72 libenchant-2-2; do
    grep -q "$library" <<<"$depends" || fail "Depends lacks $library: $depends"
done
recommends=$(dpkg-deb -f "$deb" Recommends)
grep -q "gnome-keyring | kwalletmanager | keepassxc" <<<"$recommends" || fail "no keyring recommended"
# GNOME shows no tray without the extension; quick entry is reached through the desktop entry's action anyway.
grep -q "gnome-shell-extension-appindicator" <<<"$recommends" || fail "the tray extension is not recommended"
grep -q "qt6-translations-l10n" <<<"$recommends" || fail "Qt's translations are not recommended"
grep -q "hunspell-en-us" <<<"$recommends" || fail "no spelling dictionary recommended"
grep -q "^Exec=wendle --quick-entry$" "$root/tree/usr/share/applications/org.wendle.Wendle.desktop" ||
    fail "the desktop entry has no quick-entry action"

# The installed program finds its prompt bank beside itself.
grep -q '"prompts"' "$root/tree/usr/share/wendle/prompts.json" || fail "prompts.json is not the bank"
echo "package: $(basename "$deb"), $(dpkg-deb -f "$deb" Installed-Size) KiB installed"
