#!/bin/bash
# Under openbox, stay-on-top keeps the window where the user put it, frame
# included, and sets exactly _NET_WM_STATE_ABOVE, then nothing (never _BELOW);
# the window stays 700 x 450, without maximise, with its icon; bits still flip.
set -euo pipefail
source "$(dirname "$0")/xlib.sh"
xvfb_start
wm_start
app_start "$1"
place="xwininfo -id $WINDOW | grep Absolute; xprop -id $WINDOW _NET_FRAME_EXTENTS"
wmctrl -i -r "$WINDOW" -e 0,60,70,-1,-1
expect "moved by the window manager" "$place" "*X:  60*Y:  70*"
moved=$(eval "$place")
for state in "_NET_WM_STATE_ABOVE" ""; do
    xdotool mousemove --window "$WINDOW" 460 19 click 1 # the stay-on-top box
    expect "state '$state'" "xprop -id $WINDOW _NET_WM_STATE" "*= $state"
    expect "window left where it was" "$place" "$moved"
done
expect "fixed size" "xprop -id $WINDOW WM_NORMAL_HINTS" "*minimum size: 700 by 450*maximum size: 700 by 450*"
expect "no maximise" "xprop -id $WINDOW _NET_WM_ALLOWED_ACTIONS" "!(*MAXIMIZE*)"
expect "an icon" "xprop -id $WINDOW _NET_WM_ICON | head -n 1" "*Icon (48 x 48)*"
xdotool mousemove --window "$WINDOW" 392 145 click 1 # bit 5
expect "bit 5 grey after a click" "screenshot $WINDOW $XLIB_TMP/s.png; pixel $XLIB_TMP/s.png 384 136" "#[6-9A]?[6-9A]?[6-9A]?"
exit $((XLIB_FAILURES > 0))
