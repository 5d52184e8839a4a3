#!/usr/bin/env bash
# stall.sh STALL_PROBE_EXE: scripts/wine-run's stall watch. A program that ends keeps its status
# and is not reported, unless it left a process of its own running, which is named and ended; a
# program that is slow but using the processor is not a stall; a stalled one (no processor time
# for the stall time, or running past the limit) is reported with the prefix's backtraces, ended
# with what it started, and run again as many times as asked; the status after the last stall is
# 124.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
probe=$1
. "$root/tests/checks.sh"

# The probe's processes still running: Wine's (run by its preloader) with a probe's command line,
# in this run's prefix (other runs on the machine may be probing at the same time).
probes_left() {
  local n=0 p
  for p in $(pgrep -f 'stall_probe\.exe (stall|sleep|once|leave|spin)' || true); do
    case "$(readlink "/proc/$p/exe" 2>/dev/null)" in *wine*) ;; *) continue ;; esac
    { tr '\0' '\n' <"/proc/$p/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && n=$((n + 1))
  done
  echo $n
}

# The stall time is 3 s; a limit of 0 is none.
#   case | retries | limit | probe's arguments | status wanted | stall reports wanted | leftovers named
rows=(
  "ends with its own status|0|0|exit 3|3|0|0"
  "ends leaving a process running: named and ended|0|0|leave|0|0|1"
  "stalls on the first run only: run again|1|0|once $work/marker|0|1|0"
  "stalls every time: run again, then given up|1|0|stall|124|2|0"
  "slow but working past the stall time: left to end|0|0|spin 10|0|0|0"
  "working past the limit: taken as stalled|0|4|spin 30|124|1|0"
)
for entry in "${rows[@]}"; do
  IFS='|' read -r name retries limit args want reports leftovers <<<"$entry"
  rm -f "$work/marker" "$work/stalls.log"
  limit_setting=()
  [ "$limit" -gt 0 ] && limit_setting=(QV_STALL_LIMIT="$limit")
  # shellcheck disable=SC2086
  env QV_STALL_SECONDS=3 QV_STALL_RETRIES=$retries QV_STALL_LOG=$work/stalls.log ${limit_setting[@]+"${limit_setting[@]}"} \
    "$root/scripts/wine-run" "$probe" $args >"$work/out" 2>"$work/err"
  got=$?
  [ "$got" -eq "$want" ] || fail "$name: status $got, wanted $want"
  n=$(grep -c '^wine-run: .* stalled: ' "$work/stalls.log" 2>/dev/null || true)
  [ "${n:-0}" -eq "$reports" ] || fail "$name: $n stall reports in the log, wanted $reports"
  n=$(grep -c 'ended, leaving running' "$work/stalls.log" 2>/dev/null || true)
  [ "${n:-0}" -eq "$leftovers" ] || fail "$name: $n reports of processes left running, wanted $leftovers"
  if [ "$reports" -gt 0 ]; then
    grep -q 'Backtracing for thread .*stall_probe' "$work/err" || fail "$name: no backtrace of the probe"
  fi
  [ "$(probes_left)" -eq 0 ] || fail "$name: the probe is still running"
done
finish "stall watch: reports, ends and runs again as asked"
