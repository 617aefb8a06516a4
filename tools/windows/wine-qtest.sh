#!/bin/sh
# Runs a Qt Test program of the Windows build under Wine and prints its log.
# - Wine keeps Qt's QT_* variables from Windows programs, so those the tests are given (the
#   offscreen platform, its font folder) are set again inside, by cmd.
# - Qt Test on Windows sends its log to the debugger when it sees no console, as under Wine, so
#   the log goes to a file and is printed from there. The program's exit status is kept.
set -u
program=$1
shift
log=$(mktemp "${TMPDIR:-/tmp}/dorrik-qtest.XXXXXX")
settings=""
for name in QT_QPA_PLATFORM QT_QPA_FONTDIR; do
    eval "value=\${$name:-}"
    [ -n "$value" ] && settings="${settings}set $name=$value&& "
done
status=0
"$(dirname "$0")/wine-run.sh" cmd /c "$settings$program -o $log,txt $*" || status=$?
tr -d '\r' <"$log"
rm -f "$log"
exit "$status"
