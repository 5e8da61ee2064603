#!/usr/bin/env bash
# An open contact window is a top-level window of its own: closing the main
# window must hide it without ending the program, and closing the contact
# window afterwards must end the program cleanly.
set -euo pipefail

# The contact window's title is Chinese, and xdotool matches the title that
# Qt writes into WM_NAME: both sides encode it by the locale, and in the
# plain C locale the title comes out garbled.
export LC_ALL=C.UTF-8

binary=${1:?usage: contact_keeps_running.sh PATH_TO_TARNWICK}
# shellcheck source=xlib.sh
source "$(dirname "$0")/xlib.sh"

fail() {
    echo "FAIL: $*" >&2
    if [[ -n "${XLIB_TMP:-}" && -s "$XLIB_TMP/tarnwick.log" ]]; then
        echo "--- program output ---" >&2
        cat "$XLIB_TMP/tarnwick.log" >&2
    fi
    exit 1
}

# viewable ID: succeeds while the window exists and is mapped on screen.
viewable() {
    xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'
}

# running: succeeds while the program has not exited (an exited child that
# has not been waited for yet counts as exited).
running() {
    local state
    state=$(ps -o stat= -p "$app" 2>/dev/null) || return 1
    [[ "$state" != Z* ]]
}

[[ -x "$binary" ]] || fail "no executable at '$binary'"
xvfb_start || fail "could not start Xvfb"

QT_XCB_GL_INTEGRATION=none "$binary" >"$XLIB_TMP/tarnwick.log" 2>&1 &
app=$!
XLIB_PIDS+=("$app")

main_id=$(wait_window "Tarnwick v1.04") || fail "the main window did not appear"

# The centre of the contact button.
xdotool mousemove --window "$main_id" 645 414 click 1
contact_id=$(wait_window "关于" 10) || fail "clicking the contact button opened no window titled 关于"
[[ "$contact_id" != "$main_id" ]] || fail "the contact window is the main window"

viewable "$main_id" || fail "the main window is not shown before it is closed"
press_key "$main_id" Escape
sleep 1
running || fail "the program ended when the main window closed although the contact window was open"
if viewable "$main_id"; then
    fail "the main window is still shown after Escape"
fi
viewable "$contact_id" || fail "the contact window went away together with the main window"

press_key "$contact_id" Escape
deadline=$((SECONDS + 10))
while running && ((SECONDS < deadline)); do
    sleep 0.1
done
if running; then
    fail "the program still runs 10 s after its last window was closed"
fi

status=0
wait "$app" || status=$?
((status == 0)) || fail "the program exited with code $status instead of 0"
echo "PASS: the contact window kept the program running, and closing it ended the program"
