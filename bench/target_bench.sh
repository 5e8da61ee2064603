#!/bin/bash
# The live-target figures (target_bench.cpp) against QEMU's microbit machine
# on loopback, with the test map of tests/target. Run by run_bench.sh; on
# its own: bench/target_bench.sh BUILD_DIR [SAMPLES].
set -euo pipefail
src=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$src/build}" && pwd)
samples=${2:-2000}
command -v qemu-system-arm >/dev/null || { echo "bench: no qemu-system-arm (make deps-test)" >&2; exit 1; }
cmake --build "$build" --target target_bench tarnwick-cli -j2 >/dev/null

tmp=$(mktemp -d)
QEMU_PID=
trap '[[ -n $QEMU_PID ]] && kill "$QEMU_PID" 2>/dev/null; rm -rf "$tmp"' EXIT
# The firmware of tests/target/qemu.sh: a wfi loop.
printf '\x00\x10\x00\x20\x09\x00\x00\x00\x30\xbf\xfd\xe7\x00\xbf\x00\xbf\x01\x60\xfe\xe7' >"$tmp/fw.bin"
coproc QEMU { exec qemu-system-arm -M microbit -display none -serial none -monitor stdio \
    -gdb tcp:127.0.0.1:0 -kernel "$tmp/fw.bin" 2>&1; }
echo "info chardev" >&"${QEMU[1]}"
port=
while IFS= read -r -t 5 line <&"${QEMU[0]}"; do
    if [[ $line == *"gdb: filename="*tcp:127.0.0.1:* ]]; then
        port=${line#*tcp:127.0.0.1:}
        port=${port%%,*}
        break
    fi
done
[[ -n $port ]] || { echo "bench: QEMU named no GDB port" >&2; exit 1; }

echo "== 7. Live target: QEMU $(qemu-system-arm --version | sed -n '1s/.*version \([^ ]*\).*/\1/p') microbit on 127.0.0.1:$port, $samples reads each way"
"$build/bench/target_bench" "127.0.0.1:$port" "$build/tarnwick-cli" "$src/tests/target/microbit.svd" "$samples"
