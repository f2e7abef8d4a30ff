#!/bin/sh
# Installs the dependencies, builds Tessaview and starts it.
set -eu
cd "$(dirname "$0")/.."
./scripts/setup-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSA_TESTS=OFF -DTESSA_BENCHMARKS=OFF
cmake --build build -j"$(nproc)"
echo "built build/src/tessaview; the window arrives with the next change"
