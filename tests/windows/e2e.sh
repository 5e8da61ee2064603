#!/bin/bash
# The Windows program as a user gets it, under Wine on a private X server:
# the zip and what the executable imports, the silent installer, the
# installed program's window, captions, a bit click, the calculator button on
# both of its paths and Escape, then the silent uninstaller.
# Usage: e2e.sh WINDOWS_BUILD_DIR
set -euo pipefail
source "$(dirname "$0")/../e2e/xlib.sh"

build=$(cd "${1:?usage: e2e.sh WINDOWS_BUILD_DIR}" && pwd)
version=1.04
zip=$build/tarnwick-$version-win32.zip
setup=$build/tarnwick-$version-setup.exe
failures=0
ok() { echo "ok: $*"; }
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
check() { # check WHAT COMMAND...
    local what=$1
    shift
    if "$@"; then ok "$what"; else fail "$what"; fi
}

# A prefix of its own, fresh each run, so no other Wine session interferes.
export WINEPREFIX=$build/wineprefix-e2e WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
rm -rf "$WINEPREFIX"
xvfb_start 1280x1024x24
trap 'wineserver -k 2>/dev/null; xlib_cleanup' EXIT
wineboot -i >/dev/null 2>&1
wineserver -w
drive_c=$WINEPREFIX/drive_c
user_dir=$drive_c/users/$(id -un)
instdir=$user_dir/AppData/Local/Programs/Tarnwick
shortcut="$user_dir/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Tarnwick.lnk"
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarnwick'

# The zip: one folder, and every DLL the program or a DLL of it imports is
# in it or part of Windows.
listing=$XLIB_TMP/zip.txt
unzip -Z1 "$zip" | grep -v '/$' | sed "s|^tarnwick-$version-win32/||" | sort >"$listing"
echo "zip holds: $(tr '\n' ' ' <"$listing")"
unzip -q "$zip" -d "$XLIB_TMP/unzipped"
folder=$XLIB_TMP/unzipped/tarnwick-$version-win32
imports() { i686-w64-mingw32-objdump -p "$1" | sed -n 's/^\s*DLL Name: //p'; }
missing=""
while read -r file; do
    [[ $file == *.exe || $file == *.dll ]] || continue
    for dll in $(imports "$folder/$file"); do
        [[ -f $drive_c/windows/system32/${dll,,} ]] && continue
        grep -qix "$dll" "$listing" || missing+=" $file:$dll"
    done
done <"$listing"
check "every imported DLL is in the zip or in Windows${missing:+ (missing:$missing)}" test -z "$missing"
# (Its machine type and resources are the windows_resources test's.)
check "tarnwick.exe is a Windows GUI program" \
    grep -q 'Subsystem.*(Windows GUI)' < <(i686-w64-mingw32-objdump -p "$folder/tarnwick.exe")

# Silent install.
wine "$setup" /S
wineserver -w
installed=$(cd "$instdir" && find . -type f ! -name uninstall.exe | sed 's|^\./||' | sort)
check "the installer put the zip's folder in place" test "$installed" == "$(cat "$listing")"
check "the installer added a Start-menu shortcut" test -f "$shortcut"
check "the shortcut shows the program's icon" grep -aq 'tarnwick.exe' "$shortcut"
registry=$(wine reg query "$key" 2>/dev/null | tr -d '\r')
check "Add/Remove Programs lists Tarnwick" grep -Eq 'DisplayName\s+REG_SZ\s+Tarnwick$' <<<"$registry"
check "Add/Remove Programs shows version $version" grep -Eq "DisplayVersion\s+REG_SZ\s+$version\$" <<<"$registry"

# The installed program, logging which DLLs it loads.
loads=$XLIB_TMP/loaddll.log
WINEDEBUG=+loaddll wine "$instdir/tarnwick.exe" 2>"$loads" &
app=$!
XLIB_PIDS+=("$app")
window=$(wait_window "Tarnwick v$version" 60)
check "the window is 700x450" test "$(window_size "$window")" == 700x450
# Bit 0 sits at (550, 130) in the window; a set bit is grey.
shot=$XLIB_TMP/window.png
bit0_is() { # COLOUR: waits up to 20 s for bit 0 to show it
    for _ in $(seq 40); do
        screenshot "$window" "$shot" && [[ $(pixel "$shot" 553 133) == "$1" ]] && return 0
        sleep 0.5
    done
    return 1
}
check "bit 0 is drawn clear" bit0_is "#FFFFFF"
cp "$shot" "$build/tarnwick-wine.png"
ok "screenshot saved as $build/tarnwick-wine.png"

# "所有清零" on the clear button, in glyphs rather than boxes: together
# about four times as wide as high, each of the four with ink in its middle
# (a missing glyph's box is hollow; "????" or mojibake are narrower or wider).
caption=$XLIB_TMP/caption.png
"$IM_CONVERT" "$shot" -crop 63x103+614+284 +repage -colorspace gray -threshold 80% -negate \
    -trim +repage "$caption"
read -r width height < <("$IM_CONVERT" "$caption" -format '%w %h\n' info:)
middles=$("$IM_CONVERT" "$caption" -crop 4x1@ +repage -gravity center -crop 34%x34%+0+0 +repage \
    -format '%[fx:mean>0]' info:)
check "the Chinese caption shows four glyphs, not boxes (${width}x${height}, middles $middles)" \
    awk -v w="$width" -v h="$height" -v m="$middles" 'BEGIN { exit !(m == "1111" && w > 3.2 * h && w < 5.2 * h) }'

xdotool mousemove --window "$window" 562 138 click 1
check "a click on bit 0 sets it" bit0_is "#767676"

# The contact dialog, whose pictures need the JPEG plugin.
xdotool mousemove --window "$window" 645 414 click 1
if contact=$(wait_window "关于" 20); then
    check "the contact dialog is 615x450" test "$(window_size "$contact")" == 615x450
    press_key "$contact" Escape
else
    fail "the contact button opened no window"
fi

# Calculator button, with no calc.exe (Debian's Wine has none): the warning.
calc=$drive_c/windows/system32/calc.exe
check "this Wine has no calc.exe" test ! -e "$calc"
xdotool mousemove --window "$window" 645 200 click 1
if box=$(wait_window "警告" 20); then
    ok "without calc.exe the warning box appears"
    press_key "$box" Return
else
    fail "without calc.exe no warning box appeared"
fi

# With a stand-in in its place it is started, and outlives Tarnwick.
cp "$build/tests/standin_calc.exe" "$calc"
xdotool mousemove --window "$window" 645 200 click 1
for _ in $(seq 100); do [[ -e $drive_c/calc-started ]] && break; sleep 0.1; done
check "the calculator button started C:\\Windows\\System32\\calc.exe" test -e "$drive_c/calc-started"

if escape_and_wait "$window" "$app" 20; then
    check "Escape ends Tarnwick with exit code 0" test "$XLIB_EXIT" -eq 0
else
    fail "Tarnwick still runs 20 s after Escape"
fi
check "the calculator still runs after Tarnwick ended" pgrep -if 'system32.calc\.exe' >/dev/null

# Nothing in the folder is dead weight: the program loaded every DLL of it.
loaded=$(sed -n 's/.*Loaded L"\(.*\)" at .*/\1/p' "$loads" | sed 's|\\\\|/|g')
unloaded=""
while read -r file; do
    [[ $file == *.dll ]] || continue
    grep -qix ".*/Tarnwick/$file" <<<"$loaded" || unloaded+=" $file"
done <"$listing"
check "tarnwick.exe loaded every DLL of its folder${unloaded:+ (not loaded:$unloaded)}" \
    test -z "$unloaded"

wineserver -k || true
wineserver -w

# Silent uninstall: nothing of the program is left.
wine "$instdir/uninstall.exe" /S
wineserver -w
check "the uninstaller removed the program's folder" test ! -e "$instdir"
check "the uninstaller removed the shortcut" test ! -e "$shortcut"
check "the uninstaller removed the Add/Remove entry" bash -c "! wine reg query '$key' >/dev/null 2>&1"

if ((failures > 0)); then
    echo "--- what Wine printed:" >&2
    grep -v 'trace:loaddll' "$loads" >&2 || true
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "all Windows end-to-end checks passed"
