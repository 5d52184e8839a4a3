#include "tools/chartmodel/ChartPart.h"

#include "tools/chartmodel/Cells.h"
#include "tools/chartmodel/ChartInternal.h"

#include <algorithm>

namespace office {

namespace {

using xml::Names;
using xml::Ns;

// A number cache or a string cache built from the cells a reference's formula names: the points
// Excel would read from the workbook. Empty cells are left out, as Office leaves them out of a
// cache; a number reference leaves out text as well.
void AddCache(const Names& names, pugi::xml_node ref, bool numbers, const std::vector<CellValue>& cells) {
    pugi::xml_node f = xml::Child(names, ref, Ns::Chart, "f");
    pugi::xml_node cache = ref.insert_child_after(names.Qualified(Ns::Chart, numbers ? "numCache" : "strCache").c_str(), f);
    if (numbers) cache.append_child(names.Qualified(Ns::Chart, "formatCode").c_str()).text().set("General");
    xml::SetVal(cache.append_child(names.Qualified(Ns::Chart, "ptCount").c_str()), std::to_string(cells.size()));
    for (size_t i = 0; i < cells.size(); ++i) {
        if (!cells[i].present || (numbers && !cells[i].isNumber)) continue;
        pugi::xml_node pt = cache.append_child(names.Qualified(Ns::Chart, "pt").c_str());
        pt.append_attribute("idx") = std::to_string(i).c_str();
        pt.append_child(names.Qualified(Ns::Chart, "v").c_str()).text().set(cells[i].text.c_str());
    }
}

// How many points the series of a category reference has, from its values' cache or cells; 0
// when neither tells.
size_t SeriesPointCount(const Names& names, const pugi::xml_node& categoryRef, const CellSource& cells) {
    const pugi::xml_node ser = categoryRef.parent().parent();
    pugi::xml_node values = xml::Child(names, ser, Ns::Chart, "val");
    if (!values) values = xml::Child(names, ser, Ns::Chart, "yVal");
    const pugi::xml_node ref = xml::Child(names, values, Ns::Chart, "numRef");
    if (pugi::xml_node cache = xml::Child(names, ref, Ns::Chart, "numCache"))
        return static_cast<size_t>(std::max(0, xml::IntVal(xml::Child(names, cache, Ns::Chart, "ptCount"), 0)));
    const pugi::xml_node f = xml::Child(names, ref, Ns::Chart, "f");
    return f ? cells.Range(f.text().get()).size() : 0;
}

// A multi-level category reference names a block of cells whose points run down its rows, a
// level to each column, or along its columns, a level to each row; the level next to the values
// is the innermost, which its cache lists first. The way the series' values run decides; a
// block that does not tell is read down its rows, as Excel lays out series in columns.
void AddLevelsCache(const Names& names, pugi::xml_node ref, const CellSource& cells) {
    const pugi::xml_node f = xml::Child(names, ref, Ns::Chart, "f");
    if (!f || xml::Child(names, ref, Ns::Chart, "multiLvlStrCache")) return;
    const std::vector<CellRange> ranges = ParseChartFormula(f.text().get());
    if (ranges.size() != 1) return;
    const size_t rows = static_cast<size_t>(ranges[0].lastRow - ranges[0].firstRow + 1);
    const size_t columns = static_cast<size_t>(ranges[0].lastColumn - ranges[0].firstColumn + 1);
    const std::vector<CellValue> block = cells.Range(f.text().get());
    if (block.empty() || block.size() != rows * columns) return;
    const size_t points = SeriesPointCount(names, ref, cells);
    const bool down = points == rows || (points != columns && rows >= columns);
    const size_t count = down ? rows : columns, levels = down ? columns : rows;
    pugi::xml_node cache = ref.insert_child_after(names.Qualified(Ns::Chart, "multiLvlStrCache").c_str(), f);
    xml::SetVal(cache.append_child(names.Qualified(Ns::Chart, "ptCount").c_str()), std::to_string(count));
    for (size_t level = levels; level-- > 0;) {
        pugi::xml_node lvl = cache.append_child(names.Qualified(Ns::Chart, "lvl").c_str());
        for (size_t i = 0; i < count; ++i) {
            const CellValue& cell = block[down ? i * columns + level : level * columns + i];
            if (!cell.present) continue;
            pugi::xml_node pt = lvl.append_child(names.Qualified(Ns::Chart, "pt").c_str());
            pt.append_attribute("idx") = std::to_string(i).c_str();
            pt.append_child(names.Qualified(Ns::Chart, "v").c_str()).text().set(cell.text.c_str());
        }
    }
}

// Every reference of the part that stores its formula without the values gets the cells'
// values, in a copy: the part itself keeps exactly what it stores. The walk keeps a stack of its
// own: a part may nest deeply.
void AddMissingCaches(const Names& names, pugi::xml_node root, const CellSource& cells) {
    WalkBelow(root, [&](pugi::xml_node c) {
        if (c.type() != pugi::node_element) return pugi::xml_node();
        if (names.Is(c, Ns::Chart, "multiLvlStrRef")) {
            AddLevelsCache(names, c, cells);
            return pugi::xml_node();
        }
        const bool numbers = names.Is(c, Ns::Chart, "numRef");
        if (!numbers && !names.Is(c, Ns::Chart, "strRef")) return c;
        pugi::xml_node f = xml::Child(names, c, Ns::Chart, "f");
        if (f && !xml::Child(names, c, Ns::Chart, numbers ? "numCache" : "strCache")) {
            const std::vector<CellValue> values = cells.Range(f.text().get());
            if (!values.empty()) AddCache(names, c, numbers, values);
        }
        return pugi::xml_node();
    });
}

}  // namespace

ChartReading ReadChartPart(const pugi::xml_document& chartPart, const Theme& theme, const CellSource* cells) {
    using namespace detail;
    pugi::xml_document filled;
    const pugi::xml_document* part = &chartPart;
    if (cells) {
        filled.reset(chartPart);
        AddMissingCaches(Names(filled), filled, *cells);
        part = &filled;
    }
    ChartReading r;
    const Names names(*part);
    ChartNodes nodes;
    if (!MapChart(names, *part, nodes, r.reason)) {
        r.supported = false;
        return r;
    }
    // A chart may map the theme's colours anew for itself (c:clrMapOvr).
    const Theme effective = WithColourMapOverride(theme, names, xml::Child(names, nodes.chartSpace, Ns::Chart, "clrMapOvr"));
    r.model = ReadModel(names, nodes, effective);
    return r;
}

size_t WriteChartChanges(pugi::xml_document& chartPart, const sim::ChartModel& before, const sim::ChartModel& after,
                         const Theme& /*theme: colours are written as the RGB values the model holds*/) {
    using namespace detail;
    xml::Names names(chartPart);
    ChartNodes nodes;
    std::string reason;
    if (!MapChart(names, chartPart, nodes, reason)) return 0;
    // New colour elements need the DrawingML prefix on the root. Office always declares it there;
    // a declaration added for nothing is taken back, so that an unchanged part stays as it was.
    const pugi::xml_attribute last = nodes.chartSpace.last_attribute();
    names.EnsureDeclared(nodes.chartSpace, Ns::Main);
    const size_t written = WriteModelChanges(names, nodes, before, after);
    if (written == 0)
        while (nodes.chartSpace.last_attribute() != last) nodes.chartSpace.remove_attribute(nodes.chartSpace.last_attribute());
    return written;
}

}  // namespace office
