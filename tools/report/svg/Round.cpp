// The round charts: pies, doughnuts and radar.
#include "tools/report/svg/ChartDrawing.h"

#include "tools/deckmodel/Constants.h"

#include <algorithm>
#include <cmath>

namespace bwpass::svg {

namespace {

constexpr double kPi = 3.14159265358979323846;

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

}  // namespace

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

}  // namespace bwpass::svg
