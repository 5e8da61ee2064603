#!/bin/bash
# Runs Tarnwick's benchmarks on a private X server and prints every figure
# next to its baseline measured in the same run.
#
# Usage: bench/run_bench.sh [BUILD_DIR] [RUNS]
#   BUILD_DIR  a configured build tree (default: <source>/build)
#   RUNS       start-up runs per program (default 10)
# Environment: BENCH_SAMPLES (per-action samples, default 400),
#              BENCH_ACTIONS (long-session actions, default 10000).
#
# 1. Start-up and memory: tarnwick and floor_form (a plain Qt dialog with the
#    same widgets) are started alternately, each with a fresh empty HOME and
#    XDG directories and with nothing Qt-specific in the environment, so the
#    baseline loads Qt's GL integration as any Qt program would. mapwait
#    times exec -> MapNotify of the window and reads VmRSS 1.5 s later.
# 2. Per-action cost: bench_actions, in process, against the naive refresh.
# 3. Long session: long_session, RSS and heap over 10 000 actions and 500
#    contact dialogs, with Qt's pixmap cache on and then off.
# 4. Register-map reader: svd_bench, reading against tokenizing, per file.
# 5. Register dumps: dump_bench, reading and placing a dump of every register
#    of the largest vendor map against splitting its text with a plain loop.
# 6. The map window's tree: tree_bench, filtering per keystroke on the largest
#    vendor file (or a generated map), alone and with a dump of every register.
# 7. Live target: target_bench against QEMU (bench/target_bench.sh).
set -euo pipefail

src=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$src/build}" && pwd)
runs=${2:-10}
samples=${BENCH_SAMPLES:-400}
actions=${BENCH_ACTIONS:-10000}

cmake --build "$build" --target bench_programs -j2 >/dev/null

tarnwick=$build/tarnwick
floor=$build/bench/floor_form
mapwait=$build/bench/mapwait

# shellcheck source=../tests/e2e/xlib.sh
source "$src/tests/e2e/xlib.sh"
unset QT_XCB_GL_INTEGRATION QT_QPA_PLATFORM
xvfb_start 1280x1024x24

# run_fresh CMD...: runs CMD with an empty home and nothing but the basics in
# the environment.
run_fresh() {
    local home
    home=$(mktemp -d "$XLIB_TMP/home.XXXXXX")
    mkdir -p "$home/.config" "$home/.cache" "$home/.local/share"
    mkdir -m 700 "$home/runtime"
    env -i PATH=/usr/local/bin:/usr/bin:/bin DISPLAY="$DISPLAY" LANG=C.UTF-8 \
        HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_CACHE_HOME="$home/.cache" \
        XDG_DATA_HOME="$home/.local/share" XDG_RUNTIME_DIR="$home/runtime" \
        "$@"
    local rc=$?
    rm -rf "$home"
    return $rc
}

# start_once NAME PROGRAM: one mapwait run, printed as "NAME map cpu rss".
start_once() {
    local line
    line=$(run_fresh "$mapwait" --settle-ms 1500 -- "$2" 2>/dev/null) || {
        echo "bench: $1 did not start" >&2
        return 1
    }
    echo "$1 $line" | sed 's/[a-z_]*=//g'
}

echo "== Tarnwick benchmarks, $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, Qt $(pkg-config --modversion Qt5Core 2>/dev/null || echo 5)"
echo
echo "== 1. Start-up (exec -> window mapped) and RSS 1.5 s after the map, $runs runs each"
echo "   baseline floor_form: plain QDialog, same widgets, default environment (GL integration loaded)"

# Warm the page cache so the first measured run is not a cold start.
start_once warmup "$floor" >/dev/null
start_once warmup "$tarnwick" >/dev/null

results=$XLIB_TMP/startup.txt
: >"$results"
for ((i = 1; i <= runs; i++)); do
    if ((i % 2)); then
        start_once floor_form "$floor" >>"$results"
        start_once tarnwick "$tarnwick" >>"$results"
    else
        start_once tarnwick "$tarnwick" >>"$results"
        start_once floor_form "$floor" >>"$results"
    fi
done

awk '
function median(list, n,   i, j, t, a) {
    n = split(list, a, " ")
    for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (a[j] < a[i]) { t = a[i]; a[i] = a[j]; a[j] = t }
    return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
}
function lo(list,   n, i, a, m) { n = split(list, a, " "); m = a[1]; for (i = 2; i <= n; i++) if (a[i] < m) m = a[i]; return m }
function hi(list,   n, i, a, m) { n = split(list, a, " "); m = a[1]; for (i = 2; i <= n; i++) if (a[i] > m) m = a[i]; return m }
{ map[$1] = map[$1] " " $2; cpu[$1] = cpu[$1] " " $3; rss[$1] = rss[$1] " " $4; gl[$1] += $6; runs[$1]++ }
END {
    printf "   %-11s %10s %10s %10s   %10s   %10s %10s %10s\n", "program", "map_ms med", "min", "max", "cpu_ms med", "rss_kB med", "min", "max"
    split("floor_form tarnwick", order, " ")
    for (k = 1; k <= 2; k++) {
        p = order[k]
        printf "   %-11s %10.1f %10.1f %10.1f   %10.1f   %10d %10d %10d\n", p,
            median(map[p]) / 1e6, lo(map[p]) / 1e6, hi(map[p]) / 1e6, median(cpu[p]) / 1e6,
            median(rss[p]), lo(rss[p]), hi(rss[p])
    }
    printf "   runs with the xcb GL integration loaded: floor_form %d/%d, tarnwick %d/%d\n",
        gl["floor_form"], runs["floor_form"], gl["tarnwick"], runs["tarnwick"]
    t = median(map["tarnwick"]) / median(map["floor_form"])
    c = median(cpu["tarnwick"]) / median(cpu["floor_form"])
    r = median(rss["tarnwick"]) / median(rss["floor_form"])
    printf "   ratio tarnwick/floor_form: time %.2f (cpu %.2f), RSS %.2f\n", t, c, r
    printf "GOAL 1 start-up time <= 0.50 x floor_form: %s (%.2f)\n", t <= 0.5 ? "MET" : "NOT MET", t
    printf "GOAL 2a RSS 1.5 s after map <= 0.35 x floor_form: %s (%.2f)\n", r <= 0.35 ? "MET" : "NOT MET", r
}' "$results"

# Offscreen first: only the program's own work and painting, no X server
# competing for the two cores. Then on the X server, where every paint is
# also sent to Xvfb.
for platform in offscreen xcb; do
    echo
    echo "== 2. Per-action cost on the shown window ($platform), painting included"
    run_fresh env QT_QPA_PLATFORM=$platform "$build/bench/bench_actions" "$samples" \
        2>"$XLIB_TMP/actions.log" || {
        echo "bench: bench_actions failed" >&2
        tail -n 20 "$XLIB_TMP/actions.log" >&2
        exit 1
    }
done

# The session twice: as shipped, and with Qt's pixmap cache switched off to
# tell that bounded cache apart from anything the program itself keeps.
for mode in "" --no-pixmap-cache; do
    echo
    echo "== 3. Long session (xcb on Xvfb) ${mode}"
    run_fresh env QT_QPA_PLATFORM=xcb QT_LOGGING_RULES=default.debug=false \
        "$build/bench/long_session" "$actions" 20 $mode 2>"$XLIB_TMP/session.log" || {
        echo "bench: long_session failed" >&2
        tail -n 20 "$XLIB_TMP/session.log" >&2
        exit 1
    }
done

# The register-map reader against QXmlStreamReader tokenizing the same file,
# both reading from disk in one process: two synthetic vendor-like files
# made here (flat peripherals, and clusters nested in cluster arrays), and
# the real vendor files of ../shared/svd when they are there.
echo
echo "== 4. Register-map reader vs tokenizing the same file with QXmlStreamReader alone"
"$build/bench/svd_bench" --generate "$XLIB_TMP/synthetic.svd" 8
"$build/bench/svd_bench" --generate-nested "$XLIB_TMP/nested.svd"
svd_files=("$XLIB_TMP/synthetic.svd" "$XLIB_TMP/nested.svd")
[[ -d $src/../shared/svd ]] && svd_files+=("$src"/../shared/svd/*.svd)
"$build/bench/svd_bench" "${svd_files[@]}" | tee "$XLIB_TMP/svd.txt"
for file in "${svd_files[@]}"; do
    "$build/bench/svd_bench" --memory "$file"
done | awk '{ sub("bytes=", "", $2); sub("rss_before_kB=", "", $4); sub("rss_after_kB=", "", $5)
              printf "   %-20s memory after reading: +%d kB, %.2f x the file\n", $1, $5 - $4, ($5 - $4) * 1024 / $2 }'
awk 'NR > 1 && $8 + 0 > worst { worst = $8; file = $1 }
     END { printf "GOAL 4 reading <= 1.5 x tokenizing: %s (worst %.2f, %s)\n", worst <= 1.5 ? "MET" : "NOT MET", worst, file }' \
    "$XLIB_TMP/svd.txt"

# A dump as OpenOCD prints it, of every register of the vendor map with the
# most registers: the reader and placing its units on the map, against a
# plain loop that only finds the lines and numbers of the same text.
echo
echo "== 5. Register dump reader vs splitting the same text into lines and numbers"
if compgen -G "$src/../shared/svd/*.svd" >/dev/null; then
    "$build/bench/dump_bench" "$src"/../shared/svd/*.svd
else
    echo "   no vendor files in $src/../shared/svd: skipped"
fi

# The largest vendor file when there is one: the map a user browses most.
echo
echo "== 6. The map window's tree (offscreen), per keystroke and with a full dump"
tree_map=$(ls -S "$src"/../shared/svd/*.svd 2>/dev/null | head -n 1 || true)
if [[ -z $tree_map ]]; then
    tree_map=$XLIB_TMP/tree.svd
    "$build/bench/svd_bench" --generate "$tree_map" 14 # about 3000 registers
fi
run_fresh env QT_QPA_PLATFORM=offscreen "$build/bench/tree_bench" "$tree_map" 5 2>/dev/null
# The live-target client against QEMU's GDB server.
echo
bash "$src/bench/target_bench.sh" "$build"
