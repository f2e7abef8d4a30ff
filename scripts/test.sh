#!/bin/sh
# Installs the dependencies, builds and runs the whole test suite twice, both
# times under AddressSanitizer and UndefinedBehaviorSanitizer: optimised with
# g++, then unoptimised with clang, where the fuzzers run too. Last, the tests
# that start threads alone under ThreadSanitizer.
set -eu
cd "$(dirname "$0")/.."
./scripts/setup-deps.sh
jobs="$(nproc)"

cmake -S . -B build-gsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSA_SANITIZE=ON -DTESSA_BENCHMARKS=OFF \
    -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++
cmake --build build-gsan -j"$jobs"
ctest --test-dir build-gsan --output-on-failure -j"$jobs"

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTESSA_SANITIZE=ON -DTESSA_BENCHMARKS=OFF \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
cmake --build build-asan -j"$jobs"
ctest --test-dir build-asan --output-on-failure -j"$jobs"

cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSA_TSAN=ON -DTESSA_BENCHMARKS=OFF \
    -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++
cmake --build build-tsan -j"$jobs" --target thread_tests
ctest --test-dir build-tsan --output-on-failure -j"$jobs" -L threads
echo "all tests passed"
