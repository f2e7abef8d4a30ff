#!/bin/sh
# Installs the dependencies, builds Tessaview and starts it. Arguments pass
# through to the program.
set -eu
cd "$(dirname "$0")/.."
./scripts/setup-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target tessaview
exec ./build/src/tessaview "$@"
