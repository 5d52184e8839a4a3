// The SVG document of one chart and its paints: solid colours, the Office hatch patterns in
// their foreground and background colours, gradients; strokes with their weights and dashes.
#include "tools/report/svg/ChartDrawing.h"

#include "tools/deckmodel/Constants.h"
#include "tools/deckmodel/Text.h"
#include "tools/report/ChartSvg.h"
#include "tools/report/PatternPng.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace bwpass::svg {

namespace {

// A length of a pattern tile: to a thousandth, since a tile repeats and an error would add up.
std::string Fine(double v) {
    char b[32];
    std::snprintf(b, sizeof b, "%.3f", v);
    std::string s = b;
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    return s;
}

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

}  // namespace

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

std::string Svg::paint(const InteriorModel& in, const FillModel& f, std::string* note) {
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

std::string Svg::paint(const ElementModel& e, std::string* note) {
    return paint(e.interior, e.fill, note);
}

void Svg::shape(const char* tag, const std::string& geometry, const std::string& fill, const Stroke& st,
                const std::string& title) {
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

void Svg::rect(const Box& b, const std::string& fill, const Stroke& st, const std::string& title) {
    shape("rect", "x=\"" + Num(b.x) + "\" y=\"" + Num(b.y) + "\" width=\"" + Num(std::max(0.0, b.w)) +
                      "\" height=\"" + Num(std::max(0.0, b.h)) + "\"",
          fill, st, title);
}

void Svg::path(const std::string& d, const std::string& fill, const Stroke& st, const std::string& title) {
    shape("path", "d=\"" + d + "\"", fill, st, title);
}

void Svg::line(Pt a, Pt b, const Stroke& st, const std::string& title) {
    if (!st.on) return;
    shape("line", "x1=\"" + Num(a.x) + "\" y1=\"" + Num(a.y) + "\" x2=\"" + Num(b.x) + "\" y2=\"" + Num(b.y) + "\"",
          "none", st, title);
}

void Svg::polyline(const std::vector<Pt>& pts, const Stroke& st, const std::string& title) {
    if (!st.on || pts.size() < 2) return;
    shape("path", "d=\"" + PathOf(pts, false) + "\" stroke-linejoin=\"round\"", "none", st, title);
}

void Svg::text(Pt at, const std::string& s, const char* anchor, double size, const std::string& colour, double rotate) {
    body_ += "<text x=\"" + Num(at.x) + "\" y=\"" + Num(at.y) + "\" font-size=\"" + Num(size) + "\" text-anchor=\"" +
             anchor + "\"" + (colour.empty() ? std::string() : " fill=\"" + colour + "\"") +
             (rotate == 0 ? std::string() : " transform=\"rotate(" + Num(rotate) + " " + Num(at.x) + " " + Num(at.y) + ")\"") +
             ">" + HtmlEscape(s) + "</text>\n";
}

void Svg::shade(const std::string& d, double opacity) {
    body_ += "<path d=\"" + d + "\" fill=\"#000000\" fill-opacity=\"" + Num(opacity) + "\" stroke=\"none\"/>\n";
}

std::string Svg::finish(const std::string& title, int height) const {
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(kChartWidth) + "\" height=\"" +
           std::to_string(height) + "\" viewBox=\"0 0 " + std::to_string(kChartWidth) + " " + std::to_string(height) +
           "\" font-family=\"Arial, Helvetica, sans-serif\">\n<title>" +
           HtmlEscape(title) + "</title>\n<defs>\n" + defs_ + "</defs>\n" + body_ + "</svg>\n";
}

std::string Svg::PathOf(const std::vector<Pt>& pts, bool close) {
    std::string d;
    for (size_t i = 0; i < pts.size(); ++i)
        d += (i ? " L" : "M") + Num(pts[i].x) + " " + Num(pts[i].y);
    if (close) d += " Z";
    return d;
}

std::string Svg::pattern(int n, int32_t fg, int32_t bg) {
    const std::string id = prefix_ + "p" + std::to_string(n) + "-" + Css(fg).substr(1) + "-" + Css(bg).substr(1);
    if (!defined_.insert(id).second) return id;
    if (bitmapPatterns_) {
        constexpr int kTiles = 16;  // a picture of 128 x 128 pixels: few repeats, small data
        const std::string side = Fine(8 * kTiles * patternPixel_);
        defs_ += "<pattern id=\"" + id + "\" width=\"" + side + "\" height=\"" + side +
                 "\" patternUnits=\"userSpaceOnUse\"><image width=\"" + side + "\" height=\"" + side +
                 "\" preserveAspectRatio=\"none\" style=\"image-rendering:pixelated\" href=\"data:image/png;base64," +
                 Base64(PatternPng(PatternTile(n), fg, bg, kTiles)) + "\"/></pattern>\n";
        return id;
    }
    const std::string tile = Fine(8 * patternPixel_);
    defs_ += "<pattern id=\"" + id + "\" width=\"" + tile + "\" height=\"" + tile +
             "\" patternUnits=\"userSpaceOnUse\"><rect width=\"" + tile + "\" height=\"" + tile + "\" fill=\"" +
             Css(bg) + "\"/><path shape-rendering=\"crispEdges\" fill=\"" + Css(fg) + "\" d=\"" +
             TilePath(PatternTile(n), patternPixel_) + "\"/></pattern>\n";
    return id;
}

std::string Svg::TilePath(const PatternBits& bits, double scale) {
    std::string d;
    const std::string side = Fine(scale);
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 8; ++c)
            if (bits[r] & (0x80 >> c))
                d += "M" + Fine(c * scale) + " " + Fine(r * scale) + "h" + side + "v" + side + "h-" + side + "z";
    return d;
}

std::string Svg::gradient(int32_t from, int32_t to) {
    const std::string id = prefix_ + "g" + Css(from).substr(1) + "-" + Css(to).substr(1);
    if (defined_.insert(id).second)
        defs_ += "<linearGradient id=\"" + id + "\" x1=\"0\" y1=\"0\" x2=\"0\" y2=\"1\"><stop offset=\"0\" stop-color=\"" +
                 Css(from) + "\"/><stop offset=\"1\" stop-color=\"" + Css(to) + "\"/></linearGradient>\n";
    return id;
}

}  // namespace bwpass::svg
