#!/usr/bin/env bash
# The README's first command: installs what is missing, builds the two DLLs into
# out/ and shows what each one exports and imports.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash tools/install-packages.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j"$(nproc)" --target qsetup qremove

mkdir -p out
for dll in qsetup qremove; do
  cp "build/win32/bin/$dll.dll" out/
  python3 tests/binary/check_pe.py "out/$dll.dll" --list
done
