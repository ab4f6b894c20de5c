#!/usr/bin/env bash
# wine-prefix.sh create|destroy PREFIX
# A throwaway 32-bit Wine prefix for one test run: Wine's null graphics driver
# (message boxes and windows work, nothing needs a display) and a persistent
# wineserver, so that every test process after the first starts fast.
set -euo pipefail
action=$1
prefix=$2
export WINEPREFIX=$prefix WINEARCH=win32 WINEDEBUG=-all
# No Mono or Gecko install prompts while the prefix is made.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

case $action in
create)
  if [ -e "$prefix" ]; then
    wineserver -k 2>/dev/null || true
    rm -rf "$prefix"
  fi
  wineboot -i </dev/null >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
  wineserver -w
  # The server must not hold the caller's output open, or ctest waits for it.
  wineserver -p </dev/null >/dev/null 2>&1
  # The first process in a new prefix waits for its services to settle; pay
  # for that here rather than in the first test.
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
  ;;
destroy)
  wineserver -k 2>/dev/null || true
  rm -rf "$prefix"
  ;;
*)
  echo "usage: $0 create|destroy PREFIX" >&2
  exit 2
  ;;
esac
