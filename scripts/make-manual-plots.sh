#!/usr/bin/env bash
# Draws the pictures of the module manuals (docs/modules/img/) with se-host
# itself: the ladder filter's magnitude responses, measured from its impulse
# response, and the oscillator patches of docs/modules/patches/, rendered and
# drawn. Needs a build with the tool and the plugins, gnuplot, and pngquant
# (Debian package), which brings each picture down to well under 100 KB.
#   scripts/make-manual-plots.sh [BUILD_DIR]      (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
tool="$build/se-host"
[ -x "$tool" ] || { echo "make-manual-plots.sh: no $tool; build it first (scripts/build.sh)" >&2; exit 1; }
command -v pngquant >/dev/null ||
  { echo "make-manual-plots.sh: needs pngquant (apt-get install pngquant)" >&2; exit 1; }
img=docs/modules/img
patches=docs/modules/patches
mkdir -p "$img"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# 32 colours keep the lines and the spectrogram readable.
shrink() { pngquant 32 --speed 1 --strip --force --ext .png "$1"; }

# response NAME TITLE ARGS...: a filter response, one curve per --compare value.
response() {
  local name=$1 title=$2
  shift 2
  "$tool" --plugin-dir "$build/plugins" plot --response ladder_filter --size 900x520 \
    --title "$title" -o "$img/$name.png" "$@"
  shrink "$img/$name.png"
}

# drawing NAME TITLE ARGS...: renders patches/NAME.json and draws the file.
drawing() {
  local name=$1 title=$2
  shift 2
  "$tool" --plugin-dir "$build/plugins" render "$patches/$name.json" -o "$tmp/$name.wav" \
    -f float -q --no-progress
  "$tool" plot "$tmp/$name.wav" --size 1000x720 --title "$title" -o "$img/$name.png" "$@"
  shrink "$img/$name.png"
}

# The ladder filter (Pitch 5 V = 440 Hz unless set).
response filter_taps "Filter Tap 2 to 5 (LP, Resonance 0)" \
  --set Resonance=0 --compare "Filter Tap=2,3,4,5"
response filter_cutoff "Pitch C2, C4, C6, C8 (Filter Tap 4, Q Tap 4, Resonance 0)" \
  --set Resonance=0 --set "Filter Tap=4" --set "Q Tap=4" --compare "Pitch=C2,C4,C6,C8"
response filter_type "Type LP and HP (Filter Tap 4, Resonance 0)" \
  --set Resonance=0 --set "Filter Tap=4" --compare "Type=LP,HP"
response filter_resonance "Resonance 0 to 9.5 V (Filter Tap 4, Q Tap 4)" \
  --set "Filter Tap=4" --set "Q Tap=4" --compare "Resonance=0,3,6,8,9.5"
response filter_x_tap "Filter Tap X by Q Tap (Resonance 0)" \
  --set "Filter Tap=X" --set Resonance=0 --compare "Q Tap=2,3,4,5"
response filter_emulate "Emulate Analog and Digital (Filter Tap 4, Q Tap 4, Resonance 8)" \
  --set Resonance=8 --set "Filter Tap=4" --set "Q Tap=4" --compare "Emulate=Analog,Digital"

# The oscillator.
drawing osc_shapes_1 "Saw (1), Square (2), Triangle (3) at 110 Hz" --detail-ms 20
drawing osc_shapes_2 "Soft Ramp (1), Peak Ramp (2), Peak (3) at 110 Hz" --detail-ms 20
drawing osc_shapes_3 "Octava (1), Cluster1 (2), Cluster2 (3) at 110 Hz" --detail-ms 20
drawing osc_pulse "Pulse:Saw width 5 V (1), 1.5 V (2); Pulse:Triangle width 5 V (3)" \
  --detail-ms 20
drawing osc_harmonics "Saw with Harmonics 1 (1), 4 (2), 16 (3), 256 (4) at 110 Hz" \
  --detail-ms 20
drawing osc_harmonic_limit "Saw glide: Limit Freq System A (0-3 s), OFF (3-6 s)" --at 2.5 \
  --detail-ms 5
drawing osc_sync "Hard sync, saw glides A2 to A5: Sync Accuracy Low (1), High (2)" --at 2.0 \
  --detail-ms 20 --channel 2
ls -l "$img"
