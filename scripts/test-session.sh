#!/usr/bin/env bash
# Runs a command inside a private, throw-away desktop session:
#   Xvfb on a free display, a private D-Bus session bus, gnome-keyring (secrets, unlocked), dunst (notifications),
#   the AT-SPI bus,
#   and a pam_wrapper service folder whose "wendle" service accepts one known password
# ("wendle-chatty" too, which prints information and error lines first, as fingerprint readers do).
# HOME and the XDG folders are private, so nothing touches the user's real data. Everything started here is
# stopped by PID when the command ends, however it ends.
#
# Inside the session:
#   WENDLE_TEST_SESSION   the session's folder (tests refuse to touch a keyring or journal outside one)
#   WENDLE_TEST_USER      the login name of the user running the session
#   WENDLE_TEST_PASSWORD  the password service "wendle" accepts for that user
#   LD_PRELOAD, PAM_WRAPPER, PAM_WRAPPER_SERVICE_DIR  what a process needs to authenticate through pam_wrapper
set -euo pipefail

if [ $# -eq 0 ]; then
    echo "usage: $0 COMMAND [ARG...]" >&2
    exit 2
fi

session=$(mktemp -d "${TMPDIR:-/tmp}/wendle-session.XXXXXX")
pids=()

teardown() {
    local status=$?
    trap - EXIT INT TERM HUP
    local i
    for (( i=${#pids[@]}-1; i>=0; i-- )); do
        kill "${pids[i]}" 2>/dev/null || true
    done
    for (( i=${#pids[@]}-1; i>=0; i-- )); do
        wait "${pids[i]}" 2>/dev/null || true
    done
    rm -rf "$session"
    exit "$status"
}
trap teardown EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

# Waits up to ten seconds for a condition.
wait_for() {
    local what=$1
    shift
    for _ in $(seq 1 200); do
        if "$@"; then
            return 0
        fi
        sleep 0.05
    done
    echo "test-session: $what did not start" >&2
    return 1
}

mkdir -p "$session"/{home,config,data,cache,state,runtime,pam.d}
chmod 700 "$session/runtime"
export HOME="$session/home"
export XDG_CONFIG_HOME="$session/config"
export XDG_DATA_HOME="$session/data"
export XDG_CACHE_HOME="$session/cache"
export XDG_STATE_HOME="$session/state"
export XDG_RUNTIME_DIR="$session/runtime"
unset XDG_CONFIG_DIRS_OVERRIDE WAYLAND_DISPLAY DBUS_SYSTEM_BUS_ADDRESS_OVERRIDE || true

# X server on a free display; -noreset keeps it (and its idle counter) alive between clients.
Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1280x800x24 3>"$session/display" 2>"$session/xvfb.log" &
pids+=($!)
wait_for Xvfb test -s "$session/display"
export DISPLAY=":$(head -n1 "$session/display")"

# Private session bus. It activates nothing on demand: every service the tests meet is started here, so no
# stray keyring prompter or portal window appears (a locked keyring is then refused, never prompted for).
mkdir -p "$session/dbus-services"
cat >"$session/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <keep_umask/>
  <listen>unix:path=$session/bus</listen>
  <auth>EXTERNAL</auth>
  <servicedir>$session/dbus-services</servicedir>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
dbus-daemon --config-file="$session/bus.conf" --nofork --nopidfile --print-address=4 \
    4>"$session/bus-address" 2>"$session/dbus.log" &
pids+=($!)
wait_for D-Bus test -s "$session/bus-address"
export DBUS_SESSION_BUS_ADDRESS="unix:path=$session/bus"

bus_has() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner "string:$1" 2>/dev/null | grep -q 'boolean true'
}

# The keyring must own org.freedesktop.secrets before anything asks for a secret, or D-Bus activation starts
# one that prompts for a password.
printf 'wendle-session-keyring' | gnome-keyring-daemon --foreground --unlock --components=secrets \
    >"$session/keyring.log" 2>&1 &
pids+=($!)
wait_for gnome-keyring bus_has org.freedesktop.secrets

# Notification server, so reminders have somewhere to go (dbus-monitor shows what reaches it).
dunst >"$session/dunst.log" 2>&1 &
pids+=($!)
wait_for dunst bus_has org.freedesktop.Notifications

# Accessibility bus, so assistive tools and tests reach widgets by their accessible names.
if [ -x /usr/libexec/at-spi-bus-launcher ]; then
    /usr/libexec/at-spi-bus-launcher --launch-immediately >"$session/at-spi.log" 2>&1 &
    pids+=($!)
    wait_for AT-SPI bus_has org.a11y.Bus
    export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
fi

# PAM: service "wendle" (and "other") authenticate the running user against a private password file.
pam_wrapper_lib=$(ls /usr/lib/*/libpam_wrapper.so /usr/lib/libpam_wrapper.so 2>/dev/null | head -n1 || true)
pam_matrix=$(ls /usr/lib/*/pam_wrapper/pam_matrix.so /usr/lib/pam_wrapper/pam_matrix.so 2>/dev/null | head -n1 || true)
if [ -z "$pam_wrapper_lib" ] || [ -z "$pam_matrix" ]; then
    echo "test-session: pam_wrapper is not installed (scripts/install-deps.sh installs it)" >&2
    exit 1
fi
WENDLE_TEST_USER=$(id -un)
WENDLE_TEST_PASSWORD="wendle-test-$(od -An -N6 -tx1 /dev/urandom | tr -d ' \n')"
pam_chatty="$(dirname "$pam_matrix")/pam_chatty.so"
for service in wendle other wendle-chatty; do
    printf '%s:%s:%s\n' "$WENDLE_TEST_USER" "$WENDLE_TEST_PASSWORD" "$service" >>"$session/passdb"
done
for service in wendle other wendle-chatty; do
    {
        # wendle-chatty talks before it asks, as a fingerprint reader does.
        if [ "$service" = wendle-chatty ]; then
            echo "auth required $pam_chatty num_lines=2 info error"
        fi
        for type in auth account password session; do
            echo "$type required $pam_matrix passdb=$session/passdb"
        done
    } >"$session/pam.d/$service"
done
export WENDLE_TEST_USER WENDLE_TEST_PASSWORD
export WENDLE_TEST_SESSION="$session"
export PAM_WRAPPER=1
export PAM_WRAPPER_SERVICE_DIR="$session/pam.d"
export LD_PRELOAD="$pam_wrapper_lib${LD_PRELOAD:+:$LD_PRELOAD}"

set +e
"$@"
status=$?
set -e
exit "$status"
