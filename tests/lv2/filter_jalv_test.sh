#!/usr/bin/env bash
# jalv loads each plugin of the bundle on a dummy JACK server of its own and
# runs it for two seconds with no error. Skips (exit 77) with the reason where
# jalv or jackd is missing or the server cannot start.
#   filter_jalv_test.sh <folder holding the bundle> [reason to skip]
set -u
export LV2_PATH="$1"
[ -z "${2:-}" ] || { echo "SKIPPED: $2"; exit 77; }
for tool in jackd jack_lsp jalv lv2ls timeout; do
  command -v "$tool" >/dev/null || { echo "SKIPPED: $tool is not installed (scripts/setup.sh installs jackd2 and jalv)"; exit 77; }
done

work="$(mktemp -d)"
export JACK_DEFAULT_SERVER="se-lv2-test-$$"
# Clients never start a server of their own: only the dummy one below runs.
export JACK_NO_START_SERVER=1
jackd --no-realtime -d dummy -r 44100 -p 1024 >"$work/jackd.log" 2>&1 &
jackd_pid=$!
cleanup() { kill "$jackd_pid" 2>/dev/null; wait "$jackd_pid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT

# Up to 10 s for the server to answer (a loaded machine is slow to start it).
for _ in $(seq 100); do
  jack_lsp >/dev/null 2>&1 && break
  kill -0 "$jackd_pid" 2>/dev/null || break
  sleep 0.1
done
if ! jack_lsp >/dev/null 2>&1; then
  echo "SKIPPED: the dummy JACK server did not start:"; cat "$work/jackd.log"; exit 77
fi

# jalv runs until interrupted; its standard input stays open meanwhile.
run_jalv() {
  sleep 4 | timeout -s INT 2 jalv -x -n "se-lv2-test-$$-$1" "$2" >"$work/out" 2>"$work/err"
}

faults=0
n=0
for uri in $(lv2ls); do
  n=$((n + 1))
  run_jalv "$n" "$uri"
  status=$?
  # A loaded machine can keep the server from answering a new client in
  # time (not the plugin's doing): one more try.
  if grep -q "Cannot connect to server" "$work/err"; then
    sleep 1
    run_jalv "$n-again" "$uri"
    status=$?
  fi
  if [ "$status" -ne 124 ] || grep -qi "error\|fail" "$work/err" "$work/out"; then
    echo "FAULT: $uri (status $status)"; cat "$work/out" "$work/err"; faults=$((faults + 1))
  else
    echo "ran 2 s: $uri"
  fi
  sleep 0.5
done
exit $((faults > 0))
