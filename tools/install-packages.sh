#!/usr/bin/env bash
# Installs, on Debian 12 as root, every package the build and the tests use.
# Packages already present are skipped, so a second run costs one dpkg query.
set -euo pipefail

packages=(cmake g++ make ninja-build googletest
          g++-mingw-w64-i686 gcc-mingw-w64-i686 binutils-mingw-w64-i686
          wine wine32 zip unzip clang lld)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  missing+=(wine32)
fi
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
