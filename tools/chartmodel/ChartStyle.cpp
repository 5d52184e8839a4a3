// The automatic formats of the 48 chart styles (c:style) that Excel and PowerPoint apply where a
// part stores no format of its own.
//
// A style number n picks a colour set by (n - 1) mod 8 and an effect row by (n - 1) / 8:
// - colour set 0: greys (the text colour at 50% luminance, spread darker and lighter over the
//   series); set 1: the six accents in turn; sets 2..7: one accent (accent1..accent6) spread
//   darker and lighter over the series;
// - the six accents of set 1 repeat for series 7 and on with Office's variations, one per round
//   of six: luminance x60%; x80% +20%; x80%; x60% +40%; x50%; x70% +30%; x70%; x50% +50%;
//   then the rounds start again;
// - a one-accent set spreads its series evenly from 50% darker (luminance x50%) to 50% lighter
//   (x50% +50%), the middle series keeping the accent itself;
// - rows 1..4 (styles 1..32) draw on the background colour: chart area filled with bg1 and framed
//   by a thin line in the text colour at 50% luminance; plot area, legend, walls, floor and data
//   labels without fill or line; filled series without an outline, except in row 2 (styles
//   9..16), whose series are outlined in lt1; line series 2 1/4 pt wide; axis lines and gridlines
//   thin, in the text colour at 50% luminance;
// - row 5 (styles 33..40) fills the chart area with lt1 and, in a 2-D chart the plot area, in a
//   3-D chart the walls and floor, with a 20% tint of dk1 (styles 33, 34) or of the style's
//   accent (35..40), the walls and floor framed by a 75% tint of dk1; its series are outlined in
//   a 50% shade of dk1 (33), of the series' accent (34) or of the style's accent (35..40);
// - row 6 (styles 41..48) fills the chart area with dk1, unframed, and the plot area (walls and
//   floor) with a 95% tint of dk1, a dark grey, and writes its text in the background colour
//   (light); the other rows write theirs in the text colour;
// - rows 5 and 6 draw their axes and gridlines from dk1 rather than the text colour;
// - trendlines and leader lines take no colour from their series: tx1 (styles 1..32), dk1 (33,
//   34), a 25% shade of dk1 (35..40) or lt1 (41..48).
// These follow the chart style's tables whatever holds the chart: a presentation's chart (one with
// c:externalData) that is to show the slide through stores its a:noFill like any other format.
// Effects that Excel's object model does not report (bevels, shadows, glow) are not modelled.
#include "tools/chartmodel/ChartInternal.h"

#include <algorithm>

namespace office::detail {

namespace {

using xml::Child;
using xml::IntVal;
using xml::Names;
using xml::Ns;

sim::BorderModel Line(uint32_t rgb, int32_t weight) {
    sim::BorderModel b;
    b.color = ToModel(rgb);
    b.colorIndex = -4105;
    b.weight = weight;
    b.lineStyle = 1;
    return b;
}

sim::BorderModel NoLine() {
    sim::BorderModel b;
    b.colorIndex = -4142;
    b.lineStyle = -4142;
    return b;
}

sim::ElementModel Filled(uint32_t rgb, sim::BorderModel border) {
    sim::ElementModel e;
    e.interior.color = ToModel(rgb);
    e.interior.colorIndex = -4105;
    e.fill.visible = -1;
    e.fill.type = sim::FillModel::Type::Solid;
    e.border = border;
    return e;
}

sim::ElementModel Unfilled(sim::BorderModel border) {
    sim::ElementModel e;
    e.interior.color = 0xFFFFFF;
    e.interior.colorIndex = -4142;
    e.fill.visible = 0;
    e.border = border;
    return e;
}

const Transform kVariations[][2] = {
    {{"lumMod", 100000}, {"lumOff", 0}}, {{"lumMod", 60000}, {"lumOff", 0}},
    {{"lumMod", 80000}, {"lumOff", 20000}}, {{"lumMod", 80000}, {"lumOff", 0}},
    {{"lumMod", 60000}, {"lumOff", 40000}}, {{"lumMod", 50000}, {"lumOff", 0}},
    {{"lumMod", 70000}, {"lumOff", 30000}}, {{"lumMod", 70000}, {"lumOff", 0}},
    {{"lumMod", 50000}, {"lumOff", 50000}},
};

uint32_t Spread(uint32_t base, int idx, int count) {
    if (count <= 1) return base;
    const double t = static_cast<double>(std::min(idx, count - 1)) / (count - 1) - 0.5;  // -0.5 .. 0.5
    const int amount = static_cast<int>(t * 100000);
    if (amount < 0) return Transformed(base, {{"lumMod", 100000 + amount}});
    return Transformed(base, {{"lumMod", 100000 - amount}, {"lumOff", amount}});
}

}  // namespace

int ChartStyleOf(const Names& names, const pugi::xml_node& chartSpace) {
    // Office writes the style as c14:style (style + 100) in the Choice of an
    // mc:AlternateContent and as c:style in its Fallback; the Choice is what Office reads.
    for (pugi::xml_node c : chartSpace.children()) {
        if (!names.Is(c, Ns::Compat, "AlternateContent")) continue;
        for (pugi::xml_node branch : c.children())
            for (pugi::xml_node s : branch.children())
                if (names.Is(s, Ns::Chart2010, "style")) {
                    const int v = IntVal(s, 0) - 100;
                    if (v >= 1 && v <= 48) return v;
                }
    }
    const int v = IntVal(Child(names, chartSpace, Ns::Chart, "style"), 2);
    return v >= 1 && v <= 48 ? v : 2;
}

uint32_t AutoFormats::SeriesColour(int idx, int count) const {
    if (idx < 0) idx = 0;
    const int set = (style - 1) % 8;
    if (set == 1) {
        const uint32_t accent = theme[static_cast<Theme::Slot>(Theme::Accent1 + idx % 6)];
        const auto& v = kVariations[(idx / 6) % 9];
        return Transformed(accent, {v[0], v[1]});
    }
    const uint32_t base = set == 0 ? Transformed(theme[Theme::Tx1], {{"lumMod", 50000}, {"lumOff", 50000}})
                                   : theme[static_cast<Theme::Slot>(Theme::Accent1 + set - 2)];
    return Spread(base, idx, count);
}

namespace {

Theme::Slot Accent(int n) { return static_cast<Theme::Slot>(Theme::Accent1 + ((n % 6) + 6) % 6); }

}  // namespace

uint32_t AutoFormats::Backdrop() const {
    if (Row() == 5) return Transformed(theme[Theme::Dk1], {{"tint", 95000}});
    return Transformed(style <= 34 ? theme[Theme::Dk1] : theme[Accent(style - 35)], {{"tint", 20000}});
}

sim::ElementModel AutoFormats::ChartArea() const {
    if (Row() == 5) return Filled(theme[Theme::Dk1], NoLine());
    if (Row() == 4) return Filled(theme[Theme::Lt1], AxisLine());
    return Filled(theme[Theme::Bg1], AxisLine());
}

sim::ElementModel AutoFormats::PlotArea(bool threeD) const {
    if (Row() < 4 || threeD) return Unfilled(NoLine());
    return Filled(Backdrop(), NoLine());
}

sim::ElementModel AutoFormats::Legend() const { return Unfilled(NoLine()); }

sim::ElementModel AutoFormats::Wall() const {
    if (Row() == 5) return Filled(Backdrop(), NoLine());
    if (Row() == 4) return Filled(Backdrop(), Line(Transformed(theme[Theme::Dk1], {{"tint", 75000}}), 2));
    return Unfilled(NoLine());
}

sim::ElementModel AutoFormats::DataLabel() const { return Unfilled(NoLine()); }

sim::BorderModel AutoFormats::AxisLine() const {
    const uint32_t text = Row() >= 4 ? theme[Theme::Dk1] : theme[Theme::Tx1];
    return Line(Transformed(text, {{"lumMod", 50000}, {"lumOff", 50000}}), 2);
}

sim::BorderModel AutoFormats::Gridline() const { return AxisLine(); }

sim::BorderModel AutoFormats::OtherLine() const {
    if (Row() == 5) return Line(theme[Theme::Lt1], 2);
    if (style >= 35) return Line(Transformed(theme[Theme::Dk1], {{"shade", 25000}}), 2);
    return Line(style >= 33 ? theme[Theme::Dk1] : theme[Theme::Tx1], 2);
}

sim::BorderModel AutoFormats::LeaderLine() const { return OtherLine(); }

sim::ElementModel AutoFormats::FilledSeries(uint32_t colour, int idx) const {
    if (Row() == 1) return Filled(colour, Line(theme[Theme::Lt1], 2));
    if (Row() != 4) return Filled(colour, NoLine());
    const uint32_t edge = style == 33 ? theme[Theme::Dk1] : style == 34 ? theme[Accent(idx)] : theme[Accent(style - 35)];
    return Filled(colour, Line(Transformed(edge, {{"shade", 50000}}), 2));
}

sim::ElementModel AutoFormats::LineSeries(uint32_t colour) const {
    sim::ElementModel e = Filled(colour, Line(colour, WeightOfEmu(28575)));
    return e;
}

sim::BorderModel AutoFormats::Trendline() const { return OtherLine(); }

uint32_t AutoFormats::TextColour() const { return Row() == 5 ? theme[Theme::Bg1] : theme[Theme::Tx1]; }

}  // namespace office::detail
