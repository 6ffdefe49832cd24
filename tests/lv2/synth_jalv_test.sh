#!/usr/bin/env bash
# The synth plays in jalv on a dummy JACK server of its own: a looping MIDI
# chord from jack_midiseq goes into its MIDI input, jack_rec records its two
# outputs, and the recording must hold sound on both channels. A second run
# with the volume set 20 dB lower on jalv's command line must be about 20 dB
# quieter (a control given by the host reaches the engine). Skips (exit 77)
# with the reason where a tool is missing or the server cannot start.
#   synth_jalv_test.sh <folder holding the bundle> [reason to skip]
set -u
export LV2_PATH="$1"
[ -z "${2:-}" ] || { echo "SKIPPED: $2"; exit 77; }
for tool in jackd jack_lsp jack_connect jack_midiseq jack_rec jalv od timeout; do
  command -v "$tool" >/dev/null || { echo "SKIPPED: $tool is not installed (scripts/setup.sh installs jackd2 and jalv)"; exit 77; }
done
uri=urn:ladder-osc-modules:synth

work="$(mktemp -d)"
export JACK_DEFAULT_SERVER="se-synth-test-$$"
export JACK_NO_START_SERVER=1
jackd --no-realtime -d dummy -r 48000 -p 1024 >"$work/jackd.log" 2>&1 &
jackd_pid=$!
pids=()
stop() {
  for p in "${pids[@]}"; do kill -INT "$p" 2>/dev/null; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null; done
  pids=()
}
cleanup() {
  stop
  kill "$jackd_pid" 2>/dev/null
  wait "$jackd_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

for _ in $(seq 100); do
  jack_lsp >/dev/null 2>&1 && break
  kill -0 "$jackd_pid" 2>/dev/null || break
  sleep 0.1
done
if ! jack_lsp >/dev/null 2>&1; then
  echo "SKIPPED: the dummy JACK server did not start:"; cat "$work/jackd.log"; exit 77
fi

# jalv reads commands from its standard input and quits at its end: it reads
# a pipe that stays open until the script ends.
mkfifo "$work/stdin"
exec 3<>"$work/stdin"

# Waits up to 10 s for the JACK port $1.
wait_port() {
  for _ in $(seq 100); do
    jack_lsp | grep -qx "$1" && return 0
    sleep 0.1
  done
  return 1
}

# The largest absolute sample of channel $2 (0 or 1) of the 16-bit stereo WAV
# $1, read after its "data" chunk header.
peak() {
  local data
  data=$(grep -obUa "data" "$1" | head -1 | cut -d: -f1)
  od -An -v -t d2 -j $((data + 8)) "$1" | tr -s ' ' '\n' | awk -v c="$2" '
    NF { if (n % 2 == c) { v = $1 < 0 ? -$1 : $1; if (v > m) m = v } n++ }
    END { print m + 0 }'
}

# One take: jalv with the options "$@", the chord C E G played every half
# second for a quarter of a second, 2 s recorded into $work/$name.wav.
take() {
  local name=$1
  shift
  local client="se-synth-$$-$name" seq="se-seq-$$-$name"
  timeout -s INT 30 jalv -x -n "$client" "$@" "$uri" <&3 >"$work/$name.out" 2>"$work/$name.err" &
  pids+=($!)
  wait_port "$client:midi_in" || { echo "FAULT: jalv shows no MIDI input"; cat "$work/$name.out" "$work/$name.err"; return 1; }
  jack_midiseq "$seq" 24000 0 60 12000 0 64 12000 0 67 12000 >"$work/$name.seq" 2>&1 &
  pids+=($!)
  wait_port "$seq:out" || { echo "FAULT: jack_midiseq did not start"; cat "$work/$name.seq"; return 1; }
  jack_connect "$seq:out" "$client:midi_in" || { echo "FAULT: cannot connect the sequencer"; return 1; }
  timeout 20 jack_rec -f "$work/$name.wav" -d 2 -b 16 "$client:out_left" "$client:out_right" \
    >"$work/$name.rec" 2>&1 || { echo "FAULT: jack_rec failed"; cat "$work/$name.rec"; return 1; }
  stop
  if grep -qi "error\|fail" "$work/$name.err"; then
    echo "FAULT: jalv reported"; cat "$work/$name.err"; return 1
  fi
  return 0
}

faults=0
take default || faults=$((faults + 1))
take quiet -c volume=-29 || faults=$((faults + 1))
if [ "$faults" -eq 0 ]; then
  loud_l=$(peak "$work/default.wav" 0)
  loud_r=$(peak "$work/default.wav" 1)
  quiet_l=$(peak "$work/quiet.wav" 0)
  echo "peaks (of 32768): default $loud_l / $loud_r, volume -29 dB $quiet_l"
  # The default chord peaks around -15 dBFS: sound well above -40 dBFS on both sides.
  [ "$loud_l" -gt 330 ] && [ "$loud_r" -gt 330 ] || { echo "FAULT: jalv played no sound"; faults=$((faults + 1)); }
  # 20 dB lower, within 3 dB either way (the takes start at other phases of the loop).
  awk -v a="$loud_l" -v b="$quiet_l" 'BEGIN { r = b / a; exit !(r > 0.0708 && r < 0.141) }' ||
    { echo "FAULT: volume -29 dB is not about 20 dB quieter"; faults=$((faults + 1)); }
fi
[ "$faults" -eq 0 ] && echo "jalv plays $uri"
exit $((faults > 0))
