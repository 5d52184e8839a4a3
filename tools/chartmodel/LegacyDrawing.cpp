#include "tools/chartmodel/LegacyDrawing.h"

#include "tools/package/XmlNames.h"

#include <cstring>

namespace office {
namespace {

using xml::Local;

// An attribute by local name whatever its prefix (o:relid, r:id, o:spid).
const char* AttributeNamed(const pugi::xml_node& n, const char* localName) {
    for (pugi::xml_attribute a : n.attributes())
        if (std::strcmp(Local(a.name()), localName) == 0) return a.value();
    return "";
}

// The shape PowerPoint refers to by spid: its id, or its o:spid where the id is another's.
pugi::xml_node ShapeWithId(const pugi::xml_node& root, const std::string& spid) {
    for (const pugi::xpath_node& s : root.select_nodes("//*[local-name()='shape']")) {
        const pugi::xml_node shape = s.node();
        if (spid == shape.attribute("id").value() || spid == AttributeNamed(shape, "spid")) return shape;
    }
    // An o:OLEObject (as Word writes it) names its shape by ShapeID.
    for (const pugi::xpath_node& o : root.select_nodes("//*[local-name()='OLEObject']"))
        if (spid == o.node().attribute("ShapeID").value()) return o.node().parent();
    return {};
}

}  // namespace

VmlPicture FindVmlPicture(const Package& package, const std::string& slidePart, const std::string& spid) {
    VmlPicture found;
    if (spid.empty()) {
        found.problem = "no picture: the object names no VML shape";
        return found;
    }
    bool drawing = false;
    for (const Relationship& r : package.Relationships(slidePart)) {
        if (r.external || !IsRelationshipType(r, "vmlDrawing") || !package.HasPart(r.target)) continue;
        drawing = true;
        const std::string text = package.ReadPart(r.target);
        pugi::xml_document vml;
        if (!vml.load_buffer(text.data(), text.size())) {
            found.problem = r.target + " is not well-formed XML: its picture cannot be found";
            continue;
        }
        if (XmlDepth(vml) > kMaxXmlDepth) {
            found.problem = r.target + " nests its elements beyond " + std::to_string(kMaxXmlDepth) +
                            " levels: its picture is not looked for";
            continue;
        }
        const pugi::xml_node shape = ShapeWithId(vml, spid);
        if (!shape) continue;
        pugi::xml_node image;
        for (pugi::xml_node c : shape.children())
            if (std::strcmp(Local(c.name()), "imagedata") == 0) image = c;
        std::string id = AttributeNamed(image, "relid");
        if (id.empty()) id = AttributeNamed(image, "id");
        if (id.empty()) {
            found.problem = r.target + ": shape " + spid + " shows no picture";
            return found;
        }
        try {
            found.picturePart = package.Target(r.target, id);
        } catch (const OfficeFileError&) {
            found.problem = r.target + ": the picture of shape " + spid + " is not in the package";
            return found;
        }
        found.drawingPart = r.target;
        found.problem.clear();
        return found;
    }
    if (found.problem.empty())
        found.problem = drawing ? "no VML shape " + spid + " in the slide's drawings" : "the slide has no VML drawing";
    return found;
}

}  // namespace office
