#!/usr/bin/env bash
# Sets up, builds and starts quenlo. A local TOC server (tocd, with its
# "Echo Bot") is started on 127.0.0.1:9898 when nothing listens there yet.
# Extra arguments go to quenlo (for example: --dir ~/quenlo-test).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --run
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUENLO_BUILD_TESTS=OFF -DQUENLO_BUILD_BENCH=OFF
cmake --build build -j2
if ! (exec 3<>/dev/tcp/127.0.0.1/9898) 2>/dev/null; then
  build/bin/tocd --port 9898 &
  tocd_pid=$!
  trap 'kill $tocd_pid 2>/dev/null || true' EXIT
  for _ in $(seq 50); do (exec 3<>/dev/tcp/127.0.0.1/9898) 2>/dev/null && break; sleep 0.1; done
fi
build/bin/quenlo "$@"
