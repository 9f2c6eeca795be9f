#!/usr/bin/env bash
# Sets up, builds from scratch and runs every test in two trees:
#  1. a normal build (gcc): the whole suite, then the install tree, the module
#     SDK example and the Debian package;
#  2. one clang tree with AddressSanitizer and UndefinedBehaviorSanitizer: the
#     whole suite again, then every libFuzzer target for 30 seconds.
# `scripts/test.sh --quick` builds and runs the normal tree only (incrementally,
# for the inner loop of a change); CI runs the whole command.
set -euo pipefail
cd "$(dirname "$0")/.."
quick=0
if [ "${1:-}" = "--quick" ]; then
  quick=1
fi
scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

# ccache, when installed, makes a second run recompile only what changed.
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

step() { echo "== $1 ($(date -u +%T)) =="; }

step "Normal build"
[ "$quick" = 1 ] || rm -rf build-test
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}"
cmake --build build-test -j2
ctest --test-dir build-test --output-on-failure -j2
if [ "$quick" = 1 ]; then
  echo "Quick run passed (normal build only; scripts/test.sh runs everything)."
  exit 0
fi

step "Install, SDK example and Debian package"
scripts/check-install.sh build-test

step "AddressSanitizer and UndefinedBehaviorSanitizer build, with the fuzz targets (clang)"
rm -rf build-san
CC=clang CXX=clang++ cmake -S . -B build-san -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DQUENLO_SANITIZE=ON -DQUENLO_BUILD_FUZZERS=ON -DQUENLO_BUILD_BENCH=OFF "${launcher[@]}"
cmake --build build-san -j2
ctest --test-dir build-san --output-on-failure -j2 -LE fuzz

step "Fuzzing (libFuzzer, 30 seconds each)"
ctest --test-dir build-san --output-on-failure -j2 -L fuzz
step "Done"
echo "All test runs passed."
