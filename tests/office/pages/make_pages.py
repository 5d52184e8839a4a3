#!/usr/bin/env python3
"""Charts where a slide does not hold them (README.md): embedded workbooks that show a chart of the
newer kinds (cx:chart), and charts on a slide layout, a slide master and a notes page.
    make_pages.py CORPUS_FOLDER OUT_FOLDER [NAME...]"""
import io
import sys
import zipfile
from pathlib import Path

sys.dont_write_bytecode = True
sys.path.insert(0, str(Path(__file__).resolve().parent.parent))
from officegen import (A, MC, REL, XML_DECLARATION, Folders, Recipes, add_override,  # noqa: E402
                       add_relationships, edit, relationship, relationships_part, sub1)

CORPUS = Path(sys.argv[1])
files = Folders(CORPUS, Path(sys.argv[2]))
load, save = files.load, files.save
ONLY = set(sys.argv[3:])

P = "http://schemas.openxmlformats.org/presentationml/2006/main"
XDR = "http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing"
CX = "http://schemas.microsoft.com/office/drawing/2014/chartex"
CX1 = "http://schemas.microsoft.com/office/drawing/2015/9/8/chartex"
CHARTEX_REL = "http://schemas.microsoft.com/office/2014/relationships/chartEx"
CHARTEX_TYPE = "application/vnd.ms-office.chartex+xml"
CHART_TYPE = "application/vnd.openxmlformats-officedocument.drawingml.chart+xml"
FULL_MAP = ('bg1="lt1" tx1="dk1" bg2="lt2" tx2="dk2" accent1="accent1" accent2="accent2" accent3="accent3" '
            'accent4="accent4" accent5="accent5" accent6="accent6" hlink="hlink" folHlink="folHlink"')

page = Recipes()


# ---- embedded workbooks showing a chart of the newer kinds ----------------------------------------

# A waterfall of four points over the sheet's first column, as Excel 2016 stores one.
WATERFALL = (XML_DECLARATION +
             '<cx:chartSpace xmlns:a="%s" xmlns:r="%s" xmlns:cx="%s"><cx:chartData><cx:data id="0">'
             '<cx:strDim type="cat"><cx:f>Sheet1!$A$1:$A$4</cx:f><cx:lvl ptCount="4">'
             '<cx:pt idx="0">Start</cx:pt><cx:pt idx="1">Up</cx:pt><cx:pt idx="2">Down</cx:pt>'
             '<cx:pt idx="3">End</cx:pt></cx:lvl></cx:strDim>'
             '<cx:numDim type="val"><cx:f>Sheet1!$B$1:$B$4</cx:f><cx:lvl ptCount="4" formatCode="General">'
             '<cx:pt idx="0">2</cx:pt><cx:pt idx="1">4</cx:pt><cx:pt idx="2">-3</cx:pt><cx:pt idx="3">3</cx:pt>'
             '</cx:lvl></cx:numDim></cx:data></cx:chartData><cx:chart><cx:plotArea><cx:plotAreaRegion>'
             '<cx:series layoutId="waterfall" uniqueId="{6A1D3E64-0B51-4F0C-9E0B-2C8B2A7D5E11}">'
             '<cx:dataId val="0"/><cx:layoutPr><cx:subtotals><cx:idx val="3"/></cx:subtotals></cx:layoutPr>'
             '</cx:series></cx:plotAreaRegion><cx:axis id="0"><cx:catScaling gapWidth="0.5"/></cx:axis>'
             '<cx:axis id="1"><cx:valScaling/></cx:axis></cx:plotArea></cx:chart></cx:chartSpace>'
             ) % (A, REL, CX)


def newer_chart_anchor(anchor_position, name, rid):
    """What Excel writes for a chart of the newer kinds: the chart in mc:Choice, and for older
    readers a text box saying it is not available in mc:Fallback."""
    frame = ('<xdr:graphicFrame macro=""><xdr:nvGraphicFramePr><xdr:cNvPr id="9" name="%s"/>'
             '<xdr:cNvGraphicFramePr/></xdr:nvGraphicFramePr><xdr:xfrm><a:off x="0" y="0"/><a:ext cx="0" cy="0"/>'
             '</xdr:xfrm><a:graphic><a:graphicData uri="%s"><cx:chart xmlns:cx="%s" '
             'xmlns:r="%s" r:id="%s"/></a:graphicData></a:graphic></xdr:graphicFrame>') % (name, CX, CX, REL, rid)
    box = ('<xdr:sp macro="" textlink=""><xdr:nvSpPr><xdr:cNvPr id="0" name=""/><xdr:cNvSpPr>'
           '<a:spLocks noTextEdit="1"/></xdr:cNvSpPr></xdr:nvSpPr><xdr:spPr><a:xfrm><a:off x="3048000" y="4572000"/>'
           '<a:ext cx="4572000" cy="2743200"/></a:xfrm><a:prstGeom prst="rect"><a:avLst/></a:prstGeom>'
           '<a:solidFill><a:prstClr val="white"/></a:solidFill><a:ln w="1"><a:solidFill><a:prstClr val="green"/>'
           '</a:solidFill></a:ln></xdr:spPr><xdr:txBody><a:bodyPr vertOverflow="clip" horzOverflow="clip"/>'
           '<a:lstStyle/><a:p><a:r><a:rPr lang="en-US" sz="1100"/><a:t>This chart isn\'t available in your '
           'version of Excel.</a:t></a:r></a:p></xdr:txBody></xdr:sp>')
    anchor = lambda inner: "<xdr:twoCellAnchor>%s%s<xdr:clientData/></xdr:twoCellAnchor>" % (anchor_position, inner)
    return ('<mc:AlternateContent xmlns:mc="%s"><mc:Choice xmlns:cx1="%s" Requires="cx1">%s</mc:Choice>'
            '<mc:Fallback>%s</mc:Fallback></mc:AlternateContent>') % (MC, CX1, anchor(frame), anchor(box))


def workbook_with_newer_chart(keep_first_chart, ole_size=None):
    """chart_bar03.xlsx (cells and two bar charts) with its second chart made a waterfall; without
    its first chart when keep_first_chart is false; with the range the object shows when given."""
    with zipfile.ZipFile(CORPUS / "xlsx/chart_bar03.xlsx") as z:
        b = {i.filename: z.read(i.filename) for i in z.infolist()}
    anchors = r"(<xdr:twoCellAnchor>.*?</xdr:twoCellAnchor>)(<xdr:twoCellAnchor>(.*?)<xdr:graphicFrame.*?</xdr:twoCellAnchor>)"

    def drawing(t):
        return sub1(anchors, lambda m: (m.group(1) if keep_first_chart else "") +
                    newer_chart_anchor(m.group(3), "Waterfall 2", "rId3"), t)
    edit(b, "xl/drawings/drawing1.xml", drawing)
    edit(b, "xl/drawings/_rels/drawing1.xml.rels",
         lambda t: add_relationships(t, '<Relationship Id="rId3" Type="%s" Target="../charts/chartEx1.xml"/>' % CHARTEX_REL))
    b["xl/charts/chartEx1.xml"] = WATERFALL.encode()
    edit(b, "[Content_Types].xml", lambda t: add_override(t, "/xl/charts/chartEx1.xml", CHARTEX_TYPE))
    if not keep_first_chart:
        edit(b, "xl/drawings/_rels/drawing1.xml.rels", lambda t: sub1(r'<Relationship Id="rId1"[^>]*/>', "", t))
        edit(b, "[Content_Types].xml", lambda t: sub1(r'<Override PartName="/xl/charts/chart1.xml"[^>]*/>', "", t))
        del b["xl/charts/chart1.xml"]
    if ole_size:
        edit(b, "xl/workbook.xml", lambda t: sub1(r"(<calcPr[^>]*/>)", r'\1<oleSize ref="%s"/>' % ole_size, t))
    out = io.BytesIO()
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
        for n, data in b.items():
            z.writestr(zipfile.ZipInfo(n, (2020, 1, 1, 0, 0, 0)), data, zipfile.ZIP_DEFLATED)
    return out.getvalue()


def ole_presentation(workbook):
    """The corpus's OLE presentation showing the workbook as a picture, not as an icon."""
    p = load("pptx/shp-access-ole-object.pptx")
    p["ppt/embeddings/Microsoft_Excel_Worksheet.xlsx"] = workbook
    edit(p, "ppt/slides/slide1.xml", lambda t: t.replace(' showAsIcon="1"', ""))
    return p


@page
def newer_chart_beside():
    """The object shows a bar chart and a waterfall: the bar chart is converted, the picture kept."""
    save("newer-chart-beside.pptx", ole_presentation(workbook_with_newer_chart(True)))


@page
def newer_chart_only():
    """The object shows only a waterfall: nothing to convert, the picture kept and counted."""
    save("newer-chart-only.pptx", ole_presentation(workbook_with_newer_chart(False)))


@page
def newer_chart_hidden():
    """The waterfall stands below the range the object shows (oleSize A1:L23): the picture is
    drawn anew from the converted bar chart."""
    save("newer-chart-hidden.pptx", ole_presentation(workbook_with_newer_chart(True, "A1:L23")))


# ---- charts on a layout, the master and a notes page --------------------------------------------

def frame(name, rid, x, y, cx=4000000, cy=2900000, shape_id=20):
    return ('<p:graphicFrame><p:nvGraphicFramePr><p:cNvPr id="%d" name="%s"/><p:cNvGraphicFramePr/><p:nvPr/>'
            '</p:nvGraphicFramePr><p:xfrm><a:off x="%d" y="%d"/><a:ext cx="%d" cy="%d"/></p:xfrm><a:graphic>'
            '<a:graphicData uri="http://schemas.openxmlformats.org/drawingml/2006/chart"><c:chart '
            'xmlns:c="http://schemas.openxmlformats.org/drawingml/2006/chart" r:id="%s"/></a:graphicData>'
            '</a:graphic></p:graphicFrame>') % (shape_id, name, x, y, cx, cy, rid)


def copy_chart(p, number):
    """A copy of the slide's chart (with its data) as ppt/charts/chartN.xml."""
    name = "ppt/charts/chart%d.xml" % number
    p[name] = p["ppt/charts/chart1.xml"]
    p["ppt/charts/_rels/chart%d.xml.rels" % number] = p["ppt/charts/_rels/chart1.xml.rels"]
    edit(p, "[Content_Types].xml", lambda t: add_override(t, "/" + name, CHART_TYPE))


def add_frame(p, part, frame_xml, rid, chart_number):
    edit(p, part, lambda t: sub1(r"</p:spTree>", lambda m: frame_xml + "</p:spTree>", t))
    rels = part.rsplit("/", 1)[0] + "/_rels/" + part.rsplit("/", 1)[1] + ".rels"
    edit(p, rels, lambda t: add_relationships(t, relationship(rid, "chart", "../charts/chart%d.xml" % chart_number)))


def charts_deck():
    """cht-charts.pptx with its slide's chart in the top left quarter, so that what stands behind
    it shows beside it."""
    p = load("pptx/cht-charts.pptx")
    edit(p, "ppt/slides/slide1.xml", lambda t: sub1(r'<a:off x="1524000" y="1397000"/><a:ext cx="6096000" cy="4064000"/>',
                                                    '<a:off x="457200" y="457200"/><a:ext cx="4000000" cy="2900000"/>', t))
    return p


@page
def layout_chart():
    """A chart on the slide's layout (top right) and one on the slide master (bottom left)."""
    p = charts_deck()
    copy_chart(p, 2)
    add_frame(p, "ppt/slideLayouts/slideLayout1.xml", frame("Layout Chart", "rId9", 4686800, 457200), "rId9", 2)
    copy_chart(p, 3)
    add_frame(p, "ppt/slideMasters/slideMaster1.xml", frame("Master Chart", "rId9", 457200, 3600000), "rId9", 3)
    save("layout-chart.pptx", p)


@page
def layout_chart_only():
    """The slide's chart moved to its layout: the slide itself holds none."""
    p = load("pptx/cht-charts.pptx")
    edit(p, "ppt/slides/slide1.xml", lambda t: sub1(r"<p:graphicFrame>.*</p:graphicFrame>", "", t))
    edit(p, "ppt/slides/_rels/slide1.xml.rels", lambda t: sub1(r'<Relationship Id="rId2"[^>]*/>', "", t))
    add_frame(p, "ppt/slideLayouts/slideLayout1.xml", frame("Layout Chart", "rId9", 1524000, 1397000, 6096000, 4064000),
              "rId9", 1)
    save("layout-chart-only.pptx", p)


NOTES_MASTER = (XML_DECLARATION +
                '<p:notesMaster xmlns:a="%s" xmlns:r="%s" xmlns:p="%s"><p:cSld><p:spTree><p:nvGrpSpPr>'
                '<p:cNvPr id="1" name=""/><p:cNvGrpSpPr/><p:nvPr/></p:nvGrpSpPr><p:grpSpPr/></p:spTree></p:cSld>'
                '<p:clrMap %s/></p:notesMaster>') % (A, REL, P, FULL_MAP)

NOTES_SLIDE = (XML_DECLARATION +
               '<p:notes xmlns:a="%s" xmlns:r="%s" xmlns:p="%s"><p:cSld><p:spTree><p:nvGrpSpPr>'
               '<p:cNvPr id="1" name=""/><p:cNvGrpSpPr/><p:nvPr/></p:nvGrpSpPr><p:grpSpPr/>%s</p:spTree></p:cSld>'
               '<p:clrMapOvr><a:masterClrMapping/></p:clrMapOvr></p:notes>'
               ) % (A, REL, P, frame("Notes Chart", "rId3", 685800, 4800600, 5486400, 3600000))


@page
def notes_chart():
    """A chart on the notes page of the only slide, with the notes master that every notes page needs."""
    p = load("pptx/cht-charts.pptx")
    copy_chart(p, 2)
    p["ppt/notesMasters/notesMaster1.xml"] = NOTES_MASTER.encode()
    p["ppt/notesMasters/_rels/notesMaster1.xml.rels"] = relationships_part(relationship("rId1", "theme", "../theme/theme2.xml"))
    p["ppt/theme/theme2.xml"] = p["ppt/theme/theme1.xml"]
    p["ppt/notesSlides/notesSlide1.xml"] = NOTES_SLIDE.encode()
    p["ppt/notesSlides/_rels/notesSlide1.xml.rels"] = relationships_part(
        relationship("rId1", "notesMaster", "../notesMasters/notesMaster1.xml"),
        relationship("rId2", "slide", "../slides/slide1.xml"),
        relationship("rId3", "chart", "../charts/chart2.xml"))
    edit(p, "ppt/slides/_rels/slide1.xml.rels",
         lambda t: add_relationships(t, relationship("rId9", "notesSlide", "../notesSlides/notesSlide1.xml")))
    edit(p, "ppt/_rels/presentation.xml.rels",
         lambda t: add_relationships(t, relationship("rId9", "notesMaster", "notesMasters/notesMaster1.xml")))
    edit(p, "ppt/presentation.xml", lambda t: sub1(r"(</p:sldMasterIdLst>)",
                                                   r'\1<p:notesMasterIdLst><p:notesMasterId r:id="rId9"/></p:notesMasterIdLst>', t))
    pml = "application/vnd.openxmlformats-officedocument.presentationml."
    for part, kind in [("/ppt/notesMasters/notesMaster1.xml", pml + "notesMaster+xml"),
                       ("/ppt/notesSlides/notesSlide1.xml", pml + "notesSlide+xml"),
                       ("/ppt/theme/theme2.xml", "application/vnd.openxmlformats-officedocument.theme+xml")]:
        edit(p, "[Content_Types].xml", lambda t, part=part, kind=kind: add_override(t, part, kind))
    save("notes-chart.pptx", p)


for name, make in page.chosen(ONLY):
    make()
