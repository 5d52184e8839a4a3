#!/usr/bin/env bash
# Charts where a slide does not hold them (pages/README.md) through bwoffice --pdf: what the summary
# counts, what the report names, which picture the object shows, the output part by part
# (check_converted, with the schemas) and, for the charts behind the slide, a printed page without colour.
#   pages.sh BWOFFICE CHECK_CONVERTED TESTS_OFFICE_FOLDER     (WINEPREFIX set by ctest)
set -u
bwoffice=$1 check=$2 folder=$3
. "$(dirname "$0")/../checks.sh"

# The share of a PDF's first page that carries colour (channels more than 48 apart), in thousandths.
colour_share() {
  pdftoppm -r 40 -f 1 -l 1 "$1" "$work/page" && python3 - "$work"/page*.ppm <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
fields, pos = [], 0
while len(fields) < 4:  # P6 width height maxval, each after whitespace
    while data[pos:pos + 1].isspace(): pos += 1
    end = pos
    while not data[end:end + 1].isspace(): end += 1
    fields.append(data[pos:end]); pos = end
pixels = data[pos + 1:]
coloured = sum(1 for i in range(0, len(pixels) - 2, 3) if max(pixels[i:i + 3]) - min(pixels[i:i + 3]) > 48)
print(coloured * 1000 // max(1, len(pixels) // 3))
PY
  rm -f "$work"/page*.ppm
}

# file | lines the summary holds (;-separated) | what the report names | the object's picture (new,
# kept, -) | slide pages in the report (a slide that shows a converted chart, its own or its layout's)
cases=(
  "newer-chart-beside|charts:           1 read, 1 converted;previews left in colour: 1 (named in the report)|preview left in colour: it shows a chart of the newer kinds (cx:chart: Waterfall 2)|kept|1"
  "newer-chart-only|charts:           0 read;previews left in colour: 1 (named in the report)|preview left in colour: it shows a chart of the newer kinds (cx:chart: Waterfall 2)|kept|0"
  "newer-chart-hidden|charts:           1 read, 1 converted;previews left in colour: 0|left unchanged, not modelled|new|1"
  "layout-chart|charts:           3 read, 3 converted;where they stand: 1 on slides, 1 on slide layouts, 1 on slide masters|slide layout 1 (Blank): Layout Chart|-|1"
  "layout-chart-only|charts:           1 read, 1 converted;where they stand: 1 on slide layouts|slide layout 1 (Blank): Layout Chart|-|1"
  "notes-chart|charts:           2 read, 2 converted;where they stand: 1 on slides, 1 on notes pages|notes page of slide 1: Notes Chart|-|1"
)
for c in "${cases[@]}"; do
  IFS='|' read -r name lines named picture pages <<<"$c"
  rm -rf "$work/case" && mkdir "$work/case"
  cp "$folder/pages/$name.pptx" "$work/case/"
  if ! "$bwoffice" "$work/case/$name.pptx" --pdf >"$work/out.txt" 2>"$work/err.txt"; then
    fail "$name: exit status $? ($(cat "$work/err.txt"))"
    continue
  fi
  IFS=';' read -ra expected <<<"$lines"
  for e in "${expected[@]}"; do
    grep -qF "$e" "$work/out.txt" || fail "$name: the summary lacks \"$e\": $(cat "$work/out.txt")"
  done
  grep -qF "$named" "$work/case/$name.report.html" || fail "$name: the report does not name \"$named\""
  out=$work/case/$name.bw.pptx
  "$check" "$folder/pages/$name.pptx" "$out" "$folder/schemas" >"$work/check.txt" 2>&1 || fail "$name: $(cat "$work/check.txt")"
  new=$(unzip -l "$out" | grep -c 'ppt/media/bwpreview')
  case $picture in
    kept) [ "$new" -eq 0 ] || fail "$name: the object's picture was drawn anew" ;;
    new) [ "$new" -eq 1 ] || fail "$name: the object's picture was not drawn anew" ;;
  esac
  cp "$work/case/$name.bw.pdf" "$work/" || fail "$name: no $name.bw.pdf"
  [ "$(grep -c 'class="page-after"' "$work/case/$name.report.html")" -eq "$pages" ] ||
    fail "$name: the report does not show $pages slide pages"
done
# What stands behind the slide prints converted: the pages with a layout's or master's chart have no colour.
for name in layout-chart layout-chart-only; do
  share=$(colour_share "$work/$name.bw.pdf")
  [ "${share:-1000}" -eq 0 ] || fail "$name: ${share:-?} of 1000 pixels of its printed page carry colour"
done
finish "${#cases[@]} files and two printed pages, no failures"
