// One chart part of an Office file (a DrawingML chart, c:chartSpace) <-> the Excel stand-in's
// chart model.
//
// Reading gives the values Excel's object model would report for the chart: what the part stores
// explicitly, and where it stores nothing (most series of real files), the automatic format of the
// chart style resolved against the file's theme. Writing puts back only what differs between two
// models, each property in its DrawingML form and in the schema's element order; everything the
// model does not hold (text, layout, cached data, extensions) stays as it was.
//
// How the model maps onto the part:
//   chartArea          c:chartSpace/c:spPr
//   plotArea           c:plotArea/c:spPr
//   legend             c:legend/c:spPr; entries: one per series (per point of the first series for
//                      varied colours, per colour band for surface charts, c:bandFmts), less the
//                      c:legendEntry marked deleted; a legend key reads as its series, point or band
//   walls, floor       c:backWall (and c:sideWall, written alike), c:floor; present for 3-D charts
//   axes[0..2]         the axes of the first chart group that has axes, by the position of their
//                      id in that group (category, value, series); a deleted axis is not present
//   series             c:ser in document order over the chart groups of c:plotArea; points by the
//                      value cache (or, where a reference stores no cache, by the cells its
//                      formula names), per-point formats and markers from c:dPt; data labels from
//                      the series' c:dLbls (or the group's), one label per point; leader lines,
//                      trendlines, markers (c:marker) from the series
#pragma once

#include "sim/ExcelModel.h"

#include <pugixml.hpp>

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace office {

// A theme's colour scheme after the colour map: the colour each scheme name stands for, as
// 0xRRGGBB. Names: dk1, lt1, dk2, lt2, accent1..accent6, hlink, folHlink and the mapped tx1, bg1,
// tx2, bg2. The scheme and the map are kept apart so that either can be overridden on its own
// (a slide's or a chart's colour map, a chart's theme override).
struct Theme {
    enum Slot { Dk1, Lt1, Dk2, Lt2, Accent1, Accent2, Accent3, Accent4, Accent5, Accent6, Hlink,
                FolHlink, Tx1, Bg1, Tx2, Bg2, SlotCount };
    static constexpr int kSchemeSize = FolHlink + 1;
    std::array<uint32_t, SlotCount> colours{};
    std::array<uint32_t, kSchemeSize> scheme{};  // the colour scheme's own twelve colours
    // The scheme colour each name stands for. dk1..lt2 are never mapped; the accents and links
    // map to themselves unless a colour map says otherwise; tx1/bg1/tx2/bg2 to dk1/lt1/dk2/lt2.
    std::array<int, SlotCount> map{Dk1, Lt1, Dk2, Lt2, Accent1, Accent2, Accent3, Accent4, Accent5, Accent6,
                                   Hlink, FolHlink, Dk1, Lt1, Dk2, Lt2};

    // The colour of a scheme name (as in a:schemeClr val); false for a name the scheme lacks.
    bool Lookup(const std::string& name, uint32_t& rgb) const;
    uint32_t operator[](Slot s) const { return colours[s]; }
};

// themeRoot: a:theme, or empty for Office's default theme. clrMap: the slide master's p:clrMap,
// or empty for the identity map (bg1=lt1, tx1=dk1, bg2=lt2, tx2=dk2) that workbooks use.
Theme ReadTheme(const pugi::xml_node& themeRoot, const pugi::xml_node& clrMap);
// The theme under another colour map (an element whose attributes are a:CT_ColorMapping's:
// p:clrMap, a:overrideClrMapping, c:clrMapOvr); names the map leaves out keep their mapping.
Theme WithColourMap(const Theme& theme, const pugi::xml_node& map);
// The names whose colour map differs from the identity map (tx1=dk1, bg1=lt1, tx2=dk2, bg2=lt2,
// the accents and links themselves), each with the scheme colour it stands for: what a renderer
// that knows only the master's p:clrMap must be given to draw under a slide's or chart's map.
std::map<std::string, std::string> ColourMapChanges(const Theme& theme);
// The changes a chart is drawn under: its slide's (as ColourMapChanges gives them; names and
// colours no map has are ignored) with the chart's own c:clrMapOvr over them, name by name.
std::map<std::string, std::string> ChartColourMapChanges(const std::map<std::string, std::string>& slideChanges,
                                                         const pugi::xml_node& chartSpace);
// The theme with the colour scheme of a theme override part (a:themeOverride, whose a:clrScheme
// replaces the theme's), under the same colour map; the theme itself without one.
Theme WithThemeOverride(const Theme& theme, const pugi::xml_node& themeOverrideRoot);

// A cell as a chart reads it: a number, or text (shared, inline or a formula's string result).
struct CellValue {
    bool present = false;     // false: an empty cell, which a chart leaves out
    bool isNumber = false;
    double number = 0;
    std::string text;         // UTF-8; a number's text as the cell stores it
};

// The cells a chart formula names, in the order a chart takes them (along a row or down a
// column); empty when the formula cannot be read.
class CellSource {
public:
    virtual ~CellSource() = default;
    virtual std::vector<CellValue> Range(const std::string& formula) const = 0;
};

struct ChartReading {
    sim::ChartModel model;        // what Excel's object model would report
    bool supported = true;        // false: the part cannot be modelled (e.g. cx:chart); left unchanged
    std::string reason;           // why not, for the report
};
// cells: the workbook behind the chart, read where a reference (c:numRef, c:strRef) stores its
// formula without the values (no c:numCache, c:strCache); the part itself is not changed.
ChartReading ReadChartPart(const pugi::xml_document& chartPart, const Theme& theme, const CellSource* cells = nullptr);

// Writes into the part what differs between before (as ReadChartPart gave it) and after (the
// converted model): DrawingML in schema order. Returns the number of properties written.
size_t WriteChartChanges(pugi::xml_document& chartPart, const sim::ChartModel& before,
                         const sim::ChartModel& after, const Theme& theme);

}  // namespace office
