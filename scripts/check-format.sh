#!/usr/bin/env bash
# Fails when a tracked C++ file does not follow .clang-format.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || { echo "check-format: clang-format not found, skipped"; exit 0; }
out=$(git ls-files '*.cpp' '*.h' '*.c' | xargs clang-format --dry-run 2>&1 | grep warning || true)
if [ -n "$out" ]; then
  echo "check-format: files differ from .clang-format:" >&2
  echo "$out" | cut -d: -f1 | sort -u >&2
  exit 1
fi
echo "check-format: all files follow .clang-format"
