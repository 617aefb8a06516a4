#!/bin/sh
# Runs a Windows program of the build under Wine, in a Wine prefix of the build's own
# (WINEPREFIX, default: a folder beside the program's build tree), quietly, and with its exit
# status. CMake runs the build's tools and the tests through this.
set -eu

if [ -z "${WINEPREFIX:-}" ]; then
    WINEPREFIX=${DORRIK_WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/dorrik-windows/wineprefix}
fi
export WINEPREFIX
export WINEDEBUG=${WINEDEBUG:--all}
# No desktop integration and no Mono or Gecko downloads: this prefix only runs programs.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml,winemenubuilder.exe=d}
# The 64-bit loader itself: Debian's `wine` wrapper would look for a 32-bit Wine first.
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=wine
export WINELOADER="$wine"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    "$wine" wineboot --init >/dev/null 2>&1 || true
    wineserver -w || true
fi
exec "$wine" "$@"
