// A presentation written from scratch: slides holding charts (a graphic frame and a chart part,
// with or without an embedded workbook) and Excel objects embedded as OLE objects (an embedded
// workbook and its preview picture). The one-slide presentations that LibreOffice renders and
// the built-in sample presentation are both made here.
#pragma once

#include "tools/package/ZipWriter.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace render {

using office::ZipEntry;

// Positions and sizes in EMU (914,400 per inch).
struct Rect {
    int64_t x = 0, y = 0, cx = 0, cy = 0;
};

// Scheme colours by the names that stand for them (bg1 -> dk1, tx1 -> lt1 ...): the names a
// colour map changes from the identity map; empty for the identity map itself.
using ColourMap = std::map<std::string, std::string>;

struct ChartFrame {
    std::string name;           // the frame's name, as PowerPoint shows it in the selection pane
    Rect rect;
    std::string chartXml;       // the chart part
    // The chart's workbook (an .xlsx package), or empty for none. The chart part refers to it as
    // relationship rId1 (c:externalData r:id="rId1").
    std::string embeddedXlsx;
    // The chart's theme override (a:themeOverride, which replaces the theme's colours for this
    // chart alone), or empty for none.
    std::string themeOverrideXml{};
    // When set, the frame shows this SVG picture instead of the chart: the chart as it prints
    // where LibreOffice cannot draw what it holds (tools/bwoffice/PrintedCharts.h).
    std::string pictureSvg{};
};

struct OleFrame {
    std::string name;
    Rect rect;
    std::string progId = "Excel.Sheet.12";
    std::string embeddedXlsx;   // the object's workbook
    std::string previewPng;     // the picture PowerPoint (and LibreOffice) shows for the object
    // PowerPoint 2007's form: p:oleObj names a shape of the slide's legacy VML drawing (spid) and
    // carries no p:pic; the picture is that shape's v:imagedata.
    bool vmlForm = false;
};

struct SlideContent {
    std::string title;          // a text box at the top, or empty for none
    std::vector<ChartFrame> charts;
    std::vector<OleFrame> oleObjects;
};

struct PresentationContent {
    int64_t slideWidth = 9144000, slideHeight = 6858000;
    std::string themeXml;       // the slide master's theme; empty: the default theme below
    ColourMap colourMap;        // the master's colour map, over the identity map
    std::vector<SlideContent> slides;
};

// Every part of the package, [Content_Types].xml and the relationships included.
std::vector<ZipEntry> PresentationEntries(const PresentationContent& content);

// Office's default theme of 2007-2010 (accents 4F81BD, C0504D, 9BBB59, 8064A2, 4BACC6, F79646):
// the theme whose colours a chart without a theme of its own is drawn in.
const std::string& DefaultThemeXml();

// Text for an XML attribute or element.
std::string EscapeXml(const std::string& text);

}  // namespace render
