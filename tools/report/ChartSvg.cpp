#include "tools/report/ChartSvg.h"

#include "tools/deck/Constants.h"
#include "tools/report/Patterns.h"
#include "tools/deck/Text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

namespace bwpass {
namespace {

using sim::BorderModel;
using sim::ChartModel;
using sim::ElementModel;
using sim::FillModel;
using sim::InteriorModel;
using sim::SeriesModel;

constexpr double kPi = 3.14159265358979323846;
// Image pixels per pattern tile pixel: one-pixel dots would blur away on screen and in a
// screenshot; two keep every hatch of an 8 x 8 tile visible.
constexpr int kPatternPixel = 2;
constexpr int32_t kWhite = 0xFFFFFF;

std::string Num(double v) {
    char b[32];
    std::snprintf(b, sizeof b, "%.1f", v);
    std::string s = b;
    if (s.size() > 2 && s.compare(s.size() - 2, 2, ".0") == 0) s.resize(s.size() - 2);
    if (s == "-0") s = "0";
    return s;
}

std::string Css(int32_t bgr) {
    char b[8];
    std::snprintf(b, sizeof b, "#%02X%02X%02X", bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
    return b;
}

std::string Label(double v) {
    char b[32];
    if (std::fabs(v - std::round(v)) < 0.05) std::snprintf(b, sizeof b, "%.0f", v);
    else std::snprintf(b, sizeof b, "%.1f", v);
    return b;
}

struct Stroke {
    bool on = false;
    std::string colour = "#000000";
    double width = 1;
    std::string dash;
    bool isDouble = false;
    std::string note = "no line";
};

double WeightWidth(int32_t weight) {
    switch (weight) {
    case 1: return 0.6;     // hairline
    case 2: return 1.2;     // thin
    case -4138: return 2.2; // medium
    case 3: return 2.6;     // unnamed; what the conversion gives line series
    case 4: return 3.2;     // thick
    default: return 1.2;
    }
}

std::string WeightName(int32_t weight) {
    const char* n = domain::BorderWeight().nameOf(weight);
    return n ? n : "weight " + std::to_string(weight);
}

Stroke StrokeOf(const BorderModel& b) {
    Stroke s;
    if (b.lineStyle == -4142 || b.colorIndex == -4142) return s;
    s.on = true;
    s.colour = Css(b.color);
    s.width = WeightWidth(b.weight);
    const double u = std::max(1.2, s.width);
    auto dashes = [u](std::initializer_list<double> parts) {
        std::string d;
        for (double p : parts) d += (d.empty() ? "" : " ") + Num(p * u);
        return d;
    };
    switch (b.lineStyle) {
    case -4115: s.dash = dashes({5, 3}); break;                 // dash
    case -4118: s.dash = dashes({1, 1.6}); break;               // dot
    case 4: s.dash = dashes({5, 2, 1, 2}); break;               // dash dot
    case 5: s.dash = dashes({5, 2, 1, 2, 1, 2}); break;         // dash dot dot
    case 13: s.dash = dashes({7, 2, 2.5, 2}); break;            // slanted dash dot
    case -4119: s.isDouble = true; break;                       // double
    default: break;
    }
    const char* style = domain::LineStyle().nameOf(b.lineStyle);
    s.note = "line " + s.colour + ", " + WeightName(b.weight) + ", " +
             (style ? style : "style " + std::to_string(b.lineStyle));
    return s;
}

struct Box {
    double x, y, w, h;
};

struct Pt {
    double x, y;
};

// ---- The SVG document of one chart: shapes, and the patterns and gradients they use. ----

class Svg {
public:
    explicit Svg(std::string prefix) : prefix_(std::move(prefix)) {}

    // The paint of an interior and fill pair, with a description for the element's tooltip.
    std::string paint(const InteriorModel& in, const FillModel& f, std::string* note = nullptr) {
        std::string dummy;
        std::string& n = note ? *note : dummy;
        if (f.visible == 0 || in.colorIndex == -4142 || in.pattern == -4142) {
            n = "no fill";
            return "none";
        }
        // Color is what Excel draws: the stand-in keeps it in step with ColorIndex writes, and
        // ColorIndex counts only as xlColorIndexNone.
        const int32_t fg = in.color;
        switch (f.type) {
        case FillModel::Type::Patterned:
            if (f.pattern >= 1 && f.pattern <= 54) {
                n = "pattern " + std::to_string(f.pattern) + " " + PatternName(f.pattern) + ", " + Css(fg) +
                    " on " + Css(in.patternColor);
                return "url(#" + pattern(f.pattern, fg, in.patternColor) + ")";
            }
            n = "patterned without a pattern: " + Css(fg);
            return Css(fg);
        case FillModel::Type::Gradient:
            n = "gradient " + Css(fg) + " to " + Css(in.patternColor);
            return "url(#" + gradient(fg, in.patternColor) + ")";
        case FillModel::Type::Textured:
        case FillModel::Type::Picture:
            n = "picture or texture, shown in " + Css(fg);
            return Css(fg);
        case FillModel::Type::Solid:
        default:
            n = "solid " + Css(fg);
            return Css(fg);
        }
    }

    std::string paint(const ElementModel& e, std::string* note = nullptr) {
        return paint(e.interior, e.fill, note);
    }

    // tag: "rect", "path", ...; geometry: its attributes. A double line is drawn as a wide
    // stroke with a narrow stroke in white along its middle.
    void shape(const char* tag, const std::string& geometry, const std::string& fill, const Stroke& st,
               const std::string& title = {}) {
        std::string open = std::string("<") + tag + " " + geometry + " fill=\"" + fill + "\"";
        if (!st.on) {
            open += " stroke=\"none\"";
        } else {
            open += " stroke=\"" + st.colour + "\" stroke-width=\"" + Num(st.isDouble ? st.width * 3 : st.width) + "\"";
            if (!st.dash.empty()) open += " stroke-dasharray=\"" + st.dash + "\"";
        }
        body_ += open;
        if (title.empty()) body_ += "/>";
        else body_ += "><title>" + HtmlEscape(title) + "</title></" + tag + ">";
        if (st.on && st.isDouble)
            body_ += std::string("<") + tag + " " + geometry + " fill=\"none\" stroke=\"#FFFFFF\" stroke-width=\"" +
                     Num(st.width) + "\"/>";
        body_ += "\n";
    }

    void rect(const Box& b, const std::string& fill, const Stroke& st, const std::string& title = {}) {
        shape("rect", "x=\"" + Num(b.x) + "\" y=\"" + Num(b.y) + "\" width=\"" + Num(std::max(0.0, b.w)) +
                          "\" height=\"" + Num(std::max(0.0, b.h)) + "\"",
              fill, st, title);
    }

    void path(const std::string& d, const std::string& fill, const Stroke& st, const std::string& title = {}) {
        shape("path", "d=\"" + d + "\"", fill, st, title);
    }

    void line(Pt a, Pt b, const Stroke& st, const std::string& title = {}) {
        if (!st.on) return;
        shape("line", "x1=\"" + Num(a.x) + "\" y1=\"" + Num(a.y) + "\" x2=\"" + Num(b.x) + "\" y2=\"" + Num(b.y) + "\"",
              "none", st, title);
    }

    void polyline(const std::vector<Pt>& pts, const Stroke& st, const std::string& title = {}) {
        if (!st.on || pts.size() < 2) return;
        shape("path", "d=\"" + PathOf(pts, false) + "\" stroke-linejoin=\"round\"", "none", st, title);
    }

    void text(Pt at, const std::string& s, const char* anchor = "middle", double size = 9) {
        body_ += "<text x=\"" + Num(at.x) + "\" y=\"" + Num(at.y) + "\" font-size=\"" + Num(size) +
                 "\" text-anchor=\"" + anchor + "\">" + HtmlEscape(s) + "</text>\n";
    }

    // A see-through dark layer, for the shaded faces of 3-D bars.
    void shade(const std::string& d, double opacity) {
        body_ += "<path d=\"" + d + "\" fill=\"#000000\" fill-opacity=\"" + Num(opacity) + "\" stroke=\"none\"/>\n";
    }

    std::string finish(const std::string& title) const {
        return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(kChartWidth) + "\" height=\"" +
               std::to_string(kChartHeight) + "\" viewBox=\"0 0 " + std::to_string(kChartWidth) + " " +
               std::to_string(kChartHeight) + "\" font-family=\"Arial, Helvetica, sans-serif\">\n<title>" +
               HtmlEscape(title) + "</title>\n<defs>\n" + defs_ + "</defs>\n" + body_ + "</svg>\n";
    }

    static std::string PathOf(const std::vector<Pt>& pts, bool close) {
        std::string d;
        for (size_t i = 0; i < pts.size(); ++i)
            d += (i ? " L" : "M") + Num(pts[i].x) + " " + Num(pts[i].y);
        if (close) d += " Z";
        return d;
    }

    std::string pattern(int n, int32_t fg, int32_t bg) {
        const std::string id = prefix_ + "p" + std::to_string(n) + "-" + Css(fg).substr(1) + "-" + Css(bg).substr(1);
        if (!defined_.insert(id).second) return id;
        const int tile = 8 * kPatternPixel;
        defs_ += "<pattern id=\"" + id + "\" width=\"" + std::to_string(tile) + "\" height=\"" + std::to_string(tile) +
                 "\" patternUnits=\"userSpaceOnUse\"><rect width=\"" + std::to_string(tile) + "\" height=\"" +
                 std::to_string(tile) + "\" fill=\"" + Css(bg) + "\"/><path shape-rendering=\"crispEdges\" fill=\"" +
                 Css(fg) + "\" d=\"" + TilePath(PatternTile(n), kPatternPixel) + "\"/></pattern>\n";
        return id;
    }

    static std::string TilePath(const PatternBits& bits, int scale) {
        std::string d;
        for (int r = 0; r < 8; ++r)
            for (int c = 0; c < 8; ++c)
                if (bits[r] & (0x80 >> c))
                    d += "M" + std::to_string(c * scale) + " " + std::to_string(r * scale) + "h" +
                         std::to_string(scale) + "v" + std::to_string(scale) + "h-" + std::to_string(scale) + "z";
        return d;
    }

private:
    std::string gradient(int32_t from, int32_t to) {
        const std::string id = prefix_ + "g" + Css(from).substr(1) + "-" + Css(to).substr(1);
        if (defined_.insert(id).second)
            defs_ += "<linearGradient id=\"" + id + "\" x1=\"0\" y1=\"0\" x2=\"0\" y2=\"1\"><stop offset=\"0\" stop-color=\"" +
                     Css(from) + "\"/><stop offset=\"1\" stop-color=\"" + Css(to) + "\"/></linearGradient>\n";
        return id;
    }

    std::string prefix_;
    std::string defs_, body_;
    std::set<std::string> defined_;
};

// ---- Markers ----

// Excel's choice for automatic markers, by series position.
const int32_t kAutomaticMarkers[] = {2, 1, 3, -4168, 5, 8, 9};

bool IsLineLike(int32_t chartType) {
    const Family f = FamilyOf(chartType);
    return f == Family::Line || f == Family::Scatter || f == Family::Stock ||
           (f == Family::Radar && chartType != 82);
}

bool ShowsMarkers(const SeriesModel& s) {
    if (!IsLineLike(s.chartType) || s.markerStyle == -4142) return false;
    return s.markerStyle != -4105 || ShowsAutomaticMarkers(s.chartType);
}

void Marker(Svg& svg, const SeriesModel& s, size_t seriesIndex, Pt at, const std::string& title) {
    int32_t style = s.markerStyle == -4105 ? kAutomaticMarkers[seriesIndex % 7] : s.markerStyle;
    const double r = std::max(2.0, s.markerSize * 0.6);
    Stroke edge;
    edge.on = true;
    edge.colour = Css(s.markerForegroundColor);
    edge.width = 1;
    const std::string fill = Css(s.markerBackgroundColor);
    const std::string x = Num(at.x), y = Num(at.y);
    auto poly = [&](std::initializer_list<Pt> offsets) {
        std::vector<Pt> pts;
        for (Pt o : offsets) pts.push_back({at.x + o.x * r, at.y + o.y * r});
        svg.path(Svg::PathOf(pts, true), fill, edge, title);
    };
    auto cross = [&](bool diagonal, bool upright) {
        std::string d;
        if (diagonal)
            d += "M" + Num(at.x - r) + " " + Num(at.y - r) + " L" + Num(at.x + r) + " " + Num(at.y + r) + " M" +
                 Num(at.x - r) + " " + Num(at.y + r) + " L" + Num(at.x + r) + " " + Num(at.y - r);
        if (upright)
            d += " M" + Num(at.x - r) + " " + y + " L" + Num(at.x + r) + " " + y + " M" + x + " " + Num(at.y - r) +
                 " L" + x + " " + Num(at.y + r);
        svg.path(d, "none", edge, title);
    };
    switch (style) {
    case 1: case -4147: svg.rect({at.x - r, at.y - r, 2 * r, 2 * r}, fill, edge, title); break;
    case 2: poly({{0, -1.3}, {1.3, 0}, {0, 1.3}, {-1.3, 0}}); break;
    case 3: poly({{0, -1.25}, {1.15, 0.85}, {-1.15, 0.85}}); break;
    case 8:
        svg.shape("circle", "cx=\"" + x + "\" cy=\"" + y + "\" r=\"" + Num(r) + "\"", fill, edge, title);
        break;
    case -4118:
        svg.shape("circle", "cx=\"" + x + "\" cy=\"" + y + "\" r=\"" + Num(r / 2) + "\"", edge.colour, edge, title);
        break;
    case -4115: svg.path("M" + Num(at.x - r) + " " + y + " L" + Num(at.x + r) + " " + y, "none", edge, title); break;
    case -4168: cross(true, false); break;
    case 9: cross(false, true); break;
    case 5: cross(true, true); break;
    default: break;
    }
}

std::string MarkerNote(const SeriesModel& s) {
    const char* n = domain::MarkerStyle().nameOf(s.markerStyle);
    return std::string(n ? n : std::to_string(s.markerStyle).c_str()) + " size " + std::to_string(s.markerSize) +
           ", marker " + Css(s.markerForegroundColor) + " on " + Css(s.markerBackgroundColor);
}

// ---- Shared layout ----

struct Layout {
    Box plot;
    Box legend;
};

std::string SeriesLabel(const SeriesModel& s, size_t i) {
    return s.name.empty() ? "Series " + std::to_string(i + 1) : Utf8(s.name);
}

std::string CategoryLabel(const ChartModel& c, size_t j) {
    return j < c.categories.size() ? Utf8(c.categories[j]) : std::to_string(j + 1);
}

std::string Shorten(const std::string& s, size_t n) {
    return s.size() <= n ? s : s.substr(0, n - 1) + "\xE2\x80\xA6";
}

size_t CategoryCount(const ChartModel& c) {
    size_t n = c.categories.size();
    for (const SeriesModel& s : c.series) n = std::max(n, s.points.size());
    return std::max<size_t>(n, 1);
}

double ValueAt(const SeriesModel& s, size_t j) { return j < s.points.size() ? s.points[j].value : 0; }

double NiceStep(double span) {
    if (span <= 0) return 1;
    const double raw = span / 5;
    const double mag = std::pow(10, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 2.5, 5.0, 10.0})
        if (raw <= m * mag) return m * mag;
    return 10 * mag;
}

struct Scale {
    double lo = 0, hi = 1, step = 1;
    double frac(double v) const { return hi > lo ? (v - lo) / (hi - lo) : 0; }
};

Scale NiceScale(double lo, double hi) {
    Scale s;
    if (hi <= lo) hi = lo + 1;
    s.step = NiceStep(hi - lo);
    s.lo = std::floor(lo / s.step) * s.step;
    s.hi = std::ceil(hi / s.step) * s.step;
    if (s.hi <= s.lo) s.hi = s.lo + s.step;
    return s;
}

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

std::vector<LegendKey> SurfaceKeys(Svg& svg, const ChartModel& c, const Scale& range, size_t bands);

std::vector<LegendKey> LegendKeys(Svg& svg, const ChartModel& c) {
    std::vector<LegendKey> keys;
    const Family family = FamilyOf(c.chartType);
    if ((family == Family::Pie || family == Family::Doughnut) && !c.series.empty()) {
        const SeriesModel& s = c.series[0];
        for (size_t j = 0; j < s.points.size(); ++j) {
            LegendKey k;
            std::string note;
            k.label = CategoryLabel(c, j);
            k.fill = svg.paint(s.points[j].element, &note);
            k.stroke = StrokeOf(s.points[j].element.border);
            k.title = "Legend key of point " + std::to_string(j + 1) + ": " + note;
            keys.push_back(k);
        }
        return keys;
    }
    for (size_t i = 0; i < c.series.size(); ++i) {
        const SeriesModel& s = c.series[i];
        LegendKey k;
        std::string note;
        k.label = SeriesLabel(s, i);
        k.stroke = StrokeOf(s.border);
        k.isLine = IsLineLike(s.chartType);
        if (k.isLine) {
            if (ShowsMarkers(s)) k.markerSeries = &s;
            k.seriesIndex = i;
            note = k.stroke.note + (k.markerSeries ? "; " + MarkerNote(s) : "");
        } else {
            k.fill = svg.paint(s.interior, s.fill, &note);
        }
        k.title = "Legend key of series " + std::to_string(i + 1) + ": " + note;
        keys.push_back(k);
    }
    return keys;
}

void DrawLegend(Svg& svg, const ChartModel& c, const Box& box, const std::vector<LegendKey>& keys) {
    if (!c.legend.present || keys.empty()) return;
    const double rowH = std::min(15.0, std::max(7.0, (box.h - 8) / keys.size()));
    const double height = rowH * keys.size() + 8;
    Box frame{box.x, box.y + (box.h - height) / 2, box.w, height};
    std::string note;
    const std::string fill = svg.paint(c.legend, &note);
    svg.rect(frame, fill, StrokeOf(c.legend.border), "Legend: " + note + "; " + StrokeOf(c.legend.border).note);
    const double font = std::min(9.0, rowH - 1.5);
    for (size_t i = 0; i < keys.size(); ++i) {
        const LegendKey& k = keys[i];
        const double cy = frame.y + 4 + rowH * (i + 0.5);
        if (k.isLine) {
            Stroke st = k.stroke;
            st.width = std::min(st.width, 2.6);
            svg.line({frame.x + 4, cy}, {frame.x + 30, cy}, st, k.title);
            if (k.markerSeries) {
                SeriesModel small = *k.markerSeries;
                small.markerSize = std::min<int32_t>(small.markerSize, static_cast<int32_t>(rowH * 0.8));
                Marker(svg, small, k.seriesIndex, {frame.x + 17, cy}, k.title);
            }
        } else {
            // Wide enough to show most of a pattern tile, so that keys can be told apart.
            const double h = std::min(12.0, rowH - 2);
            svg.rect({frame.x + 5, cy - h / 2, 26, h}, k.fill, k.stroke, k.title);
        }
        svg.text({frame.x + 36, cy + font / 3}, Shorten(k.label, 15), "start", font);
    }
}

// ---- Axes and gridlines of the charts drawn on two axes ----

void ValueGridlines(Svg& svg, const ChartModel& c, const Scale& sc, bool horizontal, const Box& p, Pt depth) {
    const sim::AxisModel& value = c.axes[1];
    auto at = [&](double v) { return horizontal ? p.x + sc.frac(v) * p.w : p.y + p.h - sc.frac(v) * p.h; };
    auto draw = [&](double v, const Stroke& st, const char* what) {
        const double q = at(v);
        Pt a = horizontal ? Pt{q + depth.x, p.y + depth.y} : Pt{p.x + depth.x, q + depth.y};
        Pt b = horizontal ? Pt{q + depth.x, p.y + p.h + depth.y} : Pt{p.x + p.w + depth.x, q + depth.y};
        svg.line(a, b, st, std::string(what) + ": " + st.note);
        if (depth.x != 0 || depth.y != 0) {
            // Along the side wall to the front edge.
            Pt front = horizontal ? Pt{q, p.y + p.h} : Pt{p.x, q};
            svg.line(front, horizontal ? b : a, st);
        }
    };
    if (value.present && value.minorGridlines.present) {
        const Stroke st = StrokeOf(value.minorGridlines.border);
        for (double v = sc.lo + sc.step / 2; v < sc.hi; v += sc.step) draw(v, st, "Minor gridlines");
    }
    if (value.present && value.majorGridlines.present) {
        const Stroke st = StrokeOf(value.majorGridlines.border);
        for (double v = sc.lo + sc.step; v <= sc.hi + 1e-9; v += sc.step) draw(v, st, "Major gridlines");
    }
}

void CategoryGridlines(Svg& svg, const ChartModel& c, size_t n, bool horizontal, const Box& p, Pt depth) {
    const sim::AxisModel& category = c.axes[0];
    auto draw = [&](const sim::LineElementModel& g, double step, const char* what) {
        if (!category.present || !g.present) return;
        const Stroke st = StrokeOf(g.border);
        for (double j = step; j < n - 1e-9; j += step) {
            if (horizontal) {
                const double y = p.y + p.h - j * p.h / n;
                svg.line({p.x + depth.x, y + depth.y}, {p.x + p.w + depth.x, y + depth.y}, st, std::string(what) + ": " + st.note);
            } else {
                const double x = p.x + j * p.w / n;
                svg.line({x + depth.x, p.y + depth.y}, {x + depth.x, p.y + p.h + depth.y}, st, std::string(what) + ": " + st.note);
            }
        }
    };
    draw(category.minorGridlines, 0.5, "Category minor gridlines");
    draw(category.majorGridlines, 1, "Category major gridlines");
}

void WallsAndFloor(Svg& svg, const ChartModel& c, const Box& p, Pt d) {
    if (c.walls.present) {
        std::string note;
        const std::string fill = svg.paint(c.walls, &note);
        const Stroke st = StrokeOf(c.walls.border);
        const std::string title = "Walls: " + note + "; " + st.note;
        svg.rect({p.x + d.x, p.y + d.y, p.w, p.h}, fill, st, title);
        svg.path(Svg::PathOf({{p.x, p.y}, {p.x + d.x, p.y + d.y}, {p.x + d.x, p.y + p.h + d.y}, {p.x, p.y + p.h}}, true),
                 fill, st, title);
    }
    if (c.floor.present) {
        std::string note;
        const std::string fill = svg.paint(c.floor, &note);
        const Stroke st = StrokeOf(c.floor.border);
        const double y = p.y + p.h;
        svg.path(Svg::PathOf({{p.x, y}, {p.x + p.w, y}, {p.x + p.w + d.x, y + d.y}, {p.x + d.x, y + d.y}}, true),
                 fill, st, "Floor: " + note + "; " + st.note);
    }
}

void Axes(Svg& svg, const ChartModel& c, const Scale& sc, size_t n, bool horizontal, const Box& p, Pt d,
          const std::vector<std::string>& categoryLabels) {
    const sim::AxisModel& category = c.axes[0];
    const sim::AxisModel& value = c.axes[1];
    const sim::AxisModel& series = c.axes[2];
    const double zero = sc.frac(std::clamp(0.0, sc.lo, sc.hi));
    if (category.present) {
        const Stroke st = StrokeOf(category.border);
        const std::string title = "Category axis: " + st.note;
        if (horizontal) {
            const double x = p.x + zero * p.w;
            svg.line({x, p.y}, {x, p.y + p.h}, st, title);
            for (size_t j = 0; j < n; ++j)
                svg.text({p.x - 4, p.y + p.h - (j + 0.5) * p.h / n + 3}, Shorten(categoryLabels[j], 9), "end", 8);
        } else {
            const double y = p.y + p.h - zero * p.h;
            svg.line({p.x, y}, {p.x + p.w, y}, st, title);
            const size_t every = (n + 11) / 12;  // at most twelve labels
            for (size_t j = 0; j < n; j += every)
                svg.text({p.x + (j + 0.5) * p.w / n, p.y + p.h + 11}, Shorten(categoryLabels[j], 9), "middle", 8);
        }
    }
    if (value.present) {
        const Stroke st = StrokeOf(value.border);
        const std::string title = "Value axis: " + st.note;
        if (horizontal) {
            svg.line({p.x, p.y + p.h}, {p.x + p.w, p.y + p.h}, st, title);
            for (double v = sc.lo; v <= sc.hi + 1e-9; v += sc.step)
                svg.text({p.x + sc.frac(v) * p.w, p.y + p.h + 11}, Label(v), "middle", 8);
        } else {
            svg.line({p.x, p.y}, {p.x, p.y + p.h}, st, title);
            for (double v = sc.lo; v <= sc.hi + 1e-9; v += sc.step)
                svg.text({p.x - 4, p.y + p.h - sc.frac(v) * p.h + 3}, Label(v), "end", 8);
        }
    }
    if (series.present && (d.x != 0 || d.y != 0)) {
        const Stroke st = StrokeOf(series.border);
        svg.line({p.x + p.w, p.y + p.h}, {p.x + p.w + d.x, p.y + p.h + d.y}, st, "Series axis: " + st.note);
    }
}

// ---- Charts on two axes: columns, bars, lines, areas, scatter, bubbles, stock ----

enum class Kind { Bar, Area, Line, Bubble };

Kind KindOf(int32_t chartType) {
    switch (FamilyOf(chartType)) {
    case Family::Area: return Kind::Area;
    case Family::Line: case Family::Scatter: case Family::Stock: case Family::Radar: return Kind::Line;
    case Family::Bubble: return Kind::Bubble;
    default: return Kind::Bar;
    }
}

class Cartesian {
public:
    Cartesian(Svg& svg, const ChartModel& c, const Box& plot) : svg_(svg), c_(c) {
        horizontal_ = FamilyOf(c.chartType) == Family::Bar;
        threeD_ = Is3D(c.chartType) || c.walls.present || c.floor.present;
        depth_ = threeD_ ? Pt{16, -10} : Pt{0, 0};
        p_ = plot;
        if (threeD_) {
            p_.w -= depth_.x;
            p_.y -= depth_.y;
            p_.h += depth_.y;
        }
        n_ = CategoryCount(c);
        positions();
        scale();
    }

    void draw() {
        if (threeD_) {
            svg_.rect({p_.x, p_.y + depth_.y, p_.w + depth_.x, p_.h - depth_.y}, svg_.paint(c_.plotArea),
                      StrokeOf(c_.plotArea.border), "Plot area");
            WallsAndFloor(svg_, c_, p_, depth_);
        } else {
            std::string note;
            const std::string fill = svg_.paint(c_.plotArea, &note);
            svg_.rect(p_, fill, StrokeOf(c_.plotArea.border), "Plot area: " + note + "; " + StrokeOf(c_.plotArea.border).note);
        }
        CategoryGridlines(svg_, c_, n_, horizontal_, p_, depth_);
        ValueGridlines(svg_, c_, sc_, horizontal_, p_, depth_);
        for (Kind kind : {Kind::Area, Kind::Bar, Kind::Line, Kind::Bubble}) drawKind(kind);
        for (size_t i = 0; i < c_.series.size(); ++i) trendlines(i);
        for (size_t i = 0; i < c_.series.size(); ++i) dataLabels(i);
        std::vector<std::string> labels;
        for (size_t j = 0; j < n_; ++j) labels.push_back(CategoryLabel(c_, j));
        Axes(svg_, c_, sc_, n_, horizontal_, p_, depth_, labels);
    }

private:
    // Where point j sits along the category axis, in slots (0.5 is the middle of the first).
    void positions() {
        pos_.resize(n_);
        for (size_t j = 0; j < n_; ++j) pos_[j] = j + 0.5;
        if (FamilyOf(c_.chartType) != Family::Scatter || c_.categories.size() < 2) return;
        std::vector<double> xs;
        for (const std::wstring& s : c_.categories) {
            wchar_t* end = nullptr;
            double v = std::wcstod(s.c_str(), &end);
            if (end == s.c_str()) return;  // not numeric: keep the slots
            xs.push_back(v);
        }
        const auto [lo, hi] = std::minmax_element(xs.begin(), xs.end());
        if (*hi <= *lo) return;
        for (size_t j = 0; j < n_ && j < xs.size(); ++j)
            pos_[j] = 0.5 + (xs[j] - *lo) / (*hi - *lo) * (n_ - 1);
    }

    bool stacked(const SeriesModel& s) const { return IsStacked(s.chartType); }

    // The value where a stacked series' point starts, and its own height.
    std::pair<double, double> stackedSpan(size_t i, size_t j) const {
        const SeriesModel& s = c_.series[i];
        double base = 0, total = 0;
        for (size_t k = 0; k < c_.series.size(); ++k) {
            const SeriesModel& o = c_.series[k];
            if (KindOf(o.chartType) != KindOf(s.chartType) || !stacked(o)) continue;
            const double v = std::max(0.0, ValueAt(o, j));
            total += v;
            if (k < i) base += v;
        }
        double v = std::max(0.0, ValueAt(s, j));
        if (IsStacked100(s.chartType) && total > 0) {
            base = base / total * 100;
            v = v / total * 100;
        }
        return {base, v};
    }

    std::pair<double, double> span(size_t i, size_t j) const {
        if (stacked(c_.series[i])) return stackedSpan(i, j);
        return {0, ValueAt(c_.series[i], j)};
    }

    void scale() {
        double lo = 0, hi = 0;
        for (size_t i = 0; i < c_.series.size(); ++i)
            for (size_t j = 0; j < n_; ++j) {
                auto [base, v] = span(i, j);
                lo = std::min(lo, base + std::min(0.0, v));
                hi = std::max(hi, base + v);
            }
        sc_ = NiceScale(lo, hi);
        bool all100 = !c_.series.empty();
        for (const SeriesModel& s : c_.series) all100 = all100 && IsStacked100(s.chartType);
        if (all100) sc_ = Scale{0, 100, 20};
    }

    Pt at(double slot, double value) const {
        const double f = sc_.frac(value);
        if (horizontal_) return {p_.x + f * p_.w, p_.y + p_.h - slot * p_.h / n_};
        return {p_.x + slot * p_.w / n_, p_.y + p_.h - f * p_.h};
    }

    void drawKind(Kind kind) {
        // Clustered bars share the slot between the series that are not stacked.
        std::vector<size_t> clustered;
        bool anyStacked = false;
        for (size_t i = 0; i < c_.series.size(); ++i) {
            if (KindOf(c_.series[i].chartType) != kind) continue;
            if (stacked(c_.series[i])) anyStacked = true;
            else clustered.push_back(i);
        }
        const size_t groups = clustered.size() + (anyStacked ? 1 : 0);
        size_t group = 0;
        for (size_t i = 0; i < c_.series.size(); ++i) {
            const SeriesModel& s = c_.series[i];
            if (KindOf(s.chartType) != kind) continue;
            switch (kind) {
            case Kind::Bar: {
                const size_t g = stacked(s) ? clustered.size() : group++;
                bars(i, g, std::max<size_t>(groups, 1));
                break;
            }
            case Kind::Area: area(i); break;
            case Kind::Line: lines(i); break;
            case Kind::Bubble: bubbles(i); break;
            }
        }
    }

    std::string seriesTitle(size_t i, const std::string& what) const {
        return "Series " + std::to_string(i + 1) + " \"" + SeriesLabel(c_.series[i], i) + "\": " + what;
    }

    void bars(size_t i, size_t group, size_t groups) {
        const SeriesModel& s = c_.series[i];
        std::string note;
        const std::string fill = svg_.paint(s.interior, s.fill, &note);
        const Stroke st = StrokeOf(s.border);
        const std::string title = seriesTitle(i, note + "; " + st.note);
        const double width = 0.7 / groups;
        for (size_t j = 0; j < n_; ++j) {
            auto [base, v] = span(i, j);
            const double s0 = j + 0.15 + group * width, s1 = s0 + width;
            Pt a = at(s0, base), b = at(s1, base + v);
            Box box{std::min(a.x, b.x), std::min(a.y, b.y), std::fabs(b.x - a.x), std::fabs(b.y - a.y)};
            if (threeD_) faces(box, fill, st);
            svg_.rect(box, fill, st, title);
        }
    }

    // The top and side faces of a 3-D bar, shaded so that the bar reads as a block.
    void faces(const Box& b, const std::string& fill, const Stroke& st) {
        const Pt d{depth_.x * 0.6, depth_.y * 0.6};
        const std::string top = Svg::PathOf({{b.x, b.y}, {b.x + d.x, b.y + d.y}, {b.x + b.w + d.x, b.y + d.y}, {b.x + b.w, b.y}}, true);
        const std::string side = Svg::PathOf({{b.x + b.w, b.y}, {b.x + b.w + d.x, b.y + d.y},
                                              {b.x + b.w + d.x, b.y + b.h + d.y}, {b.x + b.w, b.y + b.h}}, true);
        svg_.path(top, fill, st);
        svg_.shade(top, 0.12);
        svg_.path(side, fill, st);
        svg_.shade(side, 0.3);
    }

    void area(size_t i) {
        const SeriesModel& s = c_.series[i];
        std::string note;
        const std::string fill = svg_.paint(s.interior, s.fill, &note);
        const Stroke st = StrokeOf(s.border);
        std::vector<Pt> top, bottom;
        for (size_t j = 0; j < n_; ++j) {
            auto [base, v] = span(i, j);
            top.push_back(at(pos_[j], base + v));
            bottom.push_back(at(pos_[j], base));
        }
        top.insert(top.end(), bottom.rbegin(), bottom.rend());
        svg_.path(Svg::PathOf(top, true), fill, st, seriesTitle(i, note + "; " + st.note));
    }

    void lines(size_t i) {
        const SeriesModel& s = c_.series[i];
        const Stroke st = StrokeOf(s.border);
        std::vector<Pt> pts;
        for (size_t j = 0; j < n_ && j < s.points.size(); ++j) {
            auto [base, v] = span(i, j);
            pts.push_back(at(pos_[j], base + v));
        }
        const bool markers = ShowsMarkers(s);
        const std::string title = seriesTitle(i, st.note + (markers ? "; " + MarkerNote(s) : ""));
        // The border decides, whatever the type: Excel draws an xlXYScatter series without a
        // line only because its line style is xlLineStyleNone.
        svg_.polyline(pts, st, title);
        if (markers)
            for (const Pt& pt : pts) Marker(svg_, s, i, pt, title);
    }

    void bubbles(size_t i) {
        const SeriesModel& s = c_.series[i];
        std::string note;
        const std::string fill = svg_.paint(s.interior, s.fill, &note);
        const Stroke st = StrokeOf(s.border);
        double biggest = 1;
        for (const SeriesModel& o : c_.series)
            for (const auto& p : o.points) biggest = std::max(biggest, p.value);
        for (size_t j = 0; j < s.points.size() && j < n_; ++j) {
            const Pt c = at(pos_[j], s.points[j].value);
            const double r = 3 + 14 * std::sqrt(std::max(0.0, s.points[j].value) / biggest);
            svg_.shape("circle", "cx=\"" + Num(c.x) + "\" cy=\"" + Num(c.y) + "\" r=\"" + Num(r) + "\"", fill, st,
                       seriesTitle(i, note + "; " + st.note));
        }
    }

    // A linear trend through the series' own values.
    void trendlines(size_t i) {
        const SeriesModel& s = c_.series[i];
        if (s.trendlines.empty() || s.points.size() < 2) return;
        const size_t m = std::min(s.points.size(), n_);
        double sx = 0, sy = 0, sxx = 0, sxy = 0;
        for (size_t j = 0; j < m; ++j) {
            const double x = pos_[j], y = s.points[j].value;
            sx += x, sy += y, sxx += x * x, sxy += x * y;
        }
        const double den = m * sxx - sx * sx;
        const double slope = den != 0 ? (m * sxy - sx * sy) / den : 0;
        const double icept = (sy - slope * sx) / m;
        const double x0 = pos_.front(), x1 = pos_[m - 1];
        for (size_t t = 0; t < s.trendlines.size(); ++t) {
            if (!s.trendlines[t].present) continue;
            const Stroke st = StrokeOf(s.trendlines[t].border);
            const double y0 = std::clamp(icept + slope * x0, sc_.lo, sc_.hi);
            const double y1 = std::clamp(icept + slope * x1, sc_.lo, sc_.hi);
            svg_.line(at(x0, y0), at(x1, y1), st, seriesTitle(i, "trendline " + std::to_string(t + 1) + ", " + st.note));
        }
    }

    void dataLabels(size_t i) {
        const SeriesModel& s = c_.series[i];
        if (!s.hasDataLabels) return;
        for (size_t j = 0; j < s.dataLabels.size() && j < s.points.size() && j < n_; ++j) {
            const ElementModel& label = s.dataLabels[j];
            if (!label.present) continue;
            auto [base, v] = span(i, j);
            double slot = pos_[j];
            if (KindOf(s.chartType) == Kind::Bar) {
                size_t groups = 0, group = 0;
                for (size_t k = 0; k < c_.series.size(); ++k)
                    if (KindOf(c_.series[k].chartType) == Kind::Bar && !stacked(c_.series[k])) {
                        if (k == i) group = groups;
                        ++groups;
                    }
                if (!stacked(s)) slot = j + 0.15 + (group + 0.5) * 0.7 / std::max<size_t>(groups, 1);
            }
            const Pt p = at(slot, base + v);
            const std::string text = Label(s.points[j].value);
            const double w = 6 + 5 * text.size();
            const Box box = horizontal_ ? Box{p.x + 3, p.y - 6, w, 12} : Box{p.x - w / 2, p.y - 15, w, 12};
            std::string note;
            const std::string fill = svg_.paint(label, &note);
            const Stroke st = StrokeOf(label.border);
            svg_.rect(box, fill, st, seriesTitle(i, "data label " + std::to_string(j + 1) + ": " + note + "; " + st.note));
            svg_.text({box.x + box.w / 2, box.y + 9}, text, "middle", 8);
        }
    }

    Svg& svg_;
    const ChartModel& c_;
    bool horizontal_ = false, threeD_ = false;
    Pt depth_{0, 0};
    Box p_{};
    size_t n_ = 1;
    std::vector<double> pos_;
    Scale sc_;
};

// ---- Pies and doughnuts ----

Pt Polar(Pt c, double r, double ry, double angle) {
    return {c.x + r * std::cos(angle), c.y + ry * std::sin(angle)};
}

std::string SlicePath(Pt c, double r, double ry, double inner, double a0, double a1) {
    const Pt o0 = Polar(c, r, ry, a0), o1 = Polar(c, r, ry, a1);
    const int large = a1 - a0 > kPi ? 1 : 0;
    std::string d;
    if (inner <= 0) {
        if (a1 - a0 >= 2 * kPi - 1e-6) {  // one full slice: two half arcs
            const Pt mid = Polar(c, r, ry, a0 + kPi);
            return "M" + Num(o0.x) + " " + Num(o0.y) + " A" + Num(r) + " " + Num(ry) + " 0 1 1 " + Num(mid.x) + " " +
                   Num(mid.y) + " A" + Num(r) + " " + Num(ry) + " 0 1 1 " + Num(o0.x) + " " + Num(o0.y) + " Z";
        }
        return "M" + Num(c.x) + " " + Num(c.y) + " L" + Num(o0.x) + " " + Num(o0.y) + " A" + Num(r) + " " + Num(ry) +
               " 0 " + std::to_string(large) + " 1 " + Num(o1.x) + " " + Num(o1.y) + " Z";
    }
    const double iry = inner * ry / r;
    const double a1c = std::min(a1, a0 + 2 * kPi - 1e-3);
    const Pt e1 = Polar(c, r, ry, a1c), i0 = Polar(c, inner, iry, a0), i1 = Polar(c, inner, iry, a1c);
    return "M" + Num(o0.x) + " " + Num(o0.y) + " A" + Num(r) + " " + Num(ry) + " 0 " + std::to_string(large) + " 1 " +
           Num(e1.x) + " " + Num(e1.y) + " L" + Num(i1.x) + " " + Num(i1.y) + " A" + Num(inner) + " " + Num(iry) +
           " 0 " + std::to_string(large) + " 0 " + Num(i0.x) + " " + Num(i0.y) + " Z";
}

void PlotAreaBox(Svg& svg, const ChartModel& c, const Box& p) {
    std::string note;
    const std::string fill = svg.paint(c.plotArea, &note);
    const Stroke st = StrokeOf(c.plotArea.border);
    svg.rect(p, fill, st, "Plot area: " + note + "; " + st.note);
}

void SliceLabel(Svg& svg, const SeriesModel& s, size_t j, Pt centre, double r, double ry, double angle, const std::string& title) {
    if (!s.hasDataLabels || j >= s.dataLabels.size() || !s.dataLabels[j].present) return;
    const Pt edge = Polar(centre, r, ry, angle), out = Polar(centre, r + 14, ry + 14, angle);
    if (s.hasLeaderLines && s.leaderLines.present) {
        const Stroke st = StrokeOf(s.leaderLines.border);
        svg.line(edge, out, st, title + ": leader line, " + st.note);
    }
    const std::string text = Label(s.points[j].value);
    const double w = 6 + 5 * text.size();
    const Box box{out.x - w / 2 + std::cos(angle) * (w / 2), out.y - 6 + std::sin(angle) * 4, w, 12};
    std::string note;
    const std::string fill = svg.paint(s.dataLabels[j], &note);
    const Stroke st = StrokeOf(s.dataLabels[j].border);
    svg.rect(box, fill, st, title + ": data label, " + note + "; " + st.note);
    svg.text({box.x + w / 2, box.y + 9}, text, "middle", 8);
}

void DrawPie(Svg& svg, const ChartModel& c, const Box& p) {
    PlotAreaBox(svg, c, p);
    if (c.series.empty()) return;
    const SeriesModel& s = c.series[0];  // a pie shows its first series only
    double total = 0;
    for (const auto& pt : s.points) total += std::max(0.0, pt.value);
    if (total <= 0) return;
    const bool threeD = Is3D(c.chartType);
    const double r = std::min(p.w, p.h / (threeD ? 0.7 : 1)) / 2 - 22;
    const double ry = threeD ? r * 0.6 : r;
    const Pt centre{p.x + p.w / 2, p.y + p.h / 2 - (threeD ? 5 : 0)};
    const double explode = IsExploded(c.chartType) ? 7 : 0;
    for (int layer = threeD ? 0 : 1; layer < 2; ++layer) {
        double a = -kPi / 2;
        for (size_t j = 0; j < s.points.size(); ++j) {
            const double sweep = std::max(0.0, s.points[j].value) / total * 2 * kPi;
            const double mid = a + sweep / 2;
            const Pt at = Polar({centre.x, centre.y + (layer == 0 ? 10 : 0)}, explode, explode, mid);
            std::string note;
            const std::string fill = svg.paint(s.points[j].element, &note);
            const Stroke st = StrokeOf(s.points[j].element.border);
            const std::string title = "Slice " + std::to_string(j + 1) + " \"" + CategoryLabel(c, j) + "\"";
            const std::string d = SlicePath(at, r, ry, 0, a, a + sweep);
            svg.path(d, fill, st, title + ": " + note + "; " + st.note);
            if (layer == 0) svg.shade(d, 0.3);
            else SliceLabel(svg, s, j, at, r, ry, mid, title);
            a += sweep;
        }
    }
}

void DrawDoughnut(Svg& svg, const ChartModel& c, const Box& p) {
    PlotAreaBox(svg, c, p);
    if (c.series.empty()) return;
    const double outer = std::min(p.w, p.h) / 2 - 12;
    const double hole = outer * 0.4;
    const double ring = (outer - hole) / c.series.size();
    const Pt centre{p.x + p.w / 2, p.y + p.h / 2};
    const double explode = IsExploded(c.chartType) ? 5 : 0;
    // The first series is the innermost ring.
    for (size_t i = 0; i < c.series.size(); ++i) {
        const SeriesModel& s = c.series[i];
        double total = 0;
        for (const auto& pt : s.points) total += std::max(0.0, pt.value);
        if (total <= 0) continue;
        const double inner = hole + ring * i, r = inner + ring - 1.5;
        double a = -kPi / 2;
        for (size_t j = 0; j < s.points.size(); ++j) {
            const double sweep = std::max(0.0, s.points[j].value) / total * 2 * kPi;
            const Pt at = Polar(centre, explode, explode, a + sweep / 2);
            std::string note;
            const std::string fill = svg.paint(s.points[j].element, &note);
            const Stroke st = StrokeOf(s.points[j].element.border);
            svg.path(SlicePath(at, r, r, inner, a, a + sweep), fill, st,
                     "Series " + std::to_string(i + 1) + " \"" + SeriesLabel(s, i) + "\", point " + std::to_string(j + 1) +
                         ": " + note + "; " + st.note);
            a += sweep;
        }
    }
}

// ---- Radar ----

void DrawRadar(Svg& svg, const ChartModel& c, const Box& p) {
    PlotAreaBox(svg, c, p);
    const size_t n = std::max<size_t>(CategoryCount(c), 3);
    double hi = 0;
    for (const SeriesModel& s : c.series)
        for (const auto& pt : s.points) hi = std::max(hi, pt.value);
    const Scale sc = NiceScale(0, hi);
    const Pt centre{p.x + p.w / 2, p.y + p.h / 2 + 4};
    const double r = std::min(p.w, p.h) / 2 - 16;
    auto at = [&](size_t j, double v) { return Polar(centre, r * sc.frac(v), r * sc.frac(v), -kPi / 2 + 2 * kPi * j / n); };
    const sim::AxisModel& value = c.axes[1];
    if (value.present && value.majorGridlines.present) {
        const Stroke st = StrokeOf(value.majorGridlines.border);
        for (double v = sc.lo + sc.step; v <= sc.hi + 1e-9; v += sc.step) {
            std::vector<Pt> ring;
            for (size_t j = 0; j < n; ++j) ring.push_back(at(j, v));
            svg.path(Svg::PathOf(ring, true), "none", st, "Major gridlines: " + st.note);
        }
        for (size_t j = 0; j < n; ++j) svg.line(centre, at(j, sc.hi), st);
    }
    if (c.axes[0].present)
        for (size_t j = 0; j < n; ++j) {
            const Pt q = Polar(centre, r + 9, r + 9, -kPi / 2 + 2 * kPi * j / n);
            svg.text({q.x, q.y + 3}, Shorten(CategoryLabel(c, j), 9), "middle", 8);
        }
    for (size_t i = 0; i < c.series.size(); ++i) {
        const SeriesModel& s = c.series[i];
        std::vector<Pt> pts;
        for (size_t j = 0; j < n && j < s.points.size(); ++j) pts.push_back(at(j, s.points[j].value));
        const Stroke st = StrokeOf(s.border);
        const std::string name = "Series " + std::to_string(i + 1) + " \"" + SeriesLabel(s, i) + "\": ";
        if (s.chartType == 82) {
            std::string note;
            const std::string fill = svg.paint(s.interior, s.fill, &note);
            svg.path(Svg::PathOf(pts, true), fill, st, name + note + "; " + st.note);
        } else {
            svg.path(Svg::PathOf(pts, true), "none", st, name + st.note);
            if (ShowsMarkers(s))
                for (const Pt& q : pts) Marker(svg, s, i, q, name + MarkerNote(s));
        }
    }
    if (value.present) {
        const Stroke st = StrokeOf(value.border);
        svg.line(centre, at(0, sc.hi), st, "Value axis: " + st.note);
        for (double v = sc.lo; v <= sc.hi + 1e-9; v += sc.step) {
            const Pt q = at(0, v);
            svg.text({q.x - 3, q.y + 3}, Label(v), "end", 7);
        }
    }
}

// ---- Surfaces: colour bands, one per legend entry ----

Scale SurfaceRange(const ChartModel& c) {
    double lo = 0, hi = 0;
    bool first = true;
    for (const SeriesModel& s : c.series)
        for (const auto& pt : s.points) {
            lo = first ? pt.value : std::min(lo, pt.value);
            hi = first ? pt.value : std::max(hi, pt.value);
            first = false;
        }
    return NiceScale(lo, hi);
}

size_t BandCount(const ChartModel& c) { return c.legend.entries.empty() ? 5 : c.legend.entries.size(); }

std::vector<LegendKey> SurfaceKeys(Svg& svg, const ChartModel& c, const Scale& range, size_t bands) {
    std::vector<LegendKey> keys;
    const double width = (range.hi - range.lo) / bands;
    for (size_t b = 0; b < bands; ++b) {
        LegendKey k;
        k.label = Label(range.lo + b * width) + "-" + Label(range.lo + (b + 1) * width);
        if (b < c.legend.entries.size()) {
            std::string note;
            const ElementModel& key = c.legend.entries[b].legendKey;
            k.fill = svg.paint(key, &note);
            k.stroke = StrokeOf(key.border);
            k.title = "Band " + std::to_string(b + 1) + " (legend entry " + std::to_string(b + 1) + "): " + note;
        }
        keys.push_back(k);
    }
    return keys;
}

void DrawSurface(Svg& svg, const ChartModel& c, const Box& p, const std::vector<LegendKey>& bands, const Scale& range) {
    const size_t rows = c.series.size();
    size_t cols = 0;
    for (const SeriesModel& s : c.series) cols = std::max(cols, s.points.size());
    const bool topView = IsTopView(c.chartType);
    const bool wire = IsWireframe(c.chartType);
    const Pt depth = topView ? Pt{0, 0} : Pt{p.w * 0.28, -p.h * 0.3};
    const Box base = topView ? p : Box{p.x, p.y - depth.y, p.w - depth.x, p.h + depth.y};
    const double height = topView ? 0 : base.h * 0.75;
    if (!topView) {
        svg.rect(p, svg.paint(c.plotArea), StrokeOf(c.plotArea.border), "Plot area");
        WallsAndFloor(svg, c, {base.x, base.y + base.h - height, base.w, height}, depth);
    }
    if (rows < 2 || cols < 2) return;
    auto corner = [&](size_t i, size_t j) -> Pt {
        const double v = j < c.series[i].points.size() ? c.series[i].points[j].value : range.lo;
        if (topView) return {p.x + j * p.w / (cols - 1), p.y + p.h - i * p.h / (rows - 1)};
        const double fi = static_cast<double>(i) / (rows - 1);
        return {base.x + j * base.w / (cols - 1) + fi * depth.x, base.y + base.h + fi * depth.y - range.frac(v) * height};
    };
    auto valueAt = [&](size_t i, size_t j) {
        return j < c.series[i].points.size() ? c.series[i].points[j].value : range.lo;
    };
    Stroke cellEdge;
    cellEdge.on = true;
    cellEdge.colour = "#000000";
    cellEdge.width = wire ? 0.8 : 0.3;
    // Back rows first, so that nearer cells cover farther ones.
    for (size_t i = rows - 1; i-- > 0;) {
        for (size_t j = 0; j + 1 < cols; ++j) {
            const double v = (valueAt(i, j) + valueAt(i, j + 1) + valueAt(i + 1, j) + valueAt(i + 1, j + 1)) / 4;
            const size_t b = std::min(bands.size() - 1, static_cast<size_t>(std::max(0.0, range.frac(v)) * bands.size()));
            const std::string fill = wire ? "none" : bands[b].fill;
            svg.path(Svg::PathOf({corner(i, j), corner(i, j + 1), corner(i + 1, j + 1), corner(i + 1, j)}, true), fill,
                     cellEdge, bands[b].title.empty() ? "Band " + std::to_string(b + 1) : bands[b].title);
        }
    }
    const sim::AxisModel& category = c.axes[0];
    if (category.present) {
        const Stroke st = StrokeOf(category.border);
        const Pt a = topView ? Pt{p.x, p.y + p.h} : Pt{base.x, base.y + base.h};
        const Pt b = topView ? Pt{p.x + p.w, p.y + p.h} : Pt{base.x + base.w, base.y + base.h};
        svg.line(a, b, st, "Category axis: " + st.note);
    }
    const sim::AxisModel& seriesAxis = c.axes[2];
    if (seriesAxis.present && !topView) {
        const Stroke st = StrokeOf(seriesAxis.border);
        svg.line({base.x + base.w, base.y + base.h}, {base.x + base.w + depth.x, base.y + base.h + depth.y}, st,
                 "Series axis: " + st.note);
    }
    const sim::AxisModel& value = c.axes[1];
    if (value.present && !topView) {
        const Stroke st = StrokeOf(value.border);
        svg.line({base.x, base.y + base.h}, {base.x, base.y + base.h - height}, st, "Value axis: " + st.note);
        for (double v = range.lo; v <= range.hi + 1e-9; v += range.step)
            svg.text({base.x - 3, base.y + base.h - range.frac(v) * height + 3}, Label(v), "end", 7);
    }
}

}  // namespace

std::string ChartSvg(const ChartModel& c, const std::string& idPrefix) {
    Svg svg(idPrefix);
    const Box full{0.5, 0.5, kChartWidth - 1.0, kChartHeight - 1.0};
    if (c.chartArea.present) {
        std::string note;
        const std::string fill = svg.paint(c.chartArea, &note);
        const Stroke st = StrokeOf(c.chartArea.border);
        svg.rect(full, fill, st, "Chart area: " + note + "; " + st.note);
    } else {
        Stroke none;
        svg.rect(full, "#FFFFFF", none);
    }
    const Family family = FamilyOf(c.chartType);
    const bool surface = family == Family::Surface;
    const Scale range = surface ? SurfaceRange(c) : Scale{};
    std::vector<LegendKey> keys = surface ? SurfaceKeys(svg, c, range, BandCount(c)) : LegendKeys(svg, c);
    const double legendWidth = c.legend.present && !keys.empty() ? 118 : 0;
    const Box legend{kChartWidth - legendWidth - 8, 12, legendWidth, kChartHeight - 24.0};
    const Box plot{48, 14, kChartWidth - 48 - 16 - legendWidth, kChartHeight - 14 - 30.0};
    switch (family) {
    case Family::Pie: DrawPie(svg, c, plot); break;
    case Family::Doughnut: DrawDoughnut(svg, c, plot); break;
    case Family::Radar: DrawRadar(svg, c, plot); break;
    case Family::Surface: DrawSurface(svg, c, plot, keys, range); break;
    default: Cartesian(svg, c, plot).draw(); break;
    }
    DrawLegend(svg, c, legend, keys);
    return svg.finish(Utf8(c.name) + " (" + ChartTypeName(c.chartType) + ")");
}

std::string PatternSwatchSvg(int pattern, int size, int scale, const std::string& idPrefix) {
    const int tile = 8 * scale;
    const std::string id = idPrefix + "sw" + std::to_string(pattern);
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(size) + "\" height=\"" +
           std::to_string(size) + "\"><defs><pattern id=\"" + id + "\" width=\"" + std::to_string(tile) +
           "\" height=\"" + std::to_string(tile) + "\" patternUnits=\"userSpaceOnUse\"><rect width=\"" +
           std::to_string(tile) + "\" height=\"" + std::to_string(tile) +
           "\" fill=\"#FFFFFF\"/><path shape-rendering=\"crispEdges\" fill=\"#000000\" d=\"" +
           Svg::TilePath(PatternTile(pattern), scale) + "\"/></pattern></defs><rect x=\"0.5\" y=\"0.5\" width=\"" +
           std::to_string(size - 1) + "\" height=\"" + std::to_string(size - 1) + "\" fill=\"url(#" + id +
           ")\" stroke=\"#000000\"/></svg>";
}

}  // namespace bwpass
