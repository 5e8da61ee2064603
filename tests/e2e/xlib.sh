# Helpers for driving the real program on a private X server.
# Source this file; it needs Xvfb, xdotool, xwininfo and ImageMagick.

# ImageMagick is called by its versioned name: some machines put a stand-in
# called `convert` earlier on PATH.
IM_CONVERT=$(command -v convert-im6.q16 || command -v /usr/bin/convert)
IM_IMPORT=$(command -v import-im6.q16 || command -v /usr/bin/import)

XLIB_PIDS=()

# xdotool matches window names through WM_NAME, which Qt writes legibly only
# in a UTF-8 locale; "关于" would never be found under plain C.
export LC_ALL=C.UTF-8

xlib_cleanup() {
    local pid
    for pid in "${XLIB_PIDS[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${XLIB_PIDS[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    [[ -n "${XLIB_TMP:-}" ]] && rm -rf "$XLIB_TMP"
}
trap xlib_cleanup EXIT

# xvfb_start [screen geometry [Xvfb options...]]: starts Xvfb on a free
# display and exports DISPLAY. Qt also wants a private runtime directory when
# run as root.
xvfb_start() {
    local geometry=${1:-1280x1024x24}
    shift || true
    if [[ -z "${XLIB_TMP:-}" ]]; then
        XLIB_TMP=$(mktemp -d)
        export XDG_RUNTIME_DIR=$XLIB_TMP/runtime
        mkdir -m 700 "$XDG_RUNTIME_DIR"
    fi
    local attempt number pid fifo
    # -noreset: by default the server resets when its last client leaves, and
    # a client connecting during that reset is refused. Several test runs may
    # also race for display numbers; a server that dies early is replaced.
    for attempt in 1 2 3; do
        fifo=$(mktemp -u "$XLIB_TMP/displayfd.XXXXXX")
        mkfifo "$fifo"
        Xvfb -displayfd 3 -screen 0 "$geometry" -nolisten tcp -noreset "$@" 3>"$fifo" \
            >/dev/null 2>&1 &
        pid=$!
        if read -r -t 20 number <"$fifo" && [[ -n "$number" ]]; then
            local deadline=$((SECONDS + 10))
            while ((SECONDS < deadline)) && kill -0 "$pid" 2>/dev/null; do
                if xdpyinfo -display ":$number" >/dev/null 2>&1; then
                    XLIB_PIDS+=("$pid")
                    export DISPLAY=":$number"
                    return 0
                fi
                sleep 0.1
            done
        fi
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    echo "Xvfb did not start" >&2
    return 1
}

# wait_window TITLE [seconds]: prints the id of the first window whose name
# is exactly TITLE, once it is mapped.
wait_window() {
    local title=$1 seconds=${2:-30} id
    local deadline=$((SECONDS + seconds))
    while ((SECONDS < deadline)); do
        id=$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -n 1)
        if [[ -n "$id" ]]; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    echo "no window named '$title' after ${seconds}s" >&2
    return 1
}

# window_size ID: prints WIDTHxHEIGHT.
window_size() {
    xwininfo -id "$1" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}'
}

# screenshot ID FILE
screenshot() {
    "$IM_IMPORT" -window "$1" "$2"
}

# pixel FILE X Y: prints the colour as #RRGGBB.
pixel() {
    "$IM_CONVERT" "$1" -crop "1x1+$2+$3" -depth 8 -format '#%[hex:p{0,0}]' info: | cut -c1-7
}

# press_key ID KEY: gives the window focus (there is no window manager) and
# types KEY into it through XTEST.
press_key() {
    xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"
    sleep 0.2
    xdotool key "$2"
}

# escape_and_wait ID PID [seconds]: presses Escape in the window and waits for
# the process to end, leaving its exit code in XLIB_EXIT. Returns 1, after
# killing it, when it is still running after the given time (default 10 s).
escape_and_wait() {
    local id=$1 pid=$2 seconds=${3:-10} waited=0
    press_key "$id" Escape
    while kill -0 "$pid" 2>/dev/null && ((waited < seconds * 10)); do
        sleep 0.1
        waited=$((waited + 1))
    done
    if kill -0 "$pid" 2>/dev/null; then
        kill "$pid"
        wait "$pid" 2>/dev/null
        return 1
    fi
    XLIB_EXIT=0
    wait "$pid" || XLIB_EXIT=$?
}

# expect WHAT COMMAND PATTERN: retries the shell code COMMAND for up to 10 s
# until its output matches the (extended) glob; counts failures.
shopt -s extglob
XLIB_FAILURES=0
expect() {
    local got deadline=$((SECONDS + 10))
    # shellcheck disable=SC2053
    until got=$(eval "$2" 2>&1) && [[ "$got" == $3 ]]; do
        if ((SECONDS >= deadline)); then
            echo "FAIL: $1: got '$got'" >&2
            XLIB_FAILURES=$((XLIB_FAILURES + 1))
            return 0
        fi
        sleep 0.1
    done
    echo "ok: $1"
}

# wm_start: openbox, once it has started; a window mapped before it sets
# _NET_WORKAREA may never be managed.
wm_start() {
    openbox --sm-disable >/dev/null 2>&1 &
    XLIB_PIDS+=($!)
    expect "openbox started" "xprop -root _NET_WORKAREA" "*=*"
}

# atspi_start: a private session bus, where programs started later find the
# accessibility bus (started on demand); atspi: see atspi.py.
atspi_start() {
    local bus
    mapfile -t bus < <(dbus-daemon --session --fork --print-address=1 --print-pid=1)
    export DBUS_SESSION_BUS_ADDRESS=${bus[0]} QT_ACCESSIBILITY=1 QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
    XLIB_PIDS+=("${bus[1]}")
}
atspi() { /usr/bin/python3 "$(dirname "${BASH_SOURCE[0]}")/atspi.py" "$@"; }

# app_start BINARY [OPTIONS...]: starts the program, waits for its window, WINDOW.
app_start() {
    QT_XCB_GL_INTEGRATION=none "$@" 2>"$XLIB_TMP/app.log" &
    XLIB_PIDS+=($!)
    WINDOW=$(wait_window "Tarnwick v1.04") || { cat "$XLIB_TMP/app.log" >&2; return 1; }
}
