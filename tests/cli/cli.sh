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

# check WHAT EXIT PATTERN ARGS...: the output, standard error after standard
# output, matches the glob and the program exits with EXIT.
check() {
    local what=$1 code=$2 pattern=$3 out status
    shift 3
    out=$("${command[@]}" "$@" 2>"$tmp/err")
    status=$?
    out=$(cat - "$tmp/err" <<<"$out" | tr -d '\r')
    # shellcheck disable=SC2053
    if [[ $status == "$code" && $out == $pattern ]]; then
        echo "ok: $what"
    else
        echo "FAIL: $what: exit $status, output:" >&2
        echo "$out" >&2
        failures=$((failures + 1))
    fi
}

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

printf '<device><peripherals>\n<peripheral><name>X</name>\n</peripherals></device>\n' >"$tmp/broken.svd"
printf '<html/>' >"$tmp/page.xml"
printf '<device><name>D</name><peripherals><peripheral><name>P</name><baseAddress>0</baseAddress><access>bogus</access><registers><register><name>R</name><addressOffset>0</addressOffset></register></registers></peripheral></peripherals></device>' >"$tmp/flawed.svd"
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
a register wider than 32 bits|1|*TIM.CNT64 is a 64-bit register; Tarnwick holds 32 bits*|--svd "\$svd" TIM.CNT64
a missing file|2|*missing.svd: *|--svd "\$tmp/missing.svd" X
malformed XML, with line and column|2|*broken.svd:3:*|--svd "\$tmp/broken.svd" X
not an SVD file|2|*page.xml:1:*not a CMSIS-SVD file*|--svd "\$tmp/page.xml" --list
--version|0|tarnwick-cli 1.04|--version
--help-all, like --help, on standard output|0|Usage: *|--help-all
a peripheral's mistake told with --list|0|*flawed.svd: line 1: unknown access "bogus" in peripheral P*|--svd "\$tmp/flawed.svd" --list
EOF

((failures == 0)) || { echo "$failures check(s) failed" >&2; exit 1; }
echo "all console checks passed"
