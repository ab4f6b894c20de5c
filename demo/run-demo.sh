#!/usr/bin/env bash
# run-demo.sh [BIN_DIR [TRANSCRIPT]]: installs and removes Quillet in a
# throwaway Wine prefix with qcall and prints what each export did.
#   BIN_DIR     where qcall.exe, qsetup.dll and qremove.dll are (build/win32/bin)
#   TRANSCRIPT  where to keep qcall's whole transcript, trace included
# DEMO_PREFIX names a prefix that demo/make-prefix.sh has already made
# (tools/main-job.sh makes it while the build runs); it is removed afterwards.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
bin=$(cd "${1:-$root/build/win32/bin}" && pwd)
transcript=${2:-}

for f in qcall.exe qsetup.dll qremove.dll; do
  [ -f "$bin/$f" ] || { echo "run-demo.sh: $bin/$f is missing; build the win32 preset first" >&2; exit 2; }
done

prefix=${DEMO_PREFIX:-}
if [ -z "$prefix" ]; then
  prefix=$(mktemp -d /tmp/quillet-demo.XXXXXX)
  bash "$here/make-prefix.sh" "$prefix"
fi
log=$(mktemp)
errors=$(mktemp)
trap 'bash "$root/tests/wine/wine-prefix.sh" destroy "$prefix" >/dev/null 2>&1; rm -f "$log" "$errors"' EXIT

# Wine's own services inherit qcall's standard error and complain into it
# when the prefix goes; qcall's messages are passed on, Wine's are not.
status=0
(cd "$here" && "$root/tests/wine/wine-run.sh" "$prefix" "$bin/qcall.exe" --trace \
   --script install-and-remove.qcall) >"$log" 2>"$errors" || status=$?
grep -v -e '^wine:' -e ':err:' -e ':fixme:' -e '^qemu:' "$errors" >&2 || true
if [ -n "$transcript" ]; then cp "$log" "$transcript"; fi

# The report is qcall's transcript without the trace, except the writes that
# show what the trace is for: the order of the values EnumExchangeExt wrote
# back, which Wine's sorted listing hides.
echo
echo "Quillet install-and-remove demo (qcall $(sed -n 's/^project(quillet_setup VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt"), Wine prefix $prefix)"
awk '
  /^  trace RegSetValueExA\(/ {
    sub(/^  trace RegSetValueExA\([^,]*, /, "");
    sub(/, 0, REG_SZ, .*/, "");
    printf "  wrote back %d: %s\n", ++order, $0; next }
  /^  trace (RegDeleteKeyA|RegOpenKeyExA|RegDeleteValueA|DeleteFileA)\(/ && removal { print; next }
  /^  trace / { next }
  /^call / { order = 0; removal = /^call qremove\.dll!/ }
  { print }
' "$log"
if [ -n "$transcript" ]; then
  echo
  echo "The whole transcript, with every registry, profile and file call: $transcript"
fi
exit "$status"
