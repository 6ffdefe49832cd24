#!/usr/bin/env bash
# cmake --install puts the bundle where LV2 hosts look: <prefix>/lib/lv2 under
# a prefix (the default /usr/local too, and under DESTDIR, as a package stages
# it), ~/.lv2 under a prefix in the home folder; lv2ls then lists the filter
# plugins.
#   filter_install_test.sh <build folder>
set -u
build="$1"
command -v lv2ls >/dev/null || { echo "SKIPPED: lv2ls is not installed (Debian package lilv-utils)"; exit 77; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

check() { # <folder the bundle should be in> <what>
  local uris
  uris="$(LV2_PATH="$1" lv2ls)"
  for uri in urn:ladder-osc-modules:filter urn:ladder-osc-modules:filter-stereo; do
    grep -qx "$uri" <<<"$uris" || { echo "FAULT: $2: $uri not listed from $1"; exit 1; }
  done
  echo "ok: $2"
}

cmake --install "$build" --component lv2 --prefix "$work/prefix" >/dev/null || exit 1
check "$work/prefix/lib/lv2" "a system prefix"
HOME="$work/home" cmake --install "$build" --component lv2 --prefix "$work/home/.local" >/dev/null || exit 1
check "$work/home/.lv2" "a prefix in the home folder"
[ ! -e "$work/home/.local/lib/lv2" ] || { echo "FAULT: a home prefix also got lib/lv2"; exit 1; }
HOME="$work/home2" DESTDIR="$work/stage" cmake --install "$build" --component lv2 --prefix /usr/local >/dev/null || exit 1
check "$work/stage/usr/local/lib/lv2" "the default prefix, staged under DESTDIR"
[ ! -e "$work/home2/.lv2" ] || { echo "FAULT: the default prefix installed into ~/.lv2"; exit 1; }
