#!/bin/bash
# Starts the real program on a private X server and checks what the user
# first sees: one window with the right title and fixed size, the window and
# bit-frame colours, and a clean exit when Escape closes it.
# Usage: startup.sh PATH_TO_TARNWICK
set -euo pipefail

source "$(dirname "$0")/xlib.sh"

binary=${1:?usage: startup.sh PATH_TO_TARNWICK}
title="Tarnwick v1.04"
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# check_pixel FILE X Y EXPECTED WHAT
check_pixel() {
    local actual
    actual=$(pixel "$1" "$2" "$3")
    if [[ "${actual^^}" == "${4^^}" ]]; then
        echo "ok: $5 at ($2,$3) is $actual"
    else
        fail "$5 at ($2,$3) is $actual, expected $4"
    fi
}

# Other private X servers come and go on this machine; if the program cannot
# reach the one just started, start a fresh server and try again. Any other
# early exit is a failure of the program.
window=""
for attempt in 1 2 3; do
    xvfb_start
    echo "X server on $DISPLAY"
    app_log=$XLIB_TMP/tarnwick.log
    QT_XCB_GL_INTEGRATION=none "$binary" 2>"$app_log" &
    app_pid=$!
    XLIB_PIDS+=("$app_pid")

    deadline=$((SECONDS + 30))
    while ((SECONDS < deadline)) && kill -0 "$app_pid" 2>/dev/null; do
        window=$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -n 1) || true
        [[ -n "$window" ]] && break
        sleep 0.1
    done
    [[ -n "$window" ]] && break

    cat "$app_log" >&2
    if kill -0 "$app_pid" 2>/dev/null || ! grep -q "could not connect to display" "$app_log"; then
        echo "FAIL: no window titled '$title' appeared" >&2
        exit 1
    fi
    echo "the program could not reach $DISPLAY (attempt $attempt); restarting the X server"
    for pid in "${XLIB_PIDS[@]}"; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    XLIB_PIDS=()
    rm -rf "$XLIB_TMP"
done
if [[ -z "$window" ]]; then
    echo "FAIL: the program could not reach a private X server in 3 attempts" >&2
    exit 1
fi
echo "ok: window '$title' is mapped (id $window)"

windows=$( (xdotool search --onlyvisible --name '.' 2>/dev/null || true) | wc -l)
if [[ "$windows" -eq 1 ]]; then
    echo "ok: exactly one visible window"
else
    fail "$windows visible windows, expected exactly one"
fi

size=$(window_size "$window")
if [[ "$size" == "700x450" ]]; then
    echo "ok: window size is $size"
else
    fail "window size is $size, expected 700x450"
fi

# Give the first paint a moment to reach the server before reading pixels.
shot=$XLIB_TMP/startup.png
sleep 0.5
screenshot "$window" "$shot"
echo "took a screenshot of the window"

# The top-left corner holds no widget: only the window's own background.
check_pixel "$shot" 5 5 "#8FDBE0" "window background"
check_pixel "$shot" 695 445 "#8FDBE0" "window background"
# The bit frame's own colour, in its top strip above the drawn border and the
# bit-number labels (which start at y 50): right of the title, above the gap
# between bits 23 and 24 and above the gap between bits 19 and 20. Inside the border the style
# tints the fill slightly, so the strip is where the plain colour shows.
check_pixel "$shot" 300 45 "#E08566" "bit frame"
check_pixel "$shot" 447 45 "#E08566" "bit frame"

press_key "$window" Escape
echo "sent Escape"

status=""
for _ in $(seq 100); do
    if ! kill -0 "$app_pid" 2>/dev/null; then
        status=0
        wait "$app_pid" || status=$?
        break
    fi
    sleep 0.1
done
if [[ -z "$status" ]]; then
    fail "the program is still running 10 s after Escape"
elif [[ "$status" -eq 0 ]]; then
    echo "ok: the program exited with code 0"
else
    fail "the program exited with code $status, expected 0"
fi

if ((failures > 0)); then
    echo "--- output of the program:" >&2
    cat "$app_log" >&2
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "all start-up checks passed"
