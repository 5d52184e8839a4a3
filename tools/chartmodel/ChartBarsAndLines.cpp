#include "tools/chartmodel/ChartBarsAndLines.h"

#include "tools/chartmodel/ChartInternal.h"
#include "tools/package/XmlNames.h"

namespace office {
namespace {

using xml::Child;
using xml::Is;

// Excel's defaults where the part gives no format: up bars white, down bars black, lines black.
sim::ElementModel Bars(const xml::Names& names, const pugi::xml_node& bars, const Theme& theme, int32_t fill) {
    sim::ElementModel e;
    e.interior.color = fill;
    return detail::ReadFormat(names, Child(bars, "spPr"), theme, e);
}

sim::LineElementModel Line(const xml::Names& names, const pugi::xml_node& element, const Theme& theme) {
    return {true, detail::ReadLine(names, Child(element, "spPr"), theme, sim::BorderModel{})};
}

void ReadGroup(const xml::Names& names, const pugi::xml_node& group, const Theme& theme, size_t& series,
               BarsAndLines& found) {
    for (pugi::xml_node n : group.children()) {
        if (Is(n, "upDownBars")) {
            if (pugi::xml_node up = Child(n, "upBars")) found.upBars = Bars(names, up, theme, 0xFFFFFF);
            if (pugi::xml_node down = Child(n, "downBars")) found.downBars = Bars(names, down, theme, 0);
        } else if (Is(n, "hiLowLines")) {
            found.lines.emplace_back("high-low lines", Line(names, n, theme));
        } else if (Is(n, "dropLines")) {
            found.lines.emplace_back("drop lines", Line(names, n, theme));
        } else if (Is(n, "serLines")) {
            found.lines.emplace_back("series lines", Line(names, n, theme));
        } else if (Is(n, "ser")) {
            ++series;
            for (pugi::xml_node e : n.children())
                if (Is(e, "errBars")) found.lines.emplace_back("error bars of series " + std::to_string(series), Line(names, e, theme));
        }
    }
}

}  // namespace

BarsAndLines ReadBarsAndLines(const pugi::xml_document& chartPart, const Theme& theme) {
    BarsAndLines found;
    const xml::Names names(chartPart);
    const pugi::xml_node plotArea = Child(Child(chartPart.document_element(), "chart"), "plotArea");
    size_t series = 0;
    for (pugi::xml_node group : plotArea.children())
        if (detail::IsChartGroup(names, group)) ReadGroup(names, group, theme, series, found);
    return found;
}

}  // namespace office
