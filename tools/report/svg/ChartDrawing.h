// The pieces the chart drawing (tools/report/ChartSvg.h) is made of, shared between the files
// that draw each part: the SVG document and its paints, markers, the frame (scales, legend,
// axes, gridlines, walls and floor) and the charts of each family. Private to the drawing.
#pragma once

#include "sim/ExcelModel.h"
#include "tools/report/ChartSvg.h"
#include "tools/report/Patterns.h"

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace bwpass::svg {

using sim::BorderModel;
using sim::ChartModel;
using sim::ElementModel;
using sim::FillModel;
using sim::InteriorModel;
using sim::SeriesModel;

// ---- The SVG document of one chart: shapes, and the patterns and gradients they use. ----

std::string Num(double v);
// An Office colour (&H00BBGGRR) as CSS.
std::string Css(int32_t bgr);
// A value as an axis or data label prints it.
std::string Label(double v);

struct Stroke {
    bool on = false;
    std::string colour = "#000000";
    double width = 1;
    std::string dash;
    bool isDouble = false;
    std::string note = "no line";
};

Stroke StrokeOf(const BorderModel& b);

struct Box {
    double x, y, w, h;
};

struct Pt {
    double x, y;
};

class Svg {
public:
    // patternPixel: drawing units per pixel of a pattern's 8 x 8 tile. bitmapPatterns: each
    // pattern a picture of many tiles rather than a tile of squares, for a renderer that would
    // otherwise draw every square of every tile on its own.
    explicit Svg(std::string prefix, double patternPixel = 2, bool bitmapPatterns = false)
        : prefix_(std::move(prefix)), patternPixel_(patternPixel), bitmapPatterns_(bitmapPatterns) {}

    // The paint of an interior and fill pair, with a description for the element's tooltip.
    std::string paint(const sim::InteriorModel& in, const sim::FillModel& f, std::string* note = nullptr);
    std::string paint(const sim::ElementModel& e, std::string* note = nullptr);

    // tag: "rect", "path", ...; geometry: its attributes. A double line is drawn as a wide
    // stroke with a narrow stroke in white along its middle.
    void shape(const char* tag, const std::string& geometry, const std::string& fill, const Stroke& st,
               const std::string& title = {});
    void rect(const Box& b, const std::string& fill, const Stroke& st, const std::string& title = {});
    void path(const std::string& d, const std::string& fill, const Stroke& st, const std::string& title = {});
    void line(Pt a, Pt b, const Stroke& st, const std::string& title = {});
    void polyline(const std::vector<Pt>& pts, const Stroke& st, const std::string& title = {});
    // rotate: degrees about `at` (-90 reads upwards).
    void text(Pt at, const std::string& s, const char* anchor = "middle", double size = 9,
              const std::string& colour = "", double rotate = 0);
    // A see-through dark layer, for the shaded faces of 3-D bars.
    void shade(const std::string& d, double opacity);

    std::string finish(const std::string& title, int height = kChartHeight) const;

    static std::string PathOf(const std::vector<Pt>& pts, bool close);
    std::string pattern(int n, int32_t fg, int32_t bg);
    static std::string TilePath(const PatternBits& bits, double scale);

    // Where the legend's keys were drawn, in order, with their labels.
    const std::vector<std::pair<Box, std::string>>& legendKeys() const { return legendKeys_; }
    void addLegendKey(const Box& b, const std::string& label) { legendKeys_.emplace_back(b, label); }

private:
    std::string gradient(int32_t from, int32_t to);

    std::string prefix_;
    double patternPixel_;
    bool bitmapPatterns_;
    std::vector<std::pair<Box, std::string>> legendKeys_;
    std::string defs_, body_;
    std::set<std::string> defined_;
};

// ---- Markers ----

bool IsLineLike(int32_t chartType);
bool ShowsMarkers(const SeriesModel& s);
void Marker(Svg& svg, const SeriesModel& s, size_t seriesIndex, Pt at, const std::string& title);
std::string MarkerNote(const SeriesModel& s);

// ---- Shared layout ----

std::string SeriesLabel(const SeriesModel& s, size_t i);
std::string CategoryLabel(const ChartModel& c, size_t j);
std::string Shorten(const std::string& s, size_t n);
size_t CategoryCount(const ChartModel& c);
double ValueAt(const SeriesModel& s, size_t j);

struct Scale {
    double lo = 0, hi = 1, step = 1;
    double frac(double v) const { return hi > lo ? (v - lo) / (hi - lo) : 0; }
};

Scale NiceScale(double lo, double hi);

// ---- Legend ----

struct LegendKey {
    std::string label;
    std::string fill = "none";
    Stroke stroke;
    bool isLine = false;
    const SeriesModel* markerSeries = nullptr;
    size_t seriesIndex = 0;
    std::string title;
};

std::vector<LegendKey> LegendKeys(Svg& svg, const ChartModel& c);
void DrawLegend(Svg& svg, const ChartModel& c, const Box& box, const std::vector<LegendKey>& keys);

// ---- Axes and gridlines of the charts drawn on two axes ----

void ValueGridlines(Svg& svg, const ChartModel& c, const Scale& sc, bool horizontal, const Box& p, Pt depth);
void CategoryGridlines(Svg& svg, const ChartModel& c, size_t n, bool horizontal, const Box& p, Pt depth);
void WallsAndFloor(Svg& svg, const ChartModel& c, const Box& p, Pt d);
void Axes(Svg& svg, const ChartModel& c, const Scale& sc, size_t n, bool horizontal, const Box& p, Pt d,
          const std::vector<std::string>& categoryLabels);

// ---- The charts of each family, in the plot area p ----

// Columns, bars, lines, areas, scatter, bubbles, stock.
void DrawCartesian(Svg& svg, const ChartModel& c, const Box& p);
void DrawPie(Svg& svg, const ChartModel& c, const Box& p);
void DrawDoughnut(Svg& svg, const ChartModel& c, const Box& p);
void DrawRadar(Svg& svg, const ChartModel& c, const Box& p);

// Surfaces: colour bands, one per legend entry.
Scale SurfaceRange(const ChartModel& c);
size_t BandCount(const ChartModel& c);
std::vector<LegendKey> SurfaceKeys(Svg& svg, const ChartModel& c, const Scale& range, size_t bands);
void DrawSurface(Svg& svg, const ChartModel& c, const Box& p, const std::vector<LegendKey>& bands, const Scale& range);

}  // namespace bwpass::svg
