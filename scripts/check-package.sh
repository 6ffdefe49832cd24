#!/usr/bin/env bash
# Checks the Windows package that `cpack` made in a DLL build (default
# build-win32/): the zip's own checksum file, its contents (exactly the three
# DLLs, INSTALL.txt, LICENSE.txt, VERSION.txt and SHA256SUMS.txt in one folder),
# the licence (the project's LICENSE), the DLLs' checksums as the package lists
# them, and that they are the build's DLLs.
# Prints the listing; exits non-zero with one line per fault.
set -euo pipefail
export LC_ALL=C
build="${1:-build-win32}"
license="$(dirname "$0")/../LICENSE"

mapfile -t zips < <(find "$build" -maxdepth 1 -name 'se-modules-*-win32.zip')
[ ${#zips[@]} -eq 1 ] || { echo "check-package: want one se-modules-*-win32.zip in $build, found ${#zips[@]} (run cpack there)" >&2; exit 1; }
zip="${zips[0]}"
name="$(basename "$zip" .zip)"
version="${name#se-modules-}"
version="${version%-win32}"

faults=0
fault() { echo "  FAULT: $*"; faults=$((faults + 1)); }

echo "$zip"
(cd "$(dirname "$zip")" && sha256sum --quiet -c "$name.zip.sha256") || fault "the zip does not match $name.zip.sha256"

dlls=(audio_oscillator.dll ladder_filter.dll wavetable_generator.dll)
want="$(printf '%s\n' INSTALL.txt LICENSE.txt SHA256SUMS.txt VERSION.txt "${dlls[@]}" | sed "s|^|$name/|")"
have="$(cmake -E tar tf "$zip" | grep -v '/$' | sort)"
sed 's/^/  /' <<<"$have"
[ "$have" = "$want" ] || fault "contents differ from: $(tr '\n' ' ' <<<"$want")"

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
zip_path="$(realpath "$zip")"
(cd "$tmp" && cmake -E tar xf "$zip_path")
dir="$tmp/$name"
if [ -f "$dir/SHA256SUMS.txt" ]; then
  [ "$(wc -l <"$dir/SHA256SUMS.txt")" -eq 3 ] || fault "SHA256SUMS.txt does not list the three DLLs"
  (cd "$dir" && sha256sum --quiet -c SHA256SUMS.txt) || fault "a DLL does not match SHA256SUMS.txt"
fi
[ "$(tr -d '\r' <"$dir/VERSION.txt" 2>/dev/null)" = "$version" ] || fault "VERSION.txt does not say $version"
grep -q "$version" "$dir/INSTALL.txt" 2>/dev/null || fault "INSTALL.txt does not name version $version"
tr -d '\r' <"$dir/LICENSE.txt" 2>/dev/null | cmp -s - "$license" || fault "LICENSE.txt is not the project's LICENSE"
grep -q "LICENSE.txt" "$dir/INSTALL.txt" 2>/dev/null || fault "INSTALL.txt does not name LICENSE.txt"
for dll in "${dlls[@]}"; do
  cmp -s "$dir/$dll" "$build/plugins/$dll" || fault "$dll is missing or not the build's"
done

[ "$faults" -eq 0 ] || { echo "check-package: $faults fault(s)" >&2; exit 1; }
echo "check-package: $name is complete, checksums verified"
