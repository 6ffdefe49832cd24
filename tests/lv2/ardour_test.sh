#!/usr/bin/env bash
# The bundle in Debian's Ardour, run headless through ardour7-lua on its
# dummy audio backend: a Lua session script of this folder (by default
# ardour_session.lua, every plugin of the bundle; it says what is checked)
# gets the bundle and a session folder and prints "RESULT: PASS" when all is
# well. Skips (exit 77) with the reason where Ardour is not installed
# (scripts/setup.sh --ardour installs it) or cannot load the bundle.
#   ardour_test.sh <bundle folder> [reason to skip] [session script]
set -u
bundle="$1"
script="$(dirname "$0")/${3:-ardour_session.lua}"
[ -z "${2:-}" ] || { echo "SKIPPED: $2"; exit 77; }
for tool in ardour7-lua timeout; do
  command -v "$tool" >/dev/null ||
    { echo "SKIPPED: $tool is not installed (scripts/setup.sh --ardour installs Debian's ardour)"; exit 77; }
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# Ardour's configuration and caches go to the temporary folder, never the user's.
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache"
mkdir -p "$HOME"
# The bundle's folder first, then the system's, where the LV2 specifications
# (plugin classes, units) are: as a user extends LV2_PATH.
export LV2_PATH="$(dirname "$bundle"):/usr/lib/lv2"

run_session() {
  rm -rf "$work/session"
  start=$(date +%s%N)
  timeout 150 ardour7-lua "$script" "$bundle" "$work/session" >"$work/log" 2>&1
  status=$?
  # Ardour's own notes about the machine (no MIDI audition synth) are not ours.
  grep -v "^\[WARNING\]: Falling back to Reasonable Synth\|No synth for midi-audition" "$work/log"
  echo "ardour7-lua: exit status $status after $((($(date +%s%N) - start) / 1000000)) ms"
}
run_session
# Ardour 7.3 on a loaded machine sometimes registers an instrument track's
# outputs twice while it creates the track ("Port already exists"), then
# aborts: a fault of its own, before any of our code runs on that track. Once
# more in that case, said in the log; any other failure counts at once.
if [ "$status" -ne 0 ] && grep -q "register_port: Port already exists" "$work/log"; then
  echo "NOTE: Ardour's own port registration failed; running the session once more"
  run_session
fi
[ "$status" -eq 0 ] && grep -qx "RESULT: PASS" "$work/log"
