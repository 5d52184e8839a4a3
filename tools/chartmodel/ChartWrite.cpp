// Writing a converted model back into its chart part: only what differs from the model the part
// was read as, each property in its DrawingML form, new elements in the schema's order. Cached
// data (c:numCache, c:strCache) and everything the model does not hold are never touched.
#include "tools/chartmodel/ChartFormatWrite.h"

#include <algorithm>
#include <tuple>

namespace office {

namespace detail {

namespace {

using sim::BorderModel;
using sim::ElementModel;
using xml::Child;
using xml::Children;
using xml::IntVal;
using xml::Names;
using xml::Ns;

ElementModel SeriesFormat(const sim::SeriesModel& s) {
    ElementModel e;
    e.border = s.border;
    e.interior = s.interior;
    e.fill = s.fill;
    return e;
}

// The element child of parent whose c:idx is idx, or a new one holding that c:idx, placed among
// its siblings by index (Office keeps them ascending).
pugi::xml_node IndexedChild(const Names& names, pugi::xml_node parent, const char* local, int idx) {
    pugi::xml_node after;
    for (pugi::xml_node c : Children(names, parent, Ns::Chart, local)) {
        const int own = IntVal(Child(names, c, Ns::Chart, "idx"), -1);
        if (own == idx) return c;
        if (own < idx && c.parent() == parent) after = c;
    }
    pugi::xml_node created;
    if (after) {
        created = parent.insert_child_after(names.Qualified(Ns::Chart, local).c_str(), after);
    } else {
        created = xml::InsertOrdered(names, parent, Ns::Chart, local);
        // Before the first sibling of the same kind, so that indexes stay ascending.
        for (pugi::xml_node c : parent.children())
            if (c != created && names.Is(c, Ns::Chart, local)) {
                parent.remove_child(created);
                created = parent.insert_child_before(names.Qualified(Ns::Chart, local).c_str(), c);
                break;
            }
    }
    xml::SetVal(created.append_child(names.Qualified(Ns::Chart, "idx").c_str()), std::to_string(idx));
    return created;
}

// The series' own c:dLbls; labels inherited from the group get a copy of the group's settings
// in the series first, so that a format can be given to this series alone.
pugi::xml_node OwnLabels(const Names& names, const SeriesNodes& s) {
    if (pugi::xml_node own = Child(names, s.ser, Ns::Chart, "dLbls")) return own;
    pugi::xml_node shared = Child(names, s.group, Ns::Chart, "dLbls");
    pugi::xml_node slot = xml::InsertOrdered(names, s.ser, Ns::Chart, "dLbls");
    if (!shared) return slot;
    pugi::xml_node ser = s.ser;
    pugi::xml_node copy = ser.insert_copy_before(shared, slot);
    ser.remove_child(slot);
    return copy;
}

bool TakesPointsAndLabels(Family f) { return f != Family::Surface && f != Family::Surface3D; }

class Writer {
public:
    Writer(const Names& names, const ChartNodes& nodes) : names_(names), nodes_(nodes) {}

    size_t Write(const sim::ChartModel& b, const sim::ChartModel& a) {
        written_ += WriteFormat(names_, nodes_.chartSpace, b.chartArea, a.chartArea);
        written_ += WriteFormat(names_, nodes_.plotArea, b.plotArea, a.plotArea);
        if (nodes_.legend && a.legend.present) written_ += WriteFormat(names_, nodes_.legend, b.legend, a.legend);
        if (nodes_.threeD) WriteWallsAndFloor(b, a);
        for (int i = 0; i < 3; ++i)
            if (nodes_.axes[i] && a.axes[i].present) WriteAxis(nodes_.axes[i], b.axes[i], a.axes[i]);
        const size_t n = std::min({b.series.size(), a.series.size(), nodes_.series.size()});
        for (size_t i = 0; i < n; ++i) WriteSeries(nodes_.series[i], b.series[i], a.series[i]);
        if (nodes_.legend && LegendKindOf(nodes_, names_) == LegendKind::Bands) WriteBands(b, a);
        return written_;
    }

private:
    pugi::xml_node ChartChild(const char* local) {
        return xml::ChildOrNew(names_, nodes_.chart, Ns::Chart, local);
    }

    void WriteWallsAndFloor(const sim::ChartModel& b, const sim::ChartModel& a) {
        // Excel's Walls stands for the back and the side wall alike.
        if (a.walls.present && (FillDiffers(b.walls, a.walls) || LineDiffers(b.walls.border, a.walls.border))) {
            written_ += WriteFormat(names_, ChartChild("sideWall"), b.walls, a.walls);
            WriteFormat(names_, ChartChild("backWall"), b.walls, a.walls);
        }
        if (a.floor.present && (FillDiffers(b.floor, a.floor) || LineDiffers(b.floor.border, a.floor.border)))
            written_ += WriteFormat(names_, ChartChild("floor"), b.floor, a.floor);
    }

    void WriteAxis(const pugi::xml_node& axis, const sim::AxisModel& b, const sim::AxisModel& a) {
        written_ += WriteLineFormat(names_, axis, b.border, a.border);
        for (auto [name, lb, la] : {std::tuple{"majorGridlines", &b.majorGridlines, &a.majorGridlines},
                                    {"minorGridlines", &b.minorGridlines, &a.minorGridlines}}) {
            pugi::xml_node lines = Child(names_, axis, Ns::Chart, name);
            if (lines && la->present) written_ += WriteLineFormat(names_, lines, lb->border, la->border);
        }
    }

    void WriteSeries(const SeriesNodes& s, const sim::SeriesModel& b, const sim::SeriesModel& a) {
        const ElementModel formatB = SeriesFormat(b), formatA = SeriesFormat(a);
        const bool fillChanged = FillDiffers(formatB, formatA);
        const bool lineChanged = LineDiffers(formatB.border, formatA.border);
        written_ += WriteFormat(names_, s.ser, formatB, formatA);
        if (fillChanged && !VariesByPoint(s.family) && VariedColours(nodes_, names_, s.group)) {
            // A series format replaces the colours varied by point, as it does in Excel.
            xml::SetVal(xml::ChildOrNew(names_, s.group, Ns::Chart, "varyColors"), "0");
        }
        if (TakesPointsAndLabels(s.family)) {
            WritePoints(s, b, a, fillChanged, lineChanged);
            WriteLabels(s, b, a);
        }
        if (SeriesTakesMarker(s.family)) WriteMarker(s, b, a);
        std::vector<pugi::xml_node> trendlines = Children(names_, s.ser, Ns::Chart, "trendline");
        for (size_t i = 0; i < trendlines.size() && i < b.trendlines.size() && i < a.trendlines.size(); ++i)
            written_ += WriteLineFormat(names_, trendlines[i], b.trendlines[i].border, a.trendlines[i].border);
    }

    // A point with a format of its own changes where the model says so. Formatting the series
    // also reformats every point in Excel, so a point stored with its own format that the model
    // left alone takes the series' new fill and line.
    void WritePoints(const SeriesNodes& s, const sim::SeriesModel& b, const sim::SeriesModel& a, bool fillChanged,
                     bool lineChanged) {
        const size_t n = std::min(b.points.size(), a.points.size());
        std::vector<bool> own(n, false);
        for (size_t p = 0; p < n; ++p) {
            const ElementModel& pb = b.points[p].element;
            const ElementModel& pa = a.points[p].element;
            if (!FillDiffers(pb, pa) && !LineDiffers(pb.border, pa.border)) continue;
            written_ += WriteFormat(names_, IndexedChild(names_, s.ser, "dPt", static_cast<int>(p)), pb, pa);
            own[p] = true;
        }
        if (!fillChanged && !lineChanged) return;
        for (pugi::xml_node d : Children(names_, s.ser, Ns::Chart, "dPt")) {
            const int p = IntVal(Child(names_, d, Ns::Chart, "idx"), -1);
            if (p < 0 || static_cast<size_t>(p) >= n || own[p]) continue;
            const ElementModel& pb = b.points[p].element;
            ElementModel target = pb;
            if (fillChanged) target.interior = a.interior, target.fill = a.fill;
            if (lineChanged) target.border = a.border;
            written_ += WriteFormat(names_, d, pb, target);
        }
    }

    void WriteLabels(const SeriesNodes& s, const sim::SeriesModel& b, const sim::SeriesModel& a) {
        if (!a.hasDataLabels) return;
        const size_t n = std::min(b.dataLabels.size(), a.dataLabels.size());
        size_t changed = n;
        for (size_t p = 0; p < n && changed == n; ++p)
            if (FillDiffers(b.dataLabels[p], a.dataLabels[p]) || LineDiffers(b.dataLabels[p].border, a.dataLabels[p].border))
                changed = p;
        if (changed < n) {
            // The conversion formats every label alike: the series' labels take the first
            // changed label's format, and each label stored on its own takes its own.
            pugi::xml_node labels = OwnLabels(names_, s);
            written_ += WriteFormat(names_, labels, b.dataLabels[changed], a.dataLabels[changed]);
            for (pugi::xml_node one : Children(names_, labels, Ns::Chart, "dLbl")) {
                const int idx = IntVal(Child(names_, one, Ns::Chart, "idx"), -1);
                if (idx < 0 || idx >= static_cast<int>(n) || xml::BoolVal(Child(names_, one, Ns::Chart, "delete")))
                    continue;
                WriteFormat(names_, one, b.dataLabels[idx], a.dataLabels[idx]);
            }
        }
        if (a.hasLeaderLines && a.leaderLines.present && LineDiffers(b.leaderLines.border, a.leaderLines.border)) {
            pugi::xml_node labels = OwnLabels(names_, s);
            pugi::xml_node lines = xml::ChildOrNew(names_, labels, Ns::Chart, "leaderLines");
            written_ += WriteLineFormat(names_, lines, b.leaderLines.border, a.leaderLines.border);
        }
    }

    void WriteMarker(const SeriesNodes& s, const sim::SeriesModel& b, const sim::SeriesModel& a) {
        written_ += WriteMarkerChanges(s.ser, b, a);
        // A point keeps a marker of its own where it has one, or where the model gives it one
        // that is not the series'.
        const size_t n = std::min(b.points.size(), a.points.size());
        for (size_t p = 0; p < n; ++p) {
            const sim::PointModel& pb = b.points[p];
            const sim::PointModel& pa = a.points[p];
            if (SameMarker(pb, pa)) continue;
            pugi::xml_node stored;
            for (pugi::xml_node d : Children(names_, s.ser, Ns::Chart, "dPt"))
                if (IntVal(Child(names_, d, Ns::Chart, "idx"), -1) == static_cast<int>(p)) stored = d;
            if (!Child(names_, stored, Ns::Chart, "marker") && SameMarker(pa, a)) continue;
            written_ += WriteMarkerChanges(IndexedChild(names_, s.ser, "dPt", static_cast<int>(p)), pb, pa);
        }
    }

    template <class B, class A>
    static bool SameMarker(const B& b, const A& a) {
        return b.markerStyle == a.markerStyle && b.markerSize == a.markerSize &&
               b.markerBackgroundColor == a.markerBackgroundColor && b.markerForegroundColor == a.markerForegroundColor;
    }

    // Writes into the c:marker of owner (a series or a data point) what changed between two
    // markers; returns the number of properties written.
    template <class M>
    size_t WriteMarkerChanges(const pugi::xml_node& owner, const M& b, const M& a) {
        const bool style = b.markerStyle != a.markerStyle, size = b.markerSize != a.markerSize;
        const bool back = b.markerBackgroundColor != a.markerBackgroundColor;
        const bool fore = b.markerForegroundColor != a.markerForegroundColor;
        if (!style && !size && !back && !fore) return 0;
        for (pugi::xml_node marker : xml::ChildrenToWrite(names_, owner, Ns::Chart, "marker")) {
            if (style) {
                const char* symbol = SymbolOfMarker(a.markerStyle);
                pugi::xml_node node = Child(names_, marker, Ns::Chart, "symbol");
                if (!symbol && node) marker.remove_child(node);
                if (symbol) xml::SetVal(xml::ChildOrNew(names_, marker, Ns::Chart, "symbol"), symbol);
            }
            if (size)
                xml::SetVal(xml::ChildOrNew(names_, marker, Ns::Chart, "size"),
                            std::to_string(std::clamp(a.markerSize, 2, 72)));
            if (back || fore) {
                pugi::xml_node spPr = xml::ChildOrNew(names_, marker, Ns::Chart, "spPr");
                if (back) SetSolid(names_, spPr, a.markerBackgroundColor);
                if (fore) SetSolid(names_, xml::ChildOrNew(names_, spPr, Ns::Main, "ln"), a.markerForegroundColor);
            }
        }
        return style + size + back + fore;
    }

    void WriteBands(const sim::ChartModel& b, const sim::ChartModel& a) {
        std::vector<int> bands = LegendEntryIndexes(nodes_, names_);
        const size_t n = std::min({b.legend.entries.size(), a.legend.entries.size()});
        // A part that stores no values (its model was read from the workbook's cells) cannot
        // count its bands; the model did, so as many bands as it holds are written.
        bool cached = false;
        for (const SeriesNodes& s : nodes_.series) cached = cached || !SeriesValues(names_, s.ser).empty();
        for (int count = static_cast<int>(n); !cached && count < static_cast<int>(n) + 256; ++count)
            if ((bands = LegendEntryIndexes(nodes_, names_, count)).size() >= n) break;
        pugi::xml_node group = nodes_.groups.front();
        for (size_t i = 0; i < n && i < bands.size(); ++i) {
            const ElementModel& kb = b.legend.entries[i].legendKey;
            const ElementModel& ka = a.legend.entries[i].legendKey;
            if (!FillDiffers(kb, ka) && !LineDiffers(kb.border, ka.border)) continue;
            pugi::xml_node formats = xml::ChildOrNew(names_, group, Ns::Chart, "bandFmts");
            written_ += WriteFormat(names_, IndexedChild(names_, formats, "bandFmt", bands[i]), kb, ka);
        }
    }

    const Names& names_;
    const ChartNodes& nodes_;
    size_t written_ = 0;
};

}  // namespace

size_t WriteModelChanges(const Names& names, const ChartNodes& nodes, const sim::ChartModel& before,
                         const sim::ChartModel& after) {
    return Writer(names, nodes).Write(before, after);
}

}  // namespace detail
}  // namespace office
