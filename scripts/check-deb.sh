#!/usr/bin/env bash
# Makes the Debian package of a Linux build and checks it: lintian finds no
# error (its warnings are printed), and the package unpacked with dpkg -x
# (nothing is installed on this machine) works from there: se-host --version
# states the licence, describe finds every plugin from its own place, a
# render of the packaged demo patch, the manual page formats without warnings,
# and lv2ls, with LV2_PATH naming the unpacked tree alone, lists every plugin
# of the bundle.
#   scripts/check-deb.sh [BUILD_DIR]          (default: build)
#   scripts/check-deb.sh --dpkg-i [BUILD_DIR] also installs it with dpkg -i, in a
#                                             private overlay of /usr, /etc and /var
#                                             (root; the machine is left as it was)
set -euo pipefail
export LC_ALL=C
dpkg_i=0
if [ "${1:-}" = "--dpkg-i" ]; then
  dpkg_i=1
  shift
fi
build="$(realpath "${1:-build}")"
for tool in cpack lintian dpkg-deb dpkg-shlibdeps lv2ls sordi man; do
  command -v "$tool" >/dev/null ||
    { echo "check-deb: needs $tool (bash scripts/setup.sh --all installs it)" >&2; exit 1; }
done

rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB >"$build/cpack-deb.log" 2>&1) ||
  { cat "$build/cpack-deb.log" >&2; echo "check-deb: cpack -G DEB failed" >&2; exit 1; }
mapfile -t debs < <(find "$build" -maxdepth 1 -name '*.deb')
[ ${#debs[@]} -eq 1 ] || { echo "check-deb: want one .deb in $build, found ${#debs[@]}" >&2; exit 1; }
deb="${debs[0]}"
echo "$deb ($(du -k "$deb" | cut -f1) KB)"
dpkg-deb -f "$deb" Package Version Architecture Depends | sed 's/^/  /'

faults=0
fault() { echo "  FAULT: $*"; faults=$((faults + 1)); }

# lintian: no error; warnings and the rest are shown.
report="$(lintian --info --display-info "$deb" 2>&1 | grep -v 'running with root privileges' || true)"
grep -E '^(E|W|I|X|P): ' <<<"$report" | sed 's/^/  lintian: /' || true
errors="$(grep -c '^E: ' <<<"$report" || true)"
[ "$errors" -eq 0 ] || fault "lintian reports $errors error(s)"
echo "  lintian: $errors error(s), $(grep -c '^W: ' <<<"$report" || true) warning(s)"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Checks a tree holding usr/ (the unpacked package, or / after dpkg -i).
check_tree() { # <root> <what>
  local root="$1" what="$2" tool="$1/usr/bin/se-host"
  local out
  out="$(env -u SE_PLUGIN_DIR "$tool" --version 2>&1)" || fault "$what: se-host --version failed"
  grep -q "ISC licence" <<<"$out" || fault "$what: --version does not state the licence"
  out="$(cd "$work" && env -u SE_PLUGIN_DIR "$tool" describe 2>&1)" || fault "$what: describe failed: $out"
  local plugins so
  plugins="$(find "$root/usr/lib" -maxdepth 3 -path '*/se-modules/*.so' | sort)"
  [ "$(grep -c . <<<"$plugins")" -ge 3 ] || fault "$what: not the three plugins in usr/lib/*/se-modules"
  for so in $plugins; do
    grep -q "^Plugin:  $(basename "$so" .so) " <<<"$out" || fault "$what: describe does not find $so"
  done
  local doc="$root/usr/share/doc/$(dpkg-deb -f "$deb" Package)"
  (cd "$work" && env -u SE_PLUGIN_DIR "$tool" render "$doc/examples/demo.json" -o "$work/demo.flac" \
    --duration 1 -q) || fault "$what: rendering the packaged demo patch failed"
  [ -s "$work/demo.flac" ] || fault "$what: the render wrote nothing"
  rm -f "$work/demo.flac"
  local warnings
  warnings="$(MANWIDTH=80 man --warnings -l "$root/usr/share/man/man1/se-host.1.gz" 2>&1 >/dev/null)" ||
    fault "$what: man cannot format the manual page"
  [ -z "$warnings" ] || fault "$what: the manual page formats with warnings: $warnings"
  [ -f "$root/usr/share/bash-completion/completions/se-host" ] || fault "$what: no bash completion"
  # Every plugin the bundle's manifest names, listed by lilv from there alone.
  local manifest="$root/usr/lib/lv2/ladder-osc-modules.lv2/manifest.ttl" listed uri
  [ -f "$manifest" ] || fault "$what: no LV2 bundle in usr/lib/lv2"
  listed="$(LV2_PATH="$root/usr/lib/lv2" lv2ls 2>&1)"
  local uris
  uris="$(sordi "$manifest" "file://$manifest" 2>/dev/null |
    grep '#type> <http://lv2plug.in/ns/lv2core#Plugin> \.$' | cut -d' ' -f1 | tr -d '<>')"
  [ -n "$uris" ] || fault "$what: the bundle's manifest names no plugin"
  for uri in $uris; do
    grep -qx "$uri" <<<"$listed" || fault "$what: lv2ls does not list $uri"
  done
  grep -qx "urn:ladder-osc-modules:filter" <<<"$listed" || fault "$what: lv2ls does not list the filter"
  echo "  $what: se-host, its plugins, the manual page and $(grep -c . <<<"$listed") LV2 plugin(s) work"
}

dpkg-deb -x "$deb" "$work/tree"
check_tree "$work/tree" "unpacked with dpkg -x"

if [ "$dpkg_i" = 1 ]; then
  # dpkg -i in a mount namespace of its own over writable overlays: the
  # package's files and dpkg's records land in scratch folders only.
  overlay() { # <dir>
    local name="${1//\//_}"
    mkdir -p "$work/ov/$name/up" "$work/ov/$name/wk"
    mount -t overlay overlay -o "lowerdir=$1,upperdir=$work/ov/$name/up,workdir=$work/ov/$name/wk" "$1"
  }
  export -f overlay check_tree fault
  export deb work
  if unshare -m bash -c 'set -e; overlay /usr; overlay /etc; overlay /var
      dpkg -i "$deb" >/dev/null
      dpkg -s "$(dpkg-deb -f "$deb" Package)" | grep -q "^Status: install ok installed"
      faults=0; check_tree / "installed with dpkg -i"; dpkg -r "$(dpkg-deb -f "$deb" Package)" >/dev/null
      exit "$faults"'; then
    :
  else
    fault "installing with dpkg -i (in a private overlay) failed"
  fi
fi

[ "$faults" -eq 0 ] || { echo "check-deb: $faults fault(s)" >&2; exit 1; }
echo "check-deb: $(basename "$deb") passes lintian without errors and works unpacked"
