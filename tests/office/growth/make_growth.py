#!/usr/bin/env python3
"""Large Office files made from small ones of the corpus, to see how a conversion's cost grows with
the file: make_growth.py CORPUS_FOLDER OUT_FOLDER KIND COUNT

    workbook N   growth-N-charts.xlsx: one sheet with N copies of a small column chart
    deck N       growth-N-slides.pptx: N slides of one native chart each (each its own embedded workbook)
"""
import re
import sys
from pathlib import Path

sys.dont_write_bytecode = True
sys.path.insert(0, str(Path(__file__).resolve().parent.parent))
from officegen import Folders, add_override, relationship, relationships_part, sub1  # noqa: E402

CHART_TYPE = "application/vnd.openxmlformats-officedocument.drawingml.chart+xml"
SLIDE_TYPE = "application/vnd.openxmlformats-officedocument.presentationml.slide+xml"


def text(parts, name):
    return parts[name].decode("utf-8")


def put(parts, name, value):
    parts[name] = value.encode("utf-8")


def workbook(files, count):
    p = files.load("xlsx/chart_column10.xlsx")
    chart = p.pop("xl/charts/chart1.xml")
    drawing = text(p, "xl/drawings/drawing1.xml")
    anchor = re.search(r"<xdr:twoCellAnchor>.*</xdr:twoCellAnchor>", drawing, re.S).group(0)
    anchors, rels = [], []
    types = sub1(r'<Override PartName="/xl/charts/chart1.xml"[^>]*/>', "", text(p, "[Content_Types].xml"))
    for i in range(1, count + 1):
        # Ten charts a row, each 7 columns by 15 rows, so that none hides another.
        col, row = (i - 1) % 10 * 8, (i - 1) // 10 * 16
        a = re.sub(r"(<xdr:from><xdr:col>)\d+", r"\g<1>%d" % col, anchor)
        a = re.sub(r"(<xdr:from>.*?<xdr:row>)\d+", r"\g<1>%d" % row, a, flags=re.S)
        a = re.sub(r"(<xdr:to><xdr:col>)\d+", r"\g<1>%d" % (col + 7), a)
        a = re.sub(r"(<xdr:to>.*?<xdr:row>)\d+", r"\g<1>%d" % (row + 15), a, flags=re.S)
        a = a.replace('id="2" name="Chart 1"', 'id="%d" name="Chart %d"' % (i + 1, i))
        anchors.append(a.replace('r:id="rId1"', 'r:id="rId%d"' % i))
        rels.append(relationship("rId%d" % i, "chart", "../charts/chart%d.xml" % i))
        p["xl/charts/chart%d.xml" % i] = chart
        types = add_override(types, "/xl/charts/chart%d.xml" % i, CHART_TYPE)
    put(p, "xl/drawings/drawing1.xml", drawing.replace(anchor, "".join(anchors)))
    p["xl/drawings/_rels/drawing1.xml.rels"] = relationships_part(*rels)
    put(p, "[Content_Types].xml", types)
    name = "growth-%d-charts.xlsx" % count
    files.save(name, p)
    return name


def deck(files, count):
    p = files.load("pptx/shp-access-chart.pptx")
    slide, slide_rels = p.pop("ppt/slides/slide1.xml"), text(p, "ppt/slides/_rels/slide1.xml.rels")
    chart, chart_rels = p.pop("ppt/charts/chart1.xml"), text(p, "ppt/charts/_rels/chart1.xml.rels")
    embedded = p.pop("ppt/embeddings/Microsoft_Excel_Sheet1.xlsx")
    for gone in ("ppt/slides/slide2.xml", "ppt/slides/_rels/slide1.xml.rels", "ppt/slides/_rels/slide2.xml.rels",
                 "ppt/charts/_rels/chart1.xml.rels"):
        del p[gone]
    presentation_rels = re.sub(r'<Relationship Id="rId[23]"[^>]*/slide"[^>]*/>', "",
                               text(p, "ppt/_rels/presentation.xml.rels"))
    types = re.sub(r'<Override PartName="/ppt/(slides/slide\d|charts/chart1)\.xml"[^>]*/>', "",
                   text(p, "[Content_Types].xml"))
    ids, added = [], []
    for i in range(1, count + 1):
        p["ppt/slides/slide%d.xml" % i] = slide
        put(p, "ppt/slides/_rels/slide%d.xml.rels" % i, slide_rels.replace("chart1.xml", "chart%d.xml" % i))
        p["ppt/charts/chart%d.xml" % i] = chart
        put(p, "ppt/charts/_rels/chart%d.xml.rels" % i,
            chart_rels.replace("Microsoft_Excel_Sheet1.xlsx", "Microsoft_Excel_Sheet%d.xlsx" % i))
        p["ppt/embeddings/Microsoft_Excel_Sheet%d.xlsx" % i] = embedded
        ids.append('<p:sldId id="%d" r:id="rIdS%d"/>' % (255 + i, i))
        added.append(relationship("rIdS%d" % i, "slide", "slides/slide%d.xml" % i))
        types = add_override(types, "/ppt/slides/slide%d.xml" % i, SLIDE_TYPE)
        types = add_override(types, "/ppt/charts/chart%d.xml" % i, CHART_TYPE)
    put(p, "ppt/_rels/presentation.xml.rels", sub1(r"</Relationships>", lambda m: "".join(added) + "</Relationships>",
                                                   presentation_rels))
    put(p, "ppt/presentation.xml", sub1(r"<p:sldIdLst>.*?</p:sldIdLst>",
                                        lambda m: "<p:sldIdLst>" + "".join(ids) + "</p:sldIdLst>",
                                        text(p, "ppt/presentation.xml")))
    put(p, "[Content_Types].xml", types)
    name = "growth-%d-slides.pptx" % count
    files.save(name, p)
    return name


if __name__ == "__main__":
    if len(sys.argv) != 5 or sys.argv[3] not in ("workbook", "deck"):
        raise SystemExit(__doc__)
    made = {"workbook": workbook, "deck": deck}[sys.argv[3]](Folders(Path(sys.argv[1]), Path(sys.argv[2])),
                                                              int(sys.argv[4]))
    print(Path(sys.argv[2]) / made)
