#!/bin/sh
# Builds what the Windows build of Dorrik links, once, into a cache outside the checkout:
# Qt (Core, Gui, Widgets, Test and the windows and offscreen platforms) and libdivsufsort,
# both from Debian's own source packages at the versions the Linux build uses. Later runs find
# the cache and return at once. Prints the two install prefixes on its last line.
# Each prefix holds SOURCE: the Debian source package and version it was built from, which the
# Windows package names (the LGPL's relinking notice).
#
# DORRIK_WINDOWS_CACHE moves the cache (default: ~/.cache/dorrik-windows).
set -eu

here=$(cd "$(dirname "$0")" && pwd)
toolchain="$here/toolchain.cmake"
cache=${DORRIK_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/dorrik-windows}
jobs=${JOBS:-$(nproc 2>/dev/null || echo 2)}
mkdir -p "$cache"

qt_version=$(dpkg-query -W -f='${Version}' qt6-base-dev)
sufsort_version=$(dpkg-query -W -f='${Version}' libdivsufsort-dev)

# Qt's configure line: static, so that dorrik.exe is one file; only what Dorrik uses. The
# programs read and write PNG alone, so no JPEG, GIF or ICO plugins; the windows platform
# plugin draws with GDI, so no Direct2D plugin (Gui keeps its DirectWrite font engine).
# Precompiled headers take about a third off the build. Debian's source drops the tablet
# (wintab) sources, hence no tablet events.
qt_options="-release -static -static-runtime -opengl no -no-feature-vulkan -no-feature-sql
-no-feature-network -no-feature-printsupport -no-feature-concurrent -no-feature-xml -no-dbus
-no-feature-tabletevent -no-feature-direct2d1_1 -no-icu -qt-zlib -qt-pcre -qt-libpng -no-libjpeg
-no-gif -no-ico -qt-freetype -qt-harfbuzz -qt-doubleconversion -pch -nomake examples
-nomake tests"
# The cache is keyed by everything that shapes what is built: the source versions, this script
# (its configure line and steps), the toolchain file, and the cross compiler and its runtime.
mingw_versions=$(dpkg-query -W -f='${Package} ${Version}\n' g++-mingw-w64-x86-64-posix \
    gcc-mingw-w64-x86-64-posix-runtime mingw-w64-x86-64-dev binutils-mingw-w64-x86-64)
key=$(printf '%s\n%s\n%s\n%s\n%s\n' "$qt_version" "$sufsort_version" "$mingw_versions" \
    "$(cat "$toolchain")" "$(cat "$here/deps.sh")" | sha1sum | cut -c1-12)
qt_prefix="$cache/qt-$qt_version-$key"
sufsort_prefix="$cache/divsufsort-$sufsort_version-$key"

# `apt-get source` through a private configuration and state folder: the system's sources and
# package lists stay as they are.
fetch_source() {
    package=$1 version=$2 into=$3
    apt_dir="$cache/apt"
    mkdir -p "$apt_dir/etc/sources.list.d" "$apt_dir/state/lists/partial" \
        "$apt_dir/cache/archives/partial"
    : > "$apt_dir/etc/sources.list"
    for sources in /etc/apt/sources.list.d/*.sources; do
        [ -e "$sources" ] || continue
        sed 's/^Types:.*/Types: deb-src/' "$sources" > "$apt_dir/etc/sources.list.d/$(basename "$sources")"
    done
    if [ -f /etc/apt/sources.list ]; then
        sed -n 's/^deb /deb-src /p' /etc/apt/sources.list > "$apt_dir/etc/sources.list"
    fi
    set -- -o "Dir::Etc::sourcelist=$apt_dir/etc/sources.list" \
        -o "Dir::Etc::sourceparts=$apt_dir/etc/sources.list.d" \
        -o "Dir::State=$apt_dir/state" -o "Dir::Cache=$apt_dir/cache" \
        -o "Dir::State::status=/var/lib/dpkg/status" -o "APT::Sandbox::User=root"
    # The package lists are fetched again whenever the key changes: a new key may ask for
    # versions the old lists no longer offer.
    if [ "$(cat "$apt_dir/state/updated" 2>/dev/null)" != "$key" ]; then
        apt-get "$@" -qq update
        echo "$key" > "$apt_dir/state/updated"
    fi
    rm -rf "$into" && mkdir -p "$into"
    (cd "$into" && apt-get "$@" -qq --only-source source "$package=$version" >/dev/null)
}

# The source package and version a prefix was built from, as the fetched .dsc states them.
record_source() {
    sed -n 's/^Source: //p; s/^Version: //p' "$1"/*.dsc | paste -sd ' ' > "$2/SOURCE"
}

if [ ! -f "$sufsort_prefix/done" ]; then
    echo "dorrik: building libdivsufsort $sufsort_version for Windows into $sufsort_prefix"
    work="$cache/work/divsufsort"
    fetch_source libdivsufsort "$sufsort_version" "$work"
    src=$(find "$work" -mindepth 1 -maxdepth 1 -type d | head -n 1)
    cmake -S "$src" -B "$work/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF -DBUILD_EXAMPLES=OFF \
        -DCMAKE_INSTALL_PREFIX="$sufsort_prefix" >/dev/null
    cmake --build "$work/build" -j "$jobs" >/dev/null
    cmake --install "$work/build" >/dev/null
    record_source "$work" "$sufsort_prefix"
    touch "$sufsort_prefix/done"
    rm -rf "$work"
fi

if [ ! -f "$qt_prefix/done" ]; then
    echo "dorrik: building Qt $qt_version for Windows into $qt_prefix, once (the longest step of a first Windows build)"
    work="$cache/work/qt"
    fetch_source qt6-base "$qt_version" "$work"
    src=$(find "$work" -mindepth 1 -maxdepth 1 -type d | head -n 1)
    mkdir -p "$work/build"
    # shellcheck disable=SC2086
    (cd "$work/build" && "$src/configure" -prefix "$qt_prefix" -xplatform win32-g++ \
        -qt-host-path /usr $qt_options -- -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake) > "$cache/qt-configure.log" 2>&1 ||
        { tail -n 40 "$cache/qt-configure.log" >&2; exit 1; }
    cmake --build "$work/build" -j "$jobs" > "$cache/qt-build.log" 2>&1 ||
        { tail -n 40 "$cache/qt-build.log" >&2; exit 1; }
    cmake --install "$work/build" > /dev/null
    # The sheet reader links the libpng that Qt bundles (the same version as Debian's, built with
    # the push reader and user limits); Qt installs its library but not its headers.
    mkdir -p "$qt_prefix/include/QtBundledLibpng"
    cp "$src/src/3rdparty/libpng/png.h" "$src/src/3rdparty/libpng/pngconf.h" \
        "$src/src/3rdparty/libpng/pnglibconf.h" "$qt_prefix/include/QtBundledLibpng/"
    # Qt's licence texts, and those of the libraries it bundles, go into the package.
    mkdir -p "$qt_prefix/LICENSES/3rdparty"
    cp -R "$src/LICENSES/." "$qt_prefix/LICENSES/"
    (cd "$src/src/3rdparty" && find . -maxdepth 3 -type f \( -name 'LICEN[CS]E*' -o -name 'COPYING*' \
        -o -name FTL.TXT \) -exec cp --parents {} "$qt_prefix/LICENSES/3rdparty/" \;)
    record_source "$work" "$qt_prefix"
    touch "$qt_prefix/done"
    rm -rf "$work"
fi

echo "$qt_prefix;$sufsort_prefix"
