#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite with CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
SE_CMAKE_ARGS="-DSE_WERROR=ON ${SE_CMAKE_ARGS:-}" bash scripts/build.sh
ctest --test-dir build --output-on-failure -j "$(nproc)"
