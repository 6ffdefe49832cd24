#!/usr/bin/env bash
# The main job: installs what is missing, builds, renders the demo patch to a
# WAV file and draws it as a PNG picture (waveform, spectrum, spectrogram).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
# Only the tool and the plugins: the tests and benchmarks are not needed here.
bash scripts/build.sh se-host plugins
mkdir -p out
./build/se-host render examples/demo.json -o out/demo.wav
./build/se-host plot out/demo.wav -o out/demo.png --title "examples/demo.json"
echo "demo: listen to out/demo.wav, look at out/demo.png"
