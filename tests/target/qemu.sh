#!/bin/bash
# tarnwick-cli --gdb against a real GDB server: QEMU's microbit machine (an
# nRF51 with real FICR, GPIO and UART) running a firmware of a wfi loop.
# Usage: qemu.sh SVD_FILE COMMAND...   COMMAND runs the program (under Wine
# for the Windows build, which talks to the same QEMU on 127.0.0.1).
set -uo pipefail
svd=${1:?usage: qemu.sh SVD_FILE COMMAND...}
shift
command=("$@")
tmp=$(mktemp -d)
failures=0
QEMU_PID=
trap '[[ -n $QEMU_PID ]] && kill "$QEMU_PID" 2>/dev/null; rm -rf "$tmp"' EXIT

# Stack at 0x20001000, reset at 0x09: wfi, then a branch back to it.
printf '\x00\x10\x00\x20\x09\x00\x00\x00\x30\xbf\xfd\xe7\x00\xbf\x00\xbf\x01\x60\xfe\xe7' >"$tmp/fw.bin"

# start_qemu [-S]: QEMU on a port it picks itself (no race with another
# program for it), which the monitor names; sets $target.
start_qemu() {
    [[ -n $QEMU_PID ]] && kill "$QEMU_PID" && wait "$QEMU_PID" 2>/dev/null
    coproc QEMU { exec qemu-system-arm -M microbit -display none -serial none -monitor stdio \
        -gdb tcp:127.0.0.1:0 "$@" -kernel "$tmp/fw.bin" 2>&1; }
    monitor "info chardev" "gdb: filename"
    reply=${reply#*tcp:127.0.0.1:}
    target=127.0.0.1:${reply%%,*}
}

# monitor COMMAND TEXT: sets $reply to the rest of the monitor's first line
# of output with TEXT in it (not in a subshell, which has no coprocess).
monitor() {
    reply=
    echo "$1" >&"${QEMU[1]}"
    local line
    while IFS= read -r -t 5 line <&"${QEMU[0]}"; do
        line=${line//$'\r'/}
        [[ $line == *"$2"* ]] && { reply=${line#*"$2"}; return 0; }
    done
    return 1
}

# shellcheck source=../cli/check.sh
source "$(dirname "${BASH_SOURCE[0]}")/../cli/check.sh"
# Every check is of the test map on the QEMU of the moment.
run() { "${command[@]}" --svd "$svd" --gdb "$target" "$@"; }

state_is() { # state_is WHAT STATE
    monitor "info status" "VM status: "
    if [[ $reply == "$2" ]]; then
        echo "ok: $1"
    else
        echo "FAIL: $1: the target is ${reply:-not known}" >&2
        failures=$((failures + 1))
    fi
}

start_qemu
state_is "QEMU runs the firmware" running
check "FICR.CODEPAGESIZE read, halting the running target said" 0 \
    '{"name": "FICR.CODEPAGESIZE", * "value": "0x00000400", "fields": [], "read": "0x00000400", "written": null, "read_back": null}*halted the running target*' \
    FICR.CODEPAGESIZE --json
check "FICR.CODESIZE as a table" 0 "FICR.CODESIZE  0x10000014*value 0x00000100 = 256*" FICR.CODESIZE
check "GPIO.PIN_CNF[0] reads its reset value" 0 "*value 0x00000002 = 2*INPUT*Disconnect*" 'GPIO.PIN_CNF[0]'
check "--read leaves out the FIFO and the write-only register, saying why" 0 \
    "UART0.EVENTS_RXDRDY  0x40002108*tarnwick-cli: UART0.RXD: reading it has a side effect (modifyExternal); --side-effects reads it*UART0.TXD: it is write-only*" \
    --read 'UART0.*'
check "the FIFO by name needs --side-effects" 3 \
    "*UART0.RXD at 0x40002518: not read: reading it has a side effect (modifyExternal); --side-effects reads it" UART0.RXD
check "a write to RAM is read back" 0 "*value 0x00000305 = 773*written 0x00000305*read back 0x00000305*" \
    SCRATCH.STATUS MODE=5 DONE=1 ERR=1 --write
check "writing back a status clears no flag it was not told to" 0 \
    '*"read": "0x00000305", "written": "0x00000007", "read_back": "0x00000007"}*' \
    SCRATCH.STATUS MODE=7 --write --json
check "a peripheral write: QEMU 7.2 may drop it, either outcome is told" 0 "*written 0x00000001*" \
    GPIO.OUT PIN0=1 --write
check "a read-only register is not written" 3 "*FICR.CODESIZE at 0x10000014: not written: it is read-only" \
    FICR.CODESIZE X=1 --write
"${command[@]}" --svd "$svd" --gdb "$target" --read 'GPIO.*' --save "$tmp/gpio.dump" >"$tmp/read.txt" 2>/dev/null
"${command[@]}" --svd "$svd" --dump "$tmp/gpio.dump" 'GPIO.*' >"$tmp/dump.txt" 2>/dev/null
if [[ -s $tmp/read.txt ]] && cmp -s "$tmp/read.txt" "$tmp/dump.txt"; then
    echo "ok: --read prints what --dump prints of its --save"
else
    echo "FAIL: --read and --dump of its --save differ" >&2
    failures=$((failures + 1))
fi
state_is "the target runs again after each session" running

start_qemu -S
check "a halted target is read" 0 "*value 0x00000400*" FICR.CODEPAGESIZE
state_is "and left halted" "paused (prelaunch)"
dead=$target
kill "$QEMU_PID" && wait "$QEMU_PID" 2>/dev/null
QEMU_PID=
target=$dead
check "no server: the address, register and exit 3" 3 "*tarnwick-cli: FICR.CODESIZE at 0x10000014: $dead: *" FICR.CODESIZE

((failures == 0)) || { echo "qemu.sh: $failures check(s) failed" >&2; exit 1; }
echo "qemu.sh: all checks passed"
