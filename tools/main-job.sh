#!/usr/bin/env bash
# The README's first command: installs what is missing, builds the two DLLs and
# qcall into out/, shows what each DLL exports and imports, and runs the demo:
# an installation and a removal in a throwaway Wine prefix.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash tools/install-packages.sh
# The demo's prefix is made while the build runs; run-demo.sh removes it.
demo_prefix=$(mktemp -d /tmp/quillet-demo.XXXXXX)
bash demo/make-prefix.sh "$demo_prefix" &
prefix_job=$!
trap 'wait $prefix_job 2>/dev/null; bash tests/wine/wine-prefix.sh destroy "$demo_prefix" >/dev/null 2>&1' EXIT
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j"$(nproc)" --target qsetup qremove qcall

mkdir -p out
for dll in qsetup qremove; do
  cp "build/win32/bin/$dll.dll" out/
  python3 tests/binary/check_pe.py "out/$dll.dll" --list
done
cp build/win32/bin/qcall.exe out/

wait $prefix_job
DEMO_PREFIX=$demo_prefix bash demo/run-demo.sh out out/demo-transcript.txt
