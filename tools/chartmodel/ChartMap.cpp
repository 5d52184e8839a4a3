// The elements of a chart part that stand behind the parts of the model; the reader and the
// writer both go through this map so that they agree on what corresponds to what.
#include "tools/chartmodel/ChartInternal.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace office::detail {

namespace {

using xml::BoolVal;
using xml::Child;
using xml::Children;
using xml::IntVal;
using xml::Names;
using xml::Ns;

pugi::xml_node ValueCache(const Names& names, const pugi::xml_node& ser) {
    pugi::xml_node values = Child(names, ser, Ns::Chart, "val");
    if (!values) values = Child(names, ser, Ns::Chart, "yVal");
    pugi::xml_node ref = Child(names, values, Ns::Chart, "numRef");
    if (ref) return Child(names, ref, Ns::Chart, "numCache");
    return Child(names, values, Ns::Chart, "numLit");
}

double Number(const Names& names, const pugi::xml_node& holder, const char* local, double absent) {
    pugi::xml_node n = Child(names, holder, Ns::Chart, local);
    if (!n) return absent;
    return n.attribute("val").as_double(absent);
}

void AddAxes(const Names& names, ChartNodes& nodes) {
    pugi::xml_node primary;
    for (pugi::xml_node g : nodes.groups)
        if (!Children(names, g, Ns::Chart, "axId").empty()) {
            primary = g;
            break;
        }
    if (!primary) return;
    std::vector<std::string> ids;
    for (pugi::xml_node id : Children(names, primary, Ns::Chart, "axId")) ids.push_back(xml::StrVal(id));
    for (const char* kind : {"catAx", "valAx", "dateAx", "serAx"}) {
        for (pugi::xml_node axis : Children(names, nodes.plotArea, Ns::Chart, kind)) {
            const std::string id = xml::StrVal(Child(names, axis, Ns::Chart, "axId"));
            auto at = std::find(ids.begin(), ids.end(), id);
            if (at == ids.end() || at - ids.begin() > 2) continue;
            nodes.axes[at - ids.begin()] = axis;
        }
    }
}

}  // namespace

bool MapChart(const Names& names, const pugi::xml_document& doc, ChartNodes& nodes, std::string& reason) {
    nodes = ChartNodes();
    pugi::xml_node root = doc.document_element();
    if (names.NamespaceOf(root) == Ns::ChartEx) {
        reason = "a chart of the newer kinds (cx:chart: waterfall, treemap, sunburst, histogram, box and whisker, "
                 "funnel or map), which Excel's chart object model does not expose";
        return false;
    }
    if (!names.Is(root, Ns::Chart, "chartSpace")) {
        reason = std::string("not a DrawingML chart: the root element is <") + root.name() + ">";
        return false;
    }
    nodes.chartSpace = root;
    nodes.chart = Child(names, root, Ns::Chart, "chart");
    nodes.plotArea = Child(names, nodes.chart, Ns::Chart, "plotArea");
    if (!nodes.plotArea) {
        reason = "the chart has no plot area (c:plotArea)";
        return false;
    }
    for (pugi::xml_node c : xml::ElementChildren(names, nodes.plotArea))
        if (IsChartGroup(names, c)) nodes.groups.push_back(c);
    if (nodes.groups.empty()) {
        reason = "the plot area holds no chart group that Excel's chart types cover";
        return false;
    }
    for (pugi::xml_node g : nodes.groups) {
        const Family f = FamilyOf(names, g);
        nodes.threeD = nodes.threeD || HasWalls(f);
        for (pugi::xml_node ser : Children(names, g, Ns::Chart, "ser")) nodes.series.push_back({g, ser, f});
    }
    nodes.legend = Child(names, nodes.chart, Ns::Chart, "legend");
    nodes.floor = Child(names, nodes.chart, Ns::Chart, "floor");
    nodes.sideWall = Child(names, nodes.chart, Ns::Chart, "sideWall");
    nodes.backWall = Child(names, nodes.chart, Ns::Chart, "backWall");
    AddAxes(names, nodes);
    return true;
}

int PointCount(const Names& names, const pugi::xml_node& ser) {
    pugi::xml_node cache = ValueCache(names, ser);
    int count = IntVal(Child(names, cache, Ns::Chart, "ptCount"), -1);
    if (count >= 0) return std::min(count, kMaxPoints);
    int highest = -1;
    for (pugi::xml_node pt : Children(names, cache, Ns::Chart, "pt"))
        highest = std::max(highest, pt.attribute("idx").as_int(-1));
    return std::min(highest + 1, kMaxPoints);
}

std::vector<double> SeriesValues(const Names& names, const pugi::xml_node& ser) {
    std::vector<double> out;
    for (pugi::xml_node pt : Children(names, ValueCache(names, ser), Ns::Chart, "pt"))
        out.push_back(std::strtod(Child(names, pt, Ns::Chart, "v").text().get(), nullptr));
    return out;
}

bool VariedColours(const ChartNodes& nodes, const Names& names, const pugi::xml_node& group) {
    const Family f = FamilyOf(names, group);
    pugi::xml_node vary = Child(names, group, Ns::Chart, "varyColors");
    if (VariesByPoint(f)) return BoolVal(vary, true);
    if (f == Family::Surface || f == Family::Surface3D || f == Family::Stock) return false;
    return BoolVal(vary, false) && nodes.series.size() == 1;
}

LegendKind LegendKindOf(const ChartNodes& nodes, const Names& names) {
    const Family first = FamilyOf(names, nodes.groups.front());
    if (first == Family::Surface || first == Family::Surface3D) return LegendKind::Bands;
    if (!nodes.series.empty() && VariedColours(nodes, names, nodes.series.front().group)) return LegendKind::Points;
    return LegendKind::Series;
}

namespace {

// The smallest of 1, 2 and 5 times a power of ten that divides span into at most ten units.
double MajorUnitFor(double span) {
    if (!(span > 0)) span = 1;
    double magnitude = std::pow(10, std::floor(std::log10(span / 10)));
    for (;;) {
        for (double m : {1.0, 2.0, 5.0})
            if (span / (m * magnitude) <= 10 + 1e-9) return m * magnitude;
        magnitude *= 10;
    }
}

double Down(double v, double unit) { return std::floor(v / unit + 1e-9) * unit; }
double Up(double v, double unit) { return std::ceil(v / unit - 1e-9) * unit; }

}  // namespace

AxisScale ValueAxisScale(double dataMin, double dataMax, const AxisScale& fixed) {
    if (dataMin > dataMax) std::swap(dataMin, dataMax);
    if (!std::isnan(fixed.minimum)) dataMin = std::min(fixed.minimum, dataMax);
    // Data of one value are scaled from zero.
    if (dataMin == dataMax) (dataMin > 0 ? dataMin : dataMax) = 0;
    const double span = dataMax - dataMin;
    // Excel's automatic limits: a twentieth of the span beyond the data at the far end; zero at
    // the near end unless the data lie within a sixth of it, then a twentieth beyond as well.
    double lo = dataMin, hi = dataMax;
    if (dataMin >= 0) {
        hi = dataMax + span / 20;
        lo = span > dataMax / 6 ? 0 : dataMin - span / 20;
    } else if (dataMax <= 0) {
        lo = dataMin - span / 20;
        hi = span > -dataMin / 6 ? 0 : dataMax + span / 20;
    } else {
        lo = dataMin - span / 20;
        hi = dataMax + span / 20;
    }
    if (!std::isnan(fixed.minimum)) lo = fixed.minimum;
    if (!std::isnan(fixed.maximum)) hi = fixed.maximum;
    if (lo == hi) hi = lo + 1;
    AxisScale scale;
    scale.majorUnit = fixed.majorUnit > 0 ? fixed.majorUnit : MajorUnitFor(hi - lo);
    scale.minimum = std::isnan(fixed.minimum) ? Down(lo, scale.majorUnit) : fixed.minimum;
    scale.maximum = std::isnan(fixed.maximum) ? Up(hi, scale.majorUnit) : fixed.maximum;
    return scale;
}

int SurfaceBandCount(const ChartNodes& nodes, const Names& names) {
    double lo = std::numeric_limits<double>::max(), hi = std::numeric_limits<double>::lowest();
    for (const SeriesNodes& s : nodes.series)
        for (double v : SeriesValues(names, s.ser)) {
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    if (lo > hi) lo = 0, hi = 1;
    const double none = std::numeric_limits<double>::quiet_NaN();
    pugi::xml_node scaling = Child(names, nodes.axes[1], Ns::Chart, "scaling");
    const AxisScale fixed{Number(names, scaling, "min", none), Number(names, scaling, "max", none),
                          Number(names, nodes.axes[1], "majorUnit", 0)};
    const AxisScale scale = ValueAxisScale(lo, hi, fixed);
    const double bands = std::round((scale.maximum - scale.minimum) / scale.majorUnit);
    return static_cast<int>(std::min(255.0, std::max(1.0, bands)));
}

std::vector<int> LegendEntryIndexes(const ChartNodes& nodes, const Names& names, int count) {
    if (count < 0) switch (LegendKindOf(nodes, names)) {
    case LegendKind::Series: count = static_cast<int>(nodes.series.size()); break;
    case LegendKind::Points: count = nodes.series.empty() ? 0 : PointCount(names, nodes.series.front().ser); break;
    case LegendKind::Bands: count = SurfaceBandCount(nodes, names); break;
    }
    std::vector<bool> deleted(count, false);
    for (pugi::xml_node e : Children(names, nodes.legend, Ns::Chart, "legendEntry")) {
        const int idx = IntVal(Child(names, e, Ns::Chart, "idx"), -1);
        if (idx >= 0 && idx < count && BoolVal(Child(names, e, Ns::Chart, "delete"))) deleted[idx] = true;
    }
    std::vector<int> out;
    for (int i = 0; i < count; ++i)
        if (!deleted[i]) out.push_back(i);
    return out;
}

}  // namespace office::detail
