#!/usr/bin/env bash
# registry_view.sh DLL: the 32-bit DLL registered by regsvr32 on a 64-bit Windows (WINEPREFIX, a
# 64-bit prefix) lands in the 32-bit registry view: each class under
# HKLM\Software\Classes\Wow6432Node\CLSID with the DLL's path, none in the 64-bit view, and the
# type library (whose keys both views share) for win32.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
dll=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
windll="Z:${dll//\//\\}"
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
# query KEY [VIEW]: the default value of KEY, or nothing when it is not there.
query() {
  "$root/scripts/wine-run" reg query "$1" /ve ${2:+"/reg:$2"} 2>/dev/null | tr -d '\r' |
    sed -n 's/^ *(Default) *REG_SZ *//p'
}
for clsid in '{82911ED2-7739-4408-9588-B9913B031642}' '{16D58574-852D-4FF0-A6FB-5A4CBA81297A}' \
             '{69AC702A-C8E0-4DCE-B725-E54B0C2727FE}'; do
  [ "$(query "HKCR\\CLSID\\$clsid\\InprocServer32" 32)" = "$windll" ] || fail "$clsid: not the DLL in the 32-bit view"
  [ "$(query "HKLM\\Software\\Classes\\Wow6432Node\\CLSID\\$clsid\\InprocServer32" 64)" = "$windll" ] ||
    fail "$clsid: not under Wow6432Node"
  [ -z "$(query "HKCR\\CLSID\\$clsid\\InprocServer32" 64)" ] || fail "$clsid: registered in the 64-bit view"
done
[ "$(query 'HKCR\TypeLib\{12BB54A3-AB0E-4ACB-A8F1-A31A6313E499}\1.0\0\win32' 64)" = "$windll" ] ||
  fail "the type library is not registered for win32"
[ $failures -eq 0 ] && echo "the 32-bit registration is in the 32-bit view"
exit $((failures > 0))
