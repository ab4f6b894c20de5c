#!/usr/bin/env bash
# wine-run.sh PREFIX PROGRAM [ARGS...]: the emulator that ctest puts in front of
# every cross-built test program.
set -euo pipefail
export WINEPREFIX=$1 WINEARCH=win32
shift
export WINEDEBUG=${WINEDEBUG:--all}
# Plain output: the transcript is read from a pipe, not a console.
export GTEST_COLOR=no
unset DISPLAY WAYLAND_DISPLAY
exec wine "$@"
