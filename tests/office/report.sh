#!/usr/bin/env bash
# The built-in sample through bwoffice: the count of changed properties it prints is the one in
# the report's summary and the sum of the counts under each chart; every link of the report leads
# to a part of it; the summary and the charts come before the folded host calls and log.
#   report.sh BWOFFICE BWSAMPLE      (WINEPREFIX set by ctest)
set -u
bwoffice=$1 bwsample=$2
. "$(dirname "$0")/../checks.sh"

"$bwsample" "$work/sample.pptx" "$work/lo" >/dev/null 2>&1 || fail "the sample was not written"
"$bwoffice" "$work/sample.pptx" --no-render >"$work/out.txt" 2>"$work/err.txt" || fail "exit status $? ($(cat "$work/err.txt"))"
report=$work/sample.report.html

console=$(sed -n 's/.* converted, \([0-9]*\) properties changed$/\1/p' "$work/out.txt")
summary=$(grep -o '<th>Properties changed</th><td class="num">[0-9]*' "$report" | grep -o '[0-9]*$')
per_chart=$(grep -o 'converted</span>: [0-9]* properties changed' "$report" | awk '{s += $2} END {print s + 0}')
listed=$(grep -o '<summary>[0-9]* changed properties</summary>' "$report" | grep -o '[0-9]\+' | awk '{s += $1} END {print s + 0}')
[ -n "$console" ] && [ "$console" -gt 0 ] || fail "the console prints no count of changed properties: $(cat "$work/out.txt")"
[ "$console" = "$summary" ] && [ "$console" = "$per_chart" ] && [ "$console" = "$listed" ] ||
  fail "changed properties: console $console, summary $summary, per chart $per_chart, listed $listed"

for anchor in $(grep -o 'href="#[^"]*"' "$report" | sed 's/href="#\(.*\)"/\1/' | sort -u); do
  grep -q "id=\"$anchor\"" "$report" || fail "the link #$anchor leads nowhere"
done
# The sample's one chart with vanishing text: the summary's row links to it, and it says so.
vanishing=$(grep '<tr><th>Charts with vanishing text</th>' "$report" | grep -o 'href="#c[0-9]*"' | grep -o 'c[0-9]*')
[ "$(echo "$vanishing" | wc -w)" -eq 1 ] || fail "the summary's vanishing text leads to \"$vanishing\", not one chart"
awk -v id="id=\"$vanishing\"" 'index($0, id) {on = 1} on && /<\/section>/ {exit} on' "$report" | grep -qE 'class="warn">[^<]*texts? vanish' ||
  fail "chart $vanishing, where the summary's vanishing text leads, has none"

last=0
for part in '<h2 id="summary">' '<section class="chart" id="c1">' 'id="objects"' 'id="log"'; do
  at=$(grep -bo -F "$part" "$report" | head -1 | cut -d: -f1)
  [ -n "$at" ] && [ "$at" -gt "$last" ] || fail "$part is missing or out of order"
  last=${at:-$last}
done
finish "bwoffice: $console changed properties on the console, in the summary and over the charts"
