#!/usr/bin/env bash
# Embedded Excel objects in PowerPoint's forms (oleforms/README.md), and workbooks, through
# bwoffice --pdf: exit status 0, the summary's count of previews left in colour, the picture the
# object's form shows it from led to a new PNG, the print-ready PDF, and the report's page pictures.
#   printout.sh BWOFFICE CHECK_CONVERTED TESTS_OFFICE_FOLDER     (WINEPREFIX set by ctest)
set -u
bwoffice=$1 check=$2 folder=$3
. "$(dirname "$0")/../checks.sh"

# file | expected in the summary | relationship parts that must lead to the new preview
cases=(
  "ole-2007-form|previews left in colour: 0|ppt/drawings/_rels/vmlDrawing1.vml.rels"
  "ole-2010-form|previews left in colour: 0|ppt/drawings/_rels/vmlDrawing1.vml.rels ppt/slides/_rels/slide1.xml.rels"
  "ole-2007-missing-shape|previews left in colour: 1 (named in the report)|"
)
for c in "${cases[@]}"; do
  IFS='|' read -r name expected rels <<<"$c"
  rm -rf "$work/case" && mkdir "$work/case"
  cp "$folder/oleforms/$name.pptx" "$work/case/"
  if ! "$bwoffice" "$work/case/$name.pptx" --pdf >"$work/out.txt" 2>"$work/err.txt"; then
    fail "$name: exit status $? ($(cat "$work/err.txt"))"
    continue
  fi
  grep -qF "$expected" "$work/out.txt" || fail "$name: the summary lacks \"$expected\": $(cat "$work/out.txt")"
  out=$work/case/$name.bw.pptx
  "$check" "$folder/oleforms/$name.pptx" "$out" "$folder/schemas" >"$work/check.txt" 2>&1 || fail "$name: $(cat "$work/check.txt")"
  for r in $rels; do
    unzip -p "$out" "$r" | grep -q 'Target="../media/bwpreview1.png"' || fail "$name: $r does not lead to the new preview"
  done
  pages=$(pdfinfo "$work/case/$name.bw.pdf" 2>/dev/null | sed -n 's/^Pages: *//p')
  [ "${pages:-0}" -eq 1 ] || fail "$name: $name.bw.pdf has ${pages:-no} pages, not 1"
  report=$work/case/$name.report.html
  grep -q '<h2>Pages before and after</h2>' "$report" && [ "$(grep -c 'class="page-after"' "$report")" -eq 1 ] ||
    fail "$name: the report lacks the slide's page pictures"
  if [ -z "$rels" ]; then
    grep -qF 'preview left in colour: no VML shape _x0000_s2048' "$report" || fail "$name: the report does not say why"
  fi
done
# Workbooks: the PDF prints only the sheets that hold charts, the report shows each of them.
# file | sheets shown in the report | fewest pages | most pages
books=(
  "chartsheet04|1|1|1"     # a worksheet without charts and a chart sheet
  "quote_name02|8|8|99"    # eight sheets with charts, names that need quoting in a print area
)
for b in "${books[@]}"; do
  IFS='|' read -r name shown fewest most <<<"$b"
  rm -rf "$work/case" && mkdir "$work/case"
  cp "$folder/corpus/xlsx/$name.xlsx" "$work/case/"
  "$bwoffice" "$work/case/$name.xlsx" --pdf -q 2>"$work/err.txt" || { fail "$name: exit status $? ($(cat "$work/err.txt"))"; continue; }
  pages=$(pdfinfo "$work/case/$name.bw.pdf" 2>/dev/null | sed -n 's/^Pages: *//p')
  [ "${pages:-0}" -ge "$fewest" ] && [ "${pages:-0}" -le "$most" ] || fail "$name: $name.bw.pdf has ${pages:-no} pages"
  [ "$(grep -c 'class="page-after"' "$work/case/$name.report.html")" -eq "$shown" ] ||
    fail "$name: the report does not show $shown sheets after the pass"
done
echo "$((${#cases[@]} + ${#books[@]})) files, $failures failures"
[ $failures -eq 0 ]
