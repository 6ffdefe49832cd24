#!/usr/bin/env bash
# Draws the pictures of the synth's manual (docs/img/synth_*.png) with se-host
# itself: small MIDI files written here, played by `se-host synth`, drawn by
# `se-host plot`. Needs a build with the tool, gnuplot, python3 and pngquant.
#   scripts/make-synth-plots.sh [BUILD_DIR]      (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
tool="$build/se-host"
[ -x "$tool" ] || { echo "make-synth-plots.sh: no $tool; build it first (scripts/build.sh)" >&2; exit 1; }
command -v pngquant >/dev/null ||
  { echo "make-synth-plots.sh: needs pngquant (apt-get install pngquant)" >&2; exit 1; }
img=docs/img
mkdir -p "$img"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# midi NAME "TICK NOTE VELOCITY LENGTH; ...": a format 0 file at 480 ticks per
# quarter note and 120 beats per minute (a tick is 1/960 s).
midi() {
  python3 - "$tmp/$1.mid" "$2" <<'PY'
import struct, sys
events = []
for part in sys.argv[2].split(';'):
    tick, note, velocity, length = (int(x) for x in part.split())
    events.append((tick, bytes([0x90, note, velocity])))
    events.append((tick + length, bytes([0x80, note, 0])))
events.sort(key=lambda e: e[0])
def vlq(n):
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.insert(0, (n & 0x7F) | 0x80)
        n >>= 7
    return bytes(out)
body, now = b'', 0
for tick, data in events:
    body += vlq(tick - now) + data
    now = tick
body += b'\x00\xff\x2f\x00'
with open(sys.argv[1], 'wb') as f:
    f.write(b'MThd' + struct.pack('>IHHH', 6, 0, 1, 480))
    f.write(b'MTrk' + struct.pack('>I', len(body)) + body)
PY
}

shrink() { pngquant 32 --speed 1 --strip --force --ext .png "$1"; }

# drawing NAME TITLE "SYNTH ARGS" PLOT ARGS...: plays NAME.mid and draws it.
drawing() {
  local name=$1 title=$2 args=$3
  shift 3
  # shellcheck disable=SC2086 # the synth's arguments are words
  "$tool" synth "$tmp/$name.mid" -o "$tmp/$name.wav" -f float -q --no-progress $args
  "$tool" plot "$tmp/$name.wav" --size 1000x720 --title "$title" -o "$img/synth_$name.png" "$@"
  shrink "$img/synth_$name.png"
}

# The two envelopes: a sine (the amplifier's envelope is the waveform's
# outline) held 1.5 s, with a slow attack and a long release.
midi envelope "0 57 127 1440"
drawing envelope "Amplifier envelope: A 150 ms, D 300 ms, S 50 %, R 600 ms (sine, A3)" \
  "--set osc1_wave=Sine --set cutoff=20000 --set filter_env=0 --set key_track=0 --set width=0
   --set amp_attack=150 --set amp_decay=300 --set amp_sustain=50 --set amp_release=600" \
  --at 0.1 --detail-ms 200

# A filter sweep: one saw note, the filter envelope opening five octaves over
# 1.5 s and closing again, with resonance.
midi sweep "0 45 127 3840"
drawing sweep "Filter sweep: saw A2, cutoff 100 Hz + 6 oct of envelope, resonance 70 %" \
  "--set cutoff=100 --set resonance=70 --set filter_env=6 --set filter_attack=1500
   --set filter_decay=2000 --set filter_sustain=0 --set key_track=0 --set amp_sustain=100
   --set width=0" \
  --at 1.2 --detail-ms 20

# The test chord with the default sound: its spectrum.
midi chord "0 48 127 960;0 52 127 960;0 55 127 960;0 59 127 960;0 60 127 960;0 64 127 960;0 67 127 960;0 71 127 960"
drawing chord "The test chord (C3 E3 G3 B3 C4 E4 G4 B4), default sound" "" \
  --at 0.5 --detail-ms 20
echo "make-synth-plots.sh: pictures in $img"
