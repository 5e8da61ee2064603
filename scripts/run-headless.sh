#!/usr/bin/env bash
# Shows the program on a virtual X display when there is no real one, saves
# a screenshot of its window and closes it again.
set -euo pipefail
binary=${1:?usage: run-headless.sh BINARY SCREENSHOT}
shot=${2:?usage: run-headless.sh BINARY SCREENSHOT}
source "$(dirname "$0")/../tests/e2e/xlib.sh"

xvfb_start 1024x768x24
"$binary" &
pid=$!
XLIB_PIDS+=("$pid")
id=$(wait_window "Tarnwick v1.04" 30)
sleep 0.5 # let the first paint land before the screenshot
screenshot "$id" "$shot"
press_key "$id" Escape
status=0
wait "$pid" || status=$?
if ((status != 0)); then
    echo "tarnwick exited with code $status" >&2
    exit "$status"
fi
echo "No display: Tarnwick ran on a virtual X display; its window is saved in $shot"
