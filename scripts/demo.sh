#!/usr/bin/env bash
# The main job: installs what is missing, builds, and shows the modules.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
./build/se-host describe build/plugins/*.so
