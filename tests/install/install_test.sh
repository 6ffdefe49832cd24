#!/usr/bin/env bash
# `cmake --install` into a scratch prefix gives a working installation: the
# tool finds its plugins from its own place (also after the whole tree has
# moved), describes and renders; the manual page formats without a warning
# and names every command; bash completion offers commands, plugins, pins
# and choice items; LV2 hosts find the bundle.
#   install_test.sh <build folder> <source folder>
set -u
build="$(realpath "$1")"
src="$(realpath "$2")"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
faults=0
fault() { echo "FAULT: $*"; faults=$((faults + 1)); }

HOME="$work/home" cmake --install "$build" --prefix "$work/first" >/dev/null || { echo "FAULT: cmake --install failed"; exit 1; }
# The tree works wherever it lands: nothing in it names the prefix.
mv "$work/first" "$work/usr"
prefix="$work/usr"
unset SE_PLUGIN_DIR

# The layout, the plugins being the ones this build makes.
for f in bin/se-host share/man/man1/se-host.1.gz share/bash-completion/completions/se-host \
  share/doc/ladder-osc-modules/copyright share/doc/ladder-osc-modules/README.md; do
  [ -f "$prefix/$f" ] || fault "$f not installed"
done
plugin_dir="$(find "$prefix/lib" -maxdepth 2 -type d -name se-modules | head -1)"
[ -n "$plugin_dir" ] || fault "no lib/se-modules or lib/<arch>/se-modules"
while read -r plugin; do
  [ -f "$plugin_dir/$(basename "$plugin")" ] || fault "plugin $(basename "$plugin") not in $plugin_dir"
done <"$build/plugins.txt"
grep -q "ISC" "$prefix/share/doc/ladder-osc-modules/copyright" || fault "copyright does not name the ISC licence"

# The installed tool, run from elsewhere, with no plugin folder named.
cd "$work"
tool="$prefix/bin/se-host"
"$tool" describe ladder_filter >describe.txt 2>&1 || fault "describe failed: $(head -2 describe.txt)"
grep -q '"Filter Tap"' describe.txt || fault "describe does not list the filter's pins"
"$tool" render "$prefix/share/doc/ladder-osc-modules/examples/demo.json" -o demo.flac -q ||
  fault "rendering the installed demo patch failed"
[ -s demo.flac ] || fault "the render wrote no file"
"$tool" --version | grep -q "ISC licence" || fault "--version does not state the licence"

# The manual page: every command, no formatting warning.
if command -v man >/dev/null; then
  page="$(MANWIDTH=100 man --warnings -l "$prefix/share/man/man1/se-host.1.gz" 2>warnings.txt)"
  [ ! -s warnings.txt ] || fault "the manual page formats with warnings: $(head -3 warnings.txt)"
  for word in describe render process plot --plugin-dir SE_PLUGIN_DIR "EXIT STATUS" ISC; do
    grep -q -- "$word" <<<"$page" || fault "the manual page does not mention $word"
  done
else
  echo "the manual page not formatted: man is not installed"
fi

# Bash completion as bash itself splits a line ("=" and ":" break words).
if [ -f /usr/share/bash-completion/bash_completion ]; then
  completion_cases() {
    source /usr/share/bash-completion/bash_completion
    source "$prefix/share/bash-completion/completions/se-host"
    compopt() { :; } # only inside a real completion
    complete_line() {
      COMP_LINE="$1"
      COMP_POINT=${#COMP_LINE}
      local -a tokens
      read -ra tokens <<<"$COMP_LINE"
      [[ $COMP_LINE == *' ' ]] && tokens+=("")
      COMP_WORDS=()
      local t piece
      for t in "${tokens[@]}"; do
        [[ -z $t ]] && { COMP_WORDS+=(""); continue; }
        while [[ -n $t ]]; do
          if [[ $t == [=:]* ]]; then piece=${t%%[^=:]*}; else piece=${t%%[=:]*}; fi
          COMP_WORDS+=("$piece")
          t=${t#"$piece"}
        done
      done
      COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
      COMPREPLY=()
      _se_host
      printf '%s|' "${COMPREPLY[@]}"
    }
    PATH="$prefix/bin:$PATH"
    expect() { # <line> <want>
      local got
      got="$(complete_line "$1")"
      [ "$got" = "$2" ] || echo "FAULT: completing '$1' gives '$got', want '$2'"
    }
    expect "se-host re" "render|"
    expect "se-host d" "describe|"
    expect "se-host describe w" "wavetable_generator|"
    expect "se-host process in.wav --set Filt" 'Filter\ Tap=|'
    expect "se-host process in.wav --set Type=" "LP|HP|"
    expect "se-host plot --response ladder_filter --compare Emulate=Analog," "Analog,Analog|Analog,Digital|"
    expect "se-host render demo.json --set vcf.Bass" 'vcf.Bass\ Boost=|'
    expect "se-host render demo.json -f flac,1" "flac,16|"
    expect "se-host render demo.json --no-p" "--no-progress|"
  }
  cp "$prefix/share/doc/ladder-osc-modules/examples/demo.json" .
  completion_cases >completion.txt 2>&1
  grep FAULT completion.txt && faults=$((faults + $(grep -c FAULT completion.txt)))
else
  echo "bash completion not tried: bash-completion is not installed"
fi

# LV2 hosts find the bundle where it was installed, with LV2_PATH naming it alone.
if [ -d "$build/lv2" ] && command -v lv2ls >/dev/null; then
  LV2_PATH="$prefix/lib/lv2" lv2ls | grep -qx "urn:ladder-osc-modules:filter" ||
    fault "lv2ls does not list the installed filter"
fi

[ "$faults" -eq 0 ] || { echo "install_test: $faults fault(s)"; exit 1; }
echo "install_test: the installed tree works"
