#!/usr/bin/env bash
# Builds the libraries that the command-line tool needs for the 32-bit Windows
# build, from Debian's own source packages, with the project's MinGW-w64
# toolchain, as static libraries installed into one folder:
#   scripts/win32-deps.sh <prefix>
# libsndfile (with its FLAC, Ogg, Vorbis and Opus codecs: libsndfile wants all
# four or none), libsoxr (resampling), and the header-only JSON and
# command-line libraries taken from the Debian packages the Linux build uses.
# Does nothing when <prefix> is complete (built from this same list of
# packages). Needs deb-src entries for Debian's archive: added when missing.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
[ $# -eq 1 ] || { echo "usage: win32-deps.sh <prefix>" >&2; exit 2; }
mkdir -p "$1"
prefix="$(cd "$1" && pwd)"
packages=(libogg libvorbis flac opus libsndfile libsoxr)
[ "$(cat "$prefix/.complete" 2>/dev/null)" = "${packages[*]}" ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"

work="$(mktemp -d /tmp/se-win32-deps.XXXXXX)"
trap 'rm -rf "$work"' EXIT
cd "$work"
if ! apt-get source -qq --download-only "${packages[@]}" >/dev/null 2>&1; then
  . /etc/os-release
  list=/etc/apt/sources.list.d/se-debian-src.sources
  printf '%s\n' 'Types: deb-src' 'URIs: http://deb.debian.org/debian' "Suites: $VERSION_CODENAME" \
    'Components: main' 'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg' |
    $sudo tee "$list" >/dev/null
  $sudo apt-get update -qq
  apt-get source -qq --download-only "${packages[@]}" >/dev/null 2>&1
fi

build() { # <source package> <cmake options...>
  local src
  # apt checked every file against the archive's signed index when it fetched
  # them; dpkg-source has no keyring to check the uploader's signature with.
  dpkg-source --no-check -x "$(ls "$1"_*.dsc)" "src-$1" >/dev/null
  src="$work/src-$1"
  # Opus's release archive lacks a file that its CMakeLists includes; it only
  # picks a default build type, which is given here anyway.
  [ "$1" != opus ] || touch "$src/opus_buildtype.cmake"
  # Their builds' chatter (and other projects' warnings) goes to a log that is
  # shown only if the build fails.
  local log="$work/$1.log"
  if ! {
    cmake -S "$src" -B "$work/build-$1" -G "Unix Makefiles" \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-win32.cmake" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_INSTALL_PREFIX="$prefix" -DSE_WIN32_DEPS="$prefix" \
      -DBUILD_SHARED_LIBS=OFF -DBUILD_TESTING=OFF "${@:2}" &&
      cmake --build "$work/build-$1" -j "$(nproc)" &&
      cmake --install "$work/build-$1"
  } >"$log" 2>&1; then
    tail -n 40 "$log" >&2
    echo "win32-deps: building $1 failed" >&2
    exit 1
  fi
  echo "win32-deps: $1 built"
}

build libogg -DINSTALL_DOCS=OFF
build libvorbis
# FLAC and Opus without their stack protector: it needs MinGW's libssp in
# every program linked with them, and FLAC's export of it switches the rest of
# the link to the runtime's DLLs.
build flac -DBUILD_PROGRAMS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_DOCS=OFF -DBUILD_CXXLIBS=OFF \
  -DINSTALL_MANPAGES=OFF -DWITH_OGG=ON -DWITH_STACK_PROTECTOR=OFF -DWITH_FORTIFY_SOURCE=OFF
build opus -DOPUS_BUILD_PROGRAMS=OFF -DOPUS_BUILD_TESTING=OFF -DOPUS_STACK_PROTECTOR=OFF
build libsndfile -DCMAKE_FIND_PACKAGE_PREFER_CONFIG=ON -DBUILD_PROGRAMS=OFF -DBUILD_EXAMPLES=OFF \
  -DENABLE_MPEG=OFF -DENABLE_CPACK=OFF -DINSTALL_MANPAGES=OFF -DBUILD_REGTEST=OFF
# libsoxr single-threaded (no OpenMP runtime to ship), without its libsamplerate
# interface.
build libsoxr -DBUILD_EXAMPLES=OFF -DBUILD_TESTS=OFF -DWITH_OPENMP=OFF -DWITH_LSR_BINDINGS=OFF

# The header-only libraries: the same files (and CMake packages) as on Linux.
mkdir -p "$prefix/include" "$prefix/share/cmake"
ln -sfn /usr/include/nlohmann "$prefix/include/nlohmann"
ln -sfn /usr/include/CLI "$prefix/include/CLI"
for pkg in nlohmann_json CLI11; do
  ln -sfn "/usr/share/cmake/$pkg" "$prefix/share/cmake/$pkg"
done
echo "${packages[*]}" >"$prefix/.complete"
