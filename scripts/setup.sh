#!/usr/bin/env bash
# Installs the Debian packages that the builds need. Idempotent: when every
# package is already there it asks nothing of apt and returns at once.
#   scripts/setup.sh            packages of the default (linux64) build
#   scripts/setup.sh --all      also the 32-bit and Windows toolchains and wine
set -euo pipefail

packages=(cmake make g++ libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev libsndfile1-dev
          libcli11-dev gnuplot-nox pkg-config fonts-dejavu-core)
cross=0
for arg in "$@"; do
  case "$arg" in
    --all) cross=1 ;;
    *) echo "setup.sh: unknown option '$arg'" >&2; exit 2 ;;
  esac
done
if [ "$cross" = 1 ]; then
  packages+=(g++-multilib g++-mingw-w64-i686 wine wine32:i386)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
if [ "$cross" = 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
echo "setup.sh: installing ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
