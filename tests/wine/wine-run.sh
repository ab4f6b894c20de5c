#!/usr/bin/env bash
# wine-run.sh PREFIX PROGRAM [ARGS...]: the emulator that ctest puts in front of
# every cross-built test program.
set -euo pipefail
export WINEPREFIX=$1 WINEARCH=win32
shift
export WINEDEBUG=${WINEDEBUG:--all}
unset DISPLAY WAYLAND_DISPLAY
exec wine "$@"
