#!/usr/bin/env bash
# Every file of the corpus through the real pipeline (bwoffice, bwpass.exe and the DLL under
# Wine): exit status 0, the output beside a copy of the input, the input untouched, the output
# checked part by part against it (check_converted), and, where LibreOffice is installed, every
# output opened by it (converted to PDF in one run).
#   corpus.sh BWOFFICE CHECK_CONVERTED TESTS_OFFICE_FOLDER     (WINEPREFIX set by ctest)
set -u
bwoffice=$1 check=$2 folder=$3
. "$(dirname "$0")/../checks.sh"
files=0

for original in "$folder"/corpus/pptx/*.pptx "$folder"/corpus/xlsx/*.xlsx; do
  files=$((files + 1))
  name=$(basename "$original")
  stem=${name%.*} ext=${name##*.}
  cp "$original" "$work/$name"
  if ! "$bwoffice" "$work/$name" -q >"$work/out.txt" 2>"$work/err.txt"; then
    fail "$name: exit status $? ($(cat "$work/err.txt"))"
    continue
  fi
  cmp -s "$original" "$work/$name" || fail "$name: the input was changed"
  [ -s "$work/$stem.report.html" ] || fail "$name: no report"
  [ -s "$work/$stem.bw.$ext" ] || { fail "$name: no output"; continue; }
  "$check" "$original" "$work/$stem.bw.$ext" "$folder/schemas" >"$work/check.txt" 2>&1 ||
    fail "$name: $(cat "$work/check.txt")"
  mkdir -p "$work/outputs"
  mv "$work/$stem.bw.$ext" "$work/outputs/"
  rm -f "$work/$name" "$work/$stem".*
done

if command -v soffice >/dev/null; then
  timeout 600 soffice --headless --norestore "-env:UserInstallation=file://$work/profile" \
    --convert-to pdf --outdir "$work/pdf" "$work"/outputs/* >"$work/soffice.txt" 2>&1 ||
    fail "LibreOffice: $(tail -3 "$work/soffice.txt")"
  for out in "$work"/outputs/*; do
    pdf=$work/pdf/$(basename "${out%.*}").pdf
    [ -s "$pdf" ] || fail "$(basename "$out"): LibreOffice did not open it"
  done
else
  echo "LibreOffice is not installed: the outputs were not opened in it"
fi
echo "$files files, $failures failures"
[ "$files" -eq 59 ] || fail "expected the 59 files of the corpus, found $files"
[ $failures -eq 0 ]
