#include "tools/office/ChartPart.h"

#include "tools/office/ChartInternal.h"

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

// Every reference of the part that stores its formula without the values gets the cells'
// values, in a copy: the part itself keeps exactly what it stores.
void AddMissingCaches(const Names& names, pugi::xml_node n, const CellSource& cells) {
    for (pugi::xml_node c : n.children()) {
        if (c.type() != pugi::node_element) continue;
        const bool numbers = names.Is(c, Ns::Chart, "numRef");
        if (numbers || names.Is(c, Ns::Chart, "strRef")) {
            pugi::xml_node f = xml::Child(names, c, Ns::Chart, "f");
            if (f && !xml::Child(names, c, Ns::Chart, numbers ? "numCache" : "strCache")) {
                const std::vector<CellValue> values = cells.Range(f.text().get());
                if (!values.empty()) AddCache(names, c, numbers, values);
            }
            continue;
        }
        AddMissingCaches(names, c, cells);
    }
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
