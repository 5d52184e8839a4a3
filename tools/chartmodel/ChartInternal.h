// What the chart reader and writer share inside tools/chartmodel: colours, the mapping tables, the
// chart style's automatic formats and the map from the model to the part's elements.
#pragma once

#include "tools/chartmodel/ChartPart.h"
#include "tools/chartmodel/ChartXml.h"

#include <cstdint>
#include <string>
#include <vector>

namespace office::detail {

// ---- Colours (Theme.cpp) ----
// DrawingML writes 0xRRGGBB; Excel's object model answers &H00BBGGRR.
int32_t ToModel(uint32_t rgb);
uint32_t FromModel(int32_t bgr);

struct Transform {
    std::string name;  // lumMod, lumOff, tint, shade, alpha, satMod, ...
    int value;         // in 1/100,000 (degrees in 1/60,000 for the hue ones)
};
uint32_t Transformed(uint32_t rgb, const std::vector<Transform>& transforms);

// A DrawingML colour element (srgbClr, schemeClr, sysClr, prstClr, scrgbClr, hslClr) with its
// transforms. phClr (the placeholder a style's colours use) stands for `placeholder`.
bool ResolveColour(const xml::Names& names, const pugi::xml_node& colour, const Theme& theme, uint32_t placeholder,
                   uint32_t& rgb);
// The colour held by a fill element (solidFill, fgClr, bgClr, gs): its first colour child.
bool ColourIn(const xml::Names& names, const pugi::xml_node& holder, const Theme& theme, uint32_t placeholder,
              uint32_t& rgb);
bool PresetColour(const std::string& name, uint32_t& rgb);
// The theme after a chart's own c:clrMapOvr.
Theme WithColourMapOverride(const Theme& theme, const xml::Names& names, const pugi::xml_node& clrMapOvr);

// ---- Tables (DrawingMLTables.cpp) ----
const char* PatternPreset(int msoPatternType);   // nullptr outside 1..54
int PatternOfPreset(const std::string& prst);    // 0 for an unknown preset
const char* DashOfLineStyle(int32_t lineStyle);  // nullptr: no dash (none, double)
int32_t LineStyleOfDash(const std::string& prstDash);
int32_t WeightOfEmu(long emu);
long EmuOfWeight(int32_t weight);
const char* SymbolOfMarker(int32_t markerStyle); // nullptr for automatic
int32_t MarkerOfSymbol(const std::string& symbol);
int32_t PaletteColour(int colorIndex);           // &H00BBGGRR of Excel's default palette; -1 outside 1..56

// ---- Chart groups (ChartTypes.cpp) ----
enum class Family { Bar, Bar3D, Line, Line3D, Area, Area3D, Pie, Pie3D, OfPie, Doughnut, Radar, Scatter, Bubble,
                    Surface, Surface3D, Stock, Unknown };
Family FamilyOf(const xml::Names& names, const pugi::xml_node& group);
bool IsChartGroup(const xml::Names& names, const pugi::xml_node& n);
bool HasWalls(Family f);
bool VariesByPoint(Family f);                    // pies and doughnuts colour each point
bool SeriesTakesMarker(Family f);
int32_t SeriesChartType(const xml::Names& names, const pugi::xml_node& plotArea, const pugi::xml_node& group,
                        const pugi::xml_node& ser);
int32_t GroupChartType(const xml::Names& names, const pugi::xml_node& plotArea, const pugi::xml_node& group);

// ---- The chart style's automatic formats (ChartStyle.cpp) ----
struct AutoFormats {
    int style = 2;
    Theme theme;
    // The automatic colour of a series (or varied point, or surface band) of index idx out of count.
    uint32_t SeriesColour(int idx, int count) const;
    sim::ElementModel ChartArea() const;
    sim::ElementModel PlotArea(bool threeD) const;
    sim::ElementModel Legend() const;
    sim::ElementModel Wall() const;
    sim::ElementModel DataLabel() const;
    sim::BorderModel AxisLine() const;
    sim::BorderModel Gridline() const;
    sim::BorderModel LeaderLine() const;
    // A series drawn as filled shapes (of index idx, for the styles that outline each series in
    // its own accent) or as a line, in its automatic colour.
    sim::ElementModel FilledSeries(uint32_t colour, int idx) const;
    sim::ElementModel LineSeries(uint32_t colour) const;
    sim::BorderModel Trendline() const;
    // Text: the text colour, on the dark chart area of styles 41..48 the background colour.
    uint32_t TextColour() const;

private:
    int Row() const { return (style - 1) / 8; }
    uint32_t Backdrop() const;        // the plot area's (walls', floor's) fill of rows 5 and 6
    sim::BorderModel OtherLine() const;
};
int ChartStyleOf(const xml::Names& names, const pugi::xml_node& chartSpace);

// ---- Reading formats (ChartRead.cpp) ----
// An element's format: the automatic one with what c:spPr stores laid over it.
sim::ElementModel ReadFormat(const xml::Names& names, const pugi::xml_node& spPr, const Theme& theme,
                             sim::ElementModel automatic);
sim::BorderModel ReadLine(const xml::Names& names, const pugi::xml_node& spPr, const Theme& theme,
                          sim::BorderModel automatic);

// ---- The part's elements behind the model (ChartMap.cpp) ----
struct SeriesNodes {
    pugi::xml_node group;
    pugi::xml_node ser;
    Family family = Family::Unknown;
};
struct ChartNodes {
    pugi::xml_node chartSpace, chart, plotArea, legend, floor, backWall, sideWall;
    pugi::xml_node axes[3];           // by XlAxisType - 1; empty when absent
    std::vector<pugi::xml_node> groups;
    std::vector<SeriesNodes> series;
    bool threeD = false;
};
// False with a reason when the part is not a chart this code can model.
bool MapChart(const xml::Names& names, const pugi::xml_document& doc, ChartNodes& nodes, std::string& reason);
// Excel 2007's limit of points per series; a cache that declares more is read that far, so that
// a hostile count cannot make the model huge.
constexpr int kMaxPoints = 32000;
// The number of points of a series, from its value cache (0 without one).
int PointCount(const xml::Names& names, const pugi::xml_node& ser);
// The legend's entries as the band, point or series index each stands for, deleted ones left out.
enum class LegendKind { Series, Points, Bands };
LegendKind LegendKindOf(const ChartNodes& nodes, const xml::Names& names);
// count: how many entries there are before the deleted ones are left out, where the caller knows
// better than the part (-1: as the part says).
std::vector<int> LegendEntryIndexes(const ChartNodes& nodes, const xml::Names& names, int count = -1);
int SurfaceBandCount(const ChartNodes& nodes, const xml::Names& names);
// A value axis' scale. Excel's automatic one, from the data's extremes and what the axis fixes
// (NaN for a limit it leaves automatic, a major unit of 0 when automatic).
struct AxisScale {
    double minimum = 0, maximum = 0, majorUnit = 0;
};
AxisScale ValueAxisScale(double dataMin, double dataMax, const AxisScale& fixed);
// The values a series' value cache holds, in the cache's order.
std::vector<double> SeriesValues(const xml::Names& names, const pugi::xml_node& ser);
// Whether a group colours each point of its series on its own (c:varyColors): pies and doughnuts
// unless switched off, other groups only when switched on and the chart has a single series.
bool VariedColours(const ChartNodes& nodes, const xml::Names& names, const pugi::xml_node& group);

// ---- The whole part (ChartRead.cpp, ChartWrite.cpp) ----
sim::ChartModel ReadModel(const xml::Names& names, const ChartNodes& nodes, const Theme& theme);
// The colours of the chart's texts (ChartText.cpp), once the rest of the model is read.
void ReadTextColours(const xml::Names& names, const ChartNodes& nodes, const AutoFormats& autos, sim::ChartModel& m);
size_t WriteModelChanges(const xml::Names& names, const ChartNodes& nodes, const sim::ChartModel& before,
                         const sim::ChartModel& after);

}  // namespace office::detail
