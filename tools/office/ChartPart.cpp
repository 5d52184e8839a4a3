#include "tools/office/ChartPart.h"

#include "tools/office/ChartInternal.h"

namespace office {

ChartReading ReadChartPart(const pugi::xml_document& chartPart, const Theme& theme) {
    using namespace detail;
    ChartReading r;
    const xml::Names names(chartPart);
    ChartNodes nodes;
    if (!MapChart(names, chartPart, nodes, r.reason)) {
        r.supported = false;
        return r;
    }
    // A chart may map the theme's colours anew for itself (c:clrMapOvr).
    const Theme effective =
        WithColourMapOverride(theme, names, xml::Child(names, nodes.chartSpace, xml::Ns::Chart, "clrMapOvr"));
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
    names.EnsureDeclared(nodes.chartSpace, xml::Ns::Main);
    const size_t written = WriteModelChanges(names, nodes, before, after);
    if (written == 0)
        while (nodes.chartSpace.last_attribute() != last) nodes.chartSpace.remove_attribute(nodes.chartSpace.last_attribute());
    return written;
}

}  // namespace office
