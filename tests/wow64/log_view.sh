#!/usr/bin/env bash
# log_view.sh BWPASS_X86 BWPASS_X64: on a 64-bit Windows each DLL reads its machine-wide log
# switches (HKEY_LOCAL_MACHINE\Software\Veltrane\Orvane\Log) in the registry view of its own
# bitness: the 32-bit DLL in the 32-bit view (HKLM\Software\Wow6432Node\Veltrane\Orvane\Log),
# the 64-bit DLL in the 64-bit one. For each row the switches are written in one view only, a
# pass runs without the host tool switching the log on, and the log file must be there or not.
# WINEPREFIX: a 64-bit prefix.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
declare -A exe=([x86]=$1 [x64]=$2)
work=$(mktemp -d)
trap 'clear_switches; rm -rf "$work"' EXIT
cd "$work"
run() { "$root/scripts/wine-run" "$@"; }
key='HKLM\Software\Veltrane\Orvane\Log'
logdir=$WINEPREFIX/drive_c/qvlog
clear_switches() {
  run reg delete 'HKLM\Software\Veltrane' /f /reg:32 >/dev/null 2>&1
  run reg delete 'HKLM\Software\Veltrane' /f /reg:64 >/dev/null 2>&1
  run reg delete 'HKCU\Software\Veltrane\Orvane\Log' /f >/dev/null 2>&1
  rm -rf "$logdir"
}

failures=0
#   view written  DLL   log file expected
rows=("32 x86 yes" "64 x86 no" "64 x64 yes" "32 x64 no")
for row in "${rows[@]}"; do
  read -r view build expected <<<"$row"
  clear_switches
  mkdir -p "$logdir"
  run reg add "$key" /v '*' /t REG_DWORD /d 1 /f "/reg:$view" >/dev/null
  run reg add "$key" /v '$LOGPATH' /t REG_SZ /d 'C:\qvlog' /f "/reg:$view" >/dev/null
  if ! run "${exe[$build]}" --no-log -o out.json --no-report -q >pass.txt 2>&1; then
    echo "FAILED: $row: the pass failed: $(tail -n 3 pass.txt)"; failures=$((failures + 1)); continue
  fi
  actual=no
  [ -s "$logdir/QV_QVCHBW01.log" ] && actual=yes
  if [ "$actual" != "$expected" ]; then
    echo "FAILED: switches in the $view-bit view, $build DLL: log written: $actual, expected $expected"
    failures=$((failures + 1))
  fi
done
[ $failures -eq 0 ] && echo "each DLL reads HKLM in the registry view of its own bitness"
exit $((failures > 0))
