#!/usr/bin/env bash
# bwpass with Excel's stand-in in a process of its own: the sample deck converts with the same
# writes and the same converted deck as in process, the output and the report say how Excel ran,
# and the server holds no reference at the end.
#   out_of_process.sh BWPASS_EXE       (WINEPREFIX set by ctest)
set -u
exe=$1
. "$(dirname "$0")/../checks.sh"
cd "$work"

wine "$exe" -o in.json -r in.html >in.txt 2>err.txt || fail "in process: exit $? ($(cat err.txt))"
wine "$exe" --excel-out-of-process -o out.json -r out.html >out.txt 2>err.txt || fail "out of process: exit $? ($(cat err.txt))"
contains out.txt "Excel out of process: QVSimExcelServer.exe, process"
contains out.html "Excel out of process: QVSimExcelServer.exe, process"
contains out.html "references outstanding in the server &rarr; <span class=\"ok\">0</span>"
writes() { grep -F "writes made:" "$1"; }
[ -n "$(writes in.txt)" ] && [ "$(writes in.txt)" = "$(writes out.txt)" ] || fail "writes differ: $(writes in.txt) / $(writes out.txt)"
cmp -s in.json out.json || fail "the converted decks differ"
grep -q 'class="bad"' out.html && fail "the report shows failed calls"
finish "bwpass --excel-out-of-process: same writes, same deck, no reference left"
