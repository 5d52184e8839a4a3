// Surfaces: colour bands, one per legend entry.
#include "tools/report/svg/ChartDrawing.h"

#include "tools/deckmodel/Constants.h"

#include <algorithm>

namespace bwpass::svg {

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

}  // namespace bwpass::svg
