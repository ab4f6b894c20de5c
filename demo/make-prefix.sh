#!/usr/bin/env bash
# make-prefix.sh PREFIX: the demo's throwaway prefix, made as the tests make
# theirs (tests/wine/wine-prefix.sh starts over when a new prefix never settles).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
exec bash "$root/tests/wine/wine-prefix.sh" create "$1"
