#!/usr/bin/env bash
# Installs, on Debian 12 as root, every package the build and the tests use,
# then makes sure this machine can start 32-bit Linux programs (Wine's 32-bit
# loader is one). Packages already present are skipped.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

packages=(cmake g++ make googletest libgtest-dev python3 zip unzip clang lld
          g++-mingw-w64-i686 gcc-mingw-w64-i686 binutils-mingw-w64-i686
          wine wine32:i386 wine32-preloader:i386 qemu-user-static)

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  apt_update_needed=1
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
elif [ -n "${apt_update_needed:-}" ]; then
  apt-get update -q
fi

"$here/enable-i386-exec.sh"
