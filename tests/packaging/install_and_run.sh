#!/bin/bash
# Builds the Debian package, installs it for real (apt pulls in what it
# depends on), runs the installed tarnwick-cli once, starts the installed
# /usr/bin/tarnwick on a private X server, closes it with Escape and removes
# the package again.
# Changes the system's packages: meant for CI machines, needs root.
# Usage: install_and_run.sh BUILD_DIR
set -u

source "$(dirname "$0")/common.sh" "$@"

cmake --build "$build" --target package || exit 1
if [[ ! -f $deb ]]; then
    echo "FAIL: no package $deb" >&2
    exit 1
fi

export DEBIAN_FRONTEND=noninteractive
apt_install() {
    apt-get install -y -o DPkg::Lock::Timeout=300 "$deb"
}
# A machine whose package lists are stale cannot fetch the dependencies.
if ! apt_install; then
    apt-get update -o DPkg::Lock::Timeout=300 && apt_install || {
        echo "FAIL: apt-get install $deb" >&2
        exit 1
    }
fi

source "$here/../e2e/xlib.sh"
cleanup() {
    xlib_cleanup
    dpkg -r tarnwick >/dev/null || echo "warning: could not remove tarnwick" >&2
}
trap cleanup EXIT

installed=$(dpkg-query -W -f '${Status} ${Version}' tarnwick 2>/dev/null)
[[ $installed == "install ok installed $version" ]] || fail "package state: '$installed'"
[[ -x /usr/bin/tarnwick ]] || fail "/usr/bin/tarnwick missing"
[[ $(/usr/bin/tarnwick-cli 0x1F) == *"decimal:"*31* ]] || fail "/usr/bin/tarnwick-cli does not run"
[[ -f /usr/share/applications/io.github.tarnwick.Tarnwick.desktop ]] ||
    fail "desktop entry missing"

xvfb_start || exit 1
QT_QPA_PLATFORM=xcb /usr/bin/tarnwick &
pid=$!
XLIB_PIDS+=($pid)

if id=$(wait_window "Tarnwick v1.04"); then
    if escape_and_wait "$id" "$pid"; then
        ((XLIB_EXIT == 0)) || fail "exit code $XLIB_EXIT after Escape"
    else
        fail "still running 10 s after Escape"
    fi
else
    fail "the installed program showed no window"
fi

if ((failed == 0)); then
    echo "installed package $version started and closed cleanly"
fi
exit $((failed > 0))
