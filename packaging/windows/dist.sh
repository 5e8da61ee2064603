#!/usr/bin/env bash
# Stages the portable folder from the install rules, strips it, zips it and
# builds the installer from it. The 32-bit installer keeps the name it has
# always had; the 64-bit one says so in its name.
# Usage: dist.sh BUILD_DIR VERSION win32|win64 STRIP
set -euo pipefail

build=$(cd "$1" && pwd)
version=$2
arch=$3
strip=$4
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
name=tarnwick-$version-$arch
stage=$build/$name
if [[ $arch == win64 ]]; then
    setup=$build/tarnwick-$version-win64-setup.exe
else
    setup=$build/tarnwick-$version-setup.exe
fi

rm -rf "$stage" "$build/$name.zip" "$setup"
cmake --install "$build" --prefix "$stage" >/dev/null
# The MinGW runtime comes with its debug symbols (libstdc++ is 21 MB).
find "$stage" -name '*.dll' -o -name '*.exe' | xargs "$strip" --strip-unneeded

(cd "$build" && rm -f "$name.zip" && zip -qr -X "$name.zip" "$name")

# The installer's file list, and the same list for the uninstaller to delete.
files=$build/files.nsh
{
    echo '!macro INSTALL_FILES'
    (cd "$stage" && find . -type d | sort) | while read -r dir; do
        echo "  SetOutPath \"\$INSTDIR${dir#.}\""
        find "$stage/$dir" -maxdepth 1 -type f | sort | sed 's/^/  File "/; s/$/"/'
    done | sed 's|/\./|/|; s|\$INSTDIR/|$INSTDIR\\|'
    echo '!macroend'
    echo '!macro UNINSTALL_FILES'
    (cd "$stage" && find . -type f | sort) | sed 's|^\./|  Delete "$INSTDIR\\|; s|/|\\|g; s|$|"|'
    (cd "$stage" && find . -mindepth 1 -type d | sort -r) | sed 's|^\./|  RMDir "$INSTDIR\\|; s|/|\\|g; s|$|"|'
    echo '!macroend'
} >"$files"

size_kb=$(du -sk "$stage" | cut -f1)
makensis -V2 -DVERSION="$version" -DARCH="$arch" -DFILES="$files" -DSIZE_KB="$size_kb" \
    -DOUTFILE="$setup" -DICON="$here/../../resources/image/favicon.ico" \
    "$here/tarnwick.nsi"

echo "$build/$name.zip"
echo "$setup"
