#!/bin/bash
# The fixed 700x450 window must come out twice as large, and drawn at that
# size, on a screen that asks for double scaling: once forced through
# QT_SCALE_FACTOR and once from a screen of twice the reference density
# (192 dpi), which only the program's own high-DPI setting honours.
# Usage: hidpi.sh TARNWICK_BINARY
set -u

binary=$1
source "$(dirname "$0")/xlib.sh"

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# expect_colour FILE X Y #RRGGBB LABEL: the pixel is within 8 of the colour in
# every channel (the style shades flat fills by a few levels).
expect_colour() {
    local actual want
    actual=$(pixel "$1" "$2" "$3")
    want=$4
    local i a w
    for i in 1 3 5; do
        a=$((16#${actual:i:2}))
        w=$((16#${want:i:2}))
        if ((a - w > 8 || w - a > 8)); then
            fail "$5: pixel ($2,$3) is $actual, expected about $want"
            return
        fi
    done
}

# expect_grey_level FILE X Y MIN MAX LABEL: every channel lies in MIN..MAX.
expect_grey_level() {
    local actual i c
    actual=$(pixel "$1" "$2" "$3")
    for i in 1 3 5; do
        c=$((16#${actual:i:2}))
        if ((c < $4 || c > $5)); then
            fail "$6: pixel ($2,$3) is $actual, expected channels in $4..$5"
            return
        fi
    done
}

# check_doubled LABEL [VAR=VALUE...]: starts the program with the given
# environment on the current display and checks its window at twice the size.
check_doubled() {
    local label=$1
    shift
    env -u QT_SCALE_FACTOR -u QT_SCREEN_SCALE_FACTORS -u QT_AUTO_SCREEN_SCALE_FACTOR \
        -u QT_ENABLE_HIGHDPI_SCALING -u QT_FONT_DPI QT_QPA_PLATFORM=xcb "$@" "$binary" &
    local pid=$!
    XLIB_PIDS+=($pid)

    local id
    if ! id=$(wait_window "Tarnwick v1.04"); then
        fail "$label: no window"
        return
    fi
    sleep 0.5

    local size
    size=$(window_size "$id")
    [[ $size == 1400x900 ]] || fail "$label: window is $size, expected 1400x900"

    local shot=$XLIB_TMP/$label.png
    screenshot "$id" "$shot"
    local shot_size
    shot_size=$("$IM_CONVERT" "$shot" -format '%wx%h' info:)
    [[ $shot_size == 1400x900 ]] || fail "$label: screenshot is $shot_size, expected 1400x900"

    # Logical (585,165) and (300,105) lie in the coral bit frame, (600,250)
    # and (10,100) on the teal window background. At 1x the first and third
    # are outside the window and the second is background.
    expect_colour "$shot" 1170 330 '#E08566' "$label: bit frame, lower right"
    expect_colour "$shot" 600 210 '#E08566' "$label: bit frame, between the rows"
    expect_colour "$shot" 1200 500 '#8FDBE0' "$label: background right of the error line"
    expect_colour "$shot" 20 200 '#8FDBE0' "$label: background left of the frame"
    # Bit 0's button (logical 550,130 25x30) starts light.
    expect_grey_level "$shot" 1140 300 200 255 "$label: bit 0 before the click"

    # A click at the scaled position must reach bit 0, which turns grey.
    xdotool mousemove --window "$id" 1125 290 click 1
    sleep 0.5
    screenshot "$id" "$shot"
    expect_grey_level "$shot" 1140 300 90 170 "$label: bit 0 after the click"

    if escape_and_wait "$id" "$pid"; then
        ((XLIB_EXIT == 0)) || fail "$label: exit code $XLIB_EXIT"
    else
        fail "$label: still running after Escape"
    fi
}

xvfb_start 2400x1600x24 || exit 1
check_doubled scale_factor QT_SCALE_FACTOR=2

# A second server whose screen reports 192 dpi, as a high-density monitor does.
xvfb_start 2400x1600x24 -dpi 192 || exit 1
check_doubled dense_screen

if ((failures > 0)); then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "high-DPI checks passed"
exit 0
