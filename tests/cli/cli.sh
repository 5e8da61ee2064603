#!/bin/bash
# tarnwick-cli as a script uses it: text, JSON and exit codes, on the test map.
# Usage: cli.sh SVD_FILE COMMAND...   COMMAND runs the program (under Wine for
# the Windows build), whose console ends lines with CR LF there.
set -uo pipefail
svd=${1:?usage: cli.sh SVD_FILE COMMAND...}
shift
command=("$@")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0

# shellcheck source=check.sh
source "$(dirname "${BASH_SOURCE[0]}")/check.sh"
run() { "${command[@]}" "$@"; }

check "a value in every form, with its facts" 0 \
    "*hex:*0x0000001F*Verilog:*32'h0000_001F*decimal:*31*binary:*0000 0000 0000 0000 0000 0000 0001 1111*bits set:*5*" \
    0x1F
check "full-width digits read as their ASCII forms" 0 "*decimal:*31*" ０ｘ１Ｆ
check "--list --json: the five keys in order, in file order, matched without case" 0 '\[
  {"name": "GPIOA.MODER", "address": "0x40020000", "size": 32, "reset_value": "0xA8000000", "access": "read-write"},
  {"name": "GPIOA.ODR", "address": "0x40020014", "size": 32, "reset_value": "0x00000000", "access": "read-write"}
\]' --svd "$svd" --list 'gpioa*' --json
check "a register as JSON: its value, and its fields msb first" 0 '{"name": "GPIOA.MODER", "address": "0x40020000", "size": 32, "reset_value": "0xA8000000", "access": "read-write", "value": "0xA8000001", "fields": \[
  {"name": "MODER15", "msb": 31, "lsb": 30, "access": "read-write", "value": 2, "enum": "Alternate", "description": "Port x configuration bits"},
  {"name": "MODER14", *
  {"name": "MODER0", "msb": 1, "lsb": 0, "access": "read-write", "value": 1, "enum": "Output", "description": "Port x configuration bits"}
\]}' --svd "$svd" gpioa.moder 0xA8000001 --json
check "JSON: null where nothing states access, enum or description; 64-bit reset values" 0 \
    '*"name": "CC1IF", "msb": 1, "lsb": 1, "access": "read-write", "value": 1, "enum": "Down", "description": null}*"name": "UIF", *"enum": null, "description": null}*' \
    --svd "$svd" TIM.SR 3 --json
"${command[@]}" --svd "$svd" --list --json >"$tmp/list.json"
if /usr/bin/python3 -c 'import json, sys; sys.exit(len(json.load(open(sys.argv[1]))) != 35)' \
    "$tmp/list.json"; then
    echo "ok: --list --json is valid JSON with all 35 registers"
else
    echo "FAIL: --list --json is not valid JSON of 35 registers" >&2
    failures=$((failures + 1))
fi
check "a table for a person, reserved bits included" 0 \
    "*reset 0x00000005*value 0x00000792 = 1938*bits*field*value*enum*access*\[31:11\]  reserved*\[10:8\]   CKD       0x7    7  Other   read-writeOnce*\[7:5\]    CMS       0x4    4  Center  read-writeOnce*\[4\]      DIR       0x1    1  Down    read-writeOnce*\[1\]      UDIS      0x1    1          write-only*" \
    --svd "$svd" tim.cr1 0 dir=countdown cms=Center CKD=7 UDIS=1
check "the reset value by default" 0 "*value 0xA8000000 = 2818572288*\[31:30\]  MODER15  0x2    2  Alternate  read-write*" \
    --svd "$svd" GPIOA.MODER
check "the register's warnings go to standard error" 0 \
    "*tarnwick-cli: $svd: line 148: field OUTSIDE \[9:8\] lies outside the 8-bit register*" \
    --svd "$svd" FLAWED.CTRL
check "--list tells the listed registers' warnings once, in line order, two of one name among them" 0 \
    "*line 145: another register named FLAWED.CTRL follows, at line 160*line 148: *line 160: another register named FLAWED.CTRL comes first*" \
    --svd "$svd" --list 'flawed.*'

# Two GDB captures of GPIOA, x/10xw, that differ in MODER0 and ODR.
gdb_capture() {
    printf '(gdb) x/10xw 0x40020000\n0x40020000 <GPIOA>:\t0x%s\t0x00000000\t0x00000000\t0x00000000\n' "$1"
    printf '0x40020010 <GPIOA+16>:\t0x00000000\t0x%s\t0x00000000\t0x00000000\n0x40020020 <GPIOA+32>:\t0x00000000\t0x00000000\n' "$2"
}
gdb_capture a8000000 00000000 >"$tmp/old.gdb"
gdb_capture a8000001 00010001 >"$tmp/new.gdb"
check "--dump: each covered register decoded, a blank line between, skipped lines told" 0 \
    "GPIOA.MODER  0x40020000  32 bits  read-write  reset 0xA8000000
value 0xA8000000 = 2818572288
*\[1:0\]    MODER0   0x0    0  Input      read-write

GPIOA.ODR  0x40020014  *\[15:0\]   ODR       0x0    0        read-write
tarnwick-cli: $tmp/old.gdb: 1 line in no form of dump skipped, the first line 1" \
    --svd "$svd" --dump "$tmp/old.gdb"
check "--dump - --changed --json: the register objects of a decoded value, from standard input" 0 '\[
{"name": "GPIOA.MODER", *"value": "0xA8000001", "fields": \[
  {"name": "MODER15", *
  {"name": "MODER0", "msb": 1, "lsb": 0, "access": "read-write", "value": 1, "enum": "Output", "description": "Port x configuration bits"}
\]}
\]*' --svd "$svd" --dump - 'gpioa.m*' --changed --json <"$tmp/new.gdb"
check "--diff: the registers and fields that changed, reserved runs as such" 0 \
    "GPIOA.MODER  0xA8000000 -> 0xA8000001
  MODER0  \[1:0\]  0x0 Input -> 0x1 Output
GPIOA.ODR  0x00000000 -> 0x00010001
  reserved  \[31:16\]  0x0 -> 0x1
  ODR       \[15:0\]   0x0 -> 0x1
tarnwick-cli: *" --svd "$svd" --diff "$tmp/old.gdb" "$tmp/new.gdb"
check "--diff --json" 0 '\[
  {"name": "GPIOA.MODER", "address": "0x40020000", "size": 32, "old": "0xA8000000", "new": "0xA8000001", "fields": \[
    {"name": "MODER0", "msb": 1, "lsb": 0, "old": 0, "new": 1, "old_enum": "Input", "new_enum": "Output"}
  \]},
  {"name": "GPIOA.ODR", *"fields": \[
    {"name": null, "msb": 31, "lsb": 16, "old": 0, "new": 1, "old_enum": null, "new_enum": null},
    {"name": "ODR", *
\]*' --svd "$svd" --diff - "$tmp/new.gdb" GPIOA.* --json <"$tmp/old.gdb"
printf '4002081C = 8001\n0x40020000: 0000\nGPIOA.ODR = 1\ngpioa.odr = 2\n' >"$tmp/mixed.txt"
printf '0x58020000: 00000000 00000000\n' >"$tmp/h7.txt"
printf 'GPIOC.LCKR = 1\n' >"$tmp/lckr.txt"
printf '<device><peripherals>\n<peripheral><name>X</name>\n</peripherals></device>\n' >"$tmp/broken.svd"
printf '<html/>' >"$tmp/page.xml"
printf '<device><name>D</name><peripherals><peripheral><name>P</name><baseAddress>0</baseAddress><access>bogus</access><registers><register><name>R</name><addressOffset>0</addressOffset></register></registers></peripheral></peripherals></device>' >"$tmp/flawed.svd"
printf '<device><name>D</name><peripherals/></device>' >"$tmp/none.svd"
printf '\x1f\x8b\x08\0' >"$tmp/map.gz"
printf '\xfd7zXZ\0' >"$tmp/map.xz"
printf 'PK\3\4' >"$tmp/map.zip"
printf '\xff\xfe<\0d\0' >"$tmp/utf16.svd"
printf '<device>\n\xe9</device>' >"$tmp/latin1.svd"
printf 'GPIOA.ODR\n' >"$tmp/notes.txt"
: >"$tmp/empty.svd"
while IFS='|' read -r what code pattern args; do
    eval "check \"\$what\" \"\$code\" \"\$pattern\" $args"
done <<EOF
no such register|1|*has no register NOPE*|--svd "\$svd" NOPE
no such field|1|*TIM.CR1 has no field NOPE*|--svd "\$svd" TIM.CR1 NOPE=1
a value that is not a number|1|*"zz" is not a number*|zz
a value wider than 32 bits|1|*does not fit in 32 bits*|0x1FFFFFFFF
a value wider than its 16-bit register|1|*0x10000 does not fit the 16-bit register TIM.CH\[0\].CCR*|--svd "\$svd" "TIM.CH[0].CCR" 0x10000
a field value wider than its field|1|*9 does not fit the 3-bit field CMS*|--svd "\$svd" TIM.CR1 CMS=9
a field value that is neither|1|*"Sideways" is neither a number nor a value of DIR*|--svd "\$svd" TIM.CR1 DIR=Sideways
a VALUE wider than 32 bits for a 64-bit register|1|*0x1FFFFFFFF does not fit in 32 bits; set the upper bits of TIM.CNT64 by field*|--svd "\$svd" TIM.CNT64 0x1FFFFFFFF
a 64-bit register at its full reset value|0|*reset 0x123456789ABCDEF0*value 0x123456789ABCDEF0 = 1311768467463790320*\[63:0\]  CNT*|--svd "\$svd" TIM.CNT64
an 8-bit register in two hex digits|0|*reset 0x00*value 0xA5 = 165*|--svd "\$svd" FLAWED.CTRL 0xA5
--list of a register's own name, brackets included, 16 bits in four digits|0|*TIM.CH\[0\].CCR  0x40010040  16    0x00FF  read-write|--svd "\$svd" --list "TIM.CH[0].CCR"
--list with a bracket that closes no class|0|*TIM.ARR\[1\]  *|--svd "\$svd" --list "tim.arr[1*"
a peripheral for a register|1|*has no register GPIOA: GPIOA is a peripheral; try --list 'GPIOA.\*'|--svd "\$svd" GPIOA
--list with a peripheral's name|1|*no register matches gpioa: gpioa is a peripheral; try --list 'gpioa.\*'|--svd "\$svd" --list gpioa
a near miss names the closest|1|*has no register GPIOA.ODRR; the closest: GPIOA.ODR, GPIOB.ODR*|--svd "\$svd" GPIOA.ODRR
plain digits read as hex, told where they do not fit|1|*255 (read as 0x255; 0d255 is decimal) does not fit the 8-bit register FLAWED.CTRL|--svd "\$svd" FLAWED.CTRL 255
0d for decimal|0|*value 0xFF = 255*|--svd "\$svd" FLAWED.CTRL 0d255
a negative value|1|?tarnwick-cli: -1 is not a value for a register*|--svd "\$svd" GPIOA.ODR -1
a name for reading only|1|*"Up" is what DIR reads as, not a value to write; it is written as CountUp, CountDown or a number|--svd "\$svd" TIM.CR1 DIR=Up
a default name|1|*"Other" names the values of CMS that have no name of their own*Edge, Center or a number|--svd "\$svd" TIM.CR1 CMS=Other
a field set twice|1|*CMS is set twice|--svd "\$svd" TIM.CR1 CMS=1 cms=2
--svd twice|1|*--svd is given twice*|--svd "\$svd" --svd "\$svd" --list
a read-only field warns|0|*value 0x0001 = 1*DT is read-only*|--svd "\$svd" "TIM.CH[0].DEAD.DTA" DT=1
a field beyond its register is not set|1|*OUTSIDE \[9:8\] reaches past the 8-bit register FLAWED.CTRL, so it cannot be set|--svd "\$svd" FLAWED.CTRL OUTSIDE=1
a map without registers in JSON|0|[]|--svd "\$tmp/none.svd" --list --json
a map without registers as text|0|*none.svd has no registers|--svd "\$tmp/none.svd" --list
gzip|2|*map.gz: it is compressed with gzip*|--svd "\$tmp/map.gz" X
xz|2|*map.xz: it is compressed with xz*|--svd "\$tmp/map.xz" X
zip|2|*map.zip: it is a zip archive*|--svd "\$tmp/map.zip" X
UTF-16 that does not say so|2|*utf16.svd: it is UTF-16 text*|--svd "\$tmp/utf16.svd" X
not UTF-8|2|*latin1.svd: line 2 is not UTF-8 (byte 0xE9)*|--svd "\$tmp/latin1.svd" X
plain text|2|*notes.txt: it is plain text, not XML*|--svd "\$tmp/notes.txt" X
an empty file|2|*empty.svd: the file is empty|--svd "\$tmp/empty.svd" X
no file name|2|?tarnwick-cli: --svd names no file|--svd '' X
a missing file|2|*missing.svd: *|--svd "\$tmp/missing.svd" X
malformed XML, with line and column|2|*broken.svd:3:*|--svd "\$tmp/broken.svd" X
not an SVD file|2|*page.xml:1:*not a CMSIS-SVD file*|--svd "\$tmp/page.xml" --list
--version|0|tarnwick-cli 1.04|--version
--help-all, like --help, on standard output|0|Usage: *|--help-all
a peripheral's mistake told with --list|0|*flawed.svd: line 1: unknown access "bogus" in peripheral P*|--svd "\$tmp/flawed.svd" --list
a dump's repeats and partly covered registers told|0|*GPIOC.LCKR  0x4002081C  16 bits*value 0x8001 = 32769*mixed.txt: lines 3 and 4: gpioa.odr is given as 0x00000001 and 0x00000002; line 4 stands*mixed.txt: 1 register only partly covered, the first GPIOA.MODER|--svd "\$svd" --dump "\$tmp/mixed.txt"
a dump of another chip|1|*h7.txt covers no register of *: usually the wrong map for the dump (it starts at 0x58020000, *|--svd "\$svd" --dump "\$tmp/h7.txt"
no line of a dump in any form|1|*notes.txt: no line is a register dump*|--svd "\$svd" --dump "\$tmp/notes.txt"
standard input twice|1|*- for one of OLD and NEW, not both|--svd "\$svd" --diff - -
no register in common|1|*old.gdb and *lckr.txt cover no register in common|--svd "\$svd" --diff "\$tmp/old.gdb" "\$tmp/lckr.txt"
EOF

((failures == 0)) || { echo "$failures check(s) failed" >&2; exit 1; }
echo "all console checks passed"
