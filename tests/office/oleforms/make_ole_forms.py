#!/usr/bin/env python3
"""The forms PowerPoint writes an embedded Excel object in (README.md), made from the corpus's
presentation with an OLE object and its workbook with charts:
    make_ole_forms.py CORPUS_FOLDER OUT_FOLDER"""
import sys
from pathlib import Path

sys.dont_write_bytecode = True
sys.path.insert(0, str(Path(__file__).resolve().parent.parent))
from officegen import Folders, sub1  # noqa: E402

CORPUS = Path(sys.argv[1])
files = Folders(CORPUS, Path(sys.argv[2]))
load, save = files.load, files.save


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
