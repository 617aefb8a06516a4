#!/bin/sh
# `make windows-test`: the Windows build checked under Wine: the test suites through CTest (each
# program started by tools/windows/wine-run.sh), the real dorrik.exe driven on a virtual X
# screen like the Linux end-to-end run and at four display scales, and the installer installed
# and removed.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "${1:-build-windows}" && pwd)
linux_build=$(cd "${2:-build}" && pwd)
jobs=${JOBS:-$(nproc 2>/dev/null || echo 2)}

echo "dorrik: Wine $(wine --version 2>/dev/null)"
(cd "$build" && ctest --output-on-failure -j "$jobs")

# The zip as a user gets it: its programs, and the installer's, import nothing but Windows'
# own DLLs (Wine would lend them any other); unpacked into a Wine that has nothing else
# installed, its tool runs and reads its demo image.
unpacked=$(mktemp -d "${TMPDIR:-/tmp}/dorrik-zip.XXXXXX")
trap 'rm -rf "$unpacked"' EXIT
(cd "$unpacked" && unzip -q "$build"/dorrik-*-windows-x86_64.zip)
folder=$(echo "$unpacked"/dorrik-*-windows-x86_64)
sh "$root/tests/windows/imports.sh" "$folder/dorrik.exe" "$folder/dorrik-tool.exe" \
    "$build"/dorrik-*-setup.exe
WINEPREFIX="$unpacked/wine" "$here/wine-run.sh" "$folder/dorrik-tool.exe" info "$folder/pebblefen-demo.gb" \
    | grep -q "^levels: *all 46" || { echo "dorrik: the zip's dorrik-tool cannot read its demo image" >&2; exit 1; }
echo "dorrik: the zip's dorrik-tool runs in a fresh Wine prefix"

# Its text with a name no single code page holds: redirected, UTF-8 on both streams; in a
# console (Wine makes one of a terminal, here script's), the letters as typed, which bytes
# in the console's own code page would turn into others.
name="Léa Ünïcode hack.gb"
cp "$folder/pebblefen-demo.gb" "$unpacked/$name"
tool() { WINEPREFIX="$unpacked/wine" "$here/wine-run.sh" "$folder/dorrik-tool.exe" "$@"; }
tool info "$unpacked/$name" | grep -q "^file: *$name" ||
    { echo "dorrik: dorrik-tool's redirected output is not UTF-8" >&2; exit 1; }
# The reason in Windows' words (Wine's are its own: "File not found"), not the C library's.
error=$(tool info "$unpacked/missing $name" 2>&1 >/dev/null || true)
case $error in
*"missing $name: No such file"*) echo "dorrik: dorrik-tool's reason is not Windows' own: $error" >&2; exit 1 ;;
*"missing $name: "*) ;;
*) echo "dorrik: dorrik-tool's redirected errors are not UTF-8: $error" >&2; exit 1 ;;
esac
for arguments in "info '$unpacked/$name'" "info '$unpacked/missing $name'"; do
    LC_ALL=C.UTF-8 WINEPREFIX="$unpacked/wine" script -qec \
        "'$here/wine-run.sh' '$folder/dorrik-tool.exe' $arguments" /dev/null </dev/null |
        grep -q "$name" || { echo "dorrik: dorrik-tool's text in a console: $arguments" >&2; exit 1; }
done
echo "dorrik: dorrik-tool's text with a non-ASCII name, in a console and redirected"

# The same session as on Linux, checked by the same (Linux) checker; the editor's settings
# would land in the Wine prefix's registry and AppData, so the run looks there too.
DORRIK_E2E_RUNNER="$here/wine-run.sh" sh "$root/tests/e2e/run_x11_e2e.sh" \
    "$build/src/dorrik.exe" "$linux_build/tests/e2e/e2e_check" "$build/demo/pebblefen-demo.gb"

# The editor at 100, 125, 150 and 200 %: the same faces at every scale.
sh "$root/tests/windows/scales.sh" "$build/src/dorrik.exe" "$build/demo/pebblefen-demo.gb"

sh "$root/tests/windows/installer_test.sh" "$build"
