#!/usr/bin/env bash
# Builds the page: the synth as WebAssembly with the page's files, in
# build-web/web/ (installs Debian's Emscripten first when it is missing).
# Serve that folder with any static server, e.g.
#   python3 -m http.server -d build-web/web
# and open http://localhost:8000/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh --web
emcmake cmake -S . -B build-web >/dev/null
cmake --build build-web -j "$(nproc)" --target web_page
echo "build-web/web/ holds the page: python3 -m http.server -d build-web/web, then open http://localhost:8000/"
