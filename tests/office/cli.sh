#!/usr/bin/env bash
# The command line as a user meets it: --version and --help at once, -o checked before any
# conversion, and what an interrupted run leaves behind (nothing: no temporary folder, no
# half-written output, no process of the run, Wine's server and services included).
#   cli.sh BWOFFICE BWSAMPLE SOURCE_ROOT     (WINEPREFIX set by ctest)
set -u
bwoffice=$1 bwsample=$2 root=$3
. "$(dirname "$0")/../checks.sh"
cp "$root/tests/office/corpus/xlsx/chart_bar03.xlsx" "$work/book.xlsx"
cp "$root/tests/office/corpus/legacy/SimpleChart.xls" "$work/old.xls"
cd "$work" || exit 1
printf '{"objects": []}\n' >deck.data

# --version: the DLL's version as its resource script defines it, at once.
version=$(sed -n 's/^FILEVERSION *\([0-9]*\), *\([0-9]*\), *\([0-9]*\), *\([0-9]*\).*/\1.\2.\3.\4/p' \
  "$root/plugin/server/QVCHBW01.rc")
out=$("$bwoffice" --version) || fail "--version: exit status $?"
[ "$out" = "bwpass $version (QVCHBW01.dll)" ] || fail "--version printed: $out (the resource says $version)"

# --help: the user's options, then the developer's under their own heading, and every exit status
# of the README's table.
"$bwoffice" --help >help.txt || fail "--help: exit status $?"
user=$(sed '/^Developer options:/,$d' help.txt)
developer=$(sed -n '/^Developer options:/,$p' help.txt)
statuses=$(sed -n '/^### Exit status/,/^### /p' "$root/README.md" | grep -oE '^\| [0-9]+( \([0-9, ]+\))?' | grep -oE '[0-9]+')
[ "$(wc -w <<<"$statuses")" -ge 10 ] || fail "the README's table of exit statuses was not read: $statuses"
exits=$(sed -n '/^Exit status/,$p' help.txt)
for n in $statuses; do
  grep -qE "(^|[^0-9])$n([^0-9]|$)" <<<"$exits" || fail "--help does not list exit status $n"
done
for o in --output --jobs --pdf --no-render --no-report --quiet --version --update --dry-run --json; do
  grep -q -- "$o" <<<"$user" || fail "--help lacks $o among the user's options"
done
for o in --registered --excel-out-of-process --pass-limit --timings; do
  grep -q -- "$o" <<<"$developer" || fail "--help lacks $o under Developer options"
  grep -q -- "$o" <<<"$user" && fail "--help shows the developer's $o among the user's options"
done

# A deck file is told by its content, whatever its name, and goes to the pass program.
QV_BWPASS_EXE=$work/no-such-bwpass.exe "$bwoffice" deck.data -q 2>err.txt >/dev/null
grep -q "no-such-bwpass.exe is missing" err.txt || fail "a deck file did not go to the pass program: $(cat err.txt)"

# -j 0 is one job per core, not a usage error.
"$bwoffice" missing.xlsx other.xlsx -j 0 -q --no-report 2>err.txt
grep -q -- "-j needs" err.txt && fail "-j 0 was refused: $(cat err.txt)"

# -o refused before any conversion: with a pass program that does not exist, a run that got as far
# as converting would end with status 3 instead.
touch afile
while IFS='|' read -r name args status says; do
  rm -f err.txt
  # shellcheck disable=SC2086
  QV_BWPASS_EXE=$work/no-such-bwpass.exe "$bwoffice" $args -q >/dev/null 2>err.txt
  rc=$?
  [ $rc -eq "$status" ] || fail "$name: exit status $rc, expected $status ($(cat err.txt))"
  grep -q "^bwpass: .*$says" err.txt || fail "$name: the message lacks '$says': $(cat err.txt)"
done <<'CASES'
another family|book.xlsx -o out.pptx|2|out.pptx: book.xlsx converts to a .xlsx file
a macro-enabled name|book.xlsx -o out.xlsm|2|name the output .xlsx, not .xlsm
a file on the way|book.xlsx -o afile/out.xlsx|4|afile is not a folder
an unwritable folder|book.xlsx -o /proc/out.xlsx|4|cannot write in /proc
a batch into an unwritable folder|book.xlsx afile -o /proc/sub|4|cannot write in /proc
a legacy file keeping its extension|old.xls -o out.xls|2|name the output .xlsx, not .xls
a missing folder without a slash|book.xlsx -o newdir2|2|or give newdir2/ for a folder to put it in
several inputs into one file|book.xlsx old.xls -o one.xlsx|2|-o names one file; give a folder ending in /
several inputs into a file that is there|book.xlsx old.xls -o afile|2|-o names one file; give a folder ending in /
CASES
[ ! -e out.pptx ] && [ ! -e out.xlsm ] && [ ! -e one.xlsx ] && [ ! -e newdir2 ] || fail "a refused -o wrote a file"

# --dry-run converts nothing and writes nothing, and says where each output would go; -u leaves a
# file whose outputs are up to date, as make does.
mkdir plan && cp book.xlsx plan/a.xlsx && cp book.xlsx plan/show.xlsx && echo notes >plan/notes.txt
QV_BWPASS_EXE=$work/no-such-bwpass.exe "$bwoffice" plan --dry-run --pdf >dry.txt 2>err.txt || fail "--dry-run: $(cat err.txt)"
[ "$(ls plan)" = "$(printf 'a.xlsx\nnotes.txt\nshow.xlsx')" ] || fail "--dry-run wrote: $(ls plan)"
contains dry.txt "plan/a.xlsx -> plan/a.bw.xlsx, plan/a.report.html, plan/a.bw.pdf"
contains dry.txt "left out: plan/notes.txt: not an Office file"
contains dry.txt "index: plan/bwpass-index.html"
touch plan/a.bw.xlsx plan/a.report.html
QV_BWPASS_EXE=$work/no-such-bwpass.exe "$bwoffice" plan --dry-run --json -u >dry.json 2>err.txt || fail "--dry-run --json: $(cat err.txt)"
python3 - dry.json <<'PY' || fail "--dry-run --json: $(cat dry.json)"
import json, sys
records = [json.loads(line) for line in open(sys.argv[1])]
assert [(r["input"], r["status"]) for r in records] == [("plan/a.xlsx", "up to date"), ("plan/show.xlsx", "planned")], records
assert records[1]["outputs"] == {"file": "plan/show.bw.xlsx", "report": "plan/show.report.html"}, records[1]
PY
QV_BWPASS_EXE=$work/no-such-bwpass.exe "$bwoffice" plan/a.xlsx -u --no-render >uptodate.txt 2>err.txt ||
  fail "-u over an up-to-date file: $(cat err.txt)"
contains uptodate.txt "bwpass: plan/a.xlsx: up to date, left as it is"
rm -r plan

# -o makes the folders it needs; a file that is not converted takes them away again.
echo "not an Office file" >bad.xlsx
"$bwoffice" bad.xlsx -o made/for/bad/bw.xlsx -q 2>err.txt
rc=$?
[ $rc -eq 1 ] || fail "a bad file: exit status $rc ($(cat err.txt))"
[ ! -e made ] || fail "the folders made for a file that was not converted stayed"
"$bwoffice" book.xlsx -o new/deeper/bw.xlsx -q --no-render 2>err.txt || fail "-o into new folders: $(cat err.txt)"
[ -s new/deeper/bw.xlsx ] && [ -s new/deeper/bw.report.html ] || fail "-o did not write into the folders it made"
"$bwoffice" old.xls -o legacy/ -q --no-report >out.txt 2>err.txt || fail "-o FOLDER/ for a legacy file: $(cat err.txt)"
[ -s legacy/old.bw.xlsx ] || fail "-o FOLDER/ for a legacy file wrote: $(ls legacy)"
# -q: errors only; the legacy file's note is none.
[ ! -s out.txt ] && [ ! -s err.txt ] || fail "-q printed more than errors: $(cat out.txt err.txt)"

# --json: one object per file on stdout and nothing else there, for one file and for a batch; a
# rerun with -u leaves the files converted before, with the counts of the run that converted them.
mkdir resume && cp book.xlsx resume/a.xlsx && echo "not an Office file" >resume/bad.xlsx
"$bwoffice" resume/a.xlsx --json --no-render >one.json 2>err.txt || fail "--json, one file: $(cat err.txt)"
"$bwoffice" resume -j 2 --json --no-render >first.json 2>err.txt
[ $? -eq 6 ] || fail "--json, a batch with a refused file: $(cat err.txt)"
sleep 1 && cp book.xlsx resume/b.xlsx
"$bwoffice" resume -j 2 --json --no-render -u >again.json 2>err.txt
[ $? -eq 6 ] || fail "-u: $(cat err.txt)"
python3 - one.json first.json again.json resume/bwpass-index.html <<'PY' || fail "--json: $(cat one.json first.json again.json)"
import json, sys
one, first, again = ([json.loads(line) for line in open(f)] for f in sys.argv[1:4])
assert len(one) == 1 and one[0]["status"] == "converted" and one[0]["counts"]["charts"] == 2, one
assert one[0]["outputs"] == {"file": "resume/a.bw.xlsx", "report": "resume/a.report.html"}, one
status = lambda records: sorted((r["input"], r["status"]) for r in records)
assert status(first) == [("resume/a.xlsx", "converted"), ("resume/bad.xlsx", "not converted")], first
assert [r["message"] for r in first if r["status"] == "not converted"][0].startswith("not an Office file"), first
assert status(again) == [("resume/a.xlsx", "up to date"), ("resume/b.xlsx", "converted"),
                         ("resume/bad.xlsx", "not converted")], again
kept = [r for r in again if r["status"] == "up to date"][0]
assert kept["counts"] == one[0]["counts"], (kept, one)
page = open(sys.argv[4]).read()
counts = one[0]["counts"]
both = "%d of %d charts converted" % (2 * counts["charts_converted"], 2 * counts["charts"])
assert "up to date, kept from an earlier run" in page and both in page, (both, page)
PY
rm -r resume

# Progress: plain lines without a terminal and with TERM=dumb; on a terminal, one line rewritten
# in place that fits its width.
mkdir progress && cp book.xlsx progress/a.xlsx && cp book.xlsx progress/b.xlsx
"$bwoffice" progress -j 2 --no-report 2>plain.txt >/dev/null || fail "a batch without a terminal: $(cat plain.txt)"
if command -v script >/dev/null; then
  TERM=dumb script -qec "$bwoffice progress -j 2 --no-report" /dev/null >dumb.txt 2>&1 || fail "TERM=dumb: $(cat dumb.txt)"
  TERM=xterm script -qec "stty cols 50; $bwoffice progress -j 2" /dev/null >term.txt 2>&1 || fail "a terminal: $(cat term.txt)"
  tr '\r' '\n' <term.txt | sed 's/\x1b\[K//g' | grep -a 'files' >bar.txt
  [ -s bar.txt ] || fail "no progress line on a terminal: $(cat -v term.txt)"
  awk 'length($0) >= 50 { bad = 1 } END { exit bad }' bar.txt || fail "a progress line wider than 49 columns: $(cat bar.txt)"
  grep -aq 'drawing' bar.txt || fail "the line does not show the drawing: $(cat bar.txt)"
  # One file: the stage it is in, on one line that fits.
  TERM=xterm script -qec "stty cols 50; $bwoffice progress/a.xlsx -o single.xlsx" /dev/null >term.txt 2>&1 ||
    fail "one file on a terminal: $(cat term.txt)"
  tr '\r' '\n' <term.txt | sed 's/\x1b\[K//g' | grep -a '^bwpass: progress/a.xlsx: ' >stages.txt
  grep -aq 'a.xlsx: the pass over 1 obj' stages.txt || fail "no stage line for one file: $(cat -v term.txt)"
  grep -aq 'a.xlsx: drawing 2 charts' stages.txt || fail "the stage line does not show the drawing: $(cat stages.txt)"
  awk 'length($0) >= 50 { bad = 1 } END { exit bad }' stages.txt || fail "a stage line wider than 49 columns: $(cat stages.txt)"
else
  cp plain.txt dumb.txt
fi
for f in plain.txt dumb.txt; do
  # (a terminal ends its lines with \r\n)
  sed 's/\r$//' $f | grep -aq $'[\r\x1b]' && fail "$f: control characters in plain lines: $(cat -v $f)"
  grep -aq '^bwpass: 2/2 [ab].xlsx: ' $f || fail "$f: no line per file: $(cat $f)"
done

# A large deck through the pass program: plain progress lines without a terminal; on one, its
# output reaches the terminal through us, without the escape codes Wine's console adds.
"$bwoffice" --write-sample large.json --copies 9 >/dev/null 2>&1 || fail "the large sample deck was not written"
"$bwoffice" large.json --no-report >/dev/null 2>deck.txt || fail "a large deck: $(cat deck.txt)"
grep -aq '^bwpass: object 1 of ' deck.txt || fail "no progress lines for a large deck: $(cat deck.txt)"
grep -aq $'[\r\x1b]' deck.txt && fail "a large deck's progress without a terminal: $(cat -v deck.txt)"
if command -v script >/dev/null; then
  TERM=xterm script -qec "$bwoffice large.json --no-report" /dev/null >deckterm.txt 2>&1 || fail "a deck on a terminal: $(cat -v deckterm.txt)"
  grep -aq $'\x1b' deckterm.txt && fail "escape codes from a deck run on a terminal: $(cat -v deckterm.txt | head -3)"
fi

# A run that ends and runs interrupted leave nothing behind. A private TMPDIR gives each a Wine
# server of its own (Wine keeps its server's folder below TMPDIR), which must end with it; every
# process a run started carries its mark.
"$bwsample" sample.pptx "$work/sample-work" >/dev/null 2>&1 || fail "the sample was not written"
rm -rf "$work/sample-work"
set -m  # a job of its own, whose SIGINT is not ignored as a background job's would be
# What a run left: processes with its mark, anything but Wine's socket folder in its TMPDIR, and
# beside the inputs anything but complete outputs.
leftovers() {  # NAME MARK TMP FOLDER
  local left
  left=$(grep -lsxzF "QV_RUN_MARK=$2" /proc/[0-9]*/environ | while read -r f; do
    p=${f#/proc/}; echo "${p%/environ} $(tr '\0' ' ' <"/proc/${p%/environ}/cmdline" 2>/dev/null)"; done)
  [ -z "$left" ] || fail "$1: processes of the run still running: $left"
  left=$(ls -A "$3" | grep -v '^wine-')
  [ -z "$left" ] || fail "$1: left in the temporary folder: $left"
  left=$(find "$4" -type f | grep -v -E '/(sample|other)(\.bw)?\.(pptx|pdf)$|/(sample|other)\.report\.html$|/bwpass-index\.html$')
  [ -z "$left" ] || fail "$1: left beside the inputs: $left"
}
# NAME WAIT_FOR [ARGS...]: the sample (and a copy, for a batch) converted with ARGS, interrupted
# once WAIT_FOR says so, or not at all when it is "never".
run() {
  local name=$1 wait_for=$2 mark=cli-run-$1-$$ tmp=$work/tmp-$1 waited=0 pid
  shift 2
  mkdir -p "$tmp" "$work/$name"
  cp sample.pptx "$work/$name/"
  cp sample.pptx "$work/$name/other.pptx"
  (cd "$work/$name" && TMPDIR=$tmp QV_RUN_MARK=$mark exec "$bwoffice" "$@" --pdf -q >/dev/null 2>"$work/$name.err") &
  pid=$!
  if [ "$wait_for" != never ]; then
    until $wait_for "$name" "$mark" || [ $waited -ge 3000 ]; do sleep 0.02; waited=$((waited + 1)); done
    kill -INT $pid
  fi
  wait $pid
  local rc=$? expected=130
  [ "$wait_for" = never ] && expected=0
  [ $rc -eq $expected ] || fail "$name: exit status $rc, expected $expected ($(cat "$work/$name.err"))"
  leftovers "$name" "$mark" "$tmp" "$work/$name"
}
in_pass() { grep -qsxzF "QV_RUN_MARK=$2" $(grep -lsaF bwpass.exe /proc/[0-9]*/cmdline | sed 's/cmdline$/environ/') /dev/null; }
drawing() { compgen -G "$work/$1/*.bw.pptx" >/dev/null; }
writing_reports() { compgen -G "$work/$1/*.report.html.part*" >/dev/null; }
run a-whole-run never sample.pptx
run during-the-pass in_pass sample.pptx
run while-drawing drawing sample.pptx
run a-batch-while-drawing drawing . -j 2
run a-batch-writing-reports writing_reports . -j 2
set +m

# An interrupted batch writes the index of what it finished and says in one line what was written;
# the same command with -u converts what is missing, and then nothing more.
for name in a-batch-while-drawing a-batch-writing-reports; do
  grep -q '^bwpass: interrupted: [0-9] of 2 files written' "$work/$name.err" ||
    fail "$name: no line saying what was written: $(cat "$work/$name.err")"
  if compgen -G "$work/$name/*.bw.pptx" >/dev/null; then
    contains "$work/$name/bwpass-index.html" "Interrupted: the run was stopped"
    contains "$work/$name.err" "index: bwpass-index.html (the same command with -u resumes)"
  fi
done
resume() {  # NAME: the interrupted batch run again with -u; prints the statuses of its records
  (cd "$work/$1" && TMPDIR=$work/tmp-$1 "$bwoffice" . -j 2 --pdf -q -u --json 2>"$work/$1.err") |
    python3 -c 'import json, sys; print(" ".join(sorted(json.loads(l)["status"] for l in sys.stdin)))'
}
[ "$(resume a-batch-writing-reports)" != "up to date up to date" ] ||
  fail "the interrupted batch's files were all taken as up to date"
[ "$(resume a-batch-writing-reports)" = "up to date up to date" ] ||
  fail "a rerun with -u after a resumed batch converted again: $(cat "$work/a-batch-writing-reports.err")"
grep -q "Interrupted" "$work/a-batch-writing-reports/bwpass-index.html" && fail "the resumed batch's index says interrupted"
leftovers resumed-batch none "$work/tmp-a-batch-writing-reports" "$work/a-batch-writing-reports"

finish "cli: all passed"
