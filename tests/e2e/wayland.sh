#!/bin/bash
# On weston (headless) the program shows its window and stays up, its title
# and app id reach the compositor, and the stay-on-top box says why it is off.
set -euo pipefail
source "$(dirname "$0")/xlib.sh"
XLIB_TMP=$(mktemp -d) # private, as a runtime directory must be
export XDG_RUNTIME_DIR=$XLIB_TMP WAYLAND_DISPLAY=tarnwick QT_QPA_PLATFORM=wayland
unset DISPLAY
# Without a renderer (the default) the headless output cannot be captured.
weston --backend=headless-backend.so --use-pixman --socket=$WAYLAND_DISPLAY --idle-time=0 \
    --debug >/dev/null 2>&1 &
XLIB_PIDS+=($!)
expect "weston started" "test -S $XLIB_TMP/tarnwick && echo yes" yes
atspi_start
WAYLAND_DEBUG=1 "$1" 2>"$XLIB_TMP/app.log" &
XLIB_PIDS+=($!)
expect "title and app id" "grep -o 'set_[a-z_]*(.*)' $XLIB_TMP/app.log" \
    '*set_title("Tarnwick v1.04")*set_app_id("io.github.tarnwick.Tarnwick")*'
expect "check box disabled, saying why" "atspi 置于最上端显示 state ENABLED; atspi 置于最上端显示 description" \
    "False?Not available on Wayland*"
# About 120 000 of the window's pixels show its background.
expect "the window on a screenshot" "cd $XLIB_TMP && rm -f ./*.png && timeout 10 weston-screenshooter &&
    $IM_CONVERT ./*.png -fill black +opaque '#8FDBE0' -fill white -opaque '#8FDBE0' \
    -format '%[fx:mean * w * h > 100000]' info:" 1
expect "still running" "kill -0 ${XLIB_PIDS[-1]} && echo yes" yes
exit $((XLIB_FAILURES > 0))
