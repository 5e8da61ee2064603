#!/bin/bash
# Builds the fuzz targets of tests/fuzz with clang, libFuzzer, AddressSanitizer
# and UndefinedBehaviorSanitizer, and runs each for a bounded time from a
# scratch copy of its seeds, so the committed corpus never changes. Any crash,
# leak, sanitizer report, out-of-memory or slow input fails the run; the input
# that caused it is kept in BUILD_DIR/fuzz-run/TARGET/ and named in the log.
#
# Usage: tests/run_fuzz.sh [SOURCE_DIR] [BUILD_DIR] [SECONDS]
#   SOURCE_DIR  default: the directory above this script
#   BUILD_DIR   default: SOURCE_DIR/build-fuzz
#   SECONDS     fuzzing time per target, default 30
set -euo pipefail

src=$(cd "${1:-$(dirname "${BASH_SOURCE[0]}")/..}" && pwd)
build=${2:-$src/build-fuzz}
seconds=${3:-30}
jobs=${JOBS:-2}

# Debug keeps Q_ASSERT and Tarnwick's own assertions armed; -O1 keeps the
# executions per second worth having.
cmake -S "$src" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" -DTARNWICK_FUZZ=ON -DTARNWICK_TESTS=OFF >/dev/null
cmake --build "$build" -j"$jobs" --target fuzz_literals fuzz_svd fuzz_dump fuzz_rsp

# Readable stacks in the reports, where LLVM's symbolizer is installed.
symbolizer=$(command -v llvm-symbolizer || ls /usr/lib/llvm-*/bin/llvm-symbolizer 2>/dev/null | tail -n 1 || true)
if [ -n "$symbolizer" ]; then
    export ASAN_SYMBOLIZER_PATH=$symbolizer
fi
export ASAN_OPTIONS="detect_leaks=1:strict_string_checks=1:check_initialization_order=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"

# fuzz TARGET SEEDS... [-- OPTIONS...]: seeds are files or directories of files.
fuzz() {
    local target=$1
    shift
    local run=$build/fuzz-run/$target
    rm -rf "$run"
    mkdir -p "$run/corpus"
    while (($# > 0)) && [ "$1" != -- ]; do
        if [ -d "$1" ]; then
            cp "$1"/* "$run/corpus/"
        else
            cp "$1" "$run/corpus/"
        fi
        shift
    done
    (($# > 0)) && shift
    local status=0
    # A single input that runs for 25 s is a hang, not a slow map: the largest
    # vendor maps take under a second here, sanitizers and all.
    "$build/tests/fuzz/$target" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2560 \
        -print_final_stats=1 -artifact_prefix="$run/" "$@" "$run/corpus" \
        </dev/null >"$run/log" 2>&1 || status=$?
    local done_line units
    done_line=$(grep -E '^Done [0-9]+ runs in [0-9]+ second' "$run/log" | tail -n 1 || true)
    units=$(sed -n 's/^stat::number_of_executed_units: *//p' "$run/log" | tail -n 1)
    if ((status != 0)) || [ -z "$done_line" ] ||
        grep -qE 'ERROR: (Address|Leak|UndefinedBehavior)Sanitizer|runtime error:' "$run/log"; then
        echo "run_fuzz: $target failed (exit $status); the end of $run/log:" >&2
        tail -n 60 "$run/log" >&2
        return 1
    fi
    echo "run_fuzz: $target: $done_line (${units:-?} executions), no crash, leak or report"
}

status=0
fuzz fuzz_literals "$src/tests/fuzz/corpus_literals" || status=1
# The SVD fuzzer's dictionary: the tags, attribute, tokens and number forms of
# the test map.
grep -oE '</?[A-Za-z]+>|derivedFrom=|>[a-zA-Z-]+<|#[01x]+|0x|\[%s\]' "$src/tests/data/tarnwick_test.svd" |
    sort -u | sed 's/["\\]/\\&/g; s/.*/"&"/' >"$build/svd.dict"
fuzz fuzz_svd "$src/tests/fuzz/corpus_svd" "$src/tests/data/tarnwick_test.svd" -- \
    -dict="$build/svd.dict" || status=1
fuzz fuzz_dump "$src/tests/fuzz/corpus_dump" || status=1
# The packet reader: the protocol's framing bytes and replies to begin from.
printf '"$"\n"#"\n"}"\n"*"\n"+"\n"-"\n"%%"\n"E01"\n"OK"\n"T05"\n"PacketSize="\n' >"$build/rsp.dict"
fuzz fuzz_rsp "$src/tests/fuzz/corpus_rsp" -- -dict="$build/rsp.dict" || status=1
exit "$status"
