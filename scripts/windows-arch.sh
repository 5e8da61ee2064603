#!/usr/bin/env bash
# Which Windows build this machine can test: "win32" where it executes 32-bit
# x86 code (and so 32-bit Wine), "win64" where it does not. Some sandboxes
# run on kernels that claim IA-32 emulation yet refuse every 32-bit program,
# so this runs one instead of reading the kernel's configuration: a 96-byte
# static i386 ELF that only exits with status 42. It needs no package at all,
# not even the 32-bit loader, which a fresh machine does not have.
#
# Usage: scripts/windows-arch.sh    prints win32 or win64 on standard output
#                                   and one line saying why on standard error
# TARNWICK_WINDOWS_ARCH=win32|win64 skips the probe, for trying one path on a
# machine that would take the other.
set -euo pipefail

case ${TARNWICK_WINDOWS_ARCH:-} in
win32)
    echo "Windows tests: 32-bit build under 32-bit Wine (chosen by TARNWICK_WINDOWS_ARCH)" >&2
    echo win32
    exit 0
    ;;
win64)
    echo "Windows tests: 64-bit build under 64-bit Wine; the 32-bit one checked without running it (chosen by TARNWICK_WINDOWS_ARCH)" >&2
    echo win64
    exit 0
    ;;
'') ;;
*) echo "TARNWICK_WINDOWS_ARCH must be win32 or win64" >&2; exit 2 ;;
esac

probe=$(mktemp "${TMPDIR:-/tmp}/tarnwick-i386.XXXXXX")
trap 'rm -f "$probe"' EXIT
# ELF header, one loadable segment at 0x08048000, then
# mov ebx, 42; mov eax, 1 (exit); int 0x80.
printf '\x7fELF\x01\x01\x01\0\0\0\0\0\0\0\0\0''\x02\0\x03\0\x01\0\0\0''\x54\x80\x04\x08''\x34\0\0\0''\0\0\0\0''\0\0\0\0''\x34\0\x20\0\x01\0\0\0\0\0\0\0' >"$probe"
printf '\x01\0\0\0''\0\0\0\0''\0\x80\x04\x08''\0\x80\x04\x08''\x60\0\0\0''\x60\0\0\0''\x05\0\0\0''\0\x10\0\0' >>"$probe"
printf '\xbb\x2a\0\0\0''\xb8\x01\0\0\0''\xcd\x80' >>"$probe"
chmod +x "$probe"

status=0
why=$("$probe" 2>&1) || status=$?
if [[ $status == 42 ]]; then
    echo "Windows tests: 32-bit build under 32-bit Wine (this machine runs 32-bit x86 code)" >&2
    echo win32
else
    why=${why##*: }
    echo "Windows tests: 64-bit build under 64-bit Wine; the 32-bit one checked without running it (this machine runs no 32-bit x86 code: ${why:-exit status $status})" >&2
    echo win64
fi
