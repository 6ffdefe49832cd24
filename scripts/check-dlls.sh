#!/usr/bin/env bash
# Checks the plugin DLLs of a win32 build (default build-win32/):
#   - every plugin the build registers (plugins.txt) exists as a 32-bit DLL,
#     and no other DLL lies in the plugin folder;
#   - each exports exactly getModuleProperties and makeModule, by those
#     undecorated names (C calling convention);
#   - each imports nothing but system DLLs (the compiler's runtime is linked in);
#   - every plugin is one of the deliverables, and once all of them are built,
#     there are exactly the deliverables; with SE_REQUIRE_ALL_PLUGINS=1 (CI)
#     a deliverable that is not built is a fault too.
# Prints one line per DLL and exits non-zero on the first build with a fault.
set -euo pipefail
build="${1:-build-win32}"
objdump="${OBJDUMP:-i686-w64-mingw32-objdump}"

deliverables=(ladder_filter.dll audio_oscillator.dll wavetable_generator.dll)
exports_wanted="getModuleProperties makeModule"
# Windows' own DLLs that a MinGW-w64 program may link against.
system_dlls=" kernel32.dll msvcrt.dll ntdll.dll user32.dll advapi32.dll "

list="$build/plugins.txt"
[ -f "$list" ] || { echo "check-dlls: $list is missing (configure $build first)" >&2; exit 1; }
mapfile -t files < <(grep -v '^$' "$list" || true)
[ ${#files[@]} -gt 0 ] || { echo "check-dlls: the build registers no plugin" >&2; exit 1; }

faults=0
fault() { echo "  FAULT: $*"; faults=$((faults + 1)); }

names=()
for f in "${files[@]}"; do
  name="$(basename "$f")"
  names+=("$name")
  echo "$name"
  if [ ! -f "$f" ]; then fault "not built ($f)"; continue; fi
  dump="$("$objdump" -p "$f")"

  grep -q "file format pei-i386" <<<"$dump" || fault "not a 32-bit Windows DLL"
  grep -A12 '^Characteristics' <<<"$dump" | grep -qw DLL || fault "not flagged as a DLL"

  # Name table of the export directory: "[   0] getModuleProperties".
  exports="$(sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" |
    sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]*//p' | sort | tr '\n' ' ' | sed 's/ $//')"
  # Exports by ordinal only would not show up by name: count the entries too.
  count="$(sed -n '/^Number in:/,/^Table Addresses/s/^[[:space:]]*Export Address Table[[:space:]]*\([0-9a-fA-F]*\).*/\1/p' <<<"$dump")"
  [ "$exports" = "$exports_wanted" ] || fault "exports '$exports', wanted '$exports_wanted'"
  [ -n "$count" ] && [ "$((16#$count))" -eq 2 ] || fault "export address table has '${count:-no}' entries, wanted 2"
  echo "  exports: $exports"

  imports="$(sed -n 's/^[[:space:]]*DLL Name:[[:space:]]*//p' <<<"$dump" | tr 'A-Z' 'a-z' | sort -u | tr '\n' ' ' | sed 's/ $//')"
  for dll in $imports; do
    case "$system_dlls" in *" $dll "*) ;; *) fault "imports $dll (not a system DLL)" ;; esac
  done
  echo "  imports: $imports"

  case " ${deliverables[*]} " in *" $name "*) ;; *) fault "$name is not one of the deliverables" ;; esac
done

# No DLL in the plugin folder that the build does not account for.
dir="$(dirname "${files[0]}")"
for f in "$dir"/*.dll; do
  [ -e "$f" ] || continue
  case " ${names[*]} " in *" $(basename "$f") "*) ;; *) echo "$(basename "$f")"; fault "in $dir but not a plugin of this build" ;; esac
done

# Once every deliverable is built, exactly the deliverables.
all=1
for d in "${deliverables[@]}"; do
  case " ${names[*]} " in *" $d "*) ;; *) all=0 ;; esac
done
if [ "$all" = 1 ]; then
  [ ${#names[@]} -eq ${#deliverables[@]} ] || fault "${#names[@]} plugins, wanted exactly ${deliverables[*]}"
elif [ "${SE_REQUIRE_ALL_PLUGINS:-0}" = 1 ]; then
  fault "not every deliverable is built: have ${names[*]}, wanted ${deliverables[*]}"
fi

if [ "$faults" -ne 0 ]; then
  echo "check-dlls: $faults fault(s)" >&2
  exit 1
fi
echo "check-dlls: ${#names[@]} DLL(s) ok"
