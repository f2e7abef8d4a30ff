#!/bin/sh
# Builds the Debian package tessaview_VERSION_ARCH.deb into the top folder,
# from a fresh clone as from a worked-in one:
#   ./scripts/package.sh && sudo apt install ./tessaview_*.deb
set -eu
cd "$(dirname "$0")/.."
./scripts/setup-deps.sh

# Debian's own compiler and linker flags with all hardening; CMake reads no
# CPPFLAGS, so they join CXXFLAGS.
DEB_BUILD_MAINT_OPTIONS=hardening=+all
export DEB_BUILD_MAINT_OPTIONS
CFLAGS="$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
export CFLAGS CXXFLAGS LDFLAGS
# The changelog's date: the last commit's, so that the same commit gives the
# same package.
if [ -z "${SOURCE_DATE_EPOCH:-}" ] && SOURCE_DATE_EPOCH="$(git log -1 --format=%ct 2>/dev/null)"; then
    export SOURCE_DATE_EPOCH
fi

build="build-deb"
rm -rf "$build"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSA_TESTS=OFF -DTESSA_BENCHMARKS=OFF
cmake --build "$build" -j"$(nproc)"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$build/package-out"
# One package in the top folder, so that `apt install ./tessaview_*.deb` takes it.
rm -f ./tessaview_*.deb
cp "$build"/package-out/tessaview_*.deb .
ls tessaview_*.deb
