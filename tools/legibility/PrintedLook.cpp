#include "tools/legibility/PrintedLook.h"

#include "tools/deckmodel/Constants.h"

#include <cstdlib>

namespace legibility {
namespace {

using bwpass::Family;
using bwpass::FamilyOf;
using Kind = FillLook::Kind;

bool Alike(int greyA, int greyB) { return std::abs(greyA - greyB) <= kGreyTolerance; }

FillLook Flat(int grey, bool unfilled = false) {
    FillLook f;
    f.kind = Kind::Flat;
    f.unfilled = unfilled;
    f.fore = f.back = grey;
    return f;
}

// A hatch or gradient whose two colours print as one grey prints flat.
FillLook TwoColours(Kind kind, int32_t pattern, int fore, int back) {
    if (Alike(fore, back)) return Flat((fore + back) / 2);
    FillLook f;
    f.kind = kind;
    f.pattern = pattern;
    f.fore = fore;
    f.back = back;
    return f;
}

FillLook FillOf(const sim::InteriorModel& interior, const sim::FillModel& fill) {
    if (fill.visible == 0 || interior.colorIndex == -4142) return Flat(255, true);
    const int fore = GreyLevel(interior.color), back = GreyLevel(interior.patternColor);
    switch (fill.type) {
    case sim::FillModel::Type::Solid: return Flat(fore);
    case sim::FillModel::Type::Patterned: return TwoColours(Kind::Hatch, fill.pattern, fore, back);
    case sim::FillModel::Type::Gradient: return TwoColours(Kind::Gradient, 0, fore, back);
    default: break;
    }
    FillLook f;
    f.kind = Kind::Picture;
    return f;
}

bool FillsAlike(const FillLook& a, const FillLook& b) {
    if (a.kind != b.kind || a.kind == Kind::Picture) return false;
    if (a.kind == Kind::Hatch && a.pattern != b.pattern) return false;
    return Alike(a.fore, b.fore) && Alike(a.back, b.back);
}

bool ShowsMarkers(const sim::SeriesModel& s) {
    if (s.markerStyle == -4142) return false;
    return s.markerStyle != -4105 || bwpass::ShowsAutomaticMarkers(s.chartType);
}

// Square, diamond, triangle, circle and picture markers have an inside that takes the fill;
// a dot is filled with its outline colour; x, star, plus and dash have none.
bool HasInside(int32_t markerStyle) {
    return markerStyle == 1 || markerStyle == 2 || markerStyle == 3 || markerStyle == 8 || markerStyle == -4147;
}

bool LinesAlike(const LineLook& a, const LineLook& b) {
    if (a.line != b.line || a.marker != b.marker) return false;
    if (a.line && (a.lineStyle != b.lineStyle || a.weight != b.weight || !Alike(a.grey, b.grey))) return false;
    if (!a.marker) return true;
    return a.markerStyle == b.markerStyle && std::abs(a.markerSize - b.markerSize) <= kMarkerSizeTolerance &&
           Alike(a.markerEdge, b.markerEdge) && Alike(a.markerInside, b.markerInside);
}

std::string NameOr(const char* name, int32_t value) { return name ? name : std::to_string(value); }

std::string DescribeFill(const FillLook& f) {
    switch (f.kind) {
    case Kind::Flat: return f.unfilled ? "no fill" : "solid " + GreyName(f.fore);
    case Kind::Hatch:
        return "pattern " + std::to_string(f.pattern) + " (" + bwpass::PatternName(f.pattern) + "), " +
               GreyName(f.fore) + " on " + GreyName(f.back);
    case Kind::Gradient: return "gradient from " + GreyName(f.fore) + " to " + GreyName(f.back);
    case Kind::Picture: break;
    }
    return "picture or texture";
}

std::string DescribeLine(const LineLook& l) {
    std::string s = l.line ? NameOr(bwpass::domain::LineStyle().nameOf(l.lineStyle), l.lineStyle) + " line, " +
                                 NameOr(bwpass::domain::BorderWeight().nameOf(l.weight), l.weight) + ", " +
                                 GreyName(l.grey)
                           : "no line";
    if (!l.marker) return s + "; no markers";
    s += "; marker " + NameOr(bwpass::domain::MarkerStyle().nameOf(l.markerStyle), l.markerStyle) + " size " +
         std::to_string(l.markerSize) + ", " + GreyName(l.markerEdge);
    return HasInside(l.markerStyle) ? s + " on " + GreyName(l.markerInside) : s;
}

}  // namespace

int GreyLevel(int32_t colour) {
    // Bytes by truncating division, as the conversion takes them.
    const int red = colour & 0xFF, green = (colour / 256) & 0xFF, blue = (colour / 65536) & 0xFF;
    return (green * 59 + red * 30 + blue * 11) / 100;
}

std::string GreyName(int grey) {
    if (grey < kGreyTolerance) return "black";
    if (grey > 255 - kGreyTolerance) return "white";
    return "grey " + std::to_string(grey);
}

PrintedLook LookOfElement(const sim::ElementModel& element) {
    PrintedLook look;
    look.fill = FillOf(element.interior, element.fill);
    return look;
}

PrintedLook LookOfFilledSeries(const sim::SeriesModel& series) {
    PrintedLook look;
    look.fill = FillOf(series.interior, series.fill);
    return look;
}

bool IsDrawnAsLine(const sim::SeriesModel& series) {
    const Family f = FamilyOf(series.chartType);
    return f == Family::Line || f == Family::Scatter || f == Family::Stock ||
           (f == Family::Radar && series.chartType != 82 /*xlRadarFilled*/);
}

PrintedLook LookOfLineSeries(const sim::SeriesModel& series, size_t position) {
    PrintedLook look;
    look.isLine = true;
    LineLook& l = look.line;
    const sim::BorderModel& b = series.border;
    l.line = b.lineStyle != -4142 && b.colorIndex != -4142;
    l.lineStyle = b.lineStyle;
    l.weight = b.weight;
    l.grey = GreyLevel(b.color);
    l.marker = ShowsMarkers(series);
    if (!l.marker) return look;
    l.markerStyle = series.markerStyle == -4105 ? bwpass::AutomaticMarkerStyle(position) : series.markerStyle;
    l.markerSize = series.markerSize;
    l.markerEdge = GreyLevel(series.markerForegroundColor);
    l.markerInside = l.markerStyle == -4118 ? l.markerEdge
                     : HasInside(l.markerStyle) ? GreyLevel(series.markerBackgroundColor)
                                                : 0;
    return look;
}

bool PrintAlike(const PrintedLook& a, const PrintedLook& b) {
    if (a.isLine != b.isLine) return false;
    return a.isLine ? LinesAlike(a.line, b.line) : FillsAlike(a.fill, b.fill);
}

bool PrintsNothing(const PrintedLook& look) { return look.isLine && !look.line.line && !look.line.marker; }

std::string Describe(const PrintedLook& look) { return look.isLine ? DescribeLine(look.line) : DescribeFill(look.fill); }

}  // namespace legibility
