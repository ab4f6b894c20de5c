#!/usr/bin/env bash
# check-transcript.sh WINE_RUN PREFIX QCALL SCRIPT EXPECTED [STATUS]: runs the
# script with --trace and compares the transcript with the expected one, byte
# for byte, and qcall's exit status with STATUS (0 unless given).
# With QCALL_UPDATE=1 the expected transcript is rewritten instead.
set -uo pipefail
wine_run=$1 prefix=$2 qcall=$3 script=$4 expected=$5 want=${6:-0}
cd "$(dirname "$0")"
actual=$(mktemp)
trap 'rm -f "$actual"' EXIT
"$wine_run" "$prefix" "$qcall" --trace --script "$script" >"$actual"
status=$?
if [ "${QCALL_UPDATE:-}" = 1 ]; then
  cp "$actual" "$expected"
  echo "wrote $expected (status $status)"
  exit 0
fi
if ! diff -u "$expected" "$actual"; then
  echo "FAIL: the transcript of $script differs from $expected (qcall status $status)"
  exit 1
fi
[ "$status" -eq "$want" ] || { echo "FAIL: qcall exited with $status, not $want"; exit 1; }
echo "ok: $(wc -l <"$actual") lines as expected"
