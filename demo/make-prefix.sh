#!/usr/bin/env bash
# make-prefix.sh PREFIX: tests/wine/wine-prefix.sh create, given two minutes.
# Under qemu the first start of a prefix now and then never settles (its
# services keep the server waiting); the demo then starts over once with a
# fresh prefix rather than hang the README command.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
prefix=$1
for attempt in 1 2; do
  timeout 120 bash "$root/tests/wine/wine-prefix.sh" create "$prefix" && exit 0
  echo "make-prefix.sh: the Wine prefix $prefix did not settle (attempt $attempt)" >&2
  WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
done
exit 1
