#!/bin/sh
# shellcheck disable=SC2016,SC1003 # NSIS's $INSTDIR in single quotes; '\\' is one backslash
# Makes Dorrik's Windows installer, BUILD/dorrik-<version>-setup.exe, with Debian's makensis
# from packaging/windows/installer.nsi and the files the zip holds.
#
# Usage: installer.sh [BUILD]   (default build-windows)
# When BUILD is a configured Windows build (tools/windows/build.sh), its install rules are laid
# out afresh in BUILD/stage, stripped as the zip's are. Otherwise BUILD/stage must already hold
# the files: stand-ins for the programs, say, to work on the installer without the build.
# The version is project()'s in CMakeLists.txt; DORRIK_INSTALLER_VERSION gives another one, for
# the test that updates an older Dorrik.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-build-windows}
stage=$build/stage

version=${DORRIK_INSTALLER_VERSION:-$(sed -n \
    's/^project(Dorrik VERSION \([0-9][0-9]*\.[0-9][0-9]*\.[0-9][0-9]*\)[ )].*/\1/p' \
    "$root/CMakeLists.txt")}
[ -n "$version" ] || { echo "dorrik: no version in CMakeLists.txt's project()" >&2; exit 1; }

command -v makensis >/dev/null 2>&1 || "$root/tools/setup.sh" windows
if [ -f "$build/CMakeCache.txt" ]; then
    rm -rf "$stage"
    cmake --install "$build" --prefix "$stage" --strip >/dev/null
fi
for file in dorrik.exe dorrik-tool.exe; do
    [ -f "$stage/$file" ] || { echo "dorrik: $stage/$file is missing" >&2; exit 1; }
done
stage=$(cd "$stage" && pwd)
out=$(cd "$build" && pwd)/dorrik-$version-setup.exe

# The staged files by name, for the installer to write and the uninstaller to delete: never a
# wildcard, so that uninstalling takes nothing the user put beside them. Each file's CRC-32 goes
# with it (signed, as NSIS reads numbers), so that the uninstaller deletes it only while it is as
# installed; an install writes a data file only where no changed one is left, and the programs
# always. `$` is NSIS's escape; the $INSTDIR written is NSIS's variable, not the shell's.
lists=$build/installer
mkdir -p "$lists"
nsis_text() { sed 's/\$/$$/g'; }
nsis_path() { printf '%s' "${1#.}" | tr / '\\' | nsis_text; } # ./a/b -> \a\b
# The CRC-32 zip and PNG use, as gzip's trailer holds it (little-endian, after the data).
crc32() {
    crc=$(gzip -1 -c <"$1" | tail -c 8 | od -An -tu4 -N4 | tr -d ' ')
    [ "$crc" -lt 2147483648 ] || crc=$((crc - 4294967296))
    echo "$crc"
}
(cd "$stage" && find . -type d | sort) | while read -r dir; do
    printf 'SetOutPath "$INSTDIR%s"\n' "$(nsis_path "$dir")"
    (cd "$stage" && find "$dir" -mindepth 1 -maxdepth 1 ! -type d | sort) | while read -r file; do
        case $file in
        *.exe) printf 'SetOverwrite on\n' ;;
        *) printf 'SetOverwrite off\n' ;;
        esac
        printf 'File "%s"\n' "$(printf '%s' "$stage/${file#./}" | nsis_text)"
    done
done >"$lists/files.nsh"
printf 'SetOverwrite on\n' >>"$lists/files.nsh"
{
    (cd "$stage" && find . ! -type d | sort) | while read -r file; do
        printf '!insertmacro RemoveIfAsInstalled "$INSTDIR%s" %s\n' "$(nsis_path "$file")" \
            "$(crc32 "$stage/$file")"
    done
    # Deepest folders first, each removed only if empty.
    (cd "$stage" && find . -mindepth 1 -type d | sort -r) | while read -r dir; do
        printf 'RMDir "$INSTDIR%s"\n' "$(nsis_path "$dir")"
    done
} >"$lists/unfiles.nsh"

icon=$build/packaging/windows/dorrik.ico
set -- -V2 -DVERSION="$version" -DOUTFILE="$out" -DFILES="$(cd "$lists" && pwd)/files.nsh" \
    -DUNFILES="$(cd "$lists" && pwd)/unfiles.nsh"
[ -f "$icon" ] && set -- "$@" -DICON="$(cd "$(dirname "$icon")" && pwd)/dorrik.ico"
makensis "$@" "$root/packaging/windows/installer.nsi" >"$lists/makensis.log" 2>&1 ||
    { cat "$lists/makensis.log" >&2; exit 1; }
echo "dorrik: wrote $build/$(basename "$out")"
