# Shared start of the packaging checks. Source it with the script's
# arguments; the first is the build directory. Sets build, here, version,
# arch and deb (the package's path), and counts checks with ok/fail/check.

if [[ $# -lt 1 ]]; then
    echo "usage: $0 BUILD_DIR ${usage_rest:-}" >&2
    exit 2
fi
build=$(cd "$1" && pwd) || exit 1
here=$(cd "$(dirname "$0")" && pwd)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
arch=$(dpkg --print-architecture)
deb=$build/tarnwick_${version}_${arch}.deb

passed=0
failed=0
ok() { passed=$((passed + 1)); }
fail() {
    echo "FAIL: $*" >&2
    failed=$((failed + 1))
}
check() { # check DESCRIPTION COMMAND...
    local what=$1
    shift
    if "$@"; then ok; else fail "$what"; fi
}
