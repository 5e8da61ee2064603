#!/usr/bin/env bash
# Builds the Qt that the Windows program links against: Debian's own qtbase
# source (the same release as the host's Qt), cross-compiled for 32-bit or
# 64-bit Windows with MinGW-w64, reduced to what a Widgets program and its
# QtTest suites need. The result lives in a cache outside the checkout, keyed
# by a hash of this recipe, and is reused whenever it is already there. It
# takes about a quarter of an hour on two cores the first time, per
# architecture.
#
# Usage: scripts/windows-qt.sh [win32|win64]   prints the Qt prefix on its last line
# Needs the packages of `make deps-windows` (the MinGW-w64 toolchains, dpkg-dev).
set -euo pipefail

arch=${1:-win32}
case $arch in
win32) triplet=i686-w64-mingw32 ;;
win64) triplet=x86_64-w64-mingw32 ;;
*) echo "usage: windows-qt.sh [win32|win64]" >&2; exit 2 ;;
esac

cache=${XDG_CACHE_HOME:-$HOME/.cache}/tarnwick
jobs=${JOBS:-$(nproc)}
sudo=""
[[ $(id -u) == 0 ]] || sudo=sudo

qt_release=$(dpkg-query -W -f='${Version}' qtbase5-dev)

configure_options=(
    -xplatform win32-g++ -device-option CROSS_COMPILE=$triplet-
    -release -shared -opensource -confirm-license
    -nomake examples -nomake tests
    -no-opengl -no-dbus -no-icu -no-openssl -no-feature-sql
    -qt-zlib -qt-pcre -qt-libpng -qt-libjpeg -qt-harfbuzz -qt-freetype
    -no-feature-tabletevent -no-direct2d
)
# Build only these, not the whole of qtbase.
libraries=(sub-widgets sub-network sub-testlib sub-winmain sub-platformsupport sub-3rdparty-libjpeg)
plugins=(platforms/windows platforms/offscreen styles/windowsvista imageformats)

# Raise when the steps below change what ends up in the prefix.
recipe_revision=3
key=$({
    echo "$recipe_revision $qt_release"
    declare -p configure_options libraries plugins
    "$triplet-g++-posix" --version | head -n 1
} | sha256sum | cut -c1-12)
prefix=$cache/qt5-$arch-$key

if [[ -f $prefix/.complete ]]; then
    echo "Windows Qt ($arch): reusing $prefix" >&2
    echo "$prefix"
    exit 0
fi

# An interrupted build resumes in its work folder.
work=$cache/qt5-$arch-$key.build
rm -rf "$prefix"
mkdir -p "$work"

# Qt's mkspec calls the unsuffixed compiler names; make sure they are the
# posix-thread ones (std::thread, and the libwinpthread DLL we ship).
mkdir -p "$work/bin"
for tool in gcc g++ c++ cpp; do
    ln -sf "/usr/bin/$triplet-$tool-posix" "$work/bin/$triplet-$tool"
done
export PATH=$work/bin:$PATH

src=$(find "$work" -maxdepth 1 -type d -name 'qtbase-opensource-src-*' | head -n 1)
if [[ -z $src ]]; then
    # The source package needs a deb-src entry beside the Debian binary list.
    if ! apt-get source --print-uris -qq "qtbase-opensource-src=$qt_release" >/dev/null 2>&1; then
        list=/etc/apt/sources.list.d/debian.sources
        if [[ -f $list ]]; then
            sed -n '/^Types:/,$p' "$list" | sed 's/^Types: deb$/Types: deb-src/' |
                $sudo tee /etc/apt/sources.list.d/tarnwick-deb-src.sources >/dev/null
        else
            grep -h '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' |
                $sudo tee /etc/apt/sources.list.d/tarnwick-deb-src.list >/dev/null
        fi
        # An index that fails mid-sync need not be the source list's.
        $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq || true
    fi
    echo "Windows Qt ($arch): fetching Debian's qtbase $qt_release" >&2
    (cd "$work" && apt-get source -qq "qtbase-opensource-src=$qt_release") >&2
    src=$(find "$work" -maxdepth 1 -type d -name 'qtbase-opensource-src-*' | head -n 1)
    [[ -d $src ]] || { echo "windows-qt: the qtbase source did not unpack" >&2; exit 1; }
fi

mkdir -p "$work/build"
cd "$work/build"
if [[ ! -f configured ]]; then
    echo "Windows Qt ($arch): configuring" >&2
    "$src/configure" -prefix "$prefix" "${configure_options[@]}" >configure.log 2>&1 ||
        { tail -n 40 configure.log >&2; exit 1; }
    touch configured
fi

echo "Windows Qt ($arch): building the libraries" >&2
make -j"$jobs" sub-src-qmake_all >build.log 2>&1 || { tail -n 40 build.log >&2; exit 1; }
make -C src -j"$jobs" "${libraries[@]}" >>build.log 2>&1 || { tail -n 40 build.log >&2; exit 1; }

echo "Windows Qt ($arch): building the plugins" >&2
for plugin in "${plugins[@]}"; do
    make -C "src/plugins/$plugin" -j"$jobs" >>build.log 2>&1 || { tail -n 40 build.log >&2; exit 1; }
done

echo "Windows Qt ($arch): installing into $prefix" >&2
{
    for dir in src/corelib src/gui src/widgets src/network src/testlib src/winmain src/platformsupport \
        src/tools/moc src/tools/rcc src/tools/uic; do
        make -C "$dir" install
    done
    for plugin in "${plugins[@]}"; do
        make -C "src/plugins/$plugin" install
    done
    make install_mkspecs sub-qmake-qmake-aux-pro-install_subtargets
} >install.log 2>&1 || { tail -n 40 install.log >&2; exit 1; }

touch "$prefix/.complete"
cd /
rm -rf "$work"
echo "$prefix"
