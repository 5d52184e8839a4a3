// The state of the Excel stand-in: plain data, no COM.
//
// sim/SimExcel.h puts automation objects over this model (one object per node, with Excel's
// dispatch identifiers and interface ids); the deck files of the host tool are read into and
// written from it, and the report draws charts from it. A write through automation changes the
// model at once, so a test or the report reads the result here.
//
// Node containers that automation can reorder, add to or remove from (workbooks, sheets) hold
// their nodes by unique_ptr so that a node keeps its address, and with it its COM identity, for
// the life of the model.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sim {

// Office colour values (&H00BBGGRR) and Excel constants are kept as the numbers Excel uses.
// ColorIndex (Border and Interior): -4142 (xlNone) means no colour at all (a transparent
// interior, no border line); writing ColorIndex 1..56 also sets color from Excel's default
// palette, and writing Color sets colorIndex to the matching palette entry (or back to
// automatic after xlNone).
struct BorderModel {
    int32_t color = 0;          // Border.Color
    int32_t colorIndex = -4105; // Border.ColorIndex (xlColorIndexAutomatic)
    int32_t weight = 2;         // Border.Weight: 1 hairline, 2 thin, 4 thick, -4138 medium
    int32_t lineStyle = 1;      // Border.LineStyle: 1 continuous, -4142 none, -4118 dot, ...
};

struct InteriorModel {
    int32_t color = 0xFFFFFF;   // Interior.Color
    int32_t patternColor = 0;   // Interior.PatternColor
    int32_t colorIndex = -4105; // Interior.ColorIndex
    int32_t pattern = 1;        // Interior.Pattern (xlSolid)
};

// Excel's ChartFillFormat; the same fill answers as Office FillFormat where queried for it.
struct FillModel {
    enum class Type { Solid, Patterned, Gradient, Textured, Picture };
    int32_t visible = -1;       // MsoTriState: -1 msoTrue, 0 msoFalse, -2 mixed
    Type type = Type::Solid;
    int32_t pattern = 0;        // MsoPatternType after Patterned(n); 0 when not patterned
};

// A chart element with border, interior and fill (chart area, plot area, legend, walls, floor,
// data label, legend key, point). present = false: the chart has no such element.
struct ElementModel {
    bool present = true;
    BorderModel border;
    InteriorModel interior;
    FillModel fill;
};

// Gridlines, leader lines and trendlines have a border only.
struct LineElementModel {
    bool present = true;
    BorderModel border;
};

// The colour of a chart text (Font.Color of a title, the legend, tick labels or data labels) as
// the file or the chart style sets it. The plug-in never writes fonts: the colour is kept to tell
// whether the text still shows on what the conversion leaves behind it. present = false: the
// chart shows no such text, or its colour is not known.
struct TextModel {
    bool present = false;
    int32_t color = 0;          // Font.Color
};

struct AxisModel {
    bool present = false;
    BorderModel border;
    LineElementModel majorGridlines{false, {}};
    LineElementModel minorGridlines{false, {}};
    TextModel tickLabelFont;    // TickLabels.Font
    TextModel titleFont;        // AxisTitle.Font
};

// A point's marker is the series' unless the point has one of its own; Excel's Point reports
// either alike, and a write to the series' marker reaches every point's.
struct PointModel {
    double value = 0;           // for drawing only
    ElementModel element;
    int32_t markerStyle = -4105;           // Point.MarkerStyle
    int32_t markerSize = 5;
    int32_t markerForegroundColor = 0;
    int32_t markerBackgroundColor = 0xFFFFFF;
};

struct SeriesModel {
    std::wstring name;
    int32_t chartType = 51;     // xlColumnClustered
    BorderModel border;
    InteriorModel interior;
    FillModel fill;
    std::vector<PointModel> points;
    bool hasDataLabels = false;
    std::vector<ElementModel> dataLabels;  // one per point when shown
    bool hasLeaderLines = false;
    LineElementModel leaderLines{false, {}};
    std::vector<LineElementModel> trendlines;
    int32_t markerStyle = -4105;           // xlMarkerStyleAutomatic
    int32_t markerSize = 5;
    int32_t markerForegroundColor = 0;
    int32_t markerBackgroundColor = 0xFFFFFF;
    TextModel dataLabelFont;               // DataLabels.Font, when labels are shown
};

struct LegendEntryModel {
    ElementModel legendKey;
};

struct LegendModel : ElementModel {
    std::vector<LegendEntryModel> entries;
    TextModel font;             // Legend.Font
};

struct ChartModel {
    std::wstring name;
    int32_t chartType = 51;     // xlColumnClustered
    std::vector<std::wstring> categories;  // for drawing only
    ElementModel chartArea;
    ElementModel plotArea;
    LegendModel legend;
    ElementModel walls{false, {}, {}, {}};
    ElementModel floor{false, {}, {}, {}};
    // Indexed by XlAxisType - 1: category (1), value (2), series (3), primary group.
    AxisModel axes[3];
    std::vector<SeriesModel> series;
    TextModel titleFont;        // ChartTitle.Font; present when the chart shows a title
};

struct ChartObjectModel {
    std::wstring name;
    ChartModel chart;
};

struct SheetModel {
    enum class Kind { Worksheet, ChartSheet };
    Kind kind = Kind::Worksheet;
    std::wstring name;
    std::vector<ChartObjectModel> chartObjects;  // worksheets
    ChartModel chart;                            // chart sheets
};

struct WorkbookModel {
    std::wstring name;
    std::vector<std::unique_ptr<SheetModel>> sheets;
    // The active sheet, by its current position (0-based) in sheets; -1 when none.
    int activeSheet = 0;
    // On a worksheet, the chart object (0-based) whose chart is active (ActiveChart); -1 when
    // no embedded chart is active. On a chart sheet ActiveChart is the sheet's chart.
    int activeChartObject = -1;
    bool open = true;           // false after Close
    bool saved = false;         // set if anybody ever saves: the plug-in must not
    bool closedWithSaveChanges = false;  // Close was called with SaveChanges True
};

struct ApplicationModel {
    std::wstring version = L"12.0";
    // Open and closed workbooks, in the order they were opened; Workbooks lists the open ones.
    std::vector<std::unique_ptr<WorkbookModel>> workbooks;
};

}  // namespace sim
