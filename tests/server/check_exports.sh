#!/usr/bin/env bash
# check_exports.sh DLL [FORMAT]: the DLL's export directory: a PE of the build's kind (FORMAT as
# objdump names it, pei-i386 by default; pei-x86-64 for the 64-bit build), module name
# QVCHBW01.dll, the four COM entry points by their plain names with ordinals 1 to 4, and nothing
# else. Both builds export the same names and ordinals.
set -euo pipefail
dll=$1 format=${2:-pei-i386}
# The 64-bit binutils read both kinds of PE.
dump=$(x86_64-w64-mingw32-objdump -p "$dll")
fail() { echo "check_exports: $*" >&2; echo "$dump" | sed -n '/Export Table/,/^$/p' >&2; exit 1; }

grep -q "file format $format\$" <<<"$(x86_64-w64-mingw32-objdump -f "$dll")" || fail "not a $format PE"
grep -Eq '^Name[[:space:]]+[0-9a-f]+ QVCHBW01\.dll$' <<<"$dump" || fail "module name"
base=$(echo "$dump" | sed -n 's/^Ordinal Base[[:space:]]*\([0-9]*\)$/\1/p')
# Name pointer table rows: "[   i] Name", i counted from 0 on the ordinal base.
names=$(echo "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n 's/^[[:space:]]*\[[[:space:]]*\([0-9]*\)\] \(.*\)$/\1 \2/p')
actual=$(echo "$names" | while read -r index name; do echo "$((index + base)) $name"; done)
expected=$'1 DllCanUnloadNow\n2 DllGetClassObject\n3 DllRegisterServer\n4 DllUnregisterServer'
[ "$actual" = "$expected" ] || fail "exports are"$'\n'"$actual"
echo "exports ok"
