#!/usr/bin/env bash
# first_run.sh BWPASS_EXE OUT_OF_PROCESS_TEST_EXE: Wine's first run in a brand-new prefix leaves
# it as every later run does. Each row makes a new prefix the way a first run does: a pass run
# through scripts/wine-run (./bwpass, bwoffice), or scripts/wine-prefix start (ctest's fixture)
# followed by the out-of-process test's first two cases (Excel's stand-in started by COM as a
# local server, and a pass through it). Then a pass runs in the session the first command left
# while the prefix's services are counted. Wanted: the first command succeeds, one set of
# services, and no COM call that found no RPC service (err:ole:start_rpcss).
# WINEARCH chooses the prefixes' architecture.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
bwpass=$1 oop=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/qv-first-run.XXXXXX")
cleanup() {
  for p in "$work"/*/prefix; do [ -d "$p" ] && WINEPREFIX=$p wineserver -k 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
failed=0
fail() { echo "first_run: $row: $*" >&2; failed=1; row_failed=1; }

# The prefix's services.exe processes (each set of services has one).
services() {
  local n=0 p
  for p in $(pgrep -f 'services\.exe' || true); do
    { tr '\0' '\n' <"/proc/$p/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$1" && n=$((n + 1))
  done
  echo $n
}

#   row | how the prefix is made | first command
rows=(
  "pass|by the pass|$bwpass -o first.json -r first.html"
  "out-of-process test|wine-prefix start|$oop --gtest_brief=1 --gtest_filter=OutOfProcess.ProxiesAnswerExcelsInterfaceIds:OutOfProcess.SamplePassMatchesTheInProcessPass"
)
for entry in "${rows[@]}"; do
  IFS='|' read -r row making command <<<"$entry"
  row_failed=0
  dir=$work/${row// /-}
  mkdir -p "$dir"
  cd "$dir"
  export WINEPREFIX=$dir/prefix
  if [ "$making" = "wine-prefix start" ]; then
    "$root/scripts/wine-prefix" start "$WINEPREFIX" || { fail "wine-prefix start failed"; continue; }
  fi
  # shellcheck disable=SC2086
  if ! WINEDEBUG=-all,err+ole "$root/scripts/wine-run" $command >first.out 2>first.err; then
    fail "the first command failed"; tail -n 20 first.out first.err >&2; continue
  fi
  WINEDEBUG=-all,err+ole "$root/scripts/wine-run" "$bwpass" -o second.json -r second.html >second.out 2>second.err &
  pid=$! most=0
  while kill -0 $pid 2>/dev/null; do
    n=$(services "$WINEPREFIX")
    [ "$n" -gt "$most" ] && most=$n
    sleep 0.1
  done
  wait $pid || fail "the pass after it failed: $(tail -n 3 second.err)"
  [ "$most" -eq 1 ] || fail "$most sets of services running (one wanted)"
  if grep -h 'start_rpcss' first.err second.err >&2; then fail "COM waited for the RPC service"; fi
  [ -f "$WINEPREFIX/system.reg" ] || fail "the prefix's registry was not saved"
  [ $row_failed -eq 0 ] && echo "first_run: $row first: prefix made, one set of services"
  cd "$work"
done
exit $failed
