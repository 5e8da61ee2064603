#!/bin/bash
# The Windows program as a user gets it, under Wine on a private X server:
# the zip against what its files import in Wine, the silent installer, the
# installed program (window, Chinese captions, a bit click, the contact dialog, the
# calculator button without and with calc.exe, Escape), every DLL of the
# folder loaded, the console program, a register map opened from the command
# line with a bit click and a field edited in it, and the silent uninstaller.
# Usage: e2e.sh WINDOWS_BUILD_DIR win32|win64 OBJDUMP
set -euo pipefail
source "$(dirname "$0")/../e2e/xlib.sh"
build=$(cd "${1:?usage: e2e.sh WINDOWS_BUILD_DIR win32|win64 OBJDUMP}" && pwd)
arch=$2 objdump=$3
source "$(dirname "$0")/wine-env.sh" "$arch"
name=tarnwick-1.04-$arch
setup=$build/tarnwick-1.04-setup.exe app_name=Tarnwick
[[ $arch == win32 ]] || setup=$build/tarnwick-1.04-win64-setup.exe app_name="Tarnwick (64-bit)"

# A prefix of its own, fresh each run, so no other Wine session interferes.
export WINEPREFIX=$build/wineprefix-e2e WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
rm -rf "$WINEPREFIX"
# Room for the map window beside the main one.
xvfb_start 1920x1080x24
trap 'wineserver -k 2>/dev/null; xlib_cleanup' EXIT
wineboot -i >/dev/null 2>&1
wineserver -w
sys32=$WINEPREFIX/drive_c/windows/system32
home=$WINEPREFIX/drive_c/users/$(id -un)
instdir=$home/AppData/Local/Programs/$app_name
shortcut="$home/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/$app_name.lnk"
key="HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$app_name"

unzip -q "$build/$name.zip" -d "$XLIB_TMP"
files=$(cd "$XLIB_TMP/$name" && find . -type f | sed 's|^\./||' | sort)
echo "the zip holds:" $files
unresolved() { # imports of the zip's files that neither it nor Windows has
    local file dll
    for file in $files; do
        [[ $file == *.dll || $file == *.exe ]] || continue
        for dll in $($objdump -p "$XLIB_TMP/$name/$file" | sed -n 's/^\s*DLL Name: //p'); do
            [[ -f $sys32/${dll,,} ]] || grep -qix "$dll" <<<"$files" || echo "$file:$dll"
        done
    done
}
expect "every DLL the zip's files import is in it or in Windows" unresolved ""

wine "$setup" /S
wineserver -w
expect "the installer put the zip's folder in place" \
    "cd '$instdir' && find . -type f ! -name uninstall.exe | sed 's|^\./||' | sort" "$files"
expect "a Start-menu shortcut with the program's icon" 'grep -ac tarnwick.exe "$shortcut"' "[1-9]*"
expect "Add/Remove Programs lists Tarnwick 1.04" \
    "wine reg query '$key' | tr -d '\r' | grep Display | tr -s ' '" \
    "*DisplayName REG_SZ Tarnwick*DisplayVersion REG_SZ 1.04*"

WINEDEBUG=+loaddll wine "$instdir/tarnwick.exe" 2>"$XLIB_TMP/wine.log" &
app=$!
XLIB_PIDS+=("$app")
window=$(wait_window "Tarnwick v1.04" 60)
expect "the window is 700x450" "window_size $window" 700x450
shot=$XLIB_TMP/window.png
bit0="screenshot \$window $shot && pixel $shot 553 133" # bit 0 sits at (550, 130) of the window open then
expect "bit 0 is drawn clear" "$bit0" "#FFFFFF"
cp "$shot" "$build/tarnwick-wine.png"

# "所有清零" on the clear button in glyphs rather than boxes: together about
# four times as wide as high, each of the four with ink in its middle (the
# box of a missing glyph is hollow; "????" or mojibake are narrower or wider).
caption() {
    "$IM_CONVERT" "$shot" -crop 63x103+614+284 +repage -colorspace gray -threshold 80% -negate \
        -trim +repage "$XLIB_TMP/caption.png"
    "$IM_CONVERT" "$XLIB_TMP/caption.png" -format '%[fx:w > 3.2 * h && w < 5.2 * h] ' info:
    "$IM_CONVERT" "$XLIB_TMP/caption.png" -crop 4x1@ +repage -gravity center -crop 34%x34%+0+0 \
        +repage -format '%[fx:mean > 0]' info:
}
expect "the Chinese captions show glyphs, not boxes" caption "1 1111"

xdotool mousemove --window "$window" 562 138 click 1
expect "a click on bit 0 sets it" "$bit0" "#767676"

# The contact dialog's pictures need the JPEG plugin.
xdotool mousemove --window "$window" 645 414 click 1
expect "the contact dialog opens, 615x450" 'window_size $(wait_window 关于 1)' 615x450
press_key "$(wait_window 关于)" Escape

expect "this Wine has no calc.exe" "test -e $sys32/calc.exe && echo yes || echo no" no
xdotool mousemove --window "$window" 645 200 click 1
expect "without it the calculator button warns" "wait_window 警告 1" "[0-9]*"
press_key "$(wait_window 警告)" Return
cp "$build/tests/standin_calc.exe" "$sys32/calc.exe"
xdotool mousemove --window "$window" 645 200 click 1
expect "with a stand-in there, the button starts C:\\Windows\\System32\\calc.exe" \
    "test -e $WINEPREFIX/drive_c/calc-started && echo yes" yes

escape_and_wait "$window" "$app" 20 || XLIB_EXIT="still running"
expect "Escape ends Tarnwick with exit code 0" 'echo $XLIB_EXIT' 0
expect "the calculator outlives Tarnwick" "pgrep -ifc 'system32.calc\.exe'" "[1-9]*"

unloaded() { # the folder's DLLs that tarnwick.exe never loaded
    local loaded file
    loaded=$(sed -n 's/.*Loaded L"\(.*\)" at .*/\1/p' "$XLIB_TMP/wine.log" | sed 's|\\\\|/|g')
    for file in $files; do
        [[ $file != *.dll ]] || grep -qix ".*/$app_name/$file" <<<"$loaded" || echo "$file"
    done
}
expect "tarnwick.exe loaded every DLL of its folder" unloaded ""

svd=$(winepath -w "$(cd "$(dirname "$0")/../data" && pwd)/tarnwick_test.svd")
expect "the installed tarnwick-cli.exe decodes a register" \
    "wine '$instdir/tarnwick-cli.exe' --svd '$svd' GPIOA.MODER 0xA8000001 | tr -d '\r'" \
    "*\[31:30\]  MODER15  0x2    2  Alternate  read-write*\[1:0\]    MODER0   0x1    1  Output*"
wine "$instdir/tarnwick.exe" --svd "$svd" --register GPIOA.MODER 2>"$XLIB_TMP/map.log" &
app=$!
XLIB_PIDS+=("$app")
window=$(wait_window "Tarnwick v1.04" 60)
map=$(wait_window "GPIOA.MODER — tarnwick_test.svd" 60) || map=""
expect "--svd and --register open the map on GPIOA.MODER" "echo ${map:-none}" "[0-9]*"
xdotool mousemove --window "$window" 562 138 click 1
expect "with the map open, a click on bit 0 sets it" "$bit0" "#767676"
# A click in the search field makes the map the active window, as only a
# click does under Wine; then a click on MODER15's value (the first row of
# the field table, below the tree and the dump and target rows, in Wine's
# fonts) and F2 edit it. Wine drops keys that come faster than it handles them.
xdotool mousemove --window "$map" 300 20 click 1
sleep 0.5
xdotool mousemove --window "$map" 150 445 click 1
xdotool key --delay 200 F2 ctrl+a
xdotool type --delay 100 Analog
xdotool key Return
expect "MODER15 set to Analog in the map sets bits 31 and 30" \
    "screenshot $window $shot && pixel $shot 43 73 && pixel $shot 73 73" $'#767676\n#767676'
xdotool mousemove --window "$window" 5 5 click 1 # back to the main window, on no widget
escape_and_wait "$window" "$app" 20 || XLIB_EXIT="still running"
expect "Escape in the main window ends Tarnwick, map and all" 'echo $XLIB_EXIT' 0

wineserver -k || true
wineserver -w
wine "$instdir/uninstall.exe" /S
wineserver -w
for left in "$instdir" "$shortcut"; do
    expect "the uninstaller removed ${left##*/}" "test -e '$left' && echo yes || echo no" no
done
expect "the uninstaller removed the Add/Remove entry" \
    "wine reg query '$key' >/dev/null 2>&1 && echo yes || echo no" no

((XLIB_FAILURES == 0)) || { grep -v loaddll "$XLIB_TMP/wine.log" >&2; exit 1; }
