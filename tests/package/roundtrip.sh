#!/usr/bin/env bash
# roundtrip.sh ARCH PACKAGE_DIR BWPASS_EXE: an installer's whole life in the prefix WINEPREFIX.
#   ARCH x86 or x64: QVCHBW01-ARCH.msi from PACKAGE_DIR (scripts/package), and BWPASS_EXE of the
#   same bitness. On a 64-bit prefix the x86 package goes to the 32-bit Program Files and its
#   classes to the 32-bit registry view.
# 1. What DllRegisterServer writes, from a copy of the package's DLL, is the reference; its
#    DllUnregisterServer leaves none of it.
# 2. msiexec /i: the DLL in Program Files, and the same keys and values as the reference, key by
#    key (the DLL's path and folder standing for themselves).
# 3. Each class is created by its ProgID from the installed DLL (a VBScript, late bound, of the
#    same bitness), and the sample pass runs with it through the registry.
# 4. A newer package replaces it (one product installed, the newer version); an older one is
#    refused while the newer is there.
# 5. msiexec /x: no key of ours, no file, no folder, no product entry left.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
arch=$1 packages=$(cd "$2" && pwd) bwpass=$3
msi=$packages/QVCHBW01-$arch.msi
prefix_arch=$("$root/scripts/wine-prefix" arch "$WINEPREFIX")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
failures=0
fail() { echo "FAILED ($arch in $prefix_arch): $*"; failures=$((failures + 1)); }
run() { "$root/scripts/wine-run" "$@"; }
winpath() { local p=$1; echo "Z:${p//\//\\}"; }

# Where the package installs, and the system programs of its bitness: the registry is read with
# the reg.exe of the package's bitness, so that it sees what a client of that bitness (a
# PowerPoint) sees.
system='C:\windows\system32' programs='C:\Program Files'
if [ "$prefix_arch" = win64 ] && [ "$arch" = x86 ]; then
  system='C:\windows\syswow64' programs='C:\Program Files (x86)'
fi
reg() { run "$system\reg.exe" "$@"; }
installed="$programs\\QVCHBW01"
unix_installed=$WINEPREFIX/drive_c/${installed#C:\\}
unix_installed=${unix_installed//\\//}

LIBID='{12BB54A3-AB0E-4ACB-A8F1-A31A6313E499}'
KEYS=(QVCHBW01.ExcelChartHandler QVCHBW01.ChartHandler QVCHBW01.GraphChartHandler
      'CLSID\{82911ED2-7739-4408-9588-B9913B031642}' 'CLSID\{16D58574-852D-4FF0-A6FB-5A4CBA81297A}'
      'CLSID\{69AC702A-C8E0-4DCE-B725-E54B0C2727FE}'
      'Interface\{86BBECD8-161D-4FC0-B38E-0E2BF836FBFC}' 'Interface\{4CBAB7FE-78CD-466A-AFEF-064EC81E6DE3}'
      'Interface\{7FE58934-1D87-49DA-90E9-D8FE3C180D4B}' "TypeLib\\$LIBID")

# Every key and value of ours in the package's view, one line each, with the DLL's folder
# written <DIR>; a folder value's closing backslash is dropped (a formatted installer value
# names a folder with it, the system without).
snapshot() {
  local dir=$1 key
  for key in "${KEYS[@]}"; do
    reg query "HKCR\\$key" /s 2>/dev/null | tr -d '\r'
  done | grep -v '^reg: ' | sed '/^$/d; s/[[:space:]]\{1,\}/ /g' | awk -v dir="$dir" '
    { i = index(tolower($0), tolower(dir)); if (i) $0 = substr($0, 1, i - 1) "<DIR>" substr($0, i + length(dir)) }
    { sub(/<DIR>\\$/, "<DIR>"); print }'
}

# The product entries of our packages (the installer's Add/Remove Programs list).
products() {
  reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null | tr -d '\r' |
    grep -c "DisplayName.*QVCHBW01 black-and-white charts ($arch)"
}
msiexec() { run msiexec "$@" /qn; }

# 0. Start clean: nothing of an earlier, interrupted run.
msiexec /x "$(winpath "$msi")" >/dev/null 2>&1
[ -z "$(snapshot x)" ] || fail "the prefix holds a registration before the test"

# 1. The reference: DllRegisterServer from a copy of the package's DLL (the system's regsvr32 of
# the DLL's bitness), then DllUnregisterServer.
ref_dir='C:\qvref'
mkdir -p "$WINEPREFIX/drive_c/qvref"
msiextract -C "$work/extract" "$msi" >/dev/null || fail "msiextract"
dll=$(find "$work/extract" -iname QVCHBW01.dll | head -n1)
cp "$dll" "$WINEPREFIX/drive_c/qvref/QVCHBW01.dll"
run "$system\\regsvr32.exe" /s "$ref_dir\\QVCHBW01.dll" || fail "regsvr32 of the package's DLL"
snapshot "$ref_dir" >reference.txt
[ "$(grep -c '<DIR>' reference.txt)" -ge 5 ] || fail "the reference registration names the DLL $(grep -c '<DIR>' reference.txt) times"
run "$system\\regsvr32.exe" /s /u "$ref_dir\\QVCHBW01.dll" || fail "regsvr32 /u"
[ -z "$(snapshot "$ref_dir")" ] || fail "DllUnregisterServer left keys"
rm -rf "$WINEPREFIX/drive_c/qvref"

# 2. Install: the file, and the reference's keys and values exactly.
msiexec /i "$(winpath "$msi")" || fail "msiexec /i: exit status $?"
[ -f "$unix_installed/QVCHBW01.dll" ] || fail "no $installed\\QVCHBW01.dll"
cmp -s "$dll" "$unix_installed/QVCHBW01.dll" || fail "the installed DLL is not the package's"
snapshot "$installed" >installed.txt
diff reference.txt installed.txt >registry.diff || { fail "the installer's registration differs from DllRegisterServer's:"; cat registry.diff; }
[ "$(products)" -eq 1 ] || fail "$(products) products installed"

# 3. Created by ProgID from the installed DLL, and the sample pass with it through the registry.
cat >create.vbs <<'EOF'
For Each progId In Array("QVCHBW01.ExcelChartHandler", "QVCHBW01.ChartHandler", "QVCHBW01.GraphChartHandler")
  Set o = CreateObject(progId)
  Set o = Nothing
Next
WScript.Echo "created"
EOF
out=$(run "$system\\cscript.exe" //nologo "$(winpath "$work/create.vbs")" 2>&1 | tr -d '\r')
[ "$out" = created ] || fail "creating the classes by ProgID: $out"
wine_dll="$installed\\QVCHBW01.dll"
WINEDEBUG=-all run "$bwpass" --registered --dll "$wine_dll" -o pass.json -r pass.html -q >pass.txt 2>&1 ||
  fail "the sample pass with the installed DLL: $(tail -n 3 pass.txt)"
grep -qF "registered: CoCreateInstance" pass.html || fail "the pass did not create the plug-in through the registry"
grep -qiF "QVCHBW01.dll" pass.html || fail "the report does not name the DLL"

# 4. A newer package replaces this one; an older one is refused.
QV_PACKAGE_ARCHS=$arch QV_PACKAGE_DLL=$dll QV_PACKAGE_VERSION=9.310.0.2 \
  "$root/scripts/package" "$work/newer" >/dev/null 2>newer.err || fail "the newer package: $(cat newer.err)"
newer=$work/newer/QVCHBW01-$arch.msi
if [ -f "$newer" ]; then
  msiexec /i "$(winpath "$newer")" || fail "upgrade: exit status $?"
  [ "$(products)" -eq 1 ] || fail "after the upgrade $(products) products are installed"
  reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null | tr -d '\r' |
    grep -B20 -A20 "QVCHBW01 black-and-white charts ($arch)" | grep -q 'DisplayVersion.*9\.3\.10002' ||
    fail "the upgrade did not install the newer version"
  [ "$(snapshot "$installed")" = "$(cat reference.txt)" ] || fail "the upgrade changed the registration"
  msiexec /i "$(winpath "$msi")" && fail "an older package replaced the newer one"
  msiexec /x "$(winpath "$newer")" || fail "msiexec /x of the newer package: exit status $?"
else
  msiexec /x "$(winpath "$msi")" || fail "msiexec /x: exit status $?"
fi

# 5. Nothing left.
left=$(snapshot "$installed")
[ -z "$left" ] || { fail "keys left after uninstalling:"; echo "$left"; }
[ ! -e "$unix_installed" ] || fail "$installed is left"
[ "$(products)" -eq 0 ] || fail "a product entry is left"

[ $failures -eq 0 ] && echo "installer round trip ok: $arch in $prefix_arch ($installed)"
exit $((failures > 0))
