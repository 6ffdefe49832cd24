#!/usr/bin/env bash
# Configures and builds the default (linux64) build in build/.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release ${SE_CMAKE_ARGS:-} >/dev/null
cmake --build build -j "$(nproc)"
