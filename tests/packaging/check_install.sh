#!/bin/bash
# Installs the build into a scratch prefix and checks what a desktop needs to
# find there: the program, its desktop entry, its icons in the hicolor theme
# and its AppStream metadata, each validated with the distribution's tools.
#
# Usage: check_install.sh BUILD_DIR [PREFIX]
# With PREFIX, nothing is installed: the tree already under PREFIX (such as an
# unpacked package's usr/) is checked instead.
set -u

usage_rest="[PREFIX]"
source "$(dirname "$0")/common.sh" "$@"
source_dir=$(cd "$here/../.." && pwd)

app_id=io.github.tarnwick.Tarnwick
IM_CONVERT=$(command -v convert-im6.q16 || command -v /usr/bin/convert)
IM_COMPARE=$(command -v compare-im6.q16 || command -v /usr/bin/compare)

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

if [[ -z $version ]]; then
    echo "no project version in $build/CMakeCache.txt" >&2
    exit 1
fi

if [[ $# -ge 2 ]]; then
    prefix=$2
else
    prefix=$scratch/prefix
    if ! cmake --install "$build" --prefix "$prefix" >"$scratch/install.log" 2>&1; then
        cat "$scratch/install.log" >&2
        echo "FAIL: cmake --install" >&2
        exit 1
    fi
fi

# The programs.
for name in tarnwick tarnwick-cli; do
    binary=$prefix/bin/$name
    check "bin/$name is an executable file" test -f "$binary" -a -x "$binary"
    check "bin/$name is an ELF binary" test "$(head -c 4 "$binary" 2>/dev/null | od -An -c | tr -d ' ')" = '177ELF'
    # A run path into the build tree would load the build's libraries, or none.
    runpath=$(readelf -d "$binary" 2>/dev/null | grep -E 'RPATH|RUNPATH')
    check "no run path into the build tree in $name (${runpath:-none})" test -z "$(grep -F "$build" <<<"$runpath")"
done
check "the console program needs no GUI library" test -z "$(readelf -d "$prefix/bin/tarnwick-cli" | grep -E 'Qt5(Gui|Widgets)')"

# The desktop entry.
desktop=$prefix/share/applications/$app_id.desktop
check "desktop entry $app_id.desktop installed" test -f "$desktop"
if [[ -f $desktop ]]; then
    validation=$(desktop-file-validate "$desktop" 2>&1)
    check "desktop-file-validate accepts it: $validation" test $? -eq 0 -a -z "$validation"

    key() { sed -n "s/^$1=//p" "$desktop"; }
    expect_key() {
        local actual
        actual=$(key "$1")
        check "desktop key $1 is '$2' (is '$actual')" test "$actual" = "$2"
    }
    expect_key 'Type' 'Application'
    expect_key 'Name' 'Tarnwick'
    expect_key 'Name\[zh_CN\]' '寄存器计算小工具'
    expect_key 'Exec' 'tarnwick'
    expect_key 'Icon' "$app_id"
    expect_key 'Terminal' 'false'
    categories=$(key Categories)
    check "Categories lists Utility and Calculator ($categories)" \
        grep -qE '(^|;)Utility;(.*;)?Calculator;|(^|;)Calculator;(.*;)?Utility;' <<<"$categories"
    comment=$(key Comment)
    check "a one-line Comment" test -n "$comment"
    exec_program=$(key Exec | cut -d' ' -f1)
    check "Exec names the installed program" test -x "$prefix/bin/$exec_program"
fi

# Icons: the window icon at 48 px and the larger renderings of it.
icon_dir=$prefix/share/icons/hicolor
for size in 48 64 128 256; do
    icon=$icon_dir/${size}x${size}/apps/$app_id.png
    if [[ ! -f $icon ]]; then
        fail "icon $size: $icon missing"
        continue
    fi
    format=$("$IM_CONVERT" "$icon" -format '%m %wx%h %A' info: 2>&1)
    # %A is the alpha channel: True (older) or Blend (newer ImageMagick).
    check "icon $size is a ${size}x${size} PNG with alpha ($format)" \
        grep -qE "^PNG ${size}x${size} (True|Blend)$" <<<"$format"
done
icon48=$icon_dir/48x48/apps/$app_id.png
if [[ -f $icon48 ]]; then
    differing=$("$IM_COMPARE" -metric AE "$icon48" "$source_dir/resources/image/favicon.ico" null: 2>&1)
    check "the 48 px icon is the window icon pixel for pixel (pixels differing: $differing)" \
        test "$differing" = 0
fi

# AppStream metadata.
metainfo=$prefix/share/metainfo/$app_id.metainfo.xml
check "metainfo $app_id.metainfo.xml installed" test -f "$metainfo"
if [[ -f $metainfo ]]; then
    validation=$(appstreamcli validate --no-net "$metainfo" 2>&1)
    check "appstreamcli validate accepts it: $validation" test $? -eq 0
    validation=$(appstreamcli validate-tree --no-net "$prefix" 2>&1)
    check "appstreamcli validate-tree accepts the tree: $validation" test $? -eq 0
    contains() { grep -qF -- "$1" "$metainfo"; }
    check "metainfo id is $app_id" contains "<id>$app_id</id>"
    check "metainfo launches the installed desktop entry" \
        contains "<launchable type=\"desktop-id\">$app_id.desktop</launchable>"
    check "metainfo has a release $version" contains "<release version=\"$version\""
    check "metainfo names the project licence" contains "<project_license>MIT</project_license>"
    check "metainfo names the metadata licence" contains "<metadata_license>CC0-1.0</metadata_license>"
    check "metainfo provides the binary" contains "<binary>tarnwick</binary>"
    check "metainfo has a content rating" contains "<content_rating type=\"oars-1.1\""
    check "metainfo has a screenshot" grep -qE '<image>https://[^<]+\.png</image>' "$metainfo"
fi

echo "install tree under $prefix: $passed checks passed, $failed failed"
((failed == 0))
