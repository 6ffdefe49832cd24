#!/usr/bin/env bash
# Draws the LV2 filter's magnitude response at a few cutoffs, measured from
# the plugin itself: lv2apply runs an impulse through it, se-host plot draws
# the spectra. Writes docs/lv2_filter_response.png by default.
#   scripts/lv2-filter-response.sh [build folder] [picture]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
picture="${2:-docs/lv2_filter_response.png}"
export LV2_PATH="$PWD/$build/lv2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# A float WAV: 512 frames of silence, an impulse of 1 V (0.1), then silence;
# and two silent channels for the filter's modulation inputs (lv2apply feeds
# the file's channels to the audio inputs in order, a mono file to them all).
python3 - "$work/impulse.wav" <<'PY'
import struct, sys
frames = [0.0] * (512 + 16384)
frames[512] = 0.1
data = b"".join(struct.pack("<fff", x, 0.0, 0.0) for x in frames)
fmt = struct.pack("<HHIIHH", 3, 3, 44100, 44100 * 12, 12, 32)
with open(sys.argv[1], "wb") as f:
    f.write(b"RIFF" + struct.pack("<I", 4 + 8 + len(fmt) + 8 + len(data)) + b"WAVE")
    f.write(b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(data)) + data)
PY

curves=()
for hz in 110 440 1760 7040; do
  lv2apply -i "$work/impulse.wav" -o "$work/$hz.wav" -c cutoff "$hz" -c resonance 5 \
    -c filter_tap 4 urn:ladder-osc-modules:filter
  curves+=(--impulse "$work/$hz.wav=Cutoff $hz Hz")
done
"$build/se-host" plot "${curves[@]}" -o "$picture" \
  --title "Ladder Filter (LV2): 4-pole tap, Resonance 5 V, measured with lv2apply"
echo "wrote $picture"
