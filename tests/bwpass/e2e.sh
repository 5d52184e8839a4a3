#!/usr/bin/env bash
# bwpass end to end, with the real DLL under Wine: the sample deck, a deck file of one's own,
# the plug-in created through the registry, a large deck's progress, and bad input, which must
# fail with its message and leave nothing written.
#   e2e.sh BWPASS_EXE       (WINEPREFIX set by ctest)
set -u
exe=$1
. "$(dirname "$0")/../checks.sh"
cd "$work"

bwpass() { wine "$exe" "$@"; }
expect_rc() { [ "$1" -eq "$2" ] || fail "$3: exit status $1, expected $2"; }
count() { grep -oF -- "$2" "$1" | wc -l; }

# 1. The sample deck: summary, outputs, one before/after pair per chart, the log, the pass's effects.
bwpass >out.txt 2>err.txt
expect_rc $? 0 "sample deck ($(cat err.txt))"
contains out.txt "objects offered:  12 (accepted 10, declined 2)"
contains out.txt "charts converted: 12 (12 on the shown sheets of accepted objects)"
contains out.txt "look-alike series: 0 charts"
contains out.txt "report:           bwpass-out/sample-deck.report.html"
for f in sample-deck.json sample-deck.bw.json sample-deck.report.html; do
  [ -s "bwpass-out/$f" ] || fail "bwpass-out/$f not written"
done
report=bwpass-out/sample-deck.report.html
[ "$(count $report '<figure class="before">')" -eq 14 ] || fail "before figures: $(count $report '<figure class="before">')"
[ "$(count $report '<figure class="after">')" -eq 14 ] || fail "after figures: $(count $report '<figure class="after">')"
contains $report "IPlugIn_Initialize: ExcelChartHandler"
# The report names the build that ran (QV_BUILD_KIND: x86 or x64, set by ctest).
contains $report "-bit build (${QV_BUILD_KIND:-x86})"
contains $report "Converting Excel Chart. BWFlagSet=0"
contains $report "ReorderSheets: Move &#39;Data&#39; to back"
contains $report "spare: Book2 opened, closed without saving"
[ "$(count $report 'class="bad"')" -eq 0 ] || fail "the report shows failed calls"
[ "$(count $report 'Legibility on paper')" -eq 12 ] || fail "legibility lines: $(count $report 'Legibility on paper')"
# The sample is drawn in solid colours; the pass patterns the series.
[ "$(count bwpass-out/sample-deck.json '"type": "patterned"')" -eq 0 ] || fail "the sample deck has patterns"
[ "$(count bwpass-out/sample-deck.bw.json '"type": "patterned"')" -gt 40 ] || fail "the pass patterned nothing"
bwpass bwpass-out/sample-deck.bw.json --check >/dev/null 2>err.txt
expect_rc $? 0 "the converted deck reads back ($(cat err.txt))"

# 2. A deck file: the outputs go beside it and the input stays as it was.
bwpass --write-sample deck.json
before=$(md5sum <deck.json)
bwpass deck.json -q 2>err.txt
expect_rc $? 0 "deck file ($(cat err.txt))"
[ -s deck.bw.json ] && [ -s deck.report.html ] || fail "deck.bw.json or deck.report.html missing"
[ "$(md5sum <deck.json)" = "$before" ] || fail "the input deck changed"

# 2b. Many runs under one start (--serve): each line one run, answered in order; a bad command
# line or a bad deck fails its run with its status and the server goes on.
printf 'deck.json\t-o\tserved1.json\t--no-report\n--bogus\nmissing.json\nbwpass-out/sample-deck.json\t-o\tserved2.json\t--no-report\n' |
  bwpass --serve -q >serve.txt 2>err.txt
expect_rc $? 0 "--serve"
[ "$(grep '^bwpass-done' serve.txt | tr '\n' ' ')" = "bwpass-done 0 bwpass-done 2 bwpass-done 1 bwpass-done 0 " ] ||
  fail "--serve answered: $(tr '\n' ' ' <serve.txt)"
contains err.txt "unknown option --bogus"
contains err.txt "missing.json: cannot read the deck"
cmp -s served1.json deck.bw.json || fail "a served run converted deck.json otherwise than a run of its own"
[ -s served2.json ] || fail "the run after the failed ones wrote nothing"

# 3. Through the registry, as the host creates the plug-in.
bwpass deck.json --registered -o reg.json -r reg.html -q 2>err.txt
expect_rc $? 0 "--registered ($(cat err.txt))"
contains reg.html "registered: CoCreateInstance"

# 4. A large deck shows its progress, and the pass holds one object at a time: its peak memory
# (the Wine process's high-water mark, polled) stays far below what a whole deck of 2,004
# objects (100 MB) took when it was read at once (about 290 MB).
peak_kb() {
  "$@" & local pid=$! peak=0 v
  while kill -0 "$pid" 2>/dev/null; do
    v=$(awk '/^VmHWM/ {print $2}' "/proc/$pid/status" 2>/dev/null) && [ -n "$v" ] && peak=$v
    sleep 0.2
  done
  wait "$pid"
  local rc=$?
  echo "$peak" >peak.txt
  return $rc
}
bwpass --write-sample big.json --copies 167
peak_kb wine "$exe" big.json --draw-limit 2 >out.txt 2>err.txt
expect_rc $? 0 "large deck"
contains err.txt "object 2004 of 2004 (100%)"
contains out.txt "objects offered:  2004 (accepted 1670, declined 334)"
echo "large deck: 2004 objects, $(($(stat -c %s big.json) / 1048576)) MB, peak memory $(($(cat peak.txt) / 1024)) MB"
[ "$(cat peak.txt)" -gt 0 ] && [ "$(cat peak.txt)" -lt $((150 * 1024)) ] || fail "peak memory $(cat peak.txt) kB"

# 5. For a program that writes the report itself: the pass result, and no report.
cp deck.json pr.json
bwpass pr.json --pass-result pr.result.json --no-report -q 2>err.txt
expect_rc $? 0 "--pass-result --no-report ($(cat err.txt))"
[ -s pr.bw.json ] && [ ! -e pr.report.html ] || fail "--no-report: pr.bw.json missing or pr.report.html written"
contains pr.result.json '"passResult": 1'
contains pr.result.json '"accepted":true'
contains pr.result.json '"offered": 12'
contains pr.result.json "Converting Excel Chart. BWFlagSet=0"

# 6. Bad input: a message naming file, path and expectation; exit status 1 for a bad deck, 2 for
# a bad command line; nothing written.
# Faults late in a large deck are found before the pass, as early ones are.
mkdir bad && cd bad
head -c 3000000 ../big.json >truncated.json
{ head -c -4 ../big.json; printf ', {"progId": "Excel.Chart.8", "bwFlagSet": "512"}]}'; } >late.json
printf '{"objects": [}' >broken.json
printf '{"objects": [{"progId": "Excel.Chart.8", "bwFlagSet": "512"}]}' >wrongtype.json
printf '{"objects": [{"progId": "Excel.Chart.8", "flags": 512}]}' >unknown.json
cp ../deck.json same.json
while IFS='|' read -r args rc message; do
  # shellcheck disable=SC2086
  bwpass $args >/dev/null 2>err.txt
  expect_rc $? "$rc" "bwpass $args"
  contains err.txt "$message"
  extra=$(ls | grep -v -x -e broken.json -e wrongtype.json -e unknown.json -e same.json -e err.txt \
          -e truncated.json -e late.json)
  [ -z "$extra" ] || { fail "bwpass $args wrote: $extra"; rm -f $extra; }
done <<'CASES'
broken.json|1|broken.json: malformed JSON: parse error at line 1, column 14
missing.json|1|missing.json: cannot read the deck
wrongtype.json|1|wrongtype.json: objects[0].bwFlagSet: expected a 32-bit integer, got "512"
unknown.json|1|unknown.json: objects[0]: unknown property "flags"
same.json -o same.json|2|same.json: an output would overwrite the input deck
same.json --pass-result same.json|2|same.json: an output would overwrite the input deck
truncated.json|1|truncated.json: malformed JSON: parse error at line
late.json|1|late.json: objects[2004].bwFlagSet: expected a 32-bit integer, got "512"
same.json --dll nowhere.dll|3|nowhere.dll: cannot load the plug-in
same.json --draw-limit many|2|--draw-limit needs a number
CASES
cmp -s same.json ../deck.json || fail "same.json was overwritten"

finish "bwpass end to end: all passed"
