#!/usr/bin/env python3
"""Office files in forms the corpus lacks (README.md): make_forms.py CORPUS_FOLDER OUT_FOLDER [NAME...]"""
import re
import sys
from pathlib import Path

sys.dont_write_bytecode = True
sys.path.insert(0, str(Path(__file__).resolve().parent.parent))
from officegen import (A, Folders, Recipes, add_override, add_relationships, edit,  # noqa: E402
                       relationship, sub1)

files = Folders(Path(sys.argv[1]), Path(sys.argv[2]))
load, save = files.load, files.save
ONLY = set(sys.argv[3:])

FULL_MAP = ('accent1="accent1" accent2="accent2" accent3="accent3" accent4="accent4" accent5="accent5" '
            'accent6="accent6" hlink="hlink" folHlink="folHlink"')
DARK_MAP = 'bg1="dk1" tx1="lt1" bg2="dk2" tx2="lt2" ' + FULL_MAP


def strip_caches(t):
    return re.sub(r"<c:(numCache|strCache)>.*?</c:\1>", "", t, flags=re.S)


form = Recipes()


# ---- chart styles ------------------------------------------------------------------------------

@form
def styles_35_42():
    """Two workbook charts of the styles' last rows: 35 (lt1 area, accent tint plot area, outlined
    series) and 42 (dk1 area, dark grey plot area)."""
    p = load("xlsx/chart_bar03.xlsx")
    edit(p, "xl/charts/chart1.xml", lambda t: sub1(r'(<c:lang val="en-US"/>)', r'\1<c:style val="35"/>', t))
    edit(p, "xl/charts/chart2.xml", lambda t: sub1(r'(<c:lang val="en-US"/>)', r'\1<c:style val="42"/>', t))
    save("styles-35-42.xlsx", p)


@form
def style_42_presentation():
    """A chart of PowerPoint's own (c:externalData) in style 42, no stored chart area format."""
    p = load("pptx/cht-charts.pptx")
    edit(p, "ppt/charts/chart1.xml", lambda t: sub1(r'val="118"', 'val="142"', sub1(r'<c:style val="18"/>', '<c:style val="42"/>', t)))
    save("style-42-presentation.pptx", p)


# ---- a point's own marker ----------------------------------------------------------------------

@form
def point_marker():
    """A line series with circle markers, its third point a red diamond of its own (c:dPt/c:marker)."""
    p = load("xlsx/chart_line03.xlsx")
    own = ('<c:dPt><c:idx val="2"/><c:marker><c:symbol val="diamond"/><c:size val="9"/><c:spPr><a:solidFill>'
           '<a:srgbClr val="FF0000"/></a:solidFill><a:ln><a:solidFill><a:srgbClr val="0000FF"/></a:solidFill>'
           '</a:ln></c:spPr></c:marker></c:dPt>')
    edit(p, "xl/charts/chart1.xml", lambda t: sub1(r'<c:marker><c:symbol val="none"/></c:marker>',
                                                   '<c:marker><c:symbol val="circle"/><c:size val="7"/></c:marker>' + own, t))
    save("point-marker.xlsx", p)


# ---- colour context ----------------------------------------------------------------------------

@form
def colour_map_chart():
    """A workbook chart mapping the theme anew in its c:clrMapOvr attributes: bg1 is dk1."""
    p = load("xlsx/chart_bar03.xlsx")
    edit(p, "xl/charts/chart1.xml", lambda t: sub1(r'(<c:lang val="en-US"/>)', r'\1<c:clrMapOvr ' + DARK_MAP + '/>', t))
    save("colour-map-chart.xlsx", p)


@form
def colour_map_slide():
    """A slide whose p:clrMapOvr maps bg1 to dk1, and a chart with a theme override whose accent1 is
    red."""
    p = load("pptx/cht-charts.pptx")
    edit(p, "ppt/slides/slide1.xml", lambda t: sub1(r"<p:clrMapOvr><a:masterClrMapping/></p:clrMapOvr>",
                                                    "<p:clrMapOvr><a:overrideClrMapping " + DARK_MAP + "/></p:clrMapOvr>", t))
    theme = p["ppt/theme/theme1.xml"].decode("utf-8")
    scheme = re.search(r"<a:clrScheme .*?</a:clrScheme>", theme, re.S).group(0)
    scheme = sub1(r"<a:accent1>.*?</a:accent1>", '<a:accent1><a:srgbClr val="FF0000"/></a:accent1>', scheme)
    p["ppt/theme/themeOverride1.xml"] = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
                                         '<a:themeOverride xmlns:a="' + A + '">' + scheme + '</a:themeOverride>').encode()
    edit(p, "ppt/charts/_rels/chart1.xml.rels", lambda t: add_relationships(
        t, relationship("rId9", "themeOverride", "../theme/themeOverride1.xml")))
    edit(p, "[Content_Types].xml", lambda t: add_override(
        t, "/ppt/theme/themeOverride1.xml", "application/vnd.openxmlformats-officedocument.themeOverride+xml"))
    save("colour-map-slide.pptx", p)


@form
def tint_shade():
    """Shapes filled with tints and shades, to read their rendered colours (README.md)."""
    p = load("pptx/cht-charts.pptx")
    colours = ['<a:srgbClr val="4F81BD"><a:tint val="50000"/></a:srgbClr>',
               '<a:srgbClr val="4F81BD"><a:shade val="50000"/></a:srgbClr>',
               '<a:srgbClr val="000000"><a:tint val="20000"/></a:srgbClr>',
               '<a:srgbClr val="000000"><a:tint val="95000"/></a:srgbClr>',
               '<a:srgbClr val="C0504D"><a:shade val="25000"/></a:srgbClr>']
    shapes = "".join(
        '<p:sp><p:nvSpPr><p:cNvPr id="%d" name="Swatch %d"/><p:cNvSpPr/><p:nvPr/></p:nvSpPr><p:spPr><a:xfrm>'
        '<a:off x="%d" y="0"/><a:ext cx="1000000" cy="1000000"/></a:xfrm><a:prstGeom prst="rect"><a:avLst/>'
        '</a:prstGeom><a:solidFill>%s</a:solidFill><a:ln><a:noFill/></a:ln></p:spPr></p:sp>' % (10 + i, i + 1, i * 1200000, c)
        for i, c in enumerate(colours))
    edit(p, "ppt/slides/slide1.xml", lambda t: sub1(r"</p:spTree>", shapes + "</p:spTree>", t))
    save("tint-shade.pptx", p)


# ---- charts without cached values --------------------------------------------------------------

@form
def no_cache_quoted():
    """A workbook chart whose references keep only their formulas, on a sheet named Sheet'1."""
    p = load("xlsx/quote_name02.xlsx")
    for n in list(p):
        if re.match(r"xl/charts/chart\d+\.xml$", n):
            edit(p, n, strip_caches)
    save("no-cache-quoted.xlsx", p)


@form
def no_cache_strings():
    """A line chart without caches whose name, categories and one series come from text cells
    (shared and inline strings) and a row."""
    p = load("xlsx/chart_line03.xlsx")
    strings = ["North", "East", "South", "West", "Centre"]
    p["xl/sharedStrings.xml"] = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?><sst xmlns='
                                 '"http://schemas.openxmlformats.org/spreadsheetml/2006/main" count="5" uniqueCount="5">' +
                                 "".join("<si><t>%s</t></si>" % s for s in strings) + "</sst>").encode()
    edit(p, "xl/_rels/workbook.xml.rels", lambda t: add_relationships(
        t, relationship("rId9", "sharedStrings", "sharedStrings.xml")))
    edit(p, "[Content_Types].xml", lambda t: add_override(
        t, "/xl/sharedStrings.xml", "application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"))

    def sheet(t):
        rows = "".join('<c r="E%d" t="s"><v>%d</v></c>' % (r, r - 1) for r in range(1, 6))
        t = sub1(r'(<row r="1"[^>]*>.*?)(</row>)', r'\1<c r="D1" t="inlineStr"><is><t>Sales 2020</t></is></c>'
                 + '<c r="E1" t="s"><v>0</v></c>' + r"\2", t)
        for r in range(2, 6):
            t = sub1(r'(<row r="%d"[^>]*>.*?)(</row>)' % r, r'\1<c r="E%d" t="s"><v>%d</v></c>\2' % (r, r - 1), t)
        return sub1(r"</sheetData>", '<row r="7"><c r="A7"><v>1</v></c><c r="B7"><v>0</v></c><c r="C7"><v>4</v></c>'
                    '<c r="E7"><v>9</v></c></row></sheetData>', t)
    edit(p, "xl/worksheets/sheet1.xml", sheet)

    def chart(t):
        t = strip_caches(t)
        t = sub1(r"(<c:order val=\"0\"/>)", r"\1<c:tx><c:strRef><c:f>Sheet1!$D$1</c:f></c:strRef></c:tx>", t)
        t = sub1(r"(<c:val><c:numRef><c:f>Sheet1!\$A\$1:\$A\$5</c:f>)",
                 r"<c:cat><c:strRef><c:f>Sheet1!$E$1:$E$5</c:f></c:strRef></c:cat>\1", t)
        return sub1(r"Sheet1!\$C\$1:\$C\$5", "Sheet1!$A$7:$E$7", t)
    edit(p, "xl/charts/chart1.xml", chart)
    save("no-cache-strings.xlsx", p)


@form
def no_cache_presentation():
    """A presentation's chart without caches: its points are in the embedded workbook."""
    p = load("pptx/cht-charts.pptx")
    edit(p, "ppt/charts/chart1.xml", strip_caches)
    save("no-cache-presentation.pptx", p)


# ---- surface bands -----------------------------------------------------------------------------

@form
def surface_0_10():
    """A surface chart of three series whose values run from 0 to 10."""
    p = load("xlsx/chart_line03.xlsx")
    values = [[0, 2, 5, 8, 10], [1, 3, 6, 9, 7], [2, 4, 4, 5, 6]]

    def chart(t):
        group = re.search(r"<c:lineChart>.*?</c:lineChart>", t, re.S).group(0)
        series = ""
        for i, vs in enumerate(values):
            col = "ABC"[i]
            pts = "".join('<c:pt idx="%d"><c:v>%d</c:v></c:pt>' % (j, v) for j, v in enumerate(vs))
            series += ('<c:ser><c:idx val="%d"/><c:order val="%d"/><c:val><c:numRef><c:f>Sheet1!$%s$1:$%s$5</c:f>'
                       '<c:numCache><c:formatCode>General</c:formatCode><c:ptCount val="5"/>%s</c:numCache></c:numRef>'
                       '</c:val></c:ser>' % (i, i, col, col, pts))
        surface = ('<c:surfaceChart><c:wireframe val="0"/>' + series +
                   '<c:axId val="47673728"/><c:axId val="47675264"/><c:axId val="47676800"/></c:surfaceChart>')
        t = t.replace(group, surface)
        return sub1(r"</c:valAx>", '</c:valAx><c:serAx><c:axId val="47676800"/><c:scaling><c:orientation val="minMax"/>'
                    '</c:scaling><c:axPos val="b"/><c:tickLblPos val="nextTo"/><c:crossAx val="47675264"/>'
                    '<c:crosses val="autoZero"/></c:serAx>', t)
    edit(p, "xl/charts/chart1.xml", chart)

    def sheet(t):
        for r in range(1, 6):
            t = sub1(r'<row r="%d"[^>]*>.*?</row>' % r, '<row r="%d">' % r + "".join(
                '<c r="%s%d"><v>%d</v></c>' % ("ABC"[i], r, values[i][r - 1]) for i in range(3)) + "</row>", t)
        return t
    edit(p, "xl/worksheets/sheet1.xml", sheet)
    save("surface-0-10.xlsx", p)
    # The same without caches, its cells three times as large: 0 to 35 by 5, seven bands.
    edit(p, "xl/charts/chart1.xml", strip_caches)
    edit(p, "xl/worksheets/sheet1.xml", lambda t: re.sub(r"<v>(\d+)</v>", lambda m: "<v>%d</v>" % (3 * int(m.group(1))), t))
    save("surface-no-cache.xlsx", p)


# ---- bars and lines the conversion leaves -----------------------------------------------------

@form
def up_down_bars():
    """A line chart with up and down bars in Office's first two accents (C0504D up, 4F81BD down:
    greys 113 and 120), yellow drop lines (grey 226) and high-low lines in their default."""
    p = load("xlsx/chart_line03.xlsx")
    bars = ('<c:dropLines><c:spPr><a:ln w="9525"><a:solidFill><a:srgbClr val="FFFF00"/></a:solidFill></a:ln></c:spPr>'
            '</c:dropLines><c:hiLowLines/><c:upDownBars><c:gapWidth val="150"/><c:upBars><c:spPr><a:solidFill>'
            '<a:srgbClr val="C0504D"/></a:solidFill></c:spPr></c:upBars><c:downBars><c:spPr><a:solidFill>'
            '<a:srgbClr val="4F81BD"/></a:solidFill></c:spPr></c:downBars></c:upDownBars>')
    edit(p, "xl/charts/chart1.xml", lambda t: sub1(r'<c:marker val="1"/>', bars + '<c:marker val="1"/>', t))
    save("up-down-bars.xlsx", p)


for name, fn in form.chosen(ONLY):
    fn()
    print(name)
