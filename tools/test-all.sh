#!/usr/bin/env bash
# The README's second command (and CI's): installs what is missing, builds
# everything in both presets and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=$(nproc)

bash tools/install-packages.sh

echo "== native unit tests (AddressSanitizer, UndefinedBehaviorSanitizer)"
cmake --preset host >/dev/null
cmake --build --preset host -j"$jobs"
ctest --preset host

echo "== fuzz targets over the pure logic (libFuzzer, bounded time from the seed corpus)"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$jobs"
ctest --preset fuzz

echo "== the two DLLs built with clang as a second compiler, and their binary checks"
cmake --preset win32-clang >/dev/null
cmake --build --preset win32-clang -j"$jobs"
ctest --test-dir build/win32-clang --output-on-failure

echo "== 32-bit DLLs, binary checks and Wine tests"
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j"$jobs"
ctest --preset win32
