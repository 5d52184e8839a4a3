// Charts on two axes: columns, bars, lines, areas, scatter, bubbles, stock.
#include "tools/report/svg/ChartDrawing.h"

#include "tools/deckmodel/Constants.h"

#include <algorithm>
#include <cmath>
#include <cwchar>

namespace bwpass::svg {

namespace {

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

}  // namespace

void DrawCartesian(Svg& svg, const ChartModel& c, const Box& plot) { Cartesian(svg, c, plot).draw(); }

}  // namespace bwpass::svg
