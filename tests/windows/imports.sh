#!/bin/sh
# Every program Dorrik ships must start on a Windows with nothing else installed: it may import
# only DLLs that are part of Windows itself. Wine brings DLLs of its own (a zlib1.dll, say) that
# no Windows has, so a program that needs one passes every test under Wine and then fails on
# the first real machine with "... was not found": this check reads the import tables of the
# built files instead.
#
# Usage: imports.sh PROGRAM.exe...
set -eu

# The DLLs of Windows 10 and 11 that the programs, the installer and its uninstaller may import:
# the system's own, in System32 on every edition. msvcrt.dll is the C runtime MinGW-w64 builds
# against; the api-ms-win-* names are Windows' own API sets.
allowed="advapi32 authz bcrypt cfgmgr32 comctl32 comdlg32 crypt32 d2d1 d3d11 d3d12 d3d9 dwmapi
dwrite dxgi gdi32 imm32 kernel32 mpr msvcrt netapi32 ntdll ole32 oleaut32 setupapi shell32 shcore
shlwapi user32 userenv uxtheme version winmm winspool ws2_32 wtsapi32"

objdump=${OBJDUMP:-x86_64-w64-mingw32-objdump}
status=0
for program in "$@"; do
    dlls=$("$objdump" -p "$program" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr -d '\r')
    [ -n "$dlls" ] || { echo "imports: $program: no import table found" >&2; status=1; continue; }
    for dll in $dlls; do
        name=$(printf '%s' "$dll" | tr '[:upper:]' '[:lower:]')
        name=${name%.dll}
        case $name in
        api-ms-win-*) continue ;;
        esac
        if ! printf '%s\n' "$allowed" | tr ' ' '\n' | grep -qx "$name"; then
            echo "imports: $(basename "$program") needs $dll, which Windows does not have" >&2
            status=1
        fi
    done
    echo "imports: $(basename "$program"): $(echo "$dlls" | tr '\n' ' ')"
done
exit $status
