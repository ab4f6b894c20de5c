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

discard() {
  wineserver -k 2>/dev/null || true
  rm -rf "$prefix"
}

# Runs one step under a time limit, saying which step overran.
step() {
  local limit=$1
  shift
  timeout "$limit" "$@" </dev/null >/dev/null 2>&1 && return 0
  echo "wine-prefix.sh: '$*' did not finish within $limit s" >&2
  return 1
}

# One attempt; fails when a step does not finish in time. A prefix settles in
# 20-80 s here, so the limits leave room for a loaded machine without letting a
# stuck attempt eat the whole test run.
create_once() {
  step 120 wineboot -i || return 1
  step 30 wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f || return 1
  # A crashing test program ends; no debugger is started that would hold the
  # caller's output open.
  step 30 wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /d '' /f || return 1
  step 45 wineserver -w || return 1
  # The server must not hold the caller's output open, or ctest waits for it.
  wineserver -p </dev/null >/dev/null 2>&1
  # The first process in a new prefix waits for its services to settle; pay
  # for that here rather than in the first test.
  step 60 wine cmd /c exit || return 1
}

case $action in
create)
  # Under qemu a new prefix now and then never settles (its services keep the
  # server waiting): start over with a fresh one rather than hang the run.
  for attempt in 1 2 3; do
    discard
    if create_once; then
      exit 0
    fi
    echo "wine-prefix.sh: the prefix $prefix did not settle (attempt $attempt)" >&2
  done
  discard
  exit 1
  ;;
destroy)
  discard
  ;;
*)
  echo "usage: $0 create|destroy PREFIX" >&2
  exit 2
  ;;
esac
