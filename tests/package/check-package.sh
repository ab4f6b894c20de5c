#!/usr/bin/env bash
# check-package.sh BUILD_DIR ZIP_NAME CC CXX: builds the release package with
# the `package` target and checks the archive: exactly the five files, the
# DLLs and qcall as built, and a header that declares every export the two
# DLLs have and compiles as C and as C++.
set -uo pipefail
build=$1 zip_name=$2 cc=$3 cxx=$4
root=$(cd "$(dirname "$0")/../.." && pwd)
zip=$build/$zip_name
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

rm -f "$zip"
cmake --build "$build" --target package >"$scratch/package.log" 2>&1 || { cat "$scratch/package.log"; fail "the package target"; }
[ -f "$zip" ] || { echo "FAIL no $zip"; exit 1; }

unzip -Z1 "$zip" | sort >"$scratch/listed"
printf '%s\n' CALLING.txt qcall.exe qremove.dll qsetup.dll quillet_setup.h | sort >"$scratch/expected"
if diff -u "$scratch/expected" "$scratch/listed"; then
  echo "ok   $zip_name lists exactly: $(tr '\n' ' ' <"$scratch/listed")"
else
  fail "$zip_name does not list exactly the five files"
fi

for f in qsetup.dll qremove.dll qcall.exe; do
  unzip -p "$zip" "$f" >"$scratch/$f"
  if cmp -s "$scratch/$f" "$build/bin/$f"; then echo "ok   $f is the built $f"; else fail "$f differs from $build/bin/$f"; fi
done

unzip -p "$zip" quillet_setup.h >"$scratch/quillet_setup.h"
unzip -p "$zip" CALLING.txt >"$scratch/CALLING.txt"
for dll in qsetup qremove; do
  exports=$(python3 "$root/tests/binary/check_pe.py" "$build/bin/$dll.dll" --list |
            sed -n 's/^  exports: //p' | sed 's/ (ordinal [0-9]*)//g' | tr -d ',')
  [ -n "$exports" ] || fail "no exports listed for $dll.dll"
  for name in $exports; do
    # The decorated symbol is documented as a string; every other name is declared.
    if [ "${name:0:1}" = "?" ]; then
      grep -qF "\"$name\"" "$scratch/quillet_setup.h" && echo "ok   quillet_setup.h gives the symbol $name" ||
        fail "quillet_setup.h does not give the symbol $name"
    else
      grep -Eq "int __stdcall $name\(" "$scratch/quillet_setup.h" && echo "ok   quillet_setup.h declares $name as __stdcall" ||
        fail "quillet_setup.h does not declare $name"
    fi
    grep -qF "$name" "$scratch/CALLING.txt" || fail "CALLING.txt does not say how to call $name"
  done
done

printf '#include "quillet_setup.h"\nint main(void) { QSETUP_SETUP_FORM f = GetName; return f != 0; }\n' >"$scratch/use.c"
cp "$scratch/use.c" "$scratch/use.cpp"
"$cc" -std=c99 -Wall -Wextra -Werror -fsyntax-only -I"$scratch" "$scratch/use.c" && echo "ok   the header compiles as C" ||
  fail "the header does not compile as C"
"$cxx" -std=c++20 -Wall -Wextra -Werror -fsyntax-only -I"$scratch" "$scratch/use.cpp" && echo "ok   the header compiles as C++" ||
  fail "the header does not compile as C++"

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
