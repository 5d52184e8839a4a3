#include "tools/printcopy/ChartPictures.h"

#include "tools/package/XmlNames.h"

#include <vector>

namespace office {
namespace {

using xml::Child;
using xml::Is;

const char kImageType[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/image";

std::string Folder(const std::string& part) {
    const size_t slash = part.rfind('/');
    return slash == std::string::npos ? "" : part.substr(0, slash + 1);
}

std::string RelsPartOf(const std::string& part) {
    const size_t slash = part.rfind('/');
    const std::string file = slash == std::string::npos ? part : part.substr(slash + 1);
    return Folder(part) + "_rels/" + file + ".rels";
}

// The picture beside its chart part: chart1.xml -> chart1.print.svg.
std::string PicturePart(const std::string& chartPart) {
    const size_t dot = chartPart.rfind('.');
    return (dot == std::string::npos ? chartPart : chartPart.substr(0, dot)) + ".print.svg";
}

std::string Prefixed(const pugi::xml_node& like, const char* localName) {
    const std::string name = like.name();
    const size_t colon = name.find(':');
    return colon == std::string::npos ? localName : name.substr(0, colon + 1) + localName;
}

// The relationship id of the chart a graphic frame shows; "" for any other frame.
std::string ChartOfFrame(const pugi::xml_node& frame) {
    const pugi::xml_node data = Child(Child(frame, "graphic"), "graphicData");
    const pugi::xml_node chart = Child(data, "chart");
    return chart ? xml::RelationshipAttribute(chart, "id") : std::string();
}

void CollectChartFrames(const pugi::xml_node& node, std::vector<pugi::xml_node>& frames) {
    for (pugi::xml_node c : node.children()) {
        if (Is(c, "graphicFrame") && !ChartOfFrame(c).empty()) frames.push_back(c);
        else CollectChartFrames(c, frames);
    }
}

// p:pic (xdr:pic in a workbook's drawing) in place of the frame: its name, id and place kept.
void ReplaceWithPicture(pugi::xml_node frame, const std::string& imageRel) {
    pugi::xml_node pic = frame.parent().insert_child_before(Prefixed(frame, "pic").c_str(), frame);
    const pugi::xml_node oldNames = Child(frame, "nvGraphicFramePr");
    pugi::xml_node names = pic.append_child(Prefixed(frame, "nvPicPr").c_str());
    names.append_copy(Child(oldNames, "cNvPr"));
    names.append_child(Prefixed(frame, "cNvPicPr").c_str());
    if (pugi::xml_node nvPr = Child(oldNames, "nvPr")) names.append_copy(nvPr);
    pugi::xml_node fill = pic.append_child(Prefixed(frame, "blipFill").c_str());
    pugi::xml_node blip = fill.append_child("a:blip");
    blip.append_attribute("xmlns:r") = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    blip.append_attribute("r:embed") = imageRel.c_str();
    fill.append_child("a:stretch").append_child("a:fillRect");
    pugi::xml_node spPr = pic.append_child(Prefixed(frame, "spPr").c_str());
    pugi::xml_node xfrm = spPr.append_child("a:xfrm");
    for (pugi::xml_node c : Child(frame, "xfrm").children()) xfrm.append_copy(c);
    spPr.append_child("a:prstGeom").append_attribute("prst") = "rect";
    Child(spPr, "prstGeom").append_child("a:avLst");
    frame.parent().remove_child(frame);
}

std::string WithSvgType(const Package& package) {
    pugi::xml_document types = package.ParseXml("[Content_Types].xml");
    pugi::xml_node root = types.document_element();
    for (pugi::xml_node d : root.children())
        if (Is(d, "Default") && std::string(d.attribute("Extension").value()) == "svg") return XmlText(types);
    pugi::xml_node d = root.prepend_child("Default");
    d.append_attribute("Extension") = "svg";
    d.append_attribute("ContentType") = "image/svg+xml";
    return XmlText(types);
}

// The chart relationships of each XML part that has any: part -> (relationship id -> chart part).
template <typename Visit>
void ForEachChartFrame(const Package& package, const Visit& visit) {
    for (const std::string& part : package.PartNames()) {
        if (part.size() < 4 || part.compare(part.size() - 4, 4, ".xml") != 0 || part.find("_rels/") != std::string::npos)
            continue;
        std::map<std::string, std::string> chartOf;
        for (const Relationship& r : package.Relationships(part))
            if (!r.external && IsRelationshipType(r, "chart")) chartOf[r.id] = r.target;
        if (chartOf.empty()) continue;
        pugi::xml_document xml = package.ParseXml(part);
        std::vector<pugi::xml_node> frames;
        CollectChartFrames(xml.document_element(), frames);
        std::vector<std::pair<pugi::xml_node, std::string>> charts;
        for (pugi::xml_node frame : frames) {
            auto it = chartOf.find(ChartOfFrame(frame));
            if (it != chartOf.end()) charts.emplace_back(frame, it->second);
        }
        visit(part, xml, charts);
    }
}

// The text a title shows of its own (rich text or a cell's cached text).
std::string TitleText(const pugi::xml_node& title) {
    std::string text;
    for (const pugi::xpath_node& t : title.select_nodes(".//*[local-name()='tx']//*[local-name()='t' or local-name()='v']"))
        text += t.node().child_value();
    return text;
}

}  // namespace

std::map<std::string, std::pair<long long, long long>> ChartFrameSizes(const Package& package) {
    std::map<std::string, std::pair<long long, long long>> sizes;
    ForEachChartFrame(package, [&](const std::string&, pugi::xml_document&,
                                   const std::vector<std::pair<pugi::xml_node, std::string>>& charts) {
        for (const auto& [frame, chart] : charts) {
            pugi::xml_node ext = Child(Child(frame, "xfrm"), "ext");
            // A workbook's drawing leaves the frame's own size 0 and sizes its anchor.
            if (ext.attribute("cx").as_llong(0) <= 0) ext = Child(frame.parent(), "ext");
            sizes[chart] = {ext.attribute("cx").as_llong(0), ext.attribute("cy").as_llong(0)};
        }
    });
    return sizes;
}

std::string RelativeReference(const std::string& sourcePart, const std::string& targetPart) {
    const std::string from = Folder(sourcePart);
    size_t common = 0;
    for (size_t i = 0; i < from.size() && i < targetPart.size() && from[i] == targetPart[i]; ++i)
        if (from[i] == '/') common = i + 1;
    std::string up;
    for (size_t i = common; i < from.size(); ++i)
        if (from[i] == '/') up += "../";
    return up + targetPart.substr(common);
}

std::string ChartTitleText(const pugi::xml_document& chartPart) {
    return TitleText(Child(Child(chartPart.document_element(), "chart"), "title"));
}

AxisTitles ChartAxisTitles(const pugi::xml_document& chartPart) {
    AxisTitles titles;
    for (pugi::xml_node axis : Child(Child(chartPart.document_element(), "chart"), "plotArea").children()) {
        const pugi::xml_node title = Child(axis, "title");
        if (!title || Child(axis, "delete").attribute("val").as_bool()) continue;
        const std::string position = Child(axis, "axPos").attribute("val").value();
        if (position == "l" || position == "r") titles.left = TitleText(title);
        else if (position == "b" || position == "t") titles.bottom = TitleText(title);
    }
    return titles;
}

std::map<std::string, std::string> ChartsAsPictures(const Package& package,
                                                    const std::map<std::string, std::string>& pictures) {
    std::map<std::string, std::string> parts;
    if (pictures.empty()) return parts;
    ForEachChartFrame(package, [&](const std::string& part, pugi::xml_document& xml,
                                   const std::vector<std::pair<pugi::xml_node, std::string>>& charts) {
        pugi::xml_document rels;
        int added = 0;
        for (const auto& [frame, chart] : charts) {
            auto it = pictures.find(chart);
            if (it == pictures.end()) continue;
            if (added == 0) rels = package.ParseXml(RelsPartOf(part));
            const std::string picture = PicturePart(chart);
            parts[picture] = it->second;
            const std::string id = "rIdBwPrint" + std::to_string(++added);
            pugi::xml_node rel = rels.document_element().append_child("Relationship");
            rel.append_attribute("Id") = id.c_str();
            rel.append_attribute("Type") = kImageType;
            rel.append_attribute("Target") = RelativeReference(part, picture).c_str();
            ReplaceWithPicture(frame, id);
        }
        if (added == 0) return;
        parts[part] = XmlText(xml);
        parts[RelsPartOf(part)] = XmlText(rels);
    });
    if (!parts.empty()) parts["[Content_Types].xml"] = WithSvgType(package);
    return parts;
}

}  // namespace office
