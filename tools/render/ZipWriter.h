// A new zip file from parts held in memory, written through a temporary file beside the target
// and renamed into place, so that a failed write leaves nothing behind.
//
// The package layer (tools/office) owns the writing of converted packages; this small writer
// serves the packages made from scratch here (one-slide presentations for rendering, the sample
// presentation and its embedded workbooks). It is meant to fold into the package layer's writer.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace render {

struct ZipEntry {
    std::string name;   // the part name without its leading slash, e.g. "ppt/slides/slide1.xml"
    std::string data;
};

class ZipWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws ZipWriteError naming the file and what failed.
void WriteZipFile(const std::string& path, const std::vector<ZipEntry>& entries);

// The same zip as bytes, for a package embedded in another one.
std::string ZipToBytes(const std::vector<ZipEntry>& entries);

}  // namespace render
