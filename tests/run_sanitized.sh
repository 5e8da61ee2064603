#!/bin/bash
# Builds the library and the widget tests with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs the tests. Any report fails the run:
# the sanitizers stop the test at the first error, and every report they
# write, also from a test that went on to pass, is collected and printed.
#
# Usage: tests/run_sanitized.sh [SOURCE_DIR] [BUILD_DIR]
#   SOURCE_DIR  default: the directory above this script
#   BUILD_DIR   default: SOURCE_DIR/build-asan
set -euo pipefail

src=$(cd "${1:-$(dirname "${BASH_SOURCE[0]}")/..}" && pwd)
build=${2:-$src/build-asan}
sanitize="-fsanitize=address,undefined"
jobs=${JOBS:-2}

cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS="$sanitize -fno-omit-frame-pointer -fno-sanitize-recover=undefined" \
    -DCMAKE_EXE_LINKER_FLAGS="$sanitize" -DCMAKE_SHARED_LINKER_FLAGS="$sanitize" \
    -DTARNWICK_TESTS=ON >/dev/null

# Only the widget tests and what they link; the e2e scripts and benchmarks are
# not needed here.
mapfile -t targets < <(cmake --build "$build" --target help | sed -n 's/^\.\.\. \(tst_[A-Za-z0-9_]*\).*/\1/p')
if ((${#targets[@]} == 0)); then
    echo "run_sanitized: no tst_* targets found" >&2
    exit 1
fi
cmake --build "$build" -j"$jobs" --target "${targets[@]}"

logs=$build/sanitizer-logs
rm -rf "$logs"
mkdir -p "$logs"
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=0:exitcode=23:detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1:check_initialization_order=1:log_path=$logs/asan"
export UBSAN_OPTIONS="halt_on_error=1:exitcode=24:print_stacktrace=1:log_path=$logs/ubsan"
export LSAN_OPTIONS="suppressions=$src/tests/sanitizers/lsan.supp:print_suppressions=0:exitcode=23"

status=0
ctest --test-dir "$build" -R '^tst_' --output-on-failure -j"$jobs" || status=$?

# A report counts even when the process that wrote it exited 0.
shopt -s nullglob
reports=("$logs"/*)
if ((${#reports[@]} > 0)); then
    echo "run_sanitized: sanitizer reports:" >&2
    for report in "${reports[@]}"; do
        echo "--- $report" >&2
        cat "$report" >&2
    done
    status=1
fi
if ((status == 0)); then
    echo "run_sanitized: all widget tests passed with no sanitizer report"
fi
exit "$status"
