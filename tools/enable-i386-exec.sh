#!/usr/bin/env bash
# Wine runs 32-bit Windows programs through its 32-bit Linux loader. Some
# kernels (and sandboxes) refuse 32-bit ELF programs; there the loader runs
# under qemu's user-mode emulator, registered through binfmt_misc. Wine's
# preloader (package wine32-preloader) must be installed then: without it
# Wine reserves its address space with tens of thousands of mmap calls, which
# qemu makes take about a minute per process.
set -euo pipefail

probe=$(mktemp)
trap 'rm -f "$probe"' EXIT
# A static 32-bit ELF program of 84 bytes that exits with status 0 (int 0x80, exit).
printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\x31\xdb\x31\xc0\x40\xcd\x80' > "$probe"
chmod +x "$probe"
if "$probe" 2>/dev/null; then
  exit 0
fi

qemu=/usr/bin/qemu-i386-static
if [ ! -x "$qemu" ]; then
  echo "this machine cannot run 32-bit programs and $qemu is missing (package qemu-user-static)" >&2
  exit 1
fi
binfmt=/proc/sys/fs/binfmt_misc
[ -e "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt"
if [ ! -e "$binfmt/qemu-i386" ]; then
  # The F flag opens the emulator now, so it also works inside other mount namespaces.
  echo ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$qemu"':F' > "$binfmt/register"
fi
echo 1 > "$binfmt/qemu-i386"
if ! "$probe"; then
  echo "32-bit programs still do not start, even through $qemu" >&2
  exit 1
fi
echo "32-bit programs run through $qemu on this machine"
