#!/usr/bin/env bash
# check-demo.sh BIN_DIR: runs the README command's demo and checks its report:
# the product entries are there after the installation and gone after the
# removal, and nothing else of the stage went with them.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
report=$(mktemp)
trap 'rm -f "$report"' EXIT
bash "$root/demo/run-demo.sh" "$1" >"$report"
status=$?
cat "$report"
echo "---- checks"

failures=0
# The lines of one report section: from "== NAME" to the next "== ".
section() { awk -v name="== $1" '$0 ~ /^== / { inside = index($0, name) == 1; next } inside' "$report"; }
expect() {   # expect SECTION present|absent FIXED-LINE
  local where=$1 want=$2 line=$3
  if section "$where" | grep -qxF -- "$line"; then found=present; else found=absent; fi
  if [ "$found" = "$want" ]; then
    echo "ok   $where: $want: $line"
  else
    echo "FAIL $where: expected $want: $line"
    failures=$((failures + 1))
  fi
}

[ "$status" -eq 0 ] || { echo "FAIL run-demo.sh exited with $status"; failures=$((failures + 1)); }

expect "Before installation" present 'file C:\windows\quill.ini absent'
expect "Before installation" present 'key HKCR\.qx'
expect "Before installation" present 'key HKCR\QUILLET.ATT'
expect "Before installation" present '  subkey Guard'
expect "Before installation" present '  | QuilletGuard extension data'
expect "Before installation" present '  value "QuilletGuard" REG_SZ "4.0;C:\\Quillet\\qguard.dll;1;00000100000000"'

# Written at install: the three entries, the trimmed name, the value moved first.
expect "Installation" present '  | DIR=C:\Quillet\QLMCRTMP\'
expect "Installation" present '  | PROC=C:\Quillet\qrunner.exe'
expect "Installation" present '  | MACRO=C:\Quillet\QLMACRO\'
expect "Installation" present '  text "Ada Lovelace"'
expect "Installation" present '  wrote back 1: "QuilletGuard"'
expect "Installation" present '  wrote back 4: "Schedule+"'
expect "Installation" present '  box caption "Installing Quillet" text "Please type the name using English alphabet only." style 0x30 MB_OK|MB_ICONEXCLAMATION'
expect "Installation" present '  data "Quillet 2.0.0.2 installed for Ada Lovelace"'

# Gone after removal, and what the removal must leave.
expect "After removal" present 'key HKCR\.qx absent'
expect "After removal" present 'key HKCR\QUILLET.ATT absent'
expect "After removal" present 'key HKCU\Software\Tarvolin\quill95\2.0 absent'
expect "After removal" present 'file C:\windows\extend.dat absent'
expect "After removal" absent '  value "QuilletGuard" REG_SZ "4.0;C:\\Quillet\\qguard.dll;1;00000100000000"'
expect "After removal" present '  value "Internet Mail" REG_SZ "4.0;minet32.dll;1;01000111111100"'
expect "After removal" present 'key HKCU\Software\Tarvolin'
expect "After removal" present '  | DIR=C:\Quillet\QLMCRTMP\'

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
