// Reading a chart part into the model: what Excel's object model would report.
#include "tools/chartmodel/ChartInternal.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>

namespace office {

namespace detail {

namespace {

using sim::BorderModel;
using sim::ElementModel;
using sim::FillModel;
using xml::BoolVal;
using xml::Child;
using xml::Children;
using xml::ElementChildren;
using xml::IntVal;
using xml::Names;
using xml::Ns;
using xml::StrVal;

bool IsCompound(const std::string& cmpd) {
    return cmpd == "dbl" || cmpd == "thickThin" || cmpd == "thinThick" || cmpd == "tri";
}

// The colour a fill element paints with: a solid fill's colour, a gradient's first stop, a
// pattern's foreground.
bool PaintColour(const Names& names, const pugi::xml_node& fill, const Theme& theme, uint32_t placeholder,
                 uint32_t& rgb) {
    const char* local = Names::Local(fill);
    if (std::strcmp(local, "solidFill") == 0) return ColourIn(names, fill, theme, placeholder, rgb);
    if (std::strcmp(local, "gradFill") == 0) {
        pugi::xml_node stops = Child(names, fill, Ns::Main, "gsLst");
        std::vector<pugi::xml_node> gs = Children(names, stops, Ns::Main, "gs");
        return !gs.empty() && ColourIn(names, gs.front(), theme, placeholder, rgb);
    }
    if (std::strcmp(local, "pattFill") == 0)
        return ColourIn(names, Child(names, fill, Ns::Main, "fgClr"), theme, placeholder, rgb);
    return false;
}

bool IsFillChoice(const Names& names, const pugi::xml_node& n) {
    if (names.NamespaceOf(n) != Ns::Main) return false;
    for (const char* f : {"noFill", "solidFill", "gradFill", "blipFill", "pattFill", "grpFill"})
        if (std::strcmp(Names::Local(n), f) == 0) return true;
    return false;
}

pugi::xml_node FillChoice(const Names& names, const pugi::xml_node& holder) {
    for (pugi::xml_node c : ElementChildren(names, holder))
        if (IsFillChoice(names, c)) return c;
    return {};
}

void ReadFill(const Names& names, const pugi::xml_node& fill, const Theme& theme, ElementModel& e) {
    const std::string local = Names::Local(fill);
    const uint32_t automatic = FromModel(e.interior.color);
    auto paint = [&](FillModel::Type type) {
        e.fill.visible = -1;
        e.fill.type = type;
        e.fill.pattern = 0;
        e.interior.colorIndex = -4105;
        e.interior.pattern = 1;
    };
    uint32_t rgb = 0;
    if (local == "noFill") {
        e.fill.visible = 0;
        e.interior.colorIndex = -4142;
        e.interior.color = 0xFFFFFF;
    } else if (local == "solidFill") {
        paint(FillModel::Type::Solid);
        if (ColourIn(names, fill, theme, automatic, rgb)) e.interior.color = ToModel(rgb);
    } else if (local == "gradFill") {
        paint(FillModel::Type::Gradient);
        if (PaintColour(names, fill, theme, automatic, rgb)) e.interior.color = ToModel(rgb);
        std::vector<pugi::xml_node> gs = Children(names, Child(names, fill, Ns::Main, "gsLst"), Ns::Main, "gs");
        if (!gs.empty() && ColourIn(names, gs.back(), theme, automatic, rgb)) e.interior.patternColor = ToModel(rgb);
    } else if (local == "pattFill") {
        paint(FillModel::Type::Patterned);
        e.fill.pattern = PatternOfPreset(fill.attribute("prst").as_string("pct5"));
        e.interior.color = 0;
        e.interior.patternColor = 0xFFFFFF;
        if (ColourIn(names, Child(names, fill, Ns::Main, "fgClr"), theme, automatic, rgb)) e.interior.color = ToModel(rgb);
        if (ColourIn(names, Child(names, fill, Ns::Main, "bgClr"), theme, automatic, rgb))
            e.interior.patternColor = ToModel(rgb);
    } else if (local == "blipFill") {
        paint(Child(names, fill, Ns::Main, "tile") ? FillModel::Type::Textured : FillModel::Type::Picture);
    }
    // grpFill takes the group's fill; a chart element has none, so it keeps the automatic one.
}

}  // namespace

BorderModel ReadLine(const Names& names, const pugi::xml_node& spPr, const Theme& theme, BorderModel b) {
    pugi::xml_node ln = Child(names, spPr, Ns::Main, "ln");
    if (!ln) return b;
    if (ln.attribute("w")) b.weight = WeightOfEmu(ln.attribute("w").as_llong());
    bool drawn = b.lineStyle != -4142 && b.colorIndex != -4142;
    pugi::xml_node fill = FillChoice(names, ln);
    uint32_t rgb = 0;
    if (fill) {
        drawn = !names.Is(fill, Ns::Main, "noFill");
        if (drawn && PaintColour(names, fill, theme, FromModel(b.color), rgb)) b.color = ToModel(rgb);
    }
    if (!drawn) {
        b.lineStyle = -4142;
        b.colorIndex = -4142;
        return b;
    }
    b.colorIndex = -4105;
    if (b.lineStyle == -4142) b.lineStyle = 1;
    pugi::xml_node dash = Child(names, ln, Ns::Main, "prstDash");
    if (dash) b.lineStyle = LineStyleOfDash(StrVal(dash));
    else if (Child(names, ln, Ns::Main, "custDash")) b.lineStyle = -4115;
    if (IsCompound(ln.attribute("cmpd").as_string())) b.lineStyle = -4119;
    return b;
}

ElementModel ReadFormat(const Names& names, const pugi::xml_node& spPr, const Theme& theme, ElementModel e) {
    if (!spPr) return e;
    pugi::xml_node fill = FillChoice(names, spPr);
    if (fill) ReadFill(names, fill, theme, e);
    e.border = ReadLine(names, spPr, theme, e.border);
    return e;
}

namespace {

std::wstring Wide(const char* s) {
    std::wstring out;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(s);
    while (*p) {
        uint32_t c = *p++;
        int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        if (extra) c &= (0x3F >> extra);
        for (; extra > 0 && (*p & 0xC0) == 0x80; --extra) c = (c << 6) | (*p++ & 0x3F);
        if (sizeof(wchar_t) == 2 && c > 0xFFFF) {
            c -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (c >> 10));
            out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<wchar_t>(c);
        }
    }
    return out;
}

// The points of a string or number cache (or literal), by index; of a multi-level cache, the
// innermost level.
std::vector<std::wstring> CacheTexts(const Names& names, const pugi::xml_node& data) {
    pugi::xml_node cache;
    for (const char* ref : {"strRef", "numRef", "multiLvlStrRef"}) {
        pugi::xml_node r = Child(names, data, Ns::Chart, ref);
        for (const char* c : {"strCache", "numCache", "multiLvlStrCache"})
            if (!cache) cache = Child(names, r, Ns::Chart, c);
    }
    for (const char* lit : {"strLit", "numLit"})
        if (!cache) cache = Child(names, data, Ns::Chart, lit);
    const int count = std::clamp(IntVal(Child(names, cache, Ns::Chart, "ptCount"), 0), 0, kMaxPoints);
    if (pugi::xml_node level = Child(names, cache, Ns::Chart, "lvl")) cache = level;
    std::vector<std::wstring> out(count);
    for (pugi::xml_node pt : Children(names, cache, Ns::Chart, "pt")) {
        const int idx = pt.attribute("idx").as_int(-1);
        if (idx >= 0 && idx < count) out[idx] = Wide(Child(names, pt, Ns::Chart, "v").text().get());
    }
    return out;
}

std::vector<double> CacheValues(const Names& names, const pugi::xml_node& ser, int count) {
    std::vector<double> out(count, 0.0);
    pugi::xml_node values = Child(names, ser, Ns::Chart, "val");
    if (!values) values = Child(names, ser, Ns::Chart, "yVal");
    pugi::xml_node cache = Child(names, Child(names, values, Ns::Chart, "numRef"), Ns::Chart, "numCache");
    if (!cache) cache = Child(names, values, Ns::Chart, "numLit");
    for (pugi::xml_node pt : Children(names, cache, Ns::Chart, "pt")) {
        const int idx = pt.attribute("idx").as_int(-1);
        if (idx >= 0 && idx < count) out[idx] = std::strtod(Child(names, pt, Ns::Chart, "v").text().get(), nullptr);
    }
    return out;
}

std::wstring SeriesName(const Names& names, const pugi::xml_node& ser) {
    pugi::xml_node tx = Child(names, ser, Ns::Chart, "tx");
    if (pugi::xml_node v = Child(names, tx, Ns::Chart, "v")) return Wide(v.text().get());
    std::vector<std::wstring> texts = CacheTexts(names, tx);
    return texts.empty() ? std::wstring() : texts.front();
}

bool ShowsSomething(const Names& names, const pugi::xml_node& labels) {
    for (const char* flag : {"showVal", "showCatName", "showSerName", "showPercent", "showBubbleSize"})
        if (BoolVal(Child(names, labels, Ns::Chart, flag))) return true;
    return false;
}

bool LabelsShown(const Names& names, const pugi::xml_node& dLbls) {
    if (!dLbls || BoolVal(Child(names, dLbls, Ns::Chart, "delete"))) return false;
    if (ShowsSomething(names, dLbls)) return true;
    for (pugi::xml_node one : Children(names, dLbls, Ns::Chart, "dLbl"))
        if (!BoolVal(Child(names, one, Ns::Chart, "delete")) && ShowsSomething(names, one)) return true;
    return false;
}

// The children ns:local of parent by their c:idx (the first of each index).
std::map<int, pugi::xml_node> ByIndex(const Names& names, const pugi::xml_node& parent, const char* local) {
    std::map<int, pugi::xml_node> out;
    for (pugi::xml_node c : Children(names, parent, Ns::Chart, local))
        out.emplace(IntVal(Child(names, c, Ns::Chart, "idx"), -1), c);
    return out;
}

bool ShowsMarkersByType(int32_t t) {
    return !(t == 4 || t == 63 || t == 64 || t == 73 || t == 75 || t == -4151 || t == 82);
}

bool DrawnAsLine(Family f, int32_t chartType) {
    return f == Family::Line || f == Family::Scatter || f == Family::Stock || (f == Family::Radar && chartType != 82);
}

class Reader {
public:
    Reader(const Names& names, const ChartNodes& nodes, const Theme& theme)
        : names_(names),
          nodes_(nodes),
          autos_{ChartStyleOf(names, nodes.chartSpace), theme} {}

    sim::ChartModel Read() {
        sim::ChartModel m;
        m.chartType = ChartType();
        m.chartArea = Format(Child(names_, nodes_.chartSpace, Ns::Chart, "spPr"), autos_.ChartArea());
        m.plotArea = Format(Child(names_, nodes_.plotArea, Ns::Chart, "spPr"), autos_.PlotArea(nodes_.threeD));
        ReadLegendFrame(m);
        ReadWallsAndFloor(m);
        for (int i = 0; i < 3; ++i) m.axes[i] = Axis(nodes_.axes[i]);
        for (size_t i = 0; i < nodes_.series.size(); ++i) m.series.push_back(Series(nodes_.series[i], i));
        if (!nodes_.series.empty()) {
            const pugi::xml_node ser = nodes_.series.front().ser;
            pugi::xml_node cat = Child(names_, ser, Ns::Chart, "cat");
            if (!cat) cat = Child(names_, ser, Ns::Chart, "xVal");
            m.categories = CacheTexts(names_, cat);
        }
        if (m.legend.present) ReadLegendEntries(m);
        ReadTextColours(names_, nodes_, autos_, m);
        return m;
    }

private:
    ElementModel Format(const pugi::xml_node& spPr, ElementModel automatic) const {
        return ReadFormat(names_, spPr, autos_.theme, std::move(automatic));
    }
    BorderModel Line(const pugi::xml_node& holder, BorderModel automatic) const {
        return ReadLine(names_, Child(names_, holder, Ns::Chart, "spPr"), autos_.theme, automatic);
    }

    int32_t ChartType() const {
        for (pugi::xml_node g : nodes_.groups)
            if (FamilyOf(names_, g) == Family::Stock) return GroupChartType(names_, nodes_.plotArea, g);
        if (!nodes_.series.empty())
            return SeriesChartType(names_, nodes_.plotArea, nodes_.series.front().group, nodes_.series.front().ser);
        return GroupChartType(names_, nodes_.plotArea, nodes_.groups.front());
    }

    void ReadLegendFrame(sim::ChartModel& m) const {
        m.legend.present = static_cast<bool>(nodes_.legend);
        if (!m.legend.present) return;
        static_cast<ElementModel&>(m.legend) = Format(Child(names_, nodes_.legend, Ns::Chart, "spPr"), autos_.Legend());
    }

    void ReadWallsAndFloor(sim::ChartModel& m) const {
        if (!nodes_.threeD) return;
        pugi::xml_node wall = nodes_.backWall ? nodes_.backWall : nodes_.sideWall;
        m.walls = Format(Child(names_, wall, Ns::Chart, "spPr"), autos_.Wall());
        m.floor = Format(Child(names_, nodes_.floor, Ns::Chart, "spPr"), autos_.Wall());
    }

    sim::AxisModel Axis(const pugi::xml_node& axis) const {
        sim::AxisModel a;
        a.present = axis && !BoolVal(Child(names_, axis, Ns::Chart, "delete"));
        if (!a.present) return a;
        a.border = Line(axis, autos_.AxisLine());
        for (auto [name, target] : {std::pair{"majorGridlines", &a.majorGridlines}, {"minorGridlines", &a.minorGridlines}}) {
            pugi::xml_node lines = Child(names_, axis, Ns::Chart, name);
            *target = {static_cast<bool>(lines), lines ? Line(lines, autos_.Gridline()) : BorderModel{}};
        }
        return a;
    }

    int SeriesIndex(const SeriesNodes& s, size_t position) const {
        return IntVal(Child(names_, s.ser, Ns::Chart, "idx"), static_cast<int>(position));
    }

    ElementModel Automatic(Family f, int32_t chartType, uint32_t colour, int idx) const {
        return DrawnAsLine(f, chartType) ? autos_.LineSeries(colour) : autos_.FilledSeries(colour, idx);
    }

    sim::SeriesModel Series(const SeriesNodes& s, size_t position) const {
        sim::SeriesModel m;
        m.name = SeriesName(names_, s.ser);
        m.chartType = SeriesChartType(names_, nodes_.plotArea, s.group, s.ser);
        const int idx = SeriesIndex(s, position);
        const uint32_t colour = autos_.SeriesColour(idx, static_cast<int>(nodes_.series.size()));
        const pugi::xml_node spPr = Child(names_, s.ser, Ns::Chart, "spPr");
        const ElementModel own = Format(spPr, Automatic(s.family, m.chartType, colour, idx));
        m.border = own.border;
        m.interior = own.interior;
        m.fill = own.fill;
        ReadMarker(s, m, colour, idx);
        ReadPoints(s, m, own);
        ReadLabels(s, m);
        for (pugi::xml_node t : Children(names_, s.ser, Ns::Chart, "trendline"))
            m.trendlines.push_back({true, Line(t, autos_.Trendline())});
        return m;
    }

    void ReadPoints(const SeriesNodes& s, sim::SeriesModel& m, const ElementModel& own) const {
        const int count = PointCount(names_, s.ser);
        const std::vector<double> values = CacheValues(names_, s.ser, count);
        const pugi::xml_node spPr = Child(names_, s.ser, Ns::Chart, "spPr");
        // Varied colours give way to a fill the series stores itself.
        const bool varied = VariedColours(nodes_, names_, s.group) && !FillChoice(names_, spPr);
        const std::map<int, pugi::xml_node> dPts = ByIndex(names_, s.ser, "dPt");
        for (int p = 0; p < count; ++p) {
            sim::PointModel point;
            point.value = values[p];
            point.element = varied ? Format(spPr, Automatic(s.family, m.chartType, autos_.SeriesColour(p, count), p)) : own;
            point.markerStyle = m.markerStyle;
            point.markerSize = m.markerSize;
            point.markerForegroundColor = m.markerForegroundColor;
            point.markerBackgroundColor = m.markerBackgroundColor;
            auto own = dPts.find(p);
            if (own != dPts.end()) {
                point.element = Format(Child(names_, own->second, Ns::Chart, "spPr"), point.element);
                if (SeriesTakesMarker(s.family)) LayMarker(Child(names_, own->second, Ns::Chart, "marker"), point);
            }
            m.points.push_back(point);
        }
    }

    void ReadMarker(const SeriesNodes& s, sim::SeriesModel& m, uint32_t colour, int idx) const {
        if (!SeriesTakesMarker(s.family)) return;
        m.markerStyle = ShowsMarkersByType(m.chartType) ? -4105 : -4142;
        m.markerSize = 5;
        ElementModel automatic = autos_.FilledSeries(colour, idx);
        automatic.border = autos_.LineSeries(colour).border;
        m.markerBackgroundColor = automatic.interior.color;
        m.markerForegroundColor = automatic.border.color;
        LayMarker(Child(names_, s.ser, Ns::Chart, "marker"), m);
    }

    // Lays what a c:marker stores (symbol, size, fill and line) over the marker of target, a
    // series or a point.
    template <class Target>
    void LayMarker(const pugi::xml_node& marker, Target& target) const {
        if (!marker) return;
        const std::string symbol = StrVal(Child(names_, marker, Ns::Chart, "symbol"));
        if (!symbol.empty()) target.markerStyle = MarkerOfSymbol(symbol);
        if (pugi::xml_node size = Child(names_, marker, Ns::Chart, "size"))
            target.markerSize = std::clamp(IntVal(size, 5), 2, 72);
        ElementModel look;
        look.interior.color = target.markerBackgroundColor;
        look.border.color = target.markerForegroundColor;
        look = Format(Child(names_, marker, Ns::Chart, "spPr"), look);
        target.markerBackgroundColor = look.interior.color;
        target.markerForegroundColor = look.border.color;
    }

    void ReadLabels(const SeriesNodes& s, sim::SeriesModel& m) const {
        pugi::xml_node dLbls = Child(names_, s.ser, Ns::Chart, "dLbls");
        if (!dLbls) dLbls = Child(names_, s.group, Ns::Chart, "dLbls");
        m.hasDataLabels = LabelsShown(names_, dLbls);
        if (m.hasDataLabels) {
            const ElementModel common = Format(Child(names_, dLbls, Ns::Chart, "spPr"), autos_.DataLabel());
            const std::map<int, pugi::xml_node> own = ByIndex(names_, dLbls, "dLbl");
            for (size_t p = 0; p < m.points.size(); ++p) {
                ElementModel label = common;
                auto one = own.find(static_cast<int>(p));
                if (one != own.end()) {
                    if (BoolVal(Child(names_, one->second, Ns::Chart, "delete"))) label.present = false;
                    else label = Format(Child(names_, one->second, Ns::Chart, "spPr"), common);
                }
                m.dataLabels.push_back(label);
            }
        }
        if (VariesByPoint(s.family) && m.hasDataLabels) {
            m.hasLeaderLines = BoolVal(Child(names_, dLbls, Ns::Chart, "showLeaderLines"));
            if (m.hasLeaderLines)
                m.leaderLines = {true, Line(Child(names_, dLbls, Ns::Chart, "leaderLines"), autos_.LeaderLine())};
        }
    }

    void ReadLegendEntries(sim::ChartModel& m) const {
        const LegendKind kind = LegendKindOf(nodes_, names_);
        const int bands = kind == LegendKind::Bands ? SurfaceBandCount(nodes_, names_) : 0;
        for (int i : LegendEntryIndexes(nodes_, names_)) {
            sim::LegendEntryModel entry;
            ElementModel& key = entry.legendKey;
            if (kind == LegendKind::Series && i < static_cast<int>(m.series.size())) {
                const sim::SeriesModel& s = m.series[i];
                key.border = s.border;
                key.interior = s.interior;
                key.fill = s.fill;
            } else if (kind == LegendKind::Points && !m.series.empty() && i < static_cast<int>(m.series[0].points.size())) {
                key = m.series[0].points[i].element;
            } else if (kind == LegendKind::Bands) {
                key = Format(BandProperties(i), autos_.FilledSeries(autos_.SeriesColour(i, bands), i));
            }
            m.legend.entries.push_back(entry);
        }
    }

    pugi::xml_node BandProperties(int band) const {
        for (pugi::xml_node g : nodes_.groups)
            for (pugi::xml_node f : Children(names_, Child(names_, g, Ns::Chart, "bandFmts"), Ns::Chart, "bandFmt"))
                if (IntVal(Child(names_, f, Ns::Chart, "idx"), -1) == band) return Child(names_, f, Ns::Chart, "spPr");
        return {};
    }

    const Names& names_;
    const ChartNodes& nodes_;
    AutoFormats autos_;
};

}  // namespace

sim::ChartModel ReadModel(const Names& names, const ChartNodes& nodes, const Theme& theme) {
    return Reader(names, nodes, theme).Read();
}

}  // namespace detail
}  // namespace office
