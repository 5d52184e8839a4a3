#!/usr/bin/env bash
# Batches through the real pipeline (bwoffice, bwpass.exe and the DLL under Wine): a folder with
# good files, a file that is refused, our own converted outputs to leave out and a nested folder,
# two at a time, under an output folder and beside the inputs; then the same file converted twice,
# which must give the same bytes.
#   batch.sh BWOFFICE BWSAMPLE TESTS_OFFICE_FOLDER     (WINEPREFIX set by ctest)
set -u
bwoffice=$1 bwsample=$2 folder=$3
. "$(dirname "$0")/../checks.sh"

in=$work/in
mkdir -p "$in/sub/deeper"
cp "$folder/corpus/xlsx/chart_bar03.xlsx" "$in/bar.xlsx"
cp "$folder/corpus/pptx/cht-legend.pptx" "$in/Legend.PPTX"
cp "$folder/corpus/xlsx/chart_pie05.xlsx" "$in/sub/deeper/pie.xlsx"
cp "$folder/corpus/xlsx/chart_bar03.xlsx" "$in/old.bw.xlsx"
echo "not an Office file" >"$in/sub/bad.xlsx"
(cd "$in" && find . -type f | sort) >"$work/inputs.txt"

# 1. Under an output folder, two at a time: exit status 6, every good file's outputs under the
# same relative path, nothing for the refused file, the index with a row per file.
"$bwoffice" "$in" -o "$work/out" -j 2 >"$work/out.txt" 2>"$work/err.txt"
rc=$?
[ $rc -eq 6 ] || fail "batch with a refused file: exit status $rc, expected 6 ($(cat "$work/err.txt"))"
for f in bar.bw.xlsx bar.report.html Legend.bw.PPTX Legend.report.html sub/deeper/pie.bw.xlsx \
         sub/deeper/pie.report.html bwpass-index.html; do
  [ -s "$work/out/$f" ] || fail "no $f under the output folder"
done
(cd "$work/out" && find . -type f | sort) >"$work/outputs.txt"
[ "$(wc -l <"$work/outputs.txt")" -eq 7 ] || fail "the output folder holds more: $(cat "$work/outputs.txt")"
[ ! -e "$work/out/sub/bad.bw.xlsx" ] && [ ! -e "$work/out/sub/bad.report.html" ] ||
  fail "outputs were written for the refused file"
contains "$work/err.txt" "sub/bad.xlsx: not converted:"
contains "$work/err.txt" "not an Office file"
(cd "$in" && find . -type f | sort) | cmp -s - "$work/inputs.txt" || fail "the input folder was changed"
index=$work/out/bwpass-index.html
[ "$(grep -c '^<tr' "$index")" -eq 5 ] || fail "the index has not one row per file and a heading"
contains "$index" "3 of 4 files converted"
contains "$index" '<td class="file">sub/deeper/pie.xlsx</td>'
contains "$index" 'href="sub/deeper/pie.report.html"'
contains "$index" 'href="Legend.bw.PPTX"'
contains "$index" 'not converted: '
grep -q 'old.bw' "$index" && fail "the index lists a converted file of an earlier run"
cmp -s "$work/out/bar.bw.xlsx" "$in/bar.xlsx" && fail "bar.xlsx came out unchanged"
# The refused file first; each file's line names it once and says what its summary flags.
[ "$(grep -o '<td class="file">[^<]*' "$index" | head -1)" = '<td class="file">sub/bad.xlsx' ] ||
  fail "the refused file is not the index's first row"
grep -E '^bwpass: [0-9]/4 ' "$work/err.txt" | awk -F': ' '{ n[$2]++ } END { for (f in n) if (n[f] > 1) exit 1 }' ||
  fail "a file has more than one line: $(cat "$work/err.txt")"
for f in bar.xlsx Legend.PPTX sub/deeper/pie.xlsx; do
  grep -qE "^bwpass: [0-9]/4 $f: [0-9]+ of [0-9]+ charts? converted" "$work/err.txt" || fail "no line for $f: $(cat "$work/err.txt")"
done
awk 'length($0) > 80 && /not converted/ { exit 1 }' "$work/err.txt" || fail "an error line wider than 80 columns: $(cat "$work/err.txt")"
# The batch's summary counts as the index does.
look=$(sed -n 's/^  look-alike series: \([0-9]*\) charts\?$/\1/p' "$work/out.txt")
contains "$index" "look-alike series: $look chart"
conv=$(sed -n 's/^  charts: *\([0-9]*\) read, \([0-9]*\) converted.*/\2 of \1/p' "$work/out.txt")
contains "$index" "$conv charts converted"

# 1b. A rerun over the folder with the outputs of 1 in it: no line for them (not "left out").
cp -r "$work/out" "$in/out"
"$bwoffice" "$in" -o "$work/again" -j 2 --no-render >/dev/null 2>"$work/err.txt"
grep -q 'left out' "$work/err.txt" && fail "our own outputs were named as left out: $(cat "$work/err.txt")"
rm -r "$in/out"

# 2. Beside the inputs, good files only, without pictures: exit status 0, the index beside them.
mkdir "$work/beside" && cp "$in/bar.xlsx" "$in/Legend.PPTX" "$work/beside/"
"$bwoffice" "$work/beside/bar.xlsx" "$work/beside/Legend.PPTX" -j 2 -q --no-render >"$work/out.txt" 2>"$work/err.txt"
rc=$?
[ $rc -eq 0 ] || fail "batch of good files: exit status $rc ($(cat "$work/err.txt"))"
for f in bar.bw.xlsx bar.report.html Legend.bw.PPTX Legend.report.html bwpass-index.html; do
  [ -s "$work/beside/$f" ] || fail "no $f beside the inputs"
done
contains "$work/beside/bar.report.html" "not drawn (--no-render)"

# 3. --no-report: the converted file alone.
mkdir "$work/noreport" && cp "$in/bar.xlsx" "$work/noreport/"
"$bwoffice" "$work/noreport/bar.xlsx" -q --no-report 2>"$work/err.txt" || fail "--no-report: $(cat "$work/err.txt")"
[ "$(ls "$work/noreport")" = "$(printf 'bar.bw.xlsx\nbar.xlsx')" ] || fail "--no-report wrote: $(ls "$work/noreport")"

# 4. The same file twice: the same converted bytes (embedded workbooks re-zipped, a new preview
# picture), and the same report but for the plug-in's own log (its times, its folder).
mkdir "$work/twice"
"$bwsample" "$work/twice/sample.pptx" "$work/twice/lo" >/dev/null 2>&1 || fail "the sample was not written"
for run in 1 2; do
  "$bwoffice" "$work/twice/sample.pptx" -q 2>"$work/err.txt" || fail "sample, run $run: $(cat "$work/err.txt")"
  mv "$work/twice/sample.bw.pptx" "$work/twice/run$run.pptx"
  sed -E -e 's/qvlog_[0-9_]+/qvlog/' -e 's/(^|>)[0-9.]+ [0-9:]+   /\1TIME   /' "$work/twice/sample.report.html" >"$work/twice/run$run.html"
  [ $run -eq 1 ] && sleep 2  # entry times are kept to two seconds
done
cmp -s "$work/twice/run1.pptx" "$work/twice/run2.pptx" || fail "the same input gave different converted files"
cmp -s "$work/twice/run1.html" "$work/twice/run2.html" ||
  fail "the same input gave different reports: $(diff "$work/twice/run1.html" "$work/twice/run2.html" | head -5)"

finish "batch: all passed"
