#!/bin/sh
# `make windows-test`: the Windows build checked under Wine: the test suites through CTest (each
# program started by tools/windows/wine-run.sh), the real dorrik.exe driven on a virtual X
# screen like the Linux end-to-end run, and the installer installed and removed.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "${1:-build-windows}" && pwd)
linux_build=$(cd "${2:-build}" && pwd)
jobs=${JOBS:-$(nproc 2>/dev/null || echo 2)}

echo "dorrik: Wine $(wine --version 2>/dev/null)"
(cd "$build" && ctest --output-on-failure -j "$jobs")

# The zip as a user gets it: unpacked into a Wine that has nothing else installed, its tool
# runs and reads its demo image.
unpacked=$(mktemp -d "${TMPDIR:-/tmp}/dorrik-zip.XXXXXX")
trap 'rm -rf "$unpacked"' EXIT
(cd "$unpacked" && unzip -q "$build"/dorrik-*-windows-x86_64.zip)
folder=$(echo "$unpacked"/dorrik-*-windows-x86_64)
WINEPREFIX="$unpacked/wine" "$here/wine-run.sh" "$folder/dorrik-tool.exe" info "$folder/pebblefen-demo.gb" \
    | grep -q "^levels: *all 46" || { echo "dorrik: the zip's dorrik-tool cannot read its demo image" >&2; exit 1; }
echo "dorrik: the zip's dorrik-tool runs in a fresh Wine prefix"

# The same session as on Linux, checked by the same (Linux) checker; the editor's settings
# would land in the Wine prefix's registry and AppData, so the run looks there too.
DORRIK_E2E_RUNNER="$here/wine-run.sh" sh "$root/tests/e2e/run_x11_e2e.sh" \
    "$build/src/dorrik.exe" "$linux_build/tests/e2e/e2e_check" "$build/demo/pebblefen-demo.gb"

sh "$root/tests/windows/installer_test.sh" "$build"
