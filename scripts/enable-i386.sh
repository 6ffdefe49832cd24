#!/usr/bin/env bash
# Makes sure that 32-bit x86 Linux programs run on this machine: the linux32
# test suite and wine (whose loader is a 32-bit program) need it.
#
# Most x86-64 kernels run them natively. Some virtual machines' kernels do not
# ("Exec format error"); there they are handed to qemu-user (Debian's
# qemu-user-static) through the kernel's binfmt_misc, which this script sets up
# (root). Does nothing when a 32-bit program already runs.
set -euo pipefail

probe_dir="$(mktemp -d)"
trap 'rm -rf "$probe_dir"' EXIT
printf 'int main(void) { return sizeof(void *) == 4 ? 0 : 1; }\n' >"$probe_dir/probe.c"
gcc -m32 -o "$probe_dir/probe" "$probe_dir/probe.c"
runs() { "$probe_dir/probe" 2>/dev/null; }

runs && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "enable-i386: this kernel does not run 32-bit programs; handing them to qemu-user"
if ! command -v qemu-i386-static >/dev/null; then
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
    qemu-user-static >/dev/null
fi
binfmt=/proc/sys/fs/binfmt_misc
if [ ! -e "$binfmt/register" ]; then
  $sudo mount -t binfmt_misc binfmt_misc "$binfmt"
fi
if [ ! -e "$binfmt/qemu-i386" ]; then
  # ELF, 32-bit, little-endian, executable or shared object, machine i386.
  # F: the interpreter is opened now, so it also serves other mount namespaces.
  magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  echo ":qemu-i386:M::$magic:$mask:$(command -v qemu-i386-static):F" | $sudo tee "$binfmt/register" >/dev/null
fi
if ! runs; then
  echo "enable-i386: 32-bit programs still do not run" >&2
  exit 1
fi
