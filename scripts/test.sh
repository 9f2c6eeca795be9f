#!/usr/bin/env bash
# Sets up, builds from scratch and runs every test: a normal build, an
# AddressSanitizer + UndefinedBehaviorSanitizer build, and a short fuzzing run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

echo "== Normal build =="
rm -rf build-test
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build-test -j2
ctest --test-dir build-test --output-on-failure -j2

echo "== Install, SDK example and Debian package =="
scripts/check-install.sh build-test

echo "== AddressSanitizer and UndefinedBehaviorSanitizer build =="
rm -rf build-san
cmake -S . -B build-san -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUENLO_SANITIZE=ON -DQUENLO_BUILD_BENCH=OFF
cmake --build build-san -j2
ctest --test-dir build-san --output-on-failure -j2

echo "== Fuzzing (clang libFuzzer, bounded) =="
rm -rf build-fuzz
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUENLO_SANITIZE=ON -DQUENLO_BUILD_FUZZERS=ON -DQUENLO_BUILD_BENCH=OFF
cmake --build build-fuzz -j2 --target fuzz_flap_stream fuzz_server_messages
ctest --test-dir build-fuzz --output-on-failure -R '^fuzz_'
echo "All test runs passed."
