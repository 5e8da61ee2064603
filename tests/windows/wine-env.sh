# Sourced by the Windows test scripts with the build's architecture (win32 or
# win64): the Wine prefix kind and the loader for it. Debian's `wine` takes
# the 32-bit loader whenever wine32 is installed, so the 64-bit build names
# the 64-bit loader itself, as a machine without 32-bit code needs.
# Afterwards "${WINE[@]}" runs a Windows program, and `wine`, `wineboot` and
# `winepath` go to the right loader.
case ${1:?usage: source wine-env.sh win32|win64} in
win32) export WINEARCH=win32 && WINE=(/usr/bin/wine) ;;
win64) export WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64 && WINE=("$WINELOADER") ;;
*) echo "wine-env.sh: unknown architecture $1" >&2 && return 2 ;;
esac
wine() { "${WINE[@]}" "$@"; }
wineboot() { "${WINE[@]}" wineboot "$@"; }
winepath() { "${WINE[@]}" winepath "$@"; }
