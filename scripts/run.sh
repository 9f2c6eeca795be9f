#!/usr/bin/env bash
# Sets up, builds and starts quenlo. A local TOC server (tocd, with its
# "Echo Bot") is started on 127.0.0.1:9898 when nothing listens there yet.
# Extra arguments go to quenlo (for example: --dir ~/quenlo-test).
#
# Several clients may be started this way at once (the README's second
# client, for one): the tocd a run started stays up until the last client
# started by this command has closed, whichever run started it. A server
# that was already listening when the first run came is never stopped.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --run
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUENLO_BUILD_TESTS=OFF -DQUENLO_BUILD_BENCH=OFF
cmake --build build -j2

# The runs share one folder: a file per running client (named by the run's
# process id), the id of the tocd they started, and a lock held while a run
# looks at or changes either.
state=${XDG_RUNTIME_DIR:-/tmp}/quenlo-run-$(id -u)
mkdir -p "$state"
chmod 700 "$state"
exec 9>"$state/lock"

listening() { (exec 3<>/dev/tcp/127.0.0.1/9898) 2>/dev/null; }

# Whether the recorded tocd still runs (and is a tocd: the id may have been reused).
our_tocd() {
  local pid
  pid=$(cat "$state/tocd.pid" 2>/dev/null) || return 1
  [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = tocd ] && echo "$pid"
}

# Called on the way out: the last client started by this command stops the
# tocd the runs started.
leave() {
  flock 9
  rm -f "$state/client.$$"
  for client in "$state"/client.*; do
    [ -e "$client" ] || continue
    kill -0 "${client##*.}" 2>/dev/null && { flock -u 9; return; }
    rm -f "$client"  # a run that ended without leaving (kill -9)
  done
  if pid=$(our_tocd); then
    kill "$pid" 2>/dev/null || true
  fi
  rm -f "$state/tocd.pid"
  flock -u 9
}

flock 9
touch "$state/client.$$"
trap leave EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP
if ! listening; then
  # Its own session: a signal meant for this run's terminal does not reach
  # it. It writes its own id (setsid may fork first).
  # shellcheck disable=SC2016 # expanded by the inner shell
  setsid sh -c 'echo $$ >"$1"; exec "$2" --port 9898' sh "$state/tocd.pid" build/bin/tocd 9>&- &
  for _ in $(seq 50); do listening && break; sleep 0.1; done
fi
flock -u 9
build/bin/quenlo "$@" 9>&-
