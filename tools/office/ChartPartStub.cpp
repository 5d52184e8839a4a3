// TEMPORARY stand-in for the chart part layer (see stub/tools/office/ChartPart.h): every chart
// reads as a column chart with one automatic-blue series per c:ser, and a change of a series'
// fill is written as a solid or pattern fill, so that the whole pipeline runs end to end.
// Built only while tools/office/ChartPart.cpp does not exist.
#include "tools/office/ChartPart.h"

#include <cstdio>
#include <cstring>

namespace office {

namespace {
void CollectSeries(pugi::xml_node node, std::vector<pugi::xml_node>& out) {
    for (pugi::xml_node child : node.children()) {
        if (std::strcmp(child.name(), "c:ser") == 0) out.push_back(child);
        else CollectSeries(child, out);
    }
}

std::vector<pugi::xml_node> Series(const pugi::xml_document& part) {
    std::vector<pugi::xml_node> series;
    CollectSeries(part.document_element().child("c:chart").child("c:plotArea"), series);
    return series;
}

std::string Hex(int32_t bgr) {
    char s[8];
    std::snprintf(s, sizeof s, "%02X%02X%02X", bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
    return s;
}
}  // namespace

Theme ReadTheme(const pugi::xml_node&, const pugi::xml_node&) { return {}; }

ChartReading ReadChartPart(const pugi::xml_document& chartPart, const Theme&) {
    ChartReading reading;
    if (std::strcmp(chartPart.document_element().name(), "c:chartSpace") != 0) {
        reading.supported = false;
        reading.reason = std::string("not a chart part: ") + chartPart.document_element().name();
        return reading;
    }
    for (size_t i = 0; i < Series(chartPart).size(); ++i) {
        sim::SeriesModel s;
        s.name = L"Series " + std::to_wstring(i + 1);
        s.interior.color = 0xBD814F;
        reading.model.series.push_back(s);
    }
    return reading;
}

size_t WriteChartChanges(pugi::xml_document& chartPart, const sim::ChartModel& before,
                         const sim::ChartModel& after, const Theme&) {
    size_t written = 0;
    std::vector<pugi::xml_node> series = Series(chartPart);
    for (size_t i = 0; i < series.size() && i < before.series.size() && i < after.series.size(); ++i) {
        const sim::FillModel& f = after.series[i].fill;
        if (f.type == before.series[i].fill.type && f.pattern == before.series[i].fill.pattern &&
            after.series[i].interior.color == before.series[i].interior.color)
            continue;
        pugi::xml_node spPr = series[i].child("c:spPr");
        if (!spPr) {
            pugi::xml_node anchor = series[i].child("c:tx");
            if (!anchor) anchor = series[i].child("c:order");
            spPr = series[i].insert_child_after("c:spPr", anchor);
        }
        spPr.remove_children();
        pugi::xml_node fill = spPr.append_child(f.type == sim::FillModel::Type::Patterned ? "a:pattFill" : "a:solidFill");
        fill.append_child("a:srgbClr").append_attribute("val") = Hex(after.series[i].interior.color).c_str();
        ++written;
    }
    return written;
}

}  // namespace office
