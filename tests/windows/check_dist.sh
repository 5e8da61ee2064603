#!/usr/bin/env bash
# The Windows folder, zip and installer as `make windows` leaves them, read
# without running any of them, so a machine that cannot execute the build
# still checks what users would get: every program and DLL is built for the
# folder's architecture and imports only what the folder or Windows itself
# has, the two programs are a GUI and a console program, the zip holds the
# folder, and the installer's lists install and remove exactly its files.
# Usage: check_dist.sh WINDOWS_BUILD_DIR VERSION win32|win64 OBJDUMP
set -uo pipefail
build=${1:?usage: check_dist.sh WINDOWS_BUILD_DIR VERSION win32|win64 OBJDUMP}
version=$2 arch=$3 objdump=$4
name=tarnwick-$version-$arch
folder=$build/$name
if [[ $arch == win64 ]]; then
    format=pei-x86-64 setup=$build/tarnwick-$version-win64-setup.exe
else
    format=pei-i386 setup=$build/tarnwick-$version-setup.exe
fi
failures=0
check() { # check WHAT GOT WANT
    if [[ $2 == "$3" ]]; then
        echo "ok: $1"
    else
        echo "FAIL: $1"$'\n'"  got:  ${2//$'\n'/ }"$'\n'"  want: ${3//$'\n'/ }"
        ((failures++))
    fi
}

# What Windows itself provides to a Qt Widgets program (and QtNetwork) and the MinGW runtime.
system_dlls=" advapi32 comdlg32 crypt32 d3d11 dnsapi dwmapi dxgi gdi32 iphlpapi imm32 kernel32 mpr msvcrt netapi32 ole32 "
system_dlls+="oleaut32 setupapi shell32 shlwapi user32 userenv uxtheme version winmm ws2_32 wtsapi32 "

for f in "$folder" "$build/$name.zip" "$setup"; do
    check "${f##*/} was made" "$([[ -e $f ]] && echo yes)" yes
done
files=$(cd "$folder" && find . -type f | sed 's|^\./||' | sort)

unresolved=() wrong_format=()
while read -r file; do
    [[ $file == *.dll || $file == *.exe ]] || continue
    dump=$("$objdump" -p "$folder/$file")
    grep -q "file format $format" <<<"$dump" || wrong_format+=("$file")
    for dll in $(sed -n 's/^\s*DLL Name: //p' <<<"$dump"); do
        lower=${dll,,}
        [[ $system_dlls == *" ${lower%.dll} "* || $lower == api-ms-win-* ]] && continue
        grep -qix "$dll" <<<"$files" || grep -qix ".*/$dll" <<<"$files" || unresolved+=("$file:$dll")
    done
done <<<"$files"
check "every program and DLL is $format" "${wrong_format[*]}" ""
check "every DLL they import is in the folder or in Windows" "${unresolved[*]}" ""
check "the installer is $format" "$("$objdump" -f "$setup" | sed -n 's/.*file format //p')" "$format"

subsystem() { "$objdump" -p "$folder/$1" | sed -n 's/^Subsystem\s*//p'; }
check "tarnwick.exe is a Windows GUI program" "$(subsystem tarnwick.exe)" "00000002	(Windows GUI)"
check "tarnwick-cli.exe is a Windows console program" "$(subsystem tarnwick-cli.exe)" \
    "00000003	(Windows CUI)"

check "the zip holds the folder" \
    "$(/usr/bin/python3 -c 'import sys, zipfile
print("\n".join(sorted(n for n in zipfile.ZipFile(sys.argv[1]).namelist() if not n.endswith("/"))))' \
        "$build/$name.zip")" "$(sed "s|^|$name/|" <<<"$files")"

# files.nsh names each file by its path on this machine to install it and by
# its path under $INSTDIR to delete it.
installs=$(sed -n 's|^  File "'"$folder"'/\(.*\)"$|\1|p' "$build/files.nsh" | sed 's|/\./|/|g; s|^\./||' | sort)
deletes=$(sed -n 's|^  Delete "$INSTDIR\\\(.*\)"$|\1|p' "$build/files.nsh" | tr '\\' / | sort)
check "the installer installs exactly the folder's files" "$installs" "$files"
check "the uninstaller deletes exactly the folder's files" "$deletes" "$files"

((failures == 0)) || { echo "check_dist: $failures check(s) failed"; exit 1; }
echo "check_dist: all checks passed"
