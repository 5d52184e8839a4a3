#!/usr/bin/env bash
# The sample deck's report rendered in headless Chromium (scripts/report-check). scripts/setup
# installs Chromium, so a missing browser fails the test: CI must not pass without this check.
# QV_ALLOW_SKIP=1 turns that into a skip (exit 77) on a machine set up without it.
#   browser.sh BWPASS_EXE SOURCE_DIR       (WINEPREFIX set by ctest)
set -eu
if ! command -v chromium >/dev/null 2>&1 || ! command -v python3 >/dev/null 2>&1; then
  if [ "${QV_ALLOW_SKIP:-}" = 1 ]; then
    echo "chromium or python3 not installed: skipped (QV_ALLOW_SKIP=1)"
    exit 77
  fi
  echo "chromium or python3 not installed: run scripts/setup (or set QV_ALLOW_SKIP=1 to skip)" >&2
  exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
wine "$1" -q
# The top of the page (summary and the first charts) is enough to show that it rendered.
REPORT_CHECK_HEIGHT=3000 "$2/scripts/report-check" "$work/bwpass-out/sample-deck.report.html"
