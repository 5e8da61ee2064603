# Sourced by the console program's test scripts, which define run ARGS...
# (the program with what every check of theirs gives it), $tmp and $failures.

# check WHAT EXIT PATTERN ARGS...: the output of run ARGS..., standard error
# after standard output, matches the glob and the program exits with EXIT.
check() {
    local what=$1 code=$2 pattern=$3 out status
    shift 3
    out=$(run "$@" 2>"$tmp/err")
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
