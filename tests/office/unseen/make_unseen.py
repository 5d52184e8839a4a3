#!/usr/bin/env python3
"""Edited copies of corpus files (README.md): make_unseen.py SRC_FOLDER OUT_FOLDER [VARIANT...]"""
import re
import sys
import zipfile
from pathlib import Path

sys.dont_write_bytecode = True
sys.path.insert(0, str(Path(__file__).resolve().parent.parent))
from officegen import (A, C, C14, MC, REL, XML_DECLARATION, Folders, Recipes, add_override,  # noqa: E402
                       add_relationships, edit, relationship, relationships_part, sub1)

files = Folders(Path(sys.argv[1]), Path(sys.argv[2]))
load, save = files.load, files.save
ONLY = set(sys.argv[3:])

variant = Recipes()


# ---- chart part edits --------------------------------------------------------------------------

@variant
def default_ns_prefixes():
    """Chart namespace as default namespace, DrawingML under another prefix."""
    p = load("chart_bar03.xlsx")
    def f(t):
        t = t.replace('xmlns:c="' + C + '"', 'xmlns="' + C + '"')
        t = re.sub(r"<(/?)c:", r"<\1", t)
        t = t.replace('xmlns:a="' + A + '"', 'xmlns:dml="' + A + '"')
        t = re.sub(r"<(/?)a:", r"<\1dml:", t)
        return t
    edit(p, "xl/charts/chart1.xml", f)
    edit(p, "xl/charts/chart2.xml", f)
    save("default-ns-prefixes.xlsx", p)


@variant
def style_alternate():
    """c:style inside mc:AlternateContent (c14 Choice), namespaces declared on the element."""
    p = load("chart_bar03.xlsx")
    ac = ('<mc:AlternateContent xmlns:mc="' + MC + '"><mc:Choice Requires="c14" xmlns:c14="' + C14 +
          '"><c14:style val="102"/></mc:Choice><mc:Fallback><c:style val="2"/></mc:Fallback></mc:AlternateContent>')
    edit(p, "xl/charts/chart1.xml", lambda t: sub1(r'(<c:lang val="en-US"/>)', r"\1" + ac, t))
    # On the second chart: the chart style 42, the prefixes on the root, mc:Ignorable too.
    ac2 = ('<mc:AlternateContent><mc:Choice Requires="c14"><c14:style val="142"/></mc:Choice>'
           '<mc:Fallback><c:style val="42"/></mc:Fallback></mc:AlternateContent>')
    def f2(t):
        t = t.replace('xmlns:c="' + C + '"', 'xmlns:c="' + C + '" xmlns:mc="' + MC + '" xmlns:c14="' + C14 +
                      '" mc:Ignorable="c14"', 1)
        return sub1(r'(<c:lang val="en-US"/>)', r"\1" + ac2, t)
    edit(p, "xl/charts/chart2.xml", f2)
    save("style-alternate.xlsx", p)


@variant
def gradient_series():
    p = load("chart_bar03.xlsx")
    grad = ('<c:spPr><a:gradFill rotWithShape="1"><a:gsLst><a:gs pos="0"><a:schemeClr val="accent{n}"><a:tint val="50000"/>'
            '<a:satMod val="300000"/></a:schemeClr></a:gs><a:gs pos="35000"><a:schemeClr val="accent{n}"><a:tint val="37000"/>'
            '</a:schemeClr></a:gs><a:gs pos="100000"><a:srgbClr val="00FF00"/></a:gs></a:gsLst>'
            '<a:lin ang="16200000" scaled="1"/></a:gradFill><a:ln><a:gradFill><a:gsLst><a:gs pos="0"><a:srgbClr val="FF0000"/></a:gs>'
            '<a:gs pos="100000"><a:srgbClr val="0000FF"/></a:gs></a:gsLst><a:path path="circle"/></a:gradFill></a:ln></c:spPr>')
    def f(t):
        t = sub1(r'(<c:ser><c:idx val="0"/><c:order val="0"/>)', r"\1" + grad.format(n=1), t)
        return sub1(r'(<c:ser><c:idx val="1"/><c:order val="1"/>)', r"\1" + grad.format(n=2), t)
    edit(p, "xl/charts/chart1.xml", f)
    save("gradient-series.xlsx", p)


@variant
def point_formats():
    """Per-point formats on a bar series and a pie with varied colours and its own dPts."""
    p = load("chart_bar03.xlsx")
    dpts = "".join('<c:dPt><c:idx val="%d"/><c:invertIfNegative val="0"/><c:bubble3D val="0"/><c:spPr><a:solidFill>'
                   '<a:srgbClr val="%s"/></a:solidFill><a:ln><a:solidFill><a:schemeClr val="accent%d"/></a:solidFill></a:ln>'
                   '</c:spPr></c:dPt>' % (i, c, i + 1) for i, c in enumerate(["FF0000", "00FF00", "0000FF"]))
    edit(p, "xl/charts/chart1.xml",
         lambda t: sub1(r'(<c:ser><c:idx val="0"/><c:order val="0"/>)', r"\1" + dpts, t))
    save("point-formats.xlsx", p)
    q = load("chart_pie05.xlsx")
    pie = "".join('<c:dPt><c:idx val="%d"/><c:bubble3D val="0"/><c:spPr><a:pattFill prst="ltDnDiag"><a:fgClr><a:schemeClr val="accent%d"/>'
                  '</a:fgClr><a:bgClr><a:srgbClr val="FFFF00"/></a:bgClr></a:pattFill></c:spPr></c:dPt>' % (i, i + 1)
                  for i in (0, 2))
    edit(q, "xl/charts/chart1.xml", lambda t: sub1(r"(<c:ser><c:idx val=\"0\"/><c:order val=\"0\"/>(?:<c:tx>.*?</c:tx>)?)", r"\1" + pie, t))
    save("pie-point-formats.xlsx", q)


@variant
def empty_caches():
    """A series with an empty cache, one with a reference and no cache, one with no values."""
    p = load("chart_bar03.xlsx")
    def f(t):
        # first series of chart1: empty numCache
        t = sub1(r'(<c:val><c:numRef><c:f>Sheet1!\$B\$1:\$B\$5</c:f><c:numCache><c:formatCode>General</c:formatCode>)'
                 r'<c:ptCount val="5"/>.*?(</c:numCache>)', r'\1<c:ptCount val="0"/>\2', t)
        # second series: no cache at all
        t = sub1(r'(<c:f>Sheet1!\$C\$1:\$C\$5</c:f>)<c:numCache>.*?</c:numCache>', r"\1", t)
        return t
    edit(p, "xl/charts/chart1.xml", f)
    def g(t):
        # chart2: the second series loses c:val and c:cat entirely
        return sub1(r'(<c:ser><c:idx val="1"/><c:order val="1"/>).*?(</c:ser>)', r"\1\2", t)
    edit(p, "xl/charts/chart2.xml", g)
    save("empty-caches.xlsx", p)


@variant
def no_legend_no_axes():
    p = load("chart_bar03.xlsx")
    # chart1: no legend, both axes deleted
    def f(t):
        t = sub1(r"<c:legend>.*?</c:legend>", "", t)
        t = t.replace("<c:axPos", '<c:delete val="1"/><c:axPos')
        return t
    edit(p, "xl/charts/chart1.xml", f)
    # chart2: no axis elements and no axis ids at all (as some generators write pies of bars)
    def g(t):
        t = re.sub(r"<c:(catAx|valAx)>.*?</c:\1>", "", t, flags=re.S)
        t = re.sub(r'<c:axId val="\d+"/>', "", t)
        t = sub1(r"<c:legend>.*?</c:legend>", "", t)
        return t
    edit(p, "xl/charts/chart2.xml", g)
    save("no-legend-no-axes.xlsx", p)


@variant
def data_labels_heavy():
    p = load("chart_bar03.xlsx")
    lbl = ('<c:dLbl><c:idx val="{i}"/><c:spPr><a:solidFill><a:srgbClr val="FFC000"/></a:solidFill><a:ln><a:solidFill>'
           '<a:srgbClr val="C00000"/></a:solidFill></a:ln></c:spPr><c:txPr><a:bodyPr/><a:lstStyle/><a:p><a:pPr>'
           '<a:defRPr><a:solidFill><a:srgbClr val="0070C0"/></a:solidFill></a:defRPr></a:pPr><a:endParaRPr lang="en-US"/>'
           '</a:p></c:txPr><c:showLegendKey val="1"/><c:showVal val="1"/><c:showCatName val="1"/><c:showSerName val="0"/>'
           '<c:showPercent val="0"/><c:showBubbleSize val="0"/></c:dLbl>')
    dl = ('<c:dLbls>' + "".join(lbl.format(i=i) for i in range(5)) +
          '<c:spPr><a:solidFill><a:schemeClr val="accent4"/></a:solidFill></c:spPr><c:showLegendKey val="0"/>'
          '<c:showVal val="1"/><c:showCatName val="0"/><c:showSerName val="1"/><c:showPercent val="0"/>'
          '<c:showBubbleSize val="0"/><c:separator>; </c:separator></c:dLbls>')
    def f(t):
        t = re.sub(r'(<c:ser><c:idx val="\d"/><c:order val="\d"/>)', r"\1" + dl.replace("\\", "\\\\"), t)
        return t
    edit(p, "xl/charts/chart1.xml", f)
    # group-level labels only on chart2
    gl = ('<c:dLbls><c:spPr><a:solidFill><a:srgbClr val="92D050"/></a:solidFill></c:spPr><c:showLegendKey val="0"/>'
          '<c:showVal val="1"/><c:showCatName val="0"/><c:showSerName val="0"/><c:showPercent val="0"/>'
          '<c:showBubbleSize val="0"/></c:dLbls>')
    edit(p, "xl/charts/chart2.xml", lambda t: sub1(r'(<c:axId val="\d+"/><c:axId val="\d+"/></c:barChart>)', gl + r"\1", t))
    save("data-labels-heavy.xlsx", p)


@variant
def pie_3d():
    p = load("chart_pie05.xlsx")
    def f(t):
        t = t.replace("<c:pieChart>", "<c:pie3DChart>").replace("</c:pieChart>", "</c:pie3DChart>")
        t = re.sub(r"<c:firstSliceAng[^>]*/>", "", t)
        t = sub1(r"<c:chart>", '<c:chart><c:view3D><c:rotX val="30"/><c:rotY val="0"/><c:rAngAx val="0"/></c:view3D>', t)
        return t
    edit(p, "xl/charts/chart1.xml", f)
    save("pie-3d.xlsx", p)


@variant
def stock_volume():
    """Volume-open-high-low-close: a bar group on the primary axes, the stock group on secondary ones."""
    p = load("chart_stock01.xlsx")
    def f(t):
        sers = re.findall(r"<c:ser>.*?</c:ser>", t, flags=re.S)
        vol = sers[0].replace("Sheet1!$B$1:$B$5", "Sheet1!$E$1:$E$5")
        vol = re.sub(r"<c:spPr>.*?</c:spPr>", "", vol)
        vol = re.sub(r"<c:marker>.*?</c:marker>", "", vol)
        vol = vol.replace('<c:idx val="0"/><c:order val="0"/>', '<c:idx val="3"/><c:order val="0"/>')
        stock = "".join(s.replace('<c:order val="%d"/>' % i, '<c:order val="%d"/>' % (i + 1)) for i, s in enumerate(sers))
        bar = ('<c:barChart><c:barDir val="col"/><c:grouping val="clustered"/><c:varyColors val="0"/>' + vol +
               '<c:gapWidth val="150"/><c:axId val="1001"/><c:axId val="1002"/></c:barChart>')
        t = sub1(r"<c:stockChart>.*?</c:stockChart>",
                 lambda m: bar + re.sub(r"<c:stockChart>.*?(?=<c:hiLowLines|<c:upDownBars|<c:axId)",
                                        lambda n: "<c:stockChart>" + stock, m.group(0), flags=re.S), t)
        axes = ('<c:catAx><c:axId val="1001"/><c:scaling><c:orientation val="minMax"/></c:scaling><c:delete val="0"/>'
                '<c:axPos val="b"/><c:numFmt formatCode="dd/mm/yyyy" sourceLinked="1"/><c:tickLblPos val="nextTo"/>'
                '<c:crossAx val="1002"/><c:crosses val="autoZero"/><c:auto val="1"/><c:lblAlgn val="ctr"/>'
                '<c:lblOffset val="100"/></c:catAx><c:valAx><c:axId val="1002"/><c:scaling><c:orientation val="minMax"/>'
                '</c:scaling><c:delete val="0"/><c:axPos val="l"/><c:majorGridlines/><c:numFmt formatCode="General" sourceLinked="1"/>'
                '<c:tickLblPos val="nextTo"/><c:crossAx val="1001"/><c:crosses val="autoZero"/><c:crossBetween val="between"/></c:valAx>')
        t = sub1(r"(<c:(?:dateAx|catAx)>)", axes + r"\1", t)
        # the stock group's axes become secondary: its value axis crosses at max and sits right
        return t
    edit(p, "xl/charts/chart1.xml", f)
    save("stock-volume.xlsx", p)


# ---- package edits -----------------------------------------------------------------------------

def rels_edit(parts, fn):
    for n in list(parts):
        if n.endswith(".rels"):
            edit(parts, n, fn)


@variant
def absolute_targets():
    for src, dst in (("chart_bar03.xlsx", "absolute-targets.xlsx"), ("cht-charts.pptx", "absolute-targets.pptx"),
                     ("shp-access-ole-object.pptx", "absolute-targets-ole.pptx")):
        p = load(src)
        for n in list(p):
            if not n.endswith(".rels"):
                continue
            folder = n[: n.rfind("_rels/")]
            def f(t, folder=folder):
                def fix(m):
                    if 'TargetMode="External"' in m.group(0):
                        return m.group(0)
                    target = m.group(1)
                    if target.startswith("/"):
                        return m.group(0)
                    parts_ = (folder + target).split("/")
                    out = []
                    for s in parts_:
                        if s == "..":
                            out.pop()
                        elif s and s != ".":
                            out.append(s)
                    return m.group(0).replace('Target="%s"' % target, 'Target="/%s"' % "/".join(out))
                return re.sub(r'<Relationship [^>]*Target="([^"]*)"[^>]*/>', fix, t)
            edit(p, n, f)
        save(dst, p)


@variant
def other_folders():
    """The workbook's parts under another top folder, with other part names."""
    p = load("chart_bar03.xlsx")
    q = {}
    for n, data in p.items():
        m = n.replace("xl/", "data/book/").replace("charts/chart", "charts/graph").replace("drawings/drawing", "art/pic")
        m = m.replace("drawings/_rels/drawing", "art/_rels/pic")
        q[m] = data
    def fix_text(t):
        t = t.replace("/xl/", "/data/book/").replace('Target="xl/', 'Target="data/book/')
        t = t.replace("charts/chart", "charts/graph").replace("drawings/drawing", "art/pic")
        return t
    for n in list(q):
        if n.endswith(".rels") or n == "[Content_Types].xml":
            edit(q, n, fix_text)
    # the drawing moved to a different depth: ../charts from art/ still works (both under book/)
    save("other-folders.xlsx", q)


@variant
def renamed_ids_reordered():
    """Relationship ids that are not rIdN, zip entries in reverse order, attributes in another order."""
    p = load("chart_bar03.xlsx")
    def rid(t):
        return re.sub(r'rId(\d+)', lambda m: "R" + format(int(m.group(1)) * 7919, "x") + "_x", t)
    for n in list(p):
        if n.endswith(".rels") or n.endswith(".xml"):
            edit(p, n, rid)
    def swap(t):
        return re.sub(r'<Relationship Id="([^"]*)" Type="([^"]*)" Target="([^"]*)"/>',
                      r'<Relationship Target="\3" Type="\2" Id="\1"/>', t)
    rels_edit(p, swap)
    save("renamed-ids-reordered.xlsx", dict(reversed(list(p.items()))))


@variant
def stored_entries():
    save("stored-entries.xlsx", load("chart_pie05.xlsx"), compression=zipfile.ZIP_STORED)
    save("stored-entries.pptx", load("cht-charts.pptx"), compression=zipfile.ZIP_STORED)


@variant
def zip64_entries():
    save("zip64-entries.xlsx", load("chart_bar03.xlsx"), zip64=True)
    save("zip64-entries.pptx", load("shp-access-ole-object.pptx"), zip64=True)


@variant
def pretty_printed():
    """Indented XML with CRLF line ends, as some generators write."""
    p = load("chart_bar03.xlsx")
    def f(t):
        depth = [0]
        out = []
        for tok in re.findall(r"<[^>]+>|[^<]+", t):
            if tok.startswith("<?"):
                out.append(tok)
                continue
            if tok.startswith("</"):
                depth[0] -= 1
                if out and out[-1].startswith("<") is False:
                    out[-1] = out[-1]
                    out.append(tok)
                    continue
                out.append("\r\n" + "  " * depth[0] + tok)
            elif tok.startswith("<"):
                out.append("\r\n" + "  " * depth[0] + tok)
                if not tok.endswith("/>"):
                    depth[0] += 1
            else:
                out.append(tok)
        return "".join(out)
    edit(p, "xl/charts/chart1.xml", f)
    save("pretty-printed.xlsx", p)


@variant
def unicode_names():
    """A sheet named with spaces and non-ASCII letters, chart parts whose names need escaping."""
    p = load("chart_bar03.xlsx")
    sheet = "Données 売上 2024 'Q1'"
    p = {n.replace("xl/charts/chart1.xml", "xl/charts/diagramme été 1.xml"): d for n, d in p.items()}
    edit(p, "xl/workbook.xml", lambda t: t.replace('name="Sheet1"', 'name="%s"' % sheet.replace("'", "&apos;")))
    edit(p, "xl/drawings/_rels/drawing1.xml.rels",
         lambda t: t.replace("chart1.xml", "diagramme%20%C3%A9t%C3%A9%201.xml"))
    edit(p, "[Content_Types].xml", lambda t: t.replace("/xl/charts/chart1.xml", "/xl/charts/diagramme%20%C3%A9t%C3%A9%201.xml"))
    for n in ("xl/charts/diagramme été 1.xml", "xl/charts/chart2.xml"):
        edit(p, n, lambda t: t.replace("Sheet1!", "'Données 売上 2024 ''Q1'''!"))
    save("unicode-names.xlsx", p)


CHART_CT = "application/vnd.openxmlformats-officedocument.drawingml.chart+xml"
DRAWING_CT = "application/vnd.openxmlformats-officedocument.drawing+xml"
CHARTSHEET_CT = "application/vnd.openxmlformats-officedocument.spreadsheetml.chartsheet+xml"
WORKSHEET_CT = "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"


@variant
def chartsheet_and_worksheets():
    """A worksheet with two charts, then a chart sheet, then a hidden worksheet with a chart; opens on the chart sheet."""
    p = load("chart_bar03.xlsx")
    p["xl/charts/chart3.xml"] = p["xl/charts/chart1.xml"]
    p["xl/charts/chart4.xml"] = p["xl/charts/chart2.xml"]
    p["xl/chartsheets/sheet1.xml"] = (
        XML_DECLARATION + '<chartsheet xmlns="http://schemas.openxmlformats.org/'
        'spreadsheetml/2006/main" xmlns:r="' + REL + '"><sheetPr/><sheetViews><sheetView zoomScale="100" workbookViewId="0"/>'
        '</sheetViews><pageMargins b="0.75" l="0.7" r="0.7" t="0.75" header="0.3" footer="0.3"/><drawing r:id="rId1"/>'
        '</chartsheet>').encode()
    p["xl/chartsheets/_rels/sheet1.xml.rels"] = relationships_part(relationship("rId1", "drawing", "../drawings/drawing2.xml"))
    p["xl/drawings/drawing2.xml"] = (
        XML_DECLARATION + '<xdr:wsDr xmlns:xdr="http://schemas.openxmlformats.org/'
        'drawingml/2006/spreadsheetDrawing" xmlns:a="' + A + '"><xdr:absoluteAnchor><xdr:pos x="0" y="0"/>'
        '<xdr:ext cx="8667750" cy="6286500"/><xdr:graphicFrame macro=""><xdr:nvGraphicFramePr><xdr:cNvPr id="2" name="Chart 1"/>'
        '<xdr:cNvGraphicFramePr><a:graphicFrameLocks noGrp="1"/></xdr:cNvGraphicFramePr></xdr:nvGraphicFramePr>'
        '<xdr:xfrm><a:off x="0" y="0"/><a:ext cx="0" cy="0"/></xdr:xfrm><a:graphic><a:graphicData uri="' + C + '">'
        '<c:chart xmlns:c="' + C + '" xmlns:r="' + REL + '" r:id="rId1"/></a:graphicData></a:graphic></xdr:graphicFrame>'
        '<xdr:clientData/></xdr:absoluteAnchor></xdr:wsDr>').encode()
    p["xl/drawings/_rels/drawing2.xml.rels"] = relationships_part(relationship("rId1", "chart", "../charts/chart3.xml"))
    # a hidden worksheet with chart4
    p["xl/worksheets/sheet2.xml"] = p["xl/worksheets/sheet1.xml"]
    p["xl/worksheets/_rels/sheet2.xml.rels"] = p["xl/worksheets/_rels/sheet1.xml.rels"].replace(b"drawing1.xml", b"drawing3.xml")
    d3 = p["xl/drawings/drawing1.xml"].decode()
    d3 = re.sub(r"<xdr:twoCellAnchor>.*?</xdr:twoCellAnchor>", "", d3, count=1, flags=re.S)
    p["xl/drawings/drawing3.xml"] = d3.encode()
    p["xl/drawings/_rels/drawing3.xml.rels"] = p["xl/drawings/_rels/drawing1.xml.rels"].replace(b"chart2.xml", b"chart4.xml")
    def ct(t):
        for part, content_type in (("/xl/charts/chart3.xml", CHART_CT), ("/xl/charts/chart4.xml", CHART_CT),
                                   ("/xl/drawings/drawing2.xml", DRAWING_CT), ("/xl/drawings/drawing3.xml", DRAWING_CT),
                                   ("/xl/chartsheets/sheet1.xml", CHARTSHEET_CT), ("/xl/worksheets/sheet2.xml", WORKSHEET_CT)):
            t = add_override(t, part, content_type)
        return t
    edit(p, "[Content_Types].xml", ct)
    edit(p, "xl/_rels/workbook.xml.rels", lambda t: add_relationships(
        t, relationship("rId91", "chartsheet", "chartsheets/sheet1.xml"),
        relationship("rId92", "worksheet", "worksheets/sheet2.xml")))
    def wb(t):
        t = sub1(r"(<sheet [^>]*/>)", r'\1<sheet name="Chart 1" sheetId="5" r:id="rId91"/>'
                 r'<sheet name="Hidden data" sheetId="6" state="hidden" r:id="rId92"/>', t)
        if "<workbookView" in t:
            t = sub1(r"<workbookView", '<workbookView activeTab="1"', t)
        return t
    edit(p, "xl/workbook.xml", wb)
    save("chartsheet-and-worksheets.xlsx", p)


@variant
def chartsheet_only():
    p = load("chartsheet04.xlsx")
    del p["xl/worksheets/sheet1.xml"]
    edit(p, "xl/workbook.xml", lambda t: sub1(r'<sheet name="Sheet1"[^>]*/>', "", t))
    edit(p, "xl/_rels/workbook.xml.rels", lambda t: sub1(r'<Relationship Id="rId1"[^>]*/>', "", t))
    edit(p, "[Content_Types].xml", lambda t: sub1(r'<Override PartName="/xl/worksheets/sheet1.xml"[^>]*/>', "", t))
    save("chartsheet-only.xlsx", p)


@variant
def missing_optional_parts():
    """No docProps, no theme, no styles; a chart without c:printSettings."""
    p = load("chart_bar03.xlsx")
    for n in ("docProps/core.xml", "docProps/app.xml", "xl/theme/theme1.xml", "xl/styles.xml"):
        del p[n]
    edit(p, "_rels/.rels", lambda t: re.sub(r'<Relationship [^>]*docProps[^>]*/>', "", t))
    edit(p, "xl/_rels/workbook.xml.rels", lambda t: re.sub(r'<Relationship [^>]*(theme|styles)[^>]*/>', "", t))
    edit(p, "[Content_Types].xml", lambda t: re.sub(r'<Override PartName="/(docProps|xl/theme|xl/styles)[^>]*/>', "", t))
    edit(p, "xl/charts/chart1.xml", lambda t: sub1(r"<c:printSettings>.*?</c:printSettings>", "", t))
    save("missing-optional-parts.xlsx", p)


# ---- presentations -----------------------------------------------------------------------------

@variant
def external_chart_rel():
    p = load("cht-charts.pptx")
    edit(p, "ppt/slides/_rels/slide1.xml.rels",
         lambda t: t.replace('Target="../charts/chart1.xml"', 'Target="file:///C:/Charts/chart1.xml" TargetMode="External"'))
    save("external-chart-rel.pptx", p)


@variant
def external_chart_in_drawing():
    """One of a worksheet's two charts kept in a file outside the workbook."""
    p = load("chart_bar03.xlsx")
    edit(p, "xl/drawings/_rels/drawing1.xml.rels",
         lambda t: t.replace('Target="../charts/chart2.xml"', 'Target="file:///C:/Charts/chart2.xml" TargetMode="External"'))
    save("external-chart-in-drawing.xlsx", p)


@variant
def linked_ole():
    """The OLE object links to a workbook outside the file (p:link), as an inserted linked object does."""
    p = load("shp-access-ole-object.pptx")
    edit(p, "ppt/slides/_rels/slide1.xml.rels", lambda t: sub1(
        r'<Relationship Id="rId3" Type="[^"]*/package" Target="../embeddings/Microsoft_Excel_Worksheet.xlsx"/>',
        lambda m: '<Relationship Id="rId3" Type="' + REL + '/oleObject" Target="file:///C:\\Users\\me\\Book1.xlsx!Sheet1!R1C1:R5C3" '
        'TargetMode="External"/>', t))
    edit(p, "ppt/slides/slide1.xml", lambda t: re.sub(r"<p:embed\s*/>", '<p:link updateAutomatic="1"/>', t))
    save("linked-ole.pptx", p)


@variant
def macro_enabled():
    """A macro-enabled presentation and workbook: main parts named after the application."""
    for src, dst, new in (("cht-charts.pptx", "macro-enabled.pptm", "application/vnd.ms-powerpoint.presentation.macroEnabled.main+xml"),
                          ("chart_bar03.xlsx", "macro-enabled.xlsm", "application/vnd.ms-excel.sheet.macroEnabled.main+xml")):
        p = load(src)
        edit(p, "[Content_Types].xml", lambda t: sub1(r"application/vnd\.openxmlformats-officedocument\."
                                                       r"(spreadsheetml\.sheet|presentationml\.presentation)\.main\+xml", new, t))
        save(dst, p)


@variant
def ole_binary_workbook():
    """An OLE worksheet object whose embedded package is a binary workbook (.xlsb)."""
    import io
    wb = io.BytesIO()
    with zipfile.ZipFile(wb, "w") as z:
        z.writestr("[Content_Types].xml", XML_DECLARATION + '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/><Default Extension="bin" ContentType="application/vnd.ms-excel.sheet.binary.macroEnabled.main"/></Types>')
        z.writestr("_rels/.rels", relationships_part(relationship("rId1", "officeDocument", "xl/workbook.bin")))
        z.writestr("xl/workbook.bin", b"\x83\x01\x00\x80\x01\x00\x00\x00")
    p = load("shp-access-ole-object.pptx")
    q = {}
    for n, d in p.items():
        if n == "ppt/embeddings/Microsoft_Excel_Worksheet.xlsx":
            q["ppt/embeddings/Microsoft_Excel_Binary_Worksheet.xlsb"] = wb.getvalue()
            continue
        d = d.replace(b"Microsoft_Excel_Worksheet.xlsx", b"Microsoft_Excel_Binary_Worksheet.xlsb")
        d = d.replace(b'progId="Excel.Sheet.12"', b'progId="Excel.SheetBinaryMacroEnabled.12"')
        if n == "[Content_Types].xml":
            d = d.replace(b"</Types>", b'<Default Extension="xlsb" ContentType="application/vnd.ms-excel.sheet.binary.macroEnabled.12"/></Types>')
        q[n] = d
    save("ole-binary-workbook.pptx", q)


@variant
def grouped_charts():
    p = load("cht-charts.pptx")
    def f(t):
        frame = re.search(r"<p:graphicFrame>.*?</p:graphicFrame>", t, flags=re.S).group(0)
        grp = ('<p:grpSp><p:nvGrpSpPr><p:cNvPr id="10" name="Group {n}"/><p:cNvGrpSpPr/><p:nvPr/></p:nvGrpSpPr><p:grpSpPr>'
               '<a:xfrm><a:off x="0" y="0"/><a:ext cx="9144000" cy="6858000"/><a:chOff x="0" y="0"/><a:chExt cx="9144000" cy="6858000"/>'
               '</a:xfrm></p:grpSpPr>{inner}</p:grpSp>')
        inner = grp.format(n=2, inner=frame)
        return t.replace(frame, grp.format(n=1, inner=inner))
    edit(p, "ppt/slides/slide1.xml", f)
    save("grouped-charts.pptx", p)


@variant
def chart_no_workbook():
    """A slide chart without its embedded workbook (c:externalData and the package relationship gone)."""
    p = load("cht-charts.pptx")
    for n in [n for n in p if n.startswith("ppt/embeddings/") or n == "ppt/charts/_rels/chart1.xml.rels"]:
        del p[n]
    edit(p, "ppt/charts/chart1.xml", lambda t: re.sub(r"<c:externalData.*?</c:externalData>|<c:externalData[^>]*/>", "", t, flags=re.S))
    save("chart-no-workbook.pptx", p)


@variant
def pie_vary_forms():
    """varyColors with no val, varyColors absent, a doughnut with varyColors off, a one-series bar with it on."""
    p = load("chart_pie05.xlsx")
    edit(p, "xl/charts/chart1.xml", lambda t: sub1(r'<c:varyColors val="1"/>', "<c:varyColors/>", t))
    save("pie-vary-noval.xlsx", p)
    p = load("chart_pie05.xlsx")
    edit(p, "xl/charts/chart1.xml", lambda t: sub1(r'<c:varyColors val="1"/>', "", t))
    save("pie-vary-absent.xlsx", p)
    p = load("chart_doughnut06.xlsx")
    edit(p, "xl/charts/chart1.xml", lambda t: re.sub(r'<c:varyColors val="1"/>', '<c:varyColors val="0"/>', t))
    save("doughnut-vary-off.xlsx", p)
    p = load("chart_bar03.xlsx")
    def f(t):
        t = sub1(r'<c:ser><c:idx val="1"/>.*?</c:ser>', "", t)
        return sub1(r'(<c:grouping val="clustered"/>)', r'\1<c:varyColors val="1"/>', t)
    edit(p, "xl/charts/chart1.xml", f)
    save("bar-vary-one-series.xlsx", p)


@variant
def utf16_chart():
    p = load("chart_bar03.xlsx")
    t = p["xl/charts/chart1.xml"].decode().replace('encoding="UTF-8"', 'encoding="UTF-16"')
    p["xl/charts/chart1.xml"] = b"\xff\xfe" + t.encode("utf-16-le")
    save("utf16-chart.xlsx", p)


@variant
def latin1_chart():
    """A chart part stored in ISO-8859-1 with a series named in accented letters."""
    p = load("chart_bar03.xlsx")
    t = p["xl/charts/chart1.xml"].decode().replace('encoding="UTF-8"', 'encoding="ISO-8859-1"')
    t = sub1(r'(<c:ser><c:idx val="0"/><c:order val="0"/>)', r'\1<c:tx><c:strRef><c:f>Sheet1!$B$1</c:f><c:strCache>'
             r'<c:ptCount val="1"/><c:pt idx="0"><c:v>Umsätze 2° Öl</c:v></c:pt></c:strCache></c:strRef></c:tx>', t)
    p["xl/charts/chart1.xml"] = t.encode("latin-1")
    save("latin1-chart.xlsx", p)


@variant
def nofill_series():
    p = load("chart_bar03.xlsx")
    edit(p, "xl/charts/chart1.xml", lambda t: sub1(r'(<c:ser><c:idx val="0"/><c:order val="0"/>)',
         r'\1<c:spPr><a:noFill/><a:ln><a:noFill/></a:ln></c:spPr>', t))
    save("nofill-series.xlsx", p)


@variant
def pie_series_fill():
    """A pie with varied colours whose series stores a fill of its own (and a doughnut alike)."""
    p = load("chart_pie05.xlsx")
    edit(p, "xl/charts/chart1.xml", lambda t: sub1(r"(<c:ser><c:idx val=\"0\"/><c:order val=\"0\"/>(?:<c:tx>.*?</c:tx>)?)",
         r'\1<c:spPr><a:solidFill><a:srgbClr val="4F81BD"/></a:solidFill></c:spPr>', t))
    save("pie-series-fill.xlsx", p)
    p = load("chart_doughnut06.xlsx")
    edit(p, "xl/charts/chart1.xml", lambda t: re.sub(r"(<c:ser><c:idx val=\"\d+\"/><c:order val=\"\d+\"/>(?:<c:tx>.*?</c:tx>)?)",
         r'\1<c:spPr><a:gradFill><a:gsLst><a:gs pos="0"><a:srgbClr val="FF0000"/></a:gs><a:gs pos="100000"><a:srgbClr val="0000FF"/></a:gs></a:gsLst></a:gradFill></c:spPr>', t, flags=re.S))
    save("doughnut-series-fill.xlsx", p)


@variant
def many_series():
    """60 bar series and a pie of 120 slices: more than any table of patterns or palette colours."""
    p = load("chart_bar03.xlsx")
    def f(t):
        ser = re.search(r"<c:ser>.*?</c:ser>", t, flags=re.S).group(0)
        many = "".join(ser.replace('<c:idx val="0"/><c:order val="0"/>', '<c:idx val="%d"/><c:order val="%d"/>' % (i, i))
                       for i in range(60))
        return re.sub(r"<c:ser>.*</c:ser>", lambda m: many, t, count=1, flags=re.S)
    edit(p, "xl/charts/chart1.xml", f)
    save("many-series.xlsx", p)
    q = load("chart_pie05.xlsx")
    def g(t):
        pts = "".join('<c:pt idx="%d"><c:v>%d</c:v></c:pt>' % (i, i + 1) for i in range(120))
        t = re.sub(r'(<c:val><c:numRef><c:f>[^<]*</c:f><c:numCache><c:formatCode>[^<]*</c:formatCode>)<c:ptCount val="\d+"/>.*?(</c:numCache>)',
                   lambda m: m.group(1) + '<c:ptCount val="120"/>' + pts + m.group(2), t, count=1, flags=re.S)
        return t
    edit(q, "xl/charts/chart1.xml", g)
    save("many-slices.xlsx", q)


@variant
def picture_fill():
    """A series filled with a picture (blipFill), a legend with a gradient."""
    p = load("chart_bar03.xlsx")
    png = bytes.fromhex("89504e470d0a1a0a0000000d4948445200000001000000010806000000"
                        "1f15c4890000000d49444154789c63f8cfc0f01f0005000201a5e1c7b60000000049454e44ae426082")
    p["xl/media/image1.png"] = png
    p["xl/charts/_rels/chart1.xml.rels"] = relationships_part(relationship("rId1", "image", "../media/image1.png"))
    edit(p, "[Content_Types].xml", lambda t: t.replace("<Default ", '<Default Extension="png" ContentType="image/png"/><Default ', 1))
    def f(t):
        t = t.replace('xmlns:a="', 'xmlns:r="' + REL + '" xmlns:a="', 1) if 'xmlns:r=' not in t else t
        t = sub1(r'(<c:ser><c:idx val="0"/><c:order val="0"/>)',
                 r'\1<c:spPr><a:blipFill><a:blip r:embed="rId1"/><a:stretch><a:fillRect/></a:stretch></a:blipFill></c:spPr>', t)
        t = sub1(r'(<c:ser><c:idx val="1"/><c:order val="1"/>)',
                 r'\1<c:spPr><a:blipFill><a:blip r:embed="rId1"/><a:tile tx="0" ty="0" sx="100000" sy="100000" flip="none" algn="tl"/></a:blipFill></c:spPr>', t)
        t = sub1(r"(<c:legendPos val=\"r\"/><c:layout/>)", r'\1<c:overlay val="0"/><c:spPr><a:gradFill><a:gsLst><a:gs pos="0"><a:srgbClr val="FF0000"/></a:gs><a:gs pos="100000"><a:srgbClr val="00FF00"/></a:gs></a:gsLst></a:gradFill></c:spPr>', t)
        return t
    edit(p, "xl/charts/chart1.xml", f)
    save("picture-fill.xlsx", p)


@variant
def strict_namespaces():
    """ISO strict namespaces throughout, as Excel's Strict Open XML format writes them."""
    p = load("chart_bar03.xlsx")
    subs = [("http://schemas.openxmlformats.org/officeDocument/2006/relationships", "http://purl.oclc.org/ooxml/officeDocument/relationships"),
            ("http://schemas.openxmlformats.org/spreadsheetml/2006/main", "http://purl.oclc.org/ooxml/spreadsheetml/main"),
            ("http://schemas.openxmlformats.org/drawingml/2006/chart", "http://purl.oclc.org/ooxml/drawingml/chart"),
            ("http://schemas.openxmlformats.org/drawingml/2006/main", "http://purl.oclc.org/ooxml/drawingml/main"),
            ("http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing", "http://purl.oclc.org/ooxml/drawingml/spreadsheetDrawing")]
    for n in list(p):
        if n.endswith(".xml") or n.endswith(".rels"):
            def f(t):
                for a, b in subs:
                    t = t.replace(a, b)
                return t
            edit(p, n, f)
    edit(p, "xl/workbook.xml", lambda t: t.replace("<workbook ", '<workbook conformance="strict" ', 1))
    save("strict-namespaces.xlsx", p)


if __name__ == "__main__":
    for name, fn in variant.chosen(ONLY):
        try:
            fn()
        except Exception as e:
            print(name + ": " + repr(e))
