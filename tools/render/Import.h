// Legacy binary Office files (.ppt, .xls and their slide show and template forms) turned into
// Office Open XML by LibreOffice's own import, so that the rest of the conversion reads them as
// any other package. Through the run's LibreOffice session when there is one.
#pragma once

#include <string>

namespace render {

// Imports input into output, whose extension (".pptx" or ".xlsx") names the format. workFolder
// holds the run's files (and LibreOffice's profile without a session) and must exist as long as
// the call. Returns "" when output was written, else why not ("LibreOffice could not import it
// ..."); output is then not there. Never throws.
std::string ImportToOpenXml(const std::string& input, const std::string& output, const std::string& workFolder);

}  // namespace render
