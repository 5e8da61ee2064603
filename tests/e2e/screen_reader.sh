#!/bin/bash
# Through the accessibility bus, as a screen reader: fields labelled by their
# captions, English names, links; its actions act as clicks do; Tab and Enter
# open a link and Shift+Tab leaves it; the register-map window's names.
set -euo pipefail
source "$(dirname "$0")/xlib.sh"
xvfb_start
wm_start
atspi_start
mkdir "$XLIB_TMP/bin" # a browser that notes each address it is asked to open
printf '#!/bin/sh\necho "$1" >>"%s/opened"\n' "$XLIB_TMP" >"$XLIB_TMP/bin/xdg-open"
chmod +x "$XLIB_TMP/bin/xdg-open"
PATH=$XLIB_TMP/bin:$PATH app_start "$1"
for field in "decimal value/十进制：" "hexadecimal value/十六进制:0x" "octal value/八进制：" "binary value/二进制："; do
    expect "${field%/*} labelled by ${field#*/}" "atspi '${field%/*}' labels" "${field#*/}"
done
for name in operand "shift left by one bit" "shift right by one bit" \
    "shift left by the typed count" "shift right by the typed count" 百度 翻译; do
    expect "$name" "atspi '$name' role" "@(text|push button|link)"
done
atspi "bit 5" do Press
expect "Press on bit 5" "atspi 'decimal value' text" 32
atspi 置于最上端显示 do Toggle
expect "Toggle on the check box" "xprop -id $WINDOW _NET_WM_STATE" "*= _NET_WM_STATE_ABOVE"
atspi 十六进制 do Toggle
atspi operand focus
xdotool type ff
expect "Toggle on 十六进制, then ff typed" "atspi operand text" ff
atspi 计算 focus
xdotool key Tab
expect "Tab from 计算 reaches 百度" "atspi 百度 state FOCUSED" True
xdotool key Return
expect "Enter opens it" "cat $XLIB_TMP/opened" "https://www.baidu.com/"
xdotool key shift+Tab
expect "Shift+Tab goes back to 计算" "atspi 计算 state FOCUSED" True
atspi 翻译 do Press
expect "Press on 翻译 opens it" "cat $XLIB_TMP/opened" "https://www.baidu.com/?https://fanyi.youdao.com/"
# Started on a register map (remembered in the test's own settings folder).
kill "${XLIB_PIDS[-1]}" && wait "${XLIB_PIDS[-1]}" || true
XDG_CONFIG_HOME=$XLIB_TMP/config app_start "$1" --svd "$(dirname "$0")/../data/tarnwick_test.svd" \
    --register GPIOA.MODER
expect "the map's search" "atspi 'register search' role" text
expect "the map's field table" "atspi 'register fields' role" table
expect "bit 5 tells its field" "atspi 'bit 5' description" "clear · MODER2\\[1\\]"
exit $((XLIB_FAILURES > 0))
