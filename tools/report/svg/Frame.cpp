// What frames the data: scales and labels, the legend, axes and gridlines, walls and floor.
#include "tools/report/svg/ChartDrawing.h"

#include "tools/deckmodel/Constants.h"
#include "tools/deckmodel/Text.h"

#include <algorithm>
#include <cmath>

namespace bwpass::svg {

namespace {

double NiceStep(double span) {
    if (span <= 0) return 1;
    const double raw = span / 5;
    const double mag = std::pow(10, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 2.5, 5.0, 10.0})
        if (raw <= m * mag) return m * mag;
    return 10 * mag;
}

}  // namespace

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

Scale NiceScale(double lo, double hi) {
    Scale s;
    if (hi <= lo) hi = lo + 1;
    s.step = NiceStep(hi - lo);
    s.lo = std::floor(lo / s.step) * s.step;
    s.hi = std::ceil(hi / s.step) * s.step;
    if (s.hi <= s.lo) s.hi = s.lo + s.step;
    return s;
}

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
            svg.addLegendKey({frame.x + 4, cy - rowH / 2 + 1, 26, rowH - 2}, k.label);
            if (k.markerSeries) {
                SeriesModel small = *k.markerSeries;
                small.markerSize = std::min<int32_t>(small.markerSize, static_cast<int32_t>(rowH * 0.8));
                Marker(svg, small, k.seriesIndex, {frame.x + 17, cy}, k.title);
            }
        } else {
            // Wide enough to show most of a pattern tile, so that keys can be told apart.
            const double h = std::min(12.0, rowH - 2);
            svg.rect({frame.x + 5, cy - h / 2, 26, h}, k.fill, k.stroke, k.title);
            svg.addLegendKey({frame.x + 5, cy - h / 2, 26, h}, k.label);
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

}  // namespace bwpass::svg
