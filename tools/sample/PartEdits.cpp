#include "tools/sample/PartEdits.h"

#include <pugixml.hpp>

#include <cstring>
#include <sstream>
#include <stdexcept>

namespace sample {
namespace {

pugi::xml_document Parse(const std::string& xml) {
    pugi::xml_document doc;
    if (!doc.load_buffer(xml.data(), xml.size())) throw std::runtime_error("a sample chart part is not well-formed");
    return doc;
}

std::string Text(const pugi::xml_document& doc) {
    std::ostringstream out;
    doc.save(out, "", pugi::format_raw);
    return out.str();
}

bool Named(const pugi::xml_node& n, std::initializer_list<const char*> names) {
    for (const char* name : names)
        if (std::strcmp(n.name(), name) == 0) return true;
    return false;
}

void SetVal(pugi::xml_node n, const std::string& value) { n.append_attribute("val") = value.c_str(); }

}  // namespace

std::string WithChartStyle(const std::string& chartXml, int style) {
    pugi::xml_document doc = Parse(chartXml);
    pugi::xml_node root = doc.document_element();
    root.remove_child("c:style");
    pugi::xml_node chart = root.child("c:chart");
    SetVal(chart ? root.insert_child_before("c:style", chart) : root.append_child("c:style"), std::to_string(style));
    return Text(doc);
}

std::string WithPointMarker(const std::string& chartXml, size_t series, size_t point, const char* symbol, int size,
                            const char* colour) {
    pugi::xml_document doc = Parse(chartXml);
    size_t n = 0;
    pugi::xml_node target;
    for (const pugi::xpath_node& s : doc.select_nodes("//c:ser"))
        if (n++ == series) target = s.node();
    if (!target) throw std::runtime_error("the sample chart has no series " + std::to_string(series));
    // c:dPt comes after the series' own c:marker and before its labels, trendlines and data.
    pugi::xml_node before;
    for (pugi::xml_node c : target.children())
        if (Named(c, {"c:dLbls", "c:trendline", "c:errBars", "c:cat", "c:val", "c:xVal", "c:yVal", "c:smooth"})) {
            before = c;
            break;
        }
    pugi::xml_node dPt = before ? target.insert_child_before("c:dPt", before) : target.append_child("c:dPt");
    SetVal(dPt.append_child("c:idx"), std::to_string(point));
    pugi::xml_node marker = dPt.append_child("c:marker");
    SetVal(marker.append_child("c:symbol"), symbol);
    SetVal(marker.append_child("c:size"), std::to_string(size));
    pugi::xml_node spPr = marker.append_child("c:spPr");
    SetVal(spPr.append_child("a:solidFill").append_child("a:srgbClr"), colour);
    SetVal(spPr.append_child("a:ln").append_child("a:solidFill").append_child("a:srgbClr"), colour);
    SetVal(dPt.append_child("c:bubble3D"), "0");
    return Text(doc);
}

}  // namespace sample
