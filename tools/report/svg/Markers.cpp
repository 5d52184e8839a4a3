// Markers of line, scatter, stock and radar series, as Excel chooses and draws them.
#include "tools/report/svg/ChartDrawing.h"

#include "tools/deckmodel/Constants.h"

#include <algorithm>

namespace bwpass::svg {

namespace {

// Excel's choice for automatic markers, by series position.
const int32_t kAutomaticMarkers[] = {2, 1, 3, -4168, 5, 8, 9};

}  // namespace

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

}  // namespace bwpass::svg
