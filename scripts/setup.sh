#!/usr/bin/env bash
# Installs the Debian packages that the builds need. Idempotent: when every
# package is already there it asks nothing of apt.
#   scripts/setup.sh            packages of the default (linux64) build
#   scripts/setup.sh --all      also the 32-bit and Windows toolchains, the
#                               GoogleTest sources they build it from, wine,
#                               dpkg-dev (Debian sources for scripts/win32-deps.sh,
#                               and the Debian package), lintian and man-db
#                               (scripts/check-deb.sh); and makes sure 32-bit
#                               programs run here
#   scripts/setup.sh --fuzz     also clang, its libFuzzer and sanitizer runtimes and
#                               the symbolizer (scripts/fuzz.sh)
#   scripts/setup.sh --ardour   also Debian's Ardour without its recommendations, for
#                               the test that loads every LV2 plugin in it (CI)
#   scripts/setup.sh --web      also Emscripten (with Node.js): the WebAssembly build
#                               and the page (scripts/build-web.sh)
#   scripts/setup.sh --browser  also Chromium and npm, for the page's tests (CI)
set -euo pipefail

packages=(cmake make g++ libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev libsndfile1-dev libsoxr-dev
          libcli11-dev gnuplot-nox pkg-config fonts-dejavu-core lv2-dev liblilv-dev lilv-utils jalv jackd2 sordi
          pngquant bash-completion)
cross=0
fuzz=0
ardour=0
web=0
browser=0
for arg in "$@"; do
  case "$arg" in
    --all) cross=1 ;;
    --web) web=1 ;;
    --browser) browser=1 ;;
    --fuzz) fuzz=1 ;;
    --ardour) ardour=1 ;;
    *) echo "setup.sh: unknown option '$arg'" >&2; exit 2 ;;
  esac
done
if [ "$cross" = 1 ]; then
  packages+=(g++-multilib googletest g++-mingw-w64-i686 binutils-mingw-w64-i686 wine wine32:i386
             dpkg-dev lintian man-db)
fi
if [ "$fuzz" = 1 ]; then
  packages+=(clang libclang-rt-dev llvm)
fi
if [ "$ardour" = 1 ]; then
  packages+=(ardour)
fi
if [ "$web" = 1 ]; then
  packages+=(emscripten)
fi
if [ "$browser" = 1 ]; then
  packages+=(chromium)
  # npm comes with some Node.js packages, and on its own in Debian's.
  command -v npm >/dev/null || packages+=(npm)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -ne 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  # wine32:i386 comes from the i386 architecture, which must be known to dpkg
  # before apt reads the package lists.
  if [ "$cross" = 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
  fi
  echo "setup.sh: installing ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if [ "$cross" = 1 ]; then
  bash "$(dirname "$0")/enable-i386.sh"
fi
