#!/usr/bin/env bash
# The sample deck's report rendered in headless Chromium (scripts/report-check). Skipped when
# Chromium is not installed: it is a 300 MB package that only scripts/report-check installs.
#   browser.sh BWPASS_EXE SOURCE_DIR       (WINEPREFIX set by ctest)
set -eu
command -v chromium >/dev/null 2>&1 && command -v python3 >/dev/null 2>&1 || {
  echo "chromium or python3 not installed: skipped (scripts/report-check installs them)"
  exit 77
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
wine "$1" -q
# The top of the page (summary and the first charts) is enough to show that it rendered.
REPORT_CHECK_HEIGHT=3000 "$2/scripts/report-check" "$work/bwpass-out/sample-deck.report.html"
