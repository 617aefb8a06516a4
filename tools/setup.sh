#!/bin/sh
# Installs what Dorrik needs from Debian's packages; does nothing when all of it is present.
set -eu

packages="cmake g++ make qt6-base-dev qt6-base-dev-tools libgl-dev zlib1g-dev libpng-dev
fonts-liberation2 fonts-dejavu-core xvfb xauth openbox xdotool imagemagick x11-utils xclip
libdivsufsort-dev dpkg-dev file desktop-file-utils shared-mime-info"

# `setup.sh windows`: also what the Windows build needs: the MinGW-w64 cross compilers, Wine to
# run and test what they build, NSIS for the installer, and Ninja for Qt's build.
if [ "${1:-}" = windows ]; then
    packages="$packages g++-mingw-w64-x86-64-posix mingw-w64-tools libz-mingw-w64-dev wine wine64
fonts-wine nsis ninja-build zip unzip"
fi

missing=""
for package in $packages; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $package"
    fi
done

[ -z "$missing" ] && exit 0

echo "dorrik: installing from Debian's packages:$missing"
if [ "$(id -u)" -eq 0 ]; then
    sudo=""
elif command -v sudo >/dev/null 2>&1; then
    sudo="sudo"
else
    echo "dorrik: need root or sudo to install:$missing" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
# shellcheck disable=SC2086
$sudo apt-get install -y -qq --no-install-recommends $missing
