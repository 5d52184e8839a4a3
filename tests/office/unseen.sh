#!/usr/bin/env bash
# Office files made from the corpus by hand-edits that Office and LibreOffice also produce, each
# of which once made bwoffice fail (tests/office/unseen/README.md): each through the real
# pipeline, exit status 0, the output under the name expected, checked part by part against the
# input (check_converted), the summary saying what was left alone.
#   unseen.sh BWOFFICE CHECK_CONVERTED TESTS_OFFICE_FOLDER     (WINEPREFIX set by ctest)
set -u
bwoffice=$1 check=$2 folder=$3
. "$(dirname "$0")/../checks.sh"

# source | copied as | expected output | expected in the summary
cases=(
  "unseen/external-chart-rel.pptx|talk.pptx|talk.bw.pptx|not modelled:     1 "
  "unseen/external-chart-in-drawing.xlsx|book.xlsx|book.bw.xlsx|1 converted,"
  "unseen/linked-ole.pptx|linked.pptx|linked.bw.pptx|objects offered:  1 (0 with a workbook)"
  "unseen/strict-namespaces.xlsx|strict.xlsx|strict.bw.xlsx|2 converted,"
  "unseen/latin1-chart.xlsx|latin1.xlsx|latin1.bw.xlsx|2 converted,"
  "unseen/utf16-chart.xlsx|utf16.xlsx|utf16.bw.xlsx|2 converted,"
  "unseen/macro-enabled.pptm|talk.pptm|talk.bw.pptm|1 converted,"
  "unseen/ole-binary-workbook.pptx|xlsb.pptx|xlsb.bw.pptx|objects offered:  1 (0 with a workbook)"
  "corpus/xlsx/chart_pie05.xlsx|FROM WINDOWS.XLSX|FROM WINDOWS.bw.XLSX|1 converted,"
  # Forms the corpus lacks (forms/README.md): chart styles, point markers, colour maps, no caches.
  "forms/styles-35-42.xlsx|styles.xlsx|styles.bw.xlsx| converted,"
  "forms/style-42-presentation.pptx|dark.pptx|dark.bw.pptx| converted,"
  "forms/point-marker.xlsx|marker.xlsx|marker.bw.xlsx| converted,"
  "forms/colour-map-chart.xlsx|map.xlsx|map.bw.xlsx| converted,"
  "forms/colour-map-slide.pptx|slide.pptx|slide.bw.pptx| converted,"
  "forms/no-cache-quoted.xlsx|quoted.xlsx|quoted.bw.xlsx| converted,"
  "forms/no-cache-strings.xlsx|strings.xlsx|strings.bw.xlsx| converted,"
  "forms/no-cache-presentation.pptx|nocache.pptx|nocache.bw.pptx| converted,"
  "forms/surface-0-10.xlsx|surface.xlsx|surface.bw.xlsx| converted,"
  "forms/surface-no-cache.xlsx|surface2.xlsx|surface2.bw.xlsx| converted,"
  # Up and down bars in colours that print alike: the chart counted with the look-alikes.
  "forms/up-down-bars.xlsx|bars.xlsx|bars.bw.xlsx|look-alike series: 1 chart"
)
for c in "${cases[@]}"; do
  IFS='|' read -r source name output expected <<<"$c"
  rm -rf "$work/case" && mkdir "$work/case"
  cp "$folder/$source" "$work/case/$name"
  if ! "$bwoffice" "$work/case/$name" >"$work/out.txt" 2>"$work/err.txt"; then
    fail "$source: exit status $? ($(cat "$work/err.txt"))"
    continue
  fi
  [ -n "${SHOW_SUMMARY:-}" ] && { echo "== $source"; grep -E "charts:|not modelled" "$work/out.txt"; }
  grep -qF "$expected" "$work/out.txt" || fail "$source: the summary lacks \"$expected\": $(cat "$work/out.txt")"
  [ -s "$work/case/$output" ] || { fail "$source: no $output ($(ls "$work/case"))"; continue; }
  "$check" "$folder/$source" "$work/case/$output" "$folder/schemas" >"$work/check.txt" 2>&1 ||
    fail "$source: $(cat "$work/check.txt")"
  # check_converted parses parts more leniently than Office does: every chart part must also be
  # well-formed as stored (declaring the encoding it is written in).
  python3 - "$work/case/$output" >"$work/wf.txt" <<'PY' || fail "$source: not well-formed: $(cat "$work/wf.txt")"
import subprocess, sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
bad = [n for n in z.namelist() if "/charts/" in n and n.endswith(".xml") and
       subprocess.run(["xmllint", "--noout", "-"], input=z.read(n), capture_output=True).returncode]
print(" ".join(bad))
sys.exit(1 if bad else 0)
PY
done
echo "${#cases[@]} files, $failures failures"
[ $failures -eq 0 ]
