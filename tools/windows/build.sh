#!/bin/sh
# Cross-builds Dorrik for 64-bit Windows into BUILD (default build-windows): Qt and
# libdivsufsort come from tools/windows/deps.sh's cache, the build's own tools (the demo image
# writer, the icon renderer) and its tests run under Wine.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-build-windows}
jobs=${JOBS:-$(nproc 2>/dev/null || echo 2)}

"$root/tools/setup.sh" windows
prefixes=$("$here/deps.sh" | tail -n 1)
qt_prefix=${prefixes%%;*}

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$here/toolchain.cmake" -DCMAKE_PREFIX_PATH="$prefixes" \
    -DCMAKE_FIND_ROOT_PATH="$prefixes" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$here/wine-run.sh" -DDORRIK_QT_PREFIX="$qt_prefix" >/dev/null
cmake --build "$build" -j "$jobs"
(cd "$build" && cpack -G ZIP >/dev/null)
echo "dorrik: wrote $build/$(cd "$build" && ls dorrik-*-windows-x86_64.zip)"
