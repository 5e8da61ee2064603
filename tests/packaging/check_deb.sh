#!/bin/bash
# Builds the Debian package, then checks its control fields and, unpacked
# into a scratch root, the files it installs.
# Usage: check_deb.sh BUILD_DIR
set -u

source "$(dirname "$0")/common.sh" "$@"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Always rebuilt: the build is incremental, and a package left over from an
# earlier build must not be what gets checked.
if ! cmake --build "$build" --target package >"$scratch/package.log" 2>&1; then
    cat "$scratch/package.log" >&2
    echo "FAIL: building the package" >&2
    exit 1
fi

if [[ ! -f $deb ]]; then
    echo "FAIL: no package $deb" >&2
    exit 1
fi

field() { dpkg-deb -f "$deb" "$1"; }
expect_field() {
    local actual
    actual=$(field "$1")
    check "$1 is '$2' (is '$actual')" test "$actual" = "$2"
}
expect_field Package tarnwick
expect_field Version "$version"
expect_field Architecture "$arch"
expect_field Section utils
check "a Maintainer" test -n "$(field Maintainer)"
check "a synopsis" test -n "$(field Description | head -n 1)"
check "a long description" test "$(field Description | wc -l)" -gt 1

depends=$(field Depends)
# One entry per line, alternatives kept together, versions dropped.
entries=$(sed -e 's/ *([^)]*)//g' <<<"$depends" | tr ',' '\n' | sed -e 's/^ *//' -e 's/ *$//')
check "Depends has libqt5widgets5 ($depends)" grep -qx 'libqt5widgets5' <<<"$entries"
check "Depends has libqt5core5a ($depends)" grep -qx 'libqt5core5a' <<<"$entries"
check "Depends has a CJK font ($depends)" grep -qx 'fonts-wqy-microhei | fonts-noto-cjk' <<<"$entries"
expect_field Recommends qtwayland5

# Everything goes under /usr, nothing under /usr/local or a build path.
listing=$(dpkg-deb -c "$deb" | awk '{print $6}')
check "all files under ./usr/" test -z "$(grep -v '^\./usr/' <<<"$listing")"
check "nothing under /usr/local" test -z "$(grep '^\./usr/local/' <<<"$listing")"

root=$scratch/root
if ! dpkg -x "$deb" "$root"; then
    echo "FAIL: dpkg -x" >&2
    exit 1
fi
for binary in "$root/usr/bin/tarnwick" "$root/usr/bin/tarnwick-cli"; do
    check "${binary##*/} is stripped of debug information" \
        test -z "$(readelf -S "$binary" 2>/dev/null | grep -F '.debug_info')"
    missing=$(ldd "$binary" 2>&1 | grep -F 'not found')
    check "every shared library of ${binary##*/} resolves ($missing)" test -z "$missing"
done

# The unpacked tree must pass the same checks as a plain install.
check "the unpacked tree passes the install checks" bash "$here/check_install.sh" "$build" "$root/usr"

echo "package $deb: $passed checks passed, $failed failed"
((failed == 0))
