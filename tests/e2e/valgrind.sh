#!/bin/bash
# Runs the real program under Memcheck on a private X server through a short
# scripted session (bit clicks, typing, shifts, clear all, a contact dialog
# opened and closed) and then closes it with Escape. Fails on any invalid
# read or write, on any definitely lost block, and on a non-zero exit.
#
# Usage: valgrind.sh TARNWICK_BINARY
set -euo pipefail

binary=$1
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=xlib.sh
source "$here/xlib.sh"
xvfb_start 1024x768x24

log=$XLIB_TMP/memcheck.log
home=$XLIB_TMP/home
mkdir -p "$home"

# Valgrind is slow: every step waits generously for the program to catch up.
step() { sleep "${STEP_DELAY:-1.5}"; }

# click WINDOW X Y: a left click at window coordinates.
click() {
    xdotool mousemove --window "$1" "$2" "$3" click 1
    step
}

# The centre of the button of bit N.
bit_x() { local k=$(($1 % 16)); echo $((550 - 30 * k - 20 * (k / 4) + 12)); }
bit_y() { if (($1 < 16)); then echo 145; else echo 85; fi; }

HOME=$home valgrind --tool=memcheck --leak-check=full --errors-for-leak-kinds=definite \
    --error-exitcode=9 --track-origins=no --num-callers=30 --child-silent-after-fork=yes \
    --suppressions="$here/valgrind.supp" --log-file="$log" "$binary" &
vg=$!
XLIB_PIDS+=("$vg")

finish() {
    echo "--- memcheck log ---" >&2
    cat "$log" >&2
    exit 1
}

main=$(wait_window "Tarnwick v1.04" 90) || finish

for bit in 0 5 12 31 16 7; do
    click "$main" "$(bit_x $bit)" "$(bit_y $bit)"
done

# Decimal field: select everything and type a new value.
click "$main" 330 200
press_key "$main" ctrl+a
xdotool type --delay 150 4660
step

# Shifts: < and > by one, then << and >> by a typed count.
click "$main" 465 310
click "$main" 545 310
click "$main" 505 360
xdotool type --delay 150 3
step
click "$main" 465 410
click "$main" 545 410

# Clear all.
click "$main" 645 335

# A contact dialog, closed with Escape.
click "$main" 645 414
contact=$(wait_window "关于" 90) || finish
press_key "$contact" Escape
for _ in $(seq 60); do
    xdotool search --onlyvisible --name '^关于$' >/dev/null 2>&1 || break
    sleep 1
done

press_key "$main" Escape

status=0
for _ in $(seq 90); do
    kill -0 "$vg" 2>/dev/null || break
    sleep 1
done
if kill -0 "$vg" 2>/dev/null; then
    echo "valgrind.sh: the program did not exit after Escape" >&2
    finish
fi
wait "$vg" || status=$?

failed=0
if ((status != 0)); then
    echo "valgrind.sh: exit status $status" >&2
    failed=1
fi
if grep -qE 'Invalid (read|write)' "$log"; then
    echo "valgrind.sh: invalid memory access" >&2
    failed=1
fi
if grep -E 'definitely lost:' "$log" | grep -vqE 'definitely lost: 0 bytes'; then
    echo "valgrind.sh: memory definitely lost" >&2
    failed=1
fi
if ((failed)); then
    finish
fi
grep -E 'ERROR SUMMARY|definitely lost|in use at exit' "$log" | sed 's/^==[0-9]*== //'
echo "valgrind.sh: clean"
