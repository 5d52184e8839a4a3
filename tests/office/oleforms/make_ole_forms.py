#!/usr/bin/env python3
"""The forms PowerPoint writes an embedded Excel object in (README.md), made from the corpus's
presentation with an OLE object and its workbook with charts:
    make_ole_forms.py CORPUS_FOLDER OUT_FOLDER"""
import re
import sys
import zipfile
from pathlib import Path

CORPUS = Path(sys.argv[1])
OUT = Path(sys.argv[2])


def load(name):
    with zipfile.ZipFile(CORPUS / name) as z:
        return {i.filename: z.read(i.filename) for i in z.infolist()}


def save(name, parts):
    OUT.mkdir(parents=True, exist_ok=True)
    with zipfile.ZipFile(OUT / name, "w", zipfile.ZIP_DEFLATED) as z:
        for n, data in parts.items():
            z.writestr(zipfile.ZipInfo(n, (2020, 1, 1, 0, 0, 0)), data, zipfile.ZIP_DEFLATED)


def sub1(pattern, repl, text):
    new, n = re.subn(pattern, repl, text, count=1, flags=re.S)
    if n == 0:
        raise SystemExit("pattern not found: " + pattern)
    return new


def presentation(slide_edit):
    """The corpus's OLE presentation showing a workbook with cells and two charts, not as an icon."""
    p = load("pptx/shp-access-ole-object.pptx")
    p["ppt/embeddings/Microsoft_Excel_Worksheet.xlsx"] = (CORPUS / "xlsx/chart_bar03.xlsx").read_bytes()
    slide = p["ppt/slides/slide1.xml"].decode("utf-8").replace(' showAsIcon="1"', "")
    p["ppt/slides/slide1.xml"] = slide_edit(slide).encode("utf-8")
    return p


def only_choice(slide):
    """PowerPoint 2007: the object names its VML shape and has no picture of its own."""
    return sub1(r"<mc:AlternateContent[^>]*><mc:Choice[^>]*>(<p:oleObj .*?</p:oleObj>)</mc:Choice>"
                r"<mc:Fallback>.*?</mc:Fallback></mc:AlternateContent>", r"\1", slide)


save("ole-2007-form.pptx", presentation(only_choice))
# PowerPoint 2010 and later: the same inside mc:Choice, a p:pic copy in mc:Fallback.
save("ole-2010-form.pptx", presentation(lambda s: s))
# A VML shape id that the drawing does not hold: the picture cannot be found.
save("ole-2007-missing-shape.pptx",
     presentation(lambda s: only_choice(s).replace('spid="_x0000_s1026"', 'spid="_x0000_s2048"')))
