// The legacy VML drawing of a slide: where PowerPoint 2007 keeps the picture of an OLE object.
// Its p:oleObj names a VML shape (spid) and carries no p:pic; the shape's v:imagedata holds the
// picture through the drawing's own relationships. PowerPoint 2010 and later write the same
// form inside mc:Choice, with a p:pic copy in mc:Fallback.
#pragma once

#include "tools/package/Package.h"

#include <string>

namespace office {

struct VmlPicture {
    std::string drawingPart;   // the VML drawing holding the shape
    std::string picturePart;   // the picture its v:imagedata shows
    std::string problem;       // why none was found, for the report; empty when found
};

// The picture of the VML shape spid among the drawings the slide relates to. VML drawings are
// often not well-formed XML; such a drawing is skipped with the problem said, never thrown.
VmlPicture FindVmlPicture(const Package& package, const std::string& slidePart, const std::string& spid);

}  // namespace office
