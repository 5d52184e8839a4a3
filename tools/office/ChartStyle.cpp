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
// - rows 1..5 (styles 1..40) draw on the background colour: chart area filled with bg1 and framed
//   by a thin line in the text colour at 50% luminance (in a presentation's chart: neither fill
//   nor frame, as PowerPoint draws it over the slide); plot area, legend, walls, floor and data
//   labels without fill or line; filled series without an outline; line series 2 1/4 pt wide;
//   axis lines and gridlines thin, in the text colour at 50% luminance; text in the text colour.
//   Row 6 (styles 41..48) fills the chart area with the text colour (dark), has no frame and
//   writes its text in the background colour (light).
// Effects that Excel's object model does not report (bevels, shadows, glow) are not modelled.
#include "tools/office/ChartInternal.h"

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

sim::ElementModel AutoFormats::ChartArea() const {
    const int row = (style - 1) / 8;
    if (embedded) return Unfilled(NoLine());
    if (row == 5) return Filled(theme[Theme::Tx1], NoLine());
    return Filled(theme[Theme::Bg1], AxisLine());
}

sim::ElementModel AutoFormats::PlotArea() const { return Unfilled(NoLine()); }
sim::ElementModel AutoFormats::Legend() const { return Unfilled(NoLine()); }
sim::ElementModel AutoFormats::Wall() const { return Unfilled(NoLine()); }
sim::ElementModel AutoFormats::DataLabel() const { return Unfilled(NoLine()); }

sim::BorderModel AutoFormats::AxisLine() const {
    return Line(Transformed(theme[Theme::Tx1], {{"lumMod", 50000}, {"lumOff", 50000}}), 2);
}

sim::BorderModel AutoFormats::Gridline() const { return AxisLine(); }
sim::BorderModel AutoFormats::LeaderLine() const { return Line(theme[Theme::Tx1], 2); }

sim::ElementModel AutoFormats::FilledSeries(uint32_t colour) const { return Filled(colour, NoLine()); }

sim::ElementModel AutoFormats::LineSeries(uint32_t colour) const {
    sim::ElementModel e = Filled(colour, Line(colour, WeightOfEmu(28575)));
    return e;
}

sim::BorderModel AutoFormats::Trendline(uint32_t colour) const { return Line(colour, 2); }

uint32_t AutoFormats::TextColour() const { return (style - 1) / 8 == 5 ? theme[Theme::Bg1] : theme[Theme::Tx1]; }

}  // namespace office::detail
