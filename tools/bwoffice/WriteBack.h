// The converted charts back into the package: each chart part that the pass changed is
// rewritten through the chart part layer (only what changed, in DrawingML); a workbook embedded
// in a presentation is rewritten inside and re-zipped into the outer package; a converted OLE
// object gets a new preview picture when a renderer is there, since the slide shows only that.
#pragma once

#include "tools/deck/Deck.h"
#include "tools/office/Documents.h"
#include "tools/office/Package.h"

#include <map>
#include <string>
#include <vector>

namespace bwoffice {

struct WriteBackResult {
    std::map<std::string, std::string> parts;  // replaced and added parts of the outer package
    size_t chartsRewritten = 0;
    size_t propertiesWritten = 0;
    std::vector<std::string> notes;            // for the report and the summary
    double renderSeconds = 0;
};

// objects[i] describes before.objects[i]; after is the converted deck, object for object.
WriteBackResult WriteBack(const office::Package& package, const std::vector<office::OfficeObject>& objects,
                          const bwpass::Deck& before, const bwpass::Deck& after, const std::string& workFolder);

// Points the OLE object's picture at a new PNG part: the picture is added under a fresh name in
// ppt/media (the old one may be shared with other objects), the relationships of the slide and
// of its legacy VML drawing that led to the old picture lead to the new one, and png gets a
// content type. Edits go into parts (on top of edits already there).
void ReplacePreview(const office::Package& package, const std::string& slidePart, const std::string& oldPicture,
                    std::string png, std::map<std::string, std::string>& parts);

}  // namespace bwoffice
