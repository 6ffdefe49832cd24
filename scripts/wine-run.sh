#!/usr/bin/env bash
# Runs a Windows program of the win32 build under wine, headless and quiet:
#   scripts/wine-run.sh build-win32/tests/.../some_test.exe [args...]
# CMake uses it as the build's CMAKE_CROSSCOMPILING_EMULATOR, so CTest and
# GoogleTest's test discovery start the test programs through it.
#
# WINEPREFIX names the wine prefix (default: /tmp/se-wine-<uid>); it is created
# on first use. A wine server that persists is started with the prefix, so
# that each program does not pay for wine's start-up, and so that no wine
# background process inherits (and holds open) the output of a test.
# `wineserver -k` with the same WINEPREFIX stops it.
set -euo pipefail

export WINEPREFIX="${WINEPREFIX:-/tmp/se-wine-$(id -u)}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEARCH=win32
# No Mono/Gecko installers, no menu entries, no window of wine's own.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}"
unset DISPLAY WAYLAND_DISPLAY

mkdir -p "$(dirname "$WINEPREFIX")"
{
  flock 9
  if [ ! -e "$WINEPREFIX/system.reg" ]; then
    wineboot --init </dev/null >/dev/null 2>&1 9>&-
    wineserver --wait </dev/null >/dev/null 2>&1 9>&- || true
  fi
  # Exit status 2: a server for this prefix is already running.
  # (The lock's descriptor is not handed to processes that outlive this block.)
  if wineserver --persistent </dev/null >/dev/null 2>&1 9>&-; then
    # A fresh server: let a program of no interest start wine's services, so
    # that they are not children of the program below.
    wine cmd.exe /c exit </dev/null >/dev/null 2>&1 9>&- || true
  fi
} 9>"${WINEPREFIX}.lock"

exec wine "$@"
