#!/bin/sh
# The Debian package, made by CPack from the built tree into a scratch folder: its control
# fields, and contents that are the installed files under /usr, owned by root.
# Usage: install_package.sh BUILD-DIR VERSION INSTALLED-FILES
set -eu
build=$1 version=$2 expected=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cpack --config "$build/CPackConfig.cmake" -B "$work" >"$work/log" 2>&1 || { cat "$work/log"; exit 1; }
deb=$work/dorrik_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || { echo "no $deb:"; ls "$work"; exit 1; }

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = dorrik ]
[ "$(field Version)" = "$version" ]
[ "$(field Section)" = editors ]
field Maintainer | grep -q '<.*@.*>'
[ "$(field Description | wc -l)" -gt 1 ] # a synopsis and a long description
for dependency in libc6 libqt6core6 libqt6gui6 libqt6widgets6 fonts-liberation2; do
    field Depends | tr ',' '\n' | grep -q "^ *$dependency\( \|$\)" \
        || { echo "Depends lacks $dependency: $(field Depends)"; exit 1; }
done

dpkg-deb -c "$deb" >"$work/contents"
grep -v '^d' "$work/contents" | awk '{ print $6 }' | sed 's|^\./usr/||' | sort >"$work/actual"
sort "$expected" | diff -u - "$work/actual"
if awk '$2 != "root/root"' "$work/contents" | grep .; then
    echo "files not owned by root"
    exit 1
fi
