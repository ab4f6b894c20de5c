#!/usr/bin/env bash
# check-errors.sh WINE_RUN PREFIX QCALL: every fault qcall finds before a call
# gives its message on standard error and its exit status, and nothing runs.
set -uo pipefail
wine_run=$1 prefix=$2 qcall=$3
cd "$(dirname "$0")"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
printf 'not a program' > "$scratch/bogus.dll"
bogus="Z:$(echo "$scratch/bogus.dll" | tr / '\\')"

failures=0
# name | expected status | pattern the message must match (grep -E) | arguments...
check() {
  local name=$1 status=$2 pattern=$3
  shift 3
  "$wine_run" "$prefix" "$qcall" "$@" >"$scratch/out" 2>"$scratch/err"
  local got=$?
  local message
  message=$(grep -v -e '^wine:' -e ':err:' -e ':fixme:' "$scratch/err" | head -n 3)
  if [ "$got" -ne "$status" ] || ! grep -Eq -- "$pattern" <<<"$message" || [ -s "$scratch/out" ]; then
    echo "FAIL $name: status $got (expected $status)"
    echo "  message: $message"
    echo "  expected a message matching: $pattern"
    [ -s "$scratch/out" ] && { echo "  but something ran:"; sed 's/^/    /' "$scratch/out"; }
    failures=$((failures + 1))
  else
    echo "ok   $name: $status: $message"
  fi
}

check missing-dll 3 '^qcall: cannot load nosuch\.dll: .+ \(error 126\)$' nosuch.dll GetName 0 0 x
check invalid-dll 3 "^qcall: cannot load .*bogus\.dll: .+ \(error 193\)$" "$bogus" GetName 0 0 x
check missing-export 4 '^qcall: qsetup\.dll has no export named GetNames$' qsetup.dll GetNames 0 0 x
check plain-name-of-decorated 4 \
  '^qcall: qsetup\.dll has no export named IsStringEnglish; it exports it under the decorated symbol \?IsStringEnglish@@YGHPAE@Z: call that name$' \
  qsetup.dll IsStringEnglish abc
check no-call-form 2 '^qcall: qcall knows no call form for GetTickCount; it calls' kernel32.dll GetTickCount
check too-few 2 '^qcall: GetName takes WINDOW INTEGER TEXT: 2 arguments given$' qsetup.dll GetName 0 0
check too-many 2 '^qcall: _lclose32 takes HANDLE: 2 arguments given$' qsetup.dll _lclose32 1 2
check window-not-a-number 2 "^qcall: GetName takes WINDOW INTEGER TEXT: WINDOW must be a 32-bit number or null, not 'hwnd'$" \
  qsetup.dll GetName hwnd 0 x
check integer-quoted 2 '^qcall: DelSpase takes WINDOW INTEGER TEXT: INTEGER must be a 32-bit number, or null for a null pointer, not "7"$' \
  qsetup.dll DelSpase 0 '"7"' x
check distance-past-32-bits 2 "^qcall: _llseek32 takes HANDLE DISTANCE ORIGIN: DISTANCE must be a 32-bit number, not '4294967296'$" \
  qsetup.dll _llseek32 -1 4294967296 FILE_BEGIN
check origin-unknown 2 "ORIGIN must be a 32-bit number or FILE_BEGIN, FILE_CURRENT, FILE_END, not 'SEEK_END'$" \
  qsetup.dll _llseek32 -1 0 SEEK_END
check mode-unknown 2 "^qcall: OpenFile32 takes NAME MODE: MODE must be a 32-bit number or OF_ flags joined by \|, not 'OF_READ\|OF_BOGUS'$" \
  qsetup.dll OpenFile32 x 'OF_READ|OF_BOGUS'
check write-count-past-text 2 '^qcall: _lwrite32 takes HANDLE TEXT \[COUNT\]: COUNT must be a number from 0 to the length of TEXT \(3\), not .4.$' \
  qsetup.dll _lwrite32 -1 abc 4
check read-count-too-big 2 '^qcall: _lread32 takes HANDLE COUNT: COUNT must be a number from 0 to 1048576' \
  qsetup.dll _lread32 -1 2000000
check hook-two-values 2 '^qcall: UninstUnInitialize takes VALUE VALUE VALUE: 2 arguments given$' \
  qremove.dll UninstUnInitialize 0 0
check unknown-option 2 '^qcall: unknown option --frobnicate' --frobnicate qsetup.dll GetName 0 0 x
check bad-quote 2 '^qcall: argument 4: quoted text without its closing "$' qsetup.dll GetName 0 '"unterminated' 
check script-syntax 2 '^qcall: errors/syntax\.qcall:4: quoted text without its closing "$' --script errors/syntax.qcall
check script-escape 2 '^qcall: errors/escape\.qcall:1: unknown escape \\Q in a quoted text' --script errors/escape.qcall
check script-arguments 2 '^qcall: errors/arguments\.qcall:2: GetName takes WINDOW INTEGER TEXT: 2 arguments given$' \
  --script errors/arguments.qcall
check script-handle 2 '^qcall: errors/handle\.qcall:3: _lread32 takes HANDLE COUNT: handle lgo is not named by an earlier line' \
  --script errors/handle.qcall
check script-decorated 4 '^qcall: errors/decorated\.qcall:3: qsetup\.dll has no export named IsStringEnglish; it exports it under the decorated symbol \?IsStringEnglish@@YGHPAE@Z' \
  --script errors/decorated.qcall
check script-stage-step 2 '^qcall: errors/stage\.qcall:2: unknown stage step @frobnicate' --script errors/stage.qcall
check script-missing 2 '^qcall: cannot read the script errors/none\.qcall$' --script errors/none.qcall

# An export that faults: the call is shown, then the exception, status 5.
"$wine_run" "$prefix" "$qcall" qcall_misbehaving.dll CheckVersion 0 null x >"$scratch/out" 2>"$scratch/err"
got=$?
if [ "$got" -eq 5 ] && grep -q '^qcall: CheckVersion raised exception 0x[0-9A-F]\{8\} at address ' "$scratch/err" &&
   grep -qxF 'call qcall_misbehaving.dll!CheckVersion(0x0, null, "x")' "$scratch/out"; then
  echo "ok   crash: 5: $(grep '^qcall:' "$scratch/err")"
else
  echo "FAIL crash: status $got (expected 5)"; cat "$scratch/out" "$scratch/err"
  failures=$((failures + 1))
fi

# The handle script names a file it would have created: no line ran.
if [ -e "$prefix/drive_c/qcall-errors.log" ]; then
  echo "FAIL errors/handle.qcall created C:\\qcall-errors.log before its fault was found"
  failures=$((failures + 1))
fi
[ "$failures" -eq 0 ] || { echo "$failures case(s) failed"; exit 1; }
