#!/bin/sh
# Installs what Tessaview needs to build, run and test, from Debian's archive.
# Safe to run again: packages already present are left alone.
set -eu

PACKAGES="g++ clang libclang-rt-14-dev cmake make pkg-config
libimgui-dev libglfw3-dev libepoxy-dev libx11-dev nlohmann-json3-dev libcli11-dev libpng-dev
googletest libgtest-dev libbenchmark-dev
xvfb xauth xdotool libgl1-mesa-dri python3 python3-xlib
dpkg-dev desktop-file-utils lintian man-db shared-mime-info"

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
    SUDO=""
elif command -v sudo >/dev/null 2>&1; then
    SUDO="sudo"
else
    echo "setup: need root or sudo to install:$missing" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
# shellcheck disable=SC2086
$SUDO apt-get install -y --no-install-recommends $missing
