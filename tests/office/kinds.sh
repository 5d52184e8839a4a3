#!/usr/bin/env bash
# Files of every kind through the real pipeline (bwoffice, bwpass.exe and the DLL under Wine, and
# LibreOffice's import for legacy files): a slide show, a presentation template and a workbook
# template keep their type and extension; a presentation holding a 3 MB white TIFF, which deflates
# about a thousand to one, converts; a real .xls with charts and a .ppt with embedded workbooks
# are imported and converted, with the change of format said.
#   kinds.sh BWOFFICE TESTS_OFFICE_FOLDER     (WINEPREFIX set by ctest)
set -u
bwoffice=$1 folder=$2
. "$(dirname "$0")/../checks.sh"

# retype IN OUT CONTENT_TYPE: IN with its main part declared as CONTENT_TYPE.
retype() {
  python3 - "$@" <<'PY'
import re, sys, zipfile
src, dst, kind = sys.argv[1:4]
with zipfile.ZipFile(src) as zin, zipfile.ZipFile(dst, "w", zipfile.ZIP_DEFLATED) as zout:
    for item in zin.infolist():
        data = zin.read(item.filename)
        if item.filename == "[Content_Types].xml":
            data = re.sub(rb'(PartName="/(?:ppt/presentation|xl/workbook)\.xml" ContentType=")[^"]*',
                          lambda m: m.group(1) + kind.encode(), data)
        zout.writestr(item, data)
PY
}

# with_white_tiff IN OUT: IN with a 3 MB white uncompressed TIFF added as a picture.
with_white_tiff() {
  python3 - "$@" <<'PY'
import struct, sys, zipfile
src, dst = sys.argv[1:3]
w, h = 1024, 1024  # 8-bit RGB: 3 MB of white
entries = [(256, 4, 1, w), (257, 4, 1, h), (258, 3, 1, 8), (259, 3, 1, 1), (262, 3, 1, 2),
           (273, 4, 1, 0), (277, 3, 1, 3), (278, 4, 1, h), (279, 4, 1, w * h * 3)]
ifd_size = 2 + 12 * len(entries) + 4
data_at = 8 + ifd_size
tiff = b"II*\x00" + struct.pack("<I", 8) + struct.pack("<H", len(entries))
for tag, typ, count, value in entries:
    value = data_at if tag == 273 else value
    tiff += struct.pack("<HHI", tag, typ, count) + (struct.pack("<HH", value, 0) if typ == 3 else struct.pack("<I", value))
tiff += struct.pack("<I", 0) + b"\xff" * (w * h * 3)
with zipfile.ZipFile(src) as zin, zipfile.ZipFile(dst, "w", zipfile.ZIP_DEFLATED) as zout:
    for item in zin.infolist():
        data = zin.read(item.filename)
        if item.filename == "[Content_Types].xml":
            data = data.replace(b"<Default ", b'<Default Extension="tiff" ContentType="image/tiff"/><Default ', 1)
        zout.writestr(item, data)
    zout.writestr("ppt/media/white.tiff", tiff, zipfile.ZIP_DEFLATED)
PY
}

main_type() { unzip -p "$1" '\[Content_Types\].xml' | grep -o 'PartName="/\(ppt/presentation\|xl/workbook\).xml" ContentType="[^"]*"'; }

# convert NAME [OPTIONS]: converts $work/NAME (without pictures unless OPTIONS say otherwise).
convert() {
  local name=$1
  shift
  [ $# -eq 0 ] && set -- --no-render
  "$bwoffice" "$work/$name" "$@" >"$work/$name.out" 2>&1 || { fail "$name: exit status $? ($(cat "$work/$name.out"))"; return 1; }
}

# 1. Package types other than .pptx and .xlsx keep their type and extension.
pptx=$folder/corpus/pptx/cht-charts.pptx xlsx=$folder/corpus/xlsx/chart_bar03.xlsx
retype "$pptx" "$work/show.ppsx" application/vnd.openxmlformats-officedocument.presentationml.slideshow.main+xml
retype "$pptx" "$work/template.potx" application/vnd.openxmlformats-officedocument.presentationml.template.main+xml
retype "$xlsx" "$work/book.xltx" application/vnd.openxmlformats-officedocument.spreadsheetml.template.main+xml
for name in show.ppsx template.potx book.xltx; do
  convert "$name" || continue
  out=$work/${name%.*}.bw.${name##*.}
  [ -s "$out" ] || { fail "$name: no ${out##*/}"; continue; }
  [ "$(main_type "$out")" = "$(main_type "$work/$name")" ] || fail "$name: the output's type changed: $(main_type "$out")"
  grep -q " converted," "$work/$name.out" && ! grep -q " 0 converted," "$work/$name.out" ||
    fail "$name: no chart converted: $(cat "$work/$name.out")"
done

# 2. A legitimately compressible picture is no zip bomb.
with_white_tiff "$pptx" "$work/white.pptx"
[ "$(stat -c %s "$work/white.pptx")" -lt 1000000 ] || fail "white.pptx is not as compressible as meant"
convert white.pptx && [ -s "$work/white.bw.pptx" ] || fail "white.pptx: not converted"

# 3. Legacy binary files through LibreOffice's import.
if command -v soffice >/dev/null; then
  cp "$folder/corpus/legacy/44010-TwoCharts.xls" "$folder/corpus/legacy/ppt_with_embeded.ppt" "$work/"
  chmod u+w "$work"/*.xls "$work"/*.ppt
  # With pictures the import goes through the run's LibreOffice session; without, a LibreOffice of its own.
  if convert 44010-TwoCharts.xls --pdf; then
    [ -s "$work/44010-TwoCharts.bw.xlsx" ] || fail "44010-TwoCharts.xls: no 44010-TwoCharts.bw.xlsx"
    [ -s "$work/44010-TwoCharts.bw.pdf" ] || fail "44010-TwoCharts.xls: no 44010-TwoCharts.bw.pdf"
    contains "$work/44010-TwoCharts.xls.out" "charts:           2 read, 2 converted"
    contains "$work/44010-TwoCharts.xls.out" "a legacy Excel workbook of Office 97-2003, imported by LibreOffice"
  fi
  if convert ppt_with_embeded.ppt; then
    [ -s "$work/ppt_with_embeded.bw.pptx" ] || fail "ppt_with_embeded.ppt: no ppt_with_embeded.bw.pptx"
    contains "$work/ppt_with_embeded.ppt.out" "(2 with a workbook)"
    contains "$work/ppt_with_embeded.ppt.out" "the output is Office Open XML (.pptx)"
    # Its two Word objects stay binary: named and counted as left in colour.
    contains "$work/ppt_with_embeded.ppt.out" "previews left in colour: 2"
    contains "$work/ppt_with_embeded.ppt.out" "LibreOffice's import left the object in binary form (oleObject1.bin)"
  fi
elif [ "${QV_ALLOW_SKIP:-0}" = 1 ]; then
  echo "LibreOffice is not installed: legacy files not tried (QV_ALLOW_SKIP=1)"
else
  fail "LibreOffice (soffice) is not installed: legacy files cannot be tried (QV_ALLOW_SKIP=1 skips them)"
fi
finish "every kind converted"
