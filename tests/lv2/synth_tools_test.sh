#!/usr/bin/env bash
# lv2ls lists the synth, and lv2info shows it as an instrument with its
# factory presets (at least 24), the URID map it requires, its MIDI input and
# stereo output. Skips (exit 77) where lilv's tools are missing.
#   synth_tools_test.sh <folder holding the bundle>
set -u
export LV2_PATH="$1"
for tool in lv2ls lv2info; do
  command -v "$tool" >/dev/null || { echo "SKIPPED: $tool is not installed (Debian package lilv-utils)"; exit 77; }
done
uri=urn:ladder-osc-modules:synth
lv2ls | grep -qx "$uri" || { echo "FAULT: lv2ls does not list $uri"; exit 1; }
info="$(lv2info "$uri")" || { echo "FAULT: lv2info $uri failed"; exit 1; }
faults=0
fault() { echo "FAULT: $1"; faults=$((faults + 1)); }
grep -q "Required Features: http://lv2plug.in/ns/ext/urid#map" <<<"$info" || fault "urid:map is not required"
presets="$(sed -n '/Presets:/,/^$/p' <<<"$info" | grep -cv -e 'Presets:' -e '^$')"
[ "$presets" -ge 24 ] || fault "$presets presets, fewer than 24"
grep -q "Symbol:      midi_in" <<<"$info" || fault "no MIDI input"
for out in out_left out_right; do
  grep -q "Symbol:      $out" <<<"$info" || fault "no output $out"
done
echo "lv2ls lists $uri; lv2info shows $presets presets"
exit $((faults > 0))
