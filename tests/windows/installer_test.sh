#!/bin/sh
# shellcheck disable=SC1003 # '\\' is one backslash
# The Windows installer, run silently under Wine in a fresh Wine prefix of its own: what an
# install for this user writes and runs, PATH, the uninstall that leaves files and registry as
# they were; the same for everyone; a PATH it must leave alone; an update over an older Dorrik
# in a folder the user keeps files in and changed shipped ones; and the installed editor
# starting on the demo image.
#
# Usage: installer_test.sh BUILD
# BUILD holds dorrik-<version>-setup.exe and stage/, as tools/windows/installer.sh left them.
# With $DISPLAY (tools/xvfb-session.sh) and xdotool the editor's window must show there;
# without, the editor runs offscreen and must keep running.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "$1" && pwd)
version=$(sed -n 's/^project(Dorrik VERSION \([0-9.]*\)[ )].*/\1/p' "$root/CMakeLists.txt")
setup=$build/dorrik-$version-setup.exe
work=$(mktemp -d /tmp/dorrik-installer-test.XXXXXX)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=d"
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
cd "$work" # where cmd looks for programs before it looks on PATH
fail() { echo "installer_test: $*" >&2; exit 1; }

# Runs a Windows program and waits for every process it started: an uninstaller hands over
# to a copy of itself in %TEMP%.
run() { "$root/tools/windows/wine-run.sh" "$@"; wineserver -w; }
# The same, for a program whose exit code is the point: sets $code.
run_code() { code=0; "$root/tools/windows/wine-run.sh" "$@" || code=$?; wineserver -w; }
query() { run reg query "$1" /v "$2" | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"; }

# The registry, one line per key and per value under its key, and the files under C:. Left out:
# what Wine rewrites at every start (the display devices it finds, their dates, its own
# settings); what Windows always has and a fresh prefix lacks until someone writes there (the
# user's Software\Classes and the containers of App Paths, Uninstall and Applications, and
# %LOCALAPPDATA%\Programs); and the empty folder in %TEMP% of the copy NSIS's uninstaller runs
# as, so that it can delete itself.
snapshot() {
    run regedit /E "$(printf 'Z:%s' "$work/$1.reg" | tr / '\\')"
    iconv -f UTF-16 -t UTF-8 "$work/$1.reg" | tr -d '\r' \
        | sed 's/^\[HKEY_USERS\\S-1-5-21-[0-9-]*-1000/[HKCU/' \
        | awk '/^\[/ { key = $0; print; next }
               /\\$/ { sub(/^ +/, ""); value = value substr($0, 1, length($0) - 1); next }
               { sub(/^ +/, ""); value = value $0; if (value != "") print key " " value; value = "" }' \
        | grep -v -E '^\[HKEY_LOCAL_MACHINE\\(Hardware\\DEVICEMAP\\VIDEO|System\\CurrentControlSet\\(Control\\(Class\\\{4D36E96[8E]-|Video|DeviceClasses)|Hardware Profiles))' \
        | grep -v -E '^\[HKCU\\Software\\(Wine\\Temporary System Parameters|Classes\]$|Classes\\Applications\]$|Microsoft\\Windows\\CurrentVersion\\(App Paths|Uninstall)\]$)' \
        | sort >"$work/$1.registry"
    (cd "$WINEPREFIX/drive_c" && find . | sort) \
        | grep -v -E '^\./users/[^/]*/(AppData/Local/Programs|Temp/~nsu[0-9]*\.tmp)$' >"$work/$1.files"
}
same_as_before() {
    snapshot "$1"
    diff -u "$work/before.registry" "$work/$1.registry" || fail "$1: the registry differs"
    diff -u "$work/before.files" "$work/$1.files" || fail "$1: the files differ"
}
uninstall() {
    quiet=$(query "$1\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Dorrik" QuietUninstallString)
    eval "run $quiet"
}

# A user PATH whose type and trailing ";" must come back as they were (no empty entry: Wine's
# cmd stops looking at one).
run reg add 'HKCU\Environment' /v Path /t REG_EXPAND_SZ /d 'C:\Tools;%USERPROFILE%\bin;' /f >/dev/null
user_path=$(query 'HKCU\Environment' Path)
system_path=$(query 'HKLM\System\CurrentControlSet\Control\Session Manager\Environment' PATH)
snapshot before

run "$setup" /S /PATH=yes
snapshot installed
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Dorrik'
dir=$(query "$key" InstallLocation)
[ "$(run "$dir\\dorrik-tool.exe" --version | tr -d '\r')" = "dorrik-tool $version" ] ||
    fail "the installed dorrik-tool --version"
[ "$(run cmd /c dorrik-tool --version | tr -d '\r')" = "dorrik-tool $version" ] ||
    fail "dorrik-tool is not on the PATH"
[ "$(query 'HKCU\Environment' Path)" = "$user_path$dir;" ] || fail "PATH: not one entry more"
# Exactly the staged files, the uninstaller and the Start menu entry, whose target (the only
# 8-bit path in it) is dorrik.exe.
lnk=$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start\ Menu/Programs/Dorrik.lnk
strings -a "$lnk" | grep -qxF "$dir\\dorrik.exe" || fail "the Start menu entry"
folder=.$(printf '%s' "${dir#C:}" | tr '\\' /)
{ (cd "$build/stage" && find . -mindepth 1) | sed "s|^\.|$folder|"
  printf '%s\n' "$folder" "$folder/uninstall-dorrik.exe"
  echo "./${lnk#"$WINEPREFIX/drive_c/"}"; } | sort >"$work/expected.files"
comm -13 "$work/before.files" "$work/installed.files" | diff -u "$work/expected.files" - ||
    fail "installed files"
# The uninstaller is a program we ship too: it must start on a bare Windows.
sh "$here/imports.sh" "$WINEPREFIX/drive_c/${folder#./}/uninstall-dorrik.exe" >/dev/null ||
    fail "the uninstaller imports a DLL Windows does not have"
# Exactly the registry values the uninstaller must take back (and PATH, checked above).
size=$(du -sk --apparent-size "$build/stage" | cut -f1)
installed_size=$(($(query "$key" EstimatedSize)))
[ $((installed_size >= size && installed_size <= size * 11 / 10 + 200)) = 1 ] ||
    fail "EstimatedSize $installed_size KB for $size KB"
sed "s|@DIR@|$(printf '%s' "$dir" | sed 's/\\/\\\\\\\\/g')|g; s|@VERSION@|$version|" \
    "$here/installer-registry.txt" | sort >"$work/expected.registry"
comm -13 "$work/before.registry" "$work/installed.registry" \
    | grep -v -e '\]$' -e '^\[HKCU\\Environment\] "Path"=' -e '"EstimatedSize"=dword:' \
    | diff -u "$work/expected.registry" - || fail "registry values"
uninstall HKCU
same_as_before uninstalled

# For everyone: Program Files, HKLM and the system PATH.
run "$setup" /S /ALLUSERS /PATH=yes
dir=$(query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Dorrik' InstallLocation)
[ "$dir" = 'C:\Program Files\Dorrik' ] || fail "installed for everyone in $dir"
[ "$(query 'HKLM\System\CurrentControlSet\Control\Session Manager\Environment' PATH)" \
    = "$system_path;$dir" ] || fail "system PATH: not one entry more"
uninstall HKLM
same_as_before uninstalled-for-everyone

# A PATH that could not hold one entry more is left whole, never cut short, and the silent
# install says so with its exit code.
long="C:\\$(printf '%0997d' 0)"
run reg add 'HKCU\Environment' /v Path /t REG_EXPAND_SZ /d "$long" /f >/dev/null
run_code "$setup" /S /PATH=yes
[ "$code" = 3 ] || fail "a silent install that left PATH alone exited with $code, not 3"
[ "$(query 'HKCU\Environment' Path)" = "$long" ] || fail "a long PATH was changed"
uninstall HKCU
# A folder already on PATH is not this install's to take off it.
kept_path="${user_path}C:\\Games\\Kept;"
run reg add 'HKCU\Environment' /v Path /t REG_EXPAND_SZ /d "$kept_path" /f >/dev/null
run "$setup" /S /PATH=yes '/D=C:\Games\Kept'
[ "$(query 'HKCU\Environment' Path)" = "$kept_path" ] || fail "PATH: the folder twice"
uninstall HKCU
[ "$(query 'HKCU\Environment' Path)" = "$kept_path" ] || fail "uninstall took the user's entry"
run reg add 'HKCU\Environment' /v Path /t REG_EXPAND_SZ /d "$user_path" /f >/dev/null

# An older Dorrik, with a file this one no longer ships, in a folder the user keeps a level in.
mkdir -p "$work/older/stage" "$WINEPREFIX/drive_c/Games/Dorrik"
cp -R "$build/stage/." "$work/older/stage"
echo retired >"$work/older/stage/licenses/retired.txt"
DORRIK_INSTALLER_VERSION=0.0.1 "$root/tools/windows/installer.sh" "$work/older" >/dev/null
echo mine >"$WINEPREFIX/drive_c/Games/Dorrik/my level.gb"
run "$work/older/dorrik-0.0.1-setup.exe" /S /PATH=yes '/D=C:\Games\Dorrik'
# The user tried the editor on the demo image, as README invites, and kept notes in README.txt.
games=$WINEPREFIX/drive_c/Games/Dorrik
cell=$(od -An -tu1 -j $((0x14001)) -N1 "$games/pebblefen-demo.gb" | tr -d ' ')
printf '%b' "\\0$(printf %o $((255 - cell)))" |
    dd of="$games/pebblefen-demo.gb" bs=1 seek=$((0x14001)) conv=notrunc 2>/dev/null
echo "my notes" >>"$games/README.txt"
cp "$games/pebblefen-demo.gb" "$games/README.txt" "$work/"
run "$setup" /S
snapshot updated
cmp -s "$games/pebblefen-demo.gb" "$work/pebblefen-demo.gb" || fail "update: the edited demo image"
cmp -s "$games/README.txt" "$work/README.txt" || fail "update: the changed README.txt"
cmp -s "$games/dorrik.exe" "$build/stage/dorrik.exe" || fail "update: dorrik.exe not replaced"
[ "$(grep -c '\] "DisplayName"="Dorrik' "$work/updated.registry") $(query "$key" DisplayVersion)" \
    = "1 $version" ] || fail "update: not one entry for $version in Apps & features"
[ ! -e "$WINEPREFIX/drive_c/Games/Dorrik/licenses/retired.txt" ] || fail "update: a stale file"
[ "$(query 'HKCU\Environment' Path)" = "${user_path}C:\\Games\\Dorrik;" ] || fail "update: PATH"
uninstall HKCU
[ "$(cat "$games/my level.gb")" = mine ] || fail "the user's file went"
# The changed files stay, and their folder with them; nothing else that was shipped does.
[ "$(cd "$games" && find . ! -type d | sort | tr '\n' ' ')" \
    = "./README.txt ./my level.gb ./pebblefen-demo.gb " ] || fail "uninstall: $(ls -R "$games")"
cmp -s "$games/pebblefen-demo.gb" "$work/pebblefen-demo.gb" || fail "uninstall: the edited image"

# A folder chosen with Browse gets "\Dorrik" added, as Windows installers do, so that an install
# never mixes its files into a folder such as Documents. Driven by keys on a virtual X screen,
# as a user would: the folder typed, Browse, OK in its dialog, Install, Finish.
if [ -z "${DISPLAY:-}" ]; then
    # shellcheck source-path=SCRIPTDIR/../.. source=tools/xvfb-session.sh
    . "$root/tools/xvfb-session.sh"
    xvfb_session_start "$work/x" || fail "no virtual X screen for the installer's pages"
    trap 'wineserver -k 2>/dev/null || true; xvfb_session_stop; rm -rf "$work"' EXIT
fi
"$root/tools/windows/wine-run.sh" "$setup" /CURRENTUSER >/dev/null 2>&1 &
setup_pid=$!
page() { timeout 60 xdotool search --sync --onlyvisible --name "$1" | head -n 1; }
window=$(page '^Dorrik Setup') || fail "no installer window"
sleep 1
xdotool key --window "$window" Return # past the components, to the folder
sleep 1
xdotool key --window "$window" ctrl+a
xdotool type --window "$window" 'C:\users\Public\Documents'
xdotool key --window "$window" alt+r
page '^Browse for Folder' >/dev/null || fail "Browse opened no folder dialog"
sleep 1
xdotool key Return
tries=0
while kill -0 "$setup_pid" 2>/dev/null && [ $tries -lt 30 ]; do
    sleep 2
    xdotool key --window "$window" Return 2>/dev/null || true # Install, then Finish
    tries=$((tries + 1))
done
wait "$setup_pid" || fail "the installer's pages failed"
wineserver -w
[ "$(query "$key" InstallLocation)" = 'C:\users\Public\Documents\Dorrik' ] ||
    fail "Browse to Documents installed in $(query "$key" InstallLocation)"
uninstall HKCU

# The installed editor, started on the installed demo image.
run "$setup" /S
dir=$(query "$key" InstallLocation)
if [ -n "${DISPLAY:-}" ] && command -v xdotool >/dev/null 2>&1; then
    "$root/tools/windows/wine-run.sh" "$dir\\dorrik.exe" "$dir\\pebblefen-demo.gb" &
    timeout 60 xdotool search --sync --onlyvisible --name '^Dorrik v' >/dev/null ||
        fail "no editor window"
else
    QT_QPA_PLATFORM=offscreen "$root/tools/windows/wine-run.sh" "$dir\\dorrik.exe" \
        "$dir\\pebblefen-demo.gb" &
    sleep 5
fi
kill -0 $! 2>/dev/null || fail "the editor ended"
# Ended, and waited for, before the X screen it draws on goes.
kill $!
wait $! 2>/dev/null || true
echo "installer_test: passed"
