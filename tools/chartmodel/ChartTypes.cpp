// Chart groups and the XlChartType Excel reports for them and for each of their series.
#include "tools/chartmodel/ChartInternal.h"

#include <cstring>

namespace office::detail {

namespace {

using xml::BoolVal;
using xml::Child;
using xml::Names;
using xml::Ns;
using xml::StrVal;

struct GroupRow {
    const char* element;
    Family family;
};

const GroupRow kGroups[] = {
    {"barChart", Family::Bar},         {"bar3DChart", Family::Bar3D},     {"lineChart", Family::Line},
    {"line3DChart", Family::Line3D},   {"areaChart", Family::Area},       {"area3DChart", Family::Area3D},
    {"pieChart", Family::Pie},         {"pie3DChart", Family::Pie3D},     {"ofPieChart", Family::OfPie},
    {"doughnutChart", Family::Doughnut}, {"radarChart", Family::Radar},   {"scatterChart", Family::Scatter},
    {"bubbleChart", Family::Bubble},   {"surfaceChart", Family::Surface}, {"surface3DChart", Family::Surface3D},
    {"stockChart", Family::Stock},
};

std::string Grouping(const Names& names, const pugi::xml_node& group) {
    return StrVal(Child(names, group, Ns::Chart, "grouping"));
}

// 0 clustered (or standard), 1 stacked, 2 percent stacked.
int StackIndex(const std::string& grouping) {
    if (grouping == "stacked") return 1;
    if (grouping == "percentStacked") return 2;
    return 0;
}

int32_t BarType(const Names& names, const pugi::xml_node& group) {
    const bool horizontal = StrVal(Child(names, group, Ns::Chart, "barDir")) == "bar";
    return (horizontal ? 57 : 51) + StackIndex(Grouping(names, group));
}

int32_t Bar3DType(const Names& names, const pugi::xml_node& group, const pugi::xml_node& ser) {
    const bool horizontal = StrVal(Child(names, group, Ns::Chart, "barDir")) == "bar";
    const std::string grouping = Grouping(names, group);
    std::string shape = StrVal(Child(names, group, Ns::Chart, "shape"));
    if (ser) {
        const std::string own = StrVal(Child(names, ser, Ns::Chart, "shape"));
        if (!own.empty()) shape = own;
    }
    // Per shape: the first of the clustered, stacked, 100% column types, of the bar types, and
    // the standard (true 3-D) column type.
    int32_t column = 54, bar = 60, standard = -4100;
    if (shape == "cylinder") column = 92, bar = 95, standard = 98;
    else if (shape == "cone" || shape == "coneToMax") column = 99, bar = 102, standard = 105;
    else if (shape == "pyramid" || shape == "pyramidToMax") column = 106, bar = 109, standard = 112;
    if (grouping == "standard" && !horizontal) return standard;
    return (horizontal ? bar : column) + StackIndex(grouping);
}

bool SymbolNone(const Names& names, const pugi::xml_node& ser) {
    return StrVal(Child(names, Child(names, ser, Ns::Chart, "marker"), Ns::Chart, "symbol")) == "none";
}

bool LineHidden(const Names& names, const pugi::xml_node& ser) {
    pugi::xml_node ln = Child(names, Child(names, ser, Ns::Chart, "spPr"), Ns::Main, "ln");
    return ln && Child(names, ln, Ns::Main, "noFill");
}

int32_t LineType(const Names& names, const pugi::xml_node& group, const pugi::xml_node& ser) {
    // Excel writes c:marker on every line group; a group without one shows markers.
    bool markers = BoolVal(Child(names, group, Ns::Chart, "marker"), true);
    if (ser && SymbolNone(names, ser)) markers = false;
    const int stack = StackIndex(Grouping(names, group));
    return markers ? 65 + stack : (stack == 0 ? 4 : 62 + stack);
}

int32_t ScatterType(const Names& names, const pugi::xml_node& group, const pugi::xml_node& ser) {
    const std::string style = StrVal(Child(names, group, Ns::Chart, "scatterStyle"));
    bool lines = style != "marker" && style != "none";
    bool markers = style != "line" && style != "smooth";
    bool smooth = style == "smooth" || style == "smoothMarker";
    if (ser) {
        if (LineHidden(names, ser)) lines = false;
        pugi::xml_node symbol = Child(names, Child(names, ser, Ns::Chart, "marker"), Ns::Chart, "symbol");
        if (symbol) markers = StrVal(symbol) != "none";
        pugi::xml_node ownSmooth = Child(names, ser, Ns::Chart, "smooth");
        if (ownSmooth) smooth = BoolVal(ownSmooth);
    }
    if (!lines) return -4169;
    if (smooth) return markers ? 72 : 73;
    return markers ? 74 : 75;
}

int32_t RadarType(const Names& names, const pugi::xml_node& group, const pugi::xml_node& ser) {
    const std::string style = StrVal(Child(names, group, Ns::Chart, "radarStyle"));
    if (style == "filled") return 82;
    if (style == "marker" && !(ser && SymbolNone(names, ser))) return 81;
    return -4151;
}

bool Exploded(const Names& names, const pugi::xml_node& group, const pugi::xml_node& ser) {
    if (ser) return xml::IntVal(Child(names, ser, Ns::Chart, "explosion"), 0) > 0;
    for (pugi::xml_node s : xml::Children(names, group, Ns::Chart, "ser"))
        if (xml::IntVal(Child(names, s, Ns::Chart, "explosion"), 0) > 0) return true;
    return false;
}

int32_t StockType(const Names& names, const pugi::xml_node& plotArea, const pugi::xml_node& group) {
    const bool open = xml::Children(names, group, Ns::Chart, "ser").size() >= 4;
    // A volume-high-low-close chart keeps its volume as a column group beside the stock group.
    const bool volume = static_cast<bool>(Child(names, plotArea, Ns::Chart, "barChart"));
    if (volume) return open ? 91 : 90;
    return open ? 89 : 88;
}

int32_t TypeOf(const Names& names, const pugi::xml_node& plotArea, const pugi::xml_node& group,
               const pugi::xml_node& ser) {
    const std::string grouping = Grouping(names, group);
    switch (FamilyOf(names, group)) {
    case Family::Bar: return BarType(names, group);
    case Family::Bar3D: return Bar3DType(names, group, ser);
    case Family::Line: return LineType(names, group, ser);
    case Family::Line3D: return -4101;
    case Family::Area: return grouping == "stacked" ? 76 : grouping == "percentStacked" ? 77 : 1;
    case Family::Area3D: return grouping == "stacked" ? 78 : grouping == "percentStacked" ? 79 : -4098;
    case Family::Pie: return Exploded(names, group, ser) ? 69 : 5;
    case Family::Pie3D: return Exploded(names, group, ser) ? 70 : -4102;
    case Family::OfPie: return StrVal(Child(names, group, Ns::Chart, "ofPieType")) == "bar" ? 71 : 68;
    case Family::Doughnut: return Exploded(names, group, ser) ? 80 : -4120;
    case Family::Radar: return RadarType(names, group, ser);
    case Family::Scatter: return ScatterType(names, group, ser);
    case Family::Bubble: {
        bool threeD = BoolVal(Child(names, group, Ns::Chart, "bubble3D"));
        if (ser && Child(names, ser, Ns::Chart, "bubble3D")) threeD = BoolVal(Child(names, ser, Ns::Chart, "bubble3D"));
        return threeD ? 87 : 15;
    }
    case Family::Surface: return BoolVal(Child(names, group, Ns::Chart, "wireframe")) ? 86 : 85;
    case Family::Surface3D: return BoolVal(Child(names, group, Ns::Chart, "wireframe")) ? 84 : 83;
    case Family::Stock: return StockType(names, plotArea, group);
    case Family::Unknown: break;
    }
    return 51;
}

}  // namespace

Family FamilyOf(const Names& names, const pugi::xml_node& group) {
    if (names.NamespaceOf(group) != Ns::Chart) return Family::Unknown;
    for (const GroupRow& r : kGroups)
        if (std::strcmp(Names::Local(group), r.element) == 0) return r.family;
    return Family::Unknown;
}

bool IsChartGroup(const Names& names, const pugi::xml_node& n) { return FamilyOf(names, n) != Family::Unknown; }

bool HasWalls(Family f) {
    return f == Family::Bar3D || f == Family::Line3D || f == Family::Area3D || f == Family::Surface3D;
}

bool VariesByPoint(Family f) {
    return f == Family::Pie || f == Family::Pie3D || f == Family::OfPie || f == Family::Doughnut;
}

bool SeriesTakesMarker(Family f) { return f == Family::Line || f == Family::Scatter || f == Family::Radar; }

int32_t SeriesChartType(const Names& names, const pugi::xml_node& plotArea, const pugi::xml_node& group,
                        const pugi::xml_node& ser) {
    return TypeOf(names, plotArea, group, ser);
}

int32_t GroupChartType(const Names& names, const pugi::xml_node& plotArea, const pugi::xml_node& group) {
    return TypeOf(names, plotArea, group, pugi::xml_node());
}

}  // namespace office::detail
