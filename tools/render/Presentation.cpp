#include "tools/render/Presentation.h"

#include <map>
#include <utility>

namespace render {
namespace {

const char kXmlDecl[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
const char kNamespaces[] =
    " xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\""
    " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\""
    " xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\"";

const std::string kRel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
const std::string kPml = "application/vnd.openxmlformats-officedocument.presentationml.";

std::string Attr(const char* name, int64_t value) {
    return std::string(" ") + name + "=\"" + std::to_string(value) + "\"";
}

std::string Xfrm(const char* element, const Rect& r) {
    return std::string("<") + element + "><a:off" + Attr("x", r.x) + Attr("y", r.y) + "/><a:ext" +
           Attr("cx", r.cx) + Attr("cy", r.cy) + "/></" + element + ">";
}

// The relationships of one part, numbered rId1, rId2, ... in the order they are added.
class Relationships {
public:
    std::string Add(const std::string& type, const std::string& target) {
        rels_.emplace_back(type, target);
        return "rId" + std::to_string(rels_.size());
    }
    bool empty() const { return rels_.empty(); }
    std::string Xml() const {
        std::string xml = std::string(kXmlDecl) +
            "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
        for (size_t i = 0; i < rels_.size(); ++i)
            xml += "<Relationship Id=\"rId" + std::to_string(i + 1) + "\" Type=\"" + kRel + rels_[i].first +
                   "\" Target=\"" + EscapeXml(rels_[i].second) + "\"/>";
        return xml + "</Relationships>";
    }

private:
    std::vector<std::pair<std::string, std::string>> rels_;
};

// Collects the parts, their relationships and content types, and lays them out as zip entries.
class PackageBuilder {
public:
    void Add(const std::string& name, std::string data, const std::string& overrideType = "") {
        entries_.push_back({name, std::move(data)});
        if (!overrideType.empty()) overrides_.emplace_back(name, overrideType);
    }
    Relationships& RelsOf(const std::string& partName) { return rels_[partName]; }

    std::vector<ZipEntry> Finish() {
        std::vector<ZipEntry> out;
        out.push_back({"[Content_Types].xml", ContentTypes()});
        for (const auto& [part, rels] : rels_) {
            if (rels.empty()) continue;
            const size_t slash = part.rfind('/');
            const std::string folder = slash == std::string::npos ? "" : part.substr(0, slash + 1);
            const std::string file = slash == std::string::npos ? part : part.substr(slash + 1);
            out.push_back({folder + "_rels/" + file + ".rels", rels.Xml()});
        }
        for (ZipEntry& e : entries_) out.push_back(std::move(e));
        return out;
    }

private:
    std::string ContentTypes() const {
        std::string xml = std::string(kXmlDecl) +
            "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
            "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
            "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
            "<Default Extension=\"png\" ContentType=\"image/png\"/>"
            "<Default Extension=\"svg\" ContentType=\"image/svg+xml\"/>"
            "<Default Extension=\"vml\" ContentType=\"application/vnd.openxmlformats-officedocument.vmlDrawing\"/>"
            "<Default Extension=\"xlsx\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet\"/>";
        for (const auto& [name, type] : overrides_)
            xml += "<Override PartName=\"/" + name + "\" ContentType=\"" + type + "\"/>";
        return xml + "</Types>";
    }

    std::vector<ZipEntry> entries_;
    std::vector<std::pair<std::string, std::string>> overrides_;
    std::map<std::string, Relationships> rels_;  // by source part; "" is the package
};

std::string GroupStart() {
    return "<p:nvGrpSpPr><p:cNvPr id=\"1\" name=\"\"/><p:cNvGrpSpPr/><p:nvPr/></p:nvGrpSpPr>"
           "<p:grpSpPr><a:xfrm><a:off x=\"0\" y=\"0\"/><a:ext cx=\"0\" cy=\"0\"/>"
           "<a:chOff x=\"0\" y=\"0\"/><a:chExt cx=\"0\" cy=\"0\"/></a:xfrm></p:grpSpPr>";
}

std::string TitleBox(int id, const std::string& text, const Rect& r) {
    return "<p:sp><p:nvSpPr><p:cNvPr id=\"" + std::to_string(id) + "\" name=\"Title\"/><p:cNvSpPr txBox=\"1\"/><p:nvPr/>"
           "</p:nvSpPr><p:spPr>" + Xfrm("a:xfrm", r) + "<a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></p:spPr>"
           "<p:txBody><a:bodyPr/><a:lstStyle/><a:p><a:r><a:rPr lang=\"en-US\" sz=\"2000\"/><a:t>" +
           EscapeXml(text) + "</a:t></a:r></a:p></p:txBody></p:sp>";
}

std::string ChartGraphicFrame(int id, const ChartFrame& chart, const std::string& relId) {
    return "<p:graphicFrame><p:nvGraphicFramePr><p:cNvPr id=\"" + std::to_string(id) + "\" name=\"" +
           EscapeXml(chart.name) + "\"/><p:cNvGraphicFramePr/><p:nvPr/></p:nvGraphicFramePr>" +
           Xfrm("p:xfrm", chart.rect) +
           "<a:graphic><a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/chart\">"
           "<c:chart xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" r:id=\"" + relId +
           "\"/></a:graphicData></a:graphic></p:graphicFrame>";
}

std::string ChartPicture(int id, const ChartFrame& chart, const std::string& relId) {
    return "<p:pic><p:nvPicPr><p:cNvPr id=\"" + std::to_string(id) + "\" name=\"" + EscapeXml(chart.name) +
           "\"/><p:cNvPicPr/><p:nvPr/></p:nvPicPr><p:blipFill><a:blip r:embed=\"" + relId +
           "\"/><a:stretch><a:fillRect/></a:stretch></p:blipFill><p:spPr>" + Xfrm("a:xfrm", chart.rect) +
           "<a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></p:spPr></p:pic>";
}

// The picture inside p:oleObj is what is shown: PowerPoint 2010 and later, and LibreOffice, draw
// the object from it until the object is activated.
std::string OleGraphicFrame(int id, const OleFrame& ole, const std::string& packageRel, const std::string& imageRel) {
    const Rect& r = ole.rect;
    return "<p:graphicFrame><p:nvGraphicFramePr><p:cNvPr id=\"" + std::to_string(id) + "\" name=\"" +
           EscapeXml(ole.name) + "\"/><p:cNvGraphicFramePr><a:graphicFrameLocks noChangeAspect=\"1\"/>"
           "</p:cNvGraphicFramePr><p:nvPr/></p:nvGraphicFramePr>" + Xfrm("p:xfrm", r) +
           "<a:graphic><a:graphicData uri=\"http://schemas.openxmlformats.org/presentationml/2006/ole\">"
           "<p:oleObj name=\"Worksheet\" r:id=\"" + packageRel + "\"" + Attr("imgW", r.cx) +
           Attr("imgH", r.cy) + " progId=\"" + EscapeXml(ole.progId) + "\"><p:embed/>"
           "<p:pic><p:nvPicPr><p:cNvPr id=\"0\" name=\"\"/><p:cNvPicPr/><p:nvPr/></p:nvPicPr>"
           "<p:blipFill><a:blip r:embed=\"" + imageRel + "\"/><a:stretch><a:fillRect/></a:stretch></p:blipFill>"
           "<p:spPr>" + Xfrm("a:xfrm", r) + "<a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></p:spPr></p:pic>"
           "</p:oleObj></a:graphicData></a:graphic></p:graphicFrame>";
}

// PowerPoint 2007's form of the object: no picture of its own, a shape of the VML drawing instead.
std::string OleGraphicFrameVml(int id, const OleFrame& ole, const std::string& packageRel, const std::string& spid) {
    const Rect& r = ole.rect;
    return "<p:graphicFrame><p:nvGraphicFramePr><p:cNvPr id=\"" + std::to_string(id) + "\" name=\"" +
           EscapeXml(ole.name) + "\"/><p:cNvGraphicFramePr><a:graphicFrameLocks noChangeAspect=\"1\"/>"
           "</p:cNvGraphicFramePr><p:nvPr/></p:nvGraphicFramePr>" + Xfrm("p:xfrm", r) +
           "<a:graphic><a:graphicData uri=\"http://schemas.openxmlformats.org/presentationml/2006/ole\">"
           "<p:oleObj spid=\"" + spid + "\" name=\"Worksheet\" r:id=\"" + packageRel + "\"" + Attr("imgW", r.cx) +
           Attr("imgH", r.cy) + " progId=\"" + EscapeXml(ole.progId) + "\"><p:embed/></p:oleObj>"
           "</a:graphicData></a:graphic></p:graphicFrame>";
}

// Points at 96 to the inch, as VML positions shapes.
std::string Points(int64_t emu) { return std::to_string(emu / 12700) + "pt"; }

std::string VmlShape(const OleFrame& ole, const std::string& spid, const std::string& imageRel) {
    const Rect& r = ole.rect;
    return "<v:shape id=\"" + spid + "\" type=\"#_x0000_t75\" style=\"position:absolute;left:" + Points(r.x) +
           ";top:" + Points(r.y) + ";width:" + Points(r.cx) + ";height:" + Points(r.cy) + "\"><v:imagedata o:relid=\"" +
           imageRel + "\" o:title=\"\"/></v:shape>";
}

std::string VmlDrawing(const std::string& shapes) {
    return "<xml xmlns:v=\"urn:schemas-microsoft-com:vml\" xmlns:o=\"urn:schemas-microsoft-com:office:office\""
           " xmlns:p=\"urn:schemas-microsoft-com:office:powerpoint\"><o:shapelayout v:ext=\"edit\">"
           "<o:idmap v:ext=\"edit\" data=\"1\"/></o:shapelayout><v:shapetype id=\"_x0000_t75\" coordsize=\"21600,21600\""
           " o:spt=\"75\" o:preferrelative=\"t\" path=\"m@4@5l@4@11@9@11@9@5xe\" filled=\"f\" stroked=\"f\">"
           "<v:stroke joinstyle=\"miter\"/><v:path o:extrusionok=\"f\" gradientshapeok=\"t\" o:connecttype=\"rect\"/>"
           "<o:lock v:ext=\"edit\" aspectratio=\"t\"/></v:shapetype>" + shapes + "</xml>";
}

// Numbers the charts, workbooks, pictures and VML drawings across the whole presentation.
struct Counters {
    int chart = 0, embedding = 0, image = 0, vml = 0, shape = 1025, themeOverride = 0;
};

std::string SlideXml(const SlideContent& slide, const PresentationContent& content, PackageBuilder& package,
                     Relationships& rels, Counters& n) {
    std::string tree = GroupStart();
    int id = 2;
    if (!slide.title.empty())
        tree += TitleBox(id++, slide.title, Rect{457200, 152400, content.slideWidth - 914400, 609600});
    for (const ChartFrame& chart : slide.charts) {
        if (!chart.pictureSvg.empty()) {
            const std::string image = "image" + std::to_string(++n.image) + ".svg";
            tree += ChartPicture(id++, chart, rels.Add("image", "../media/" + image));
            package.Add("ppt/media/" + image, chart.pictureSvg);
            continue;
        }
        const std::string chartPart = "ppt/charts/chart" + std::to_string(++n.chart) + ".xml";
        tree += ChartGraphicFrame(id++, chart, rels.Add("chart", "../charts/chart" + std::to_string(n.chart) + ".xml"));
        package.Add(chartPart, chart.chartXml, "application/vnd.openxmlformats-officedocument.drawingml.chart+xml");
        if (!chart.embeddedXlsx.empty()) {
            const std::string file = "Microsoft_Excel_Worksheet" + std::to_string(++n.embedding) + ".xlsx";
            package.RelsOf(chartPart).Add("package", "../embeddings/" + file);
            package.Add("ppt/embeddings/" + file, chart.embeddedXlsx);
        }
        if (!chart.themeOverrideXml.empty()) {
            const std::string file = "themeOverride" + std::to_string(++n.themeOverride) + ".xml";
            package.RelsOf(chartPart).Add("themeOverride", "../theme/" + file);
            package.Add("ppt/theme/" + file, chart.themeOverrideXml,
                        "application/vnd.openxmlformats-officedocument.themeOverride+xml");
        }
    }
    std::string vmlShapes, vmlPart;
    for (const OleFrame& ole : slide.oleObjects) {
        const std::string file = "Microsoft_Excel_Worksheet" + std::to_string(++n.embedding) + ".xlsx";
        const std::string image = "image" + std::to_string(++n.image) + ".png";
        const std::string packageRel = rels.Add("package", "../embeddings/" + file);
        if (ole.vmlForm) {
            if (vmlPart.empty()) {
                vmlPart = "ppt/drawings/vmlDrawing" + std::to_string(++n.vml) + ".vml";
                rels.Add("vmlDrawing", "../drawings/vmlDrawing" + std::to_string(n.vml) + ".vml");
            }
            const std::string spid = "_x0000_s" + std::to_string(n.shape++);
            tree += OleGraphicFrameVml(id++, ole, packageRel, spid);
            vmlShapes += VmlShape(ole, spid, package.RelsOf(vmlPart).Add("image", "../media/" + image));
        } else {
            tree += OleGraphicFrame(id++, ole, packageRel, rels.Add("image", "../media/" + image));
        }
        package.Add("ppt/embeddings/" + file, ole.embeddedXlsx);
        package.Add("ppt/media/" + image, ole.previewPng);
    }
    if (!vmlPart.empty()) package.Add(vmlPart, VmlDrawing(vmlShapes));
    return std::string(kXmlDecl) + "<p:sld" + kNamespaces + "><p:cSld><p:spTree>" + tree +
           "</p:spTree></p:cSld><p:clrMapOvr><a:masterClrMapping/></p:clrMapOvr></p:sld>";
}

std::string PresentationXml(const PresentationContent& content, const std::vector<std::string>& slideRels) {
    std::string slides;
    for (size_t i = 0; i < slideRels.size(); ++i)
        slides += "<p:sldId" + Attr("id", 256 + static_cast<int64_t>(i)) + " r:id=\"" + slideRels[i] + "\"/>";
    return std::string(kXmlDecl) + "<p:presentation" + kNamespaces + ">"
           "<p:sldMasterIdLst><p:sldMasterId id=\"2147483648\" r:id=\"rId1\"/></p:sldMasterIdLst>"
           "<p:sldIdLst>" + slides + "</p:sldIdLst>"
           "<p:sldSz" + Attr("cx", content.slideWidth) + Attr("cy", content.slideHeight) + "/>"
           "<p:notesSz cx=\"6858000\" cy=\"9144000\"/></p:presentation>";
}

// The names of a colour map in the schema's order, each with the colour it stands for unmapped.
const std::pair<const char*, const char*> kIdentityMap[] = {
    {"bg1", "lt1"}, {"tx1", "dk1"}, {"bg2", "lt2"}, {"tx2", "dk2"}, {"accent1", "accent1"},
    {"accent2", "accent2"}, {"accent3", "accent3"}, {"accent4", "accent4"}, {"accent5", "accent5"},
    {"accent6", "accent6"}, {"hlink", "hlink"}, {"folHlink", "folHlink"}};

// Every name is written: a p:clrMap that leaves one out is not valid.
std::string ColourMapXml(const ColourMap& changes) {
    std::string xml = "<p:clrMap";
    for (const auto& [name, identity] : kIdentityMap) {
        const auto changed = changes.find(name);
        xml += std::string(" ") + name + "=\"" + EscapeXml(changed == changes.end() ? identity : changed->second) + "\"";
    }
    return xml + "/>";
}

std::string MasterXml(const ColourMap& colourMap) {
    return std::string(kXmlDecl) + "<p:sldMaster" + kNamespaces + "><p:cSld><p:bg><p:bgRef idx=\"1001\">"
           "<a:schemeClr val=\"bg1\"/></p:bgRef></p:bg><p:spTree>" + GroupStart() + "</p:spTree></p:cSld>" +
           ColourMapXml(colourMap) + "<p:sldLayoutIdLst><p:sldLayoutId id=\"2147483649\" r:id=\"rId1\"/>"
           "</p:sldLayoutIdLst></p:sldMaster>";
}

std::string LayoutXml() {
    return std::string(kXmlDecl) + "<p:sldLayout" + kNamespaces + " type=\"blank\" preserve=\"1\">"
           "<p:cSld name=\"Blank\"><p:spTree>" + GroupStart() + "</p:spTree></p:cSld>"
           "<p:clrMapOvr><a:masterClrMapping/></p:clrMapOvr></p:sldLayout>";
}

}  // namespace

std::string EscapeXml(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

std::vector<ZipEntry> PresentationEntries(const PresentationContent& content) {
    PackageBuilder package;
    package.RelsOf("").Add("officeDocument", "ppt/presentation.xml");
    Relationships& presentationRels = package.RelsOf("ppt/presentation.xml");
    presentationRels.Add("slideMaster", "slideMasters/slideMaster1.xml");  // rId1, as the master list says
    std::vector<std::string> slideRels;
    Counters n;
    for (size_t i = 0; i < content.slides.size(); ++i) {
        const std::string name = "slide" + std::to_string(i + 1) + ".xml";
        slideRels.push_back(presentationRels.Add("slide", "slides/" + name));
        Relationships& rels = package.RelsOf("ppt/slides/" + name);
        rels.Add("slideLayout", "../slideLayouts/slideLayout1.xml");
        package.Add("ppt/slides/" + name, SlideXml(content.slides[i], content, package, rels, n), kPml + "slide+xml");
    }
    presentationRels.Add("theme", "theme/theme1.xml");
    package.Add("ppt/presentation.xml", PresentationXml(content, slideRels), kPml + "presentation.main+xml");
    package.RelsOf("ppt/slideMasters/slideMaster1.xml").Add("slideLayout", "../slideLayouts/slideLayout1.xml");
    package.RelsOf("ppt/slideMasters/slideMaster1.xml").Add("theme", "../theme/theme1.xml");
    package.Add("ppt/slideMasters/slideMaster1.xml", MasterXml(content.colourMap), kPml + "slideMaster+xml");
    package.RelsOf("ppt/slideLayouts/slideLayout1.xml").Add("slideMaster", "../slideMasters/slideMaster1.xml");
    package.Add("ppt/slideLayouts/slideLayout1.xml", LayoutXml(), kPml + "slideLayout+xml");
    package.Add("ppt/theme/theme1.xml", content.themeXml.empty() ? DefaultThemeXml() : content.themeXml,
                "application/vnd.openxmlformats-officedocument.theme+xml");
    return package.Finish();
}

}  // namespace render
