#!/bin/sh
# `cmake --install` into a scratch DESTDIR: exactly the expected files under the prefix and
# nothing elsewhere, a valid menu entry for the *.gb type, icons of the sizes their folders
# name, manual pages that point at the installed demo, and programs that run from there.
# Usage: install_tree.sh BUILD-DIR VERSION INSTALLED-FILES
set -eu
build=$1 version=$2 expected=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root prefix=/opt/dorrik-check
DESTDIR=$root cmake --install "$build" --prefix "$prefix" >"$work/log" || { cat "$work/log"; exit 1; }

(cd "$root" && find . ! -type d | sed 's|^\./||' | sort) >"$work/actual"
sed "s|^|${prefix#/}/|" "$expected" | sort >"$work/expected"
diff -u "$work/expected" "$work/actual"

installed=$root$prefix
desktop-file-validate "$installed/share/applications/dorrik.desktop"
type=$(sed -n 's/^[0-9]*:\([^:]*\):\*\.gb$/\1/p' /usr/share/mime/globs2 | head -n 1)
grep -qx "MimeType=$type;" "$installed/share/applications/dorrik.desktop"

for size in 16 32 48 64 128 256; do
    [ "$(identify -format '%wx%h' "$installed/share/icons/hicolor/${size}x$size/apps/dorrik.png")" \
        = "${size}x$size" ]
done

for page in dorrik dorrik-tool; do
    gzip -dc "$installed/share/man/man1/$page.1.gz" | grep -q "Dorrik $version"
    gzip -dc "$installed/share/man/man1/$page.1.gz" | grep -q "^\.I $prefix/share/dorrik/pebblefen"
done

[ "$("$installed/bin/dorrik-tool" --version)" = "dorrik-tool $version" ]
"$installed/bin/dorrik-tool" --help | grep -q '^Usage: dorrik-tool COMMAND'
"$installed/bin/dorrik-tool" info "$installed/share/dorrik/pebblefen-demo.gb" | grep -q 'all 46'

# The completion offers the matching command, and a command's own options.
bash -c '. "$1"; COMP_WORDS=(dorrik-tool pa); COMP_CWORD=1; _dorrik_tool; [ "${COMPREPLY[*]}" = patch ]
         COMP_WORDS=(dorrik-tool checksum x.gb --f); COMP_CWORD=3; _dorrik_tool; [ "${COMPREPLY[*]}" = --fix ]
         COMP_WORDS=(dorrik-tool patch c); COMP_CWORD=2; _dorrik_tool; [ "${COMPREPLY[*]}" = "changes combine" ]
         COMP_WORDS=(dorrik-tool patch changes x.gb y.ips --b); COMP_CWORD=5; _dorrik_tool; [ "${COMPREPLY[*]}" = --brief ]' \
    sh "$installed/share/bash-completion/completions/dorrik-tool"
