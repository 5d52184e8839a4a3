#!/usr/bin/env bash
# The built-in sample through bwoffice --pdf, its PDF read pixel by pixel: no page in colour, and
# on the pages of the ten-series column chart and the twelve-series line chart every legend key
# differs from every other.
#   sampleprint.sh BWOFFICE BWSAMPLE CHECK_PRINTED     (WINEPREFIX set by ctest)
set -u
bwoffice=$1 bwsample=$2 check=$3
. "$(dirname "$0")/../checks.sh"

"$bwsample" "$work/sample.pptx" >"$work/sample.txt" 2>&1 || fail "bwsample: $(cat "$work/sample.txt")"
"$bwoffice" "$work/sample.pptx" --pdf --no-report -q >"$work/out.txt" 2>&1 || fail "bwoffice: exit status $? ($(cat "$work/out.txt"))"
# page:keys:region of the page that holds the legend (fractions of its width and height)
"$check" "$work/sample.bw.pdf" 1:10:0.68,0.25,0.99,0.92 2:12:0.68,0.25,0.99,0.92 >"$work/check.txt" 2>&1 ||
  fail "sample.bw.pdf: $(cat "$work/check.txt")"
finish "the sample prints without colour and with legend keys that all differ"
