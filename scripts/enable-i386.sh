#!/usr/bin/env bash
# Makes sure that 32-bit x86 Linux programs run on this machine: the linux32
# test suite and wine (whose loader is a 32-bit program) need it.
#
# Most x86-64 kernels run them natively. Some virtual machines' kernels do not
# ("Exec format error"); there they are handed to qemu-user through the
# kernel's binfmt_misc, which this script sets up (root). Does nothing when a
# 32-bit program already runs natively.
#
# qemu-user must be 9.1 or newer: older versions ignore MAP_FIXED_NOREPLACE,
# which wine's loader relies on, and crash wine as soon as a program runs two
# threads. Debian 12 ships 7.2, so there it comes from Debian's backports.
set -euo pipefail

probe_dir="$(mktemp -d)"
trap 'rm -rf "$probe_dir"' EXIT
printf 'int main(void) { return sizeof(void *) == 4 ? 0 : 1; }\n' >"$probe_dir/probe.c"
gcc -m32 -o "$probe_dir/probe" "$probe_dir/probe.c"
runs() { "$probe_dir/probe" 2>/dev/null; }

binfmt=/proc/sys/fs/binfmt_misc
entry="$binfmt/qemu-i386"
qemu=/usr/bin/qemu-i386
[ ! -e "$entry" ] && runs && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"

qemu_is_recent() { # version 9.1 or newer
  "$qemu" --version 2>/dev/null |
    awk 'NR == 1 { split($3, v, "."); exit !(v[1] > 9 || (v[1] == 9 && v[2] >= 1)) }'
}

if ! qemu_is_recent; then
  echo "enable-i386: this kernel does not run 32-bit programs; installing qemu-user"
  release=()
  . /etc/os-release
  if [ "${VERSION_CODENAME:-}" = bookworm ]; then
    list=/etc/apt/sources.list.d/bookworm-backports.list
    [ -e "$list" ] ||
      echo 'deb http://deb.debian.org/debian bookworm-backports main' | $sudo tee "$list" >/dev/null
    release=(-t bookworm-backports)
  fi
  $sudo apt-get update -qq
  # The binaries alone: the registration below is ours, not the package's.
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
    "${release[@]}" qemu-user >/dev/null
  qemu_is_recent || { echo "enable-i386: $qemu is not 9.1 or newer" >&2; exit 1; }
fi

if [ ! -e "$binfmt/register" ]; then
  $sudo mount -t binfmt_misc binfmt_misc "$binfmt"
fi
# An entry that hands 32-bit programs to another (older) qemu is replaced.
if [ -e "$entry" ] && ! grep -qx "interpreter $qemu" "$entry"; then
  echo -1 | $sudo tee "$entry" >/dev/null
fi
if [ ! -e "$entry" ]; then
  # ELF, 32-bit, little-endian, executable or shared object, machine i386.
  # F: the interpreter is opened now, so it also serves other mount namespaces.
  magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  echo ":qemu-i386:M::$magic:$mask:$qemu:F" | $sudo tee "$binfmt/register" >/dev/null
fi
if ! runs; then
  echo "enable-i386: 32-bit programs still do not run" >&2
  exit 1
fi
