// What a run of bwoffice converts and where each result goes: the files named and the Office
// files found in the folders named, with their outputs beside them or under an output folder.
#pragma once

#include <string>
#include <vector>

namespace bwbatch {

struct BatchFile {
    std::string input;
    std::string output;   // the converted file
    std::string report;   // empty with --no-report
    std::string shown;    // the input as the index and the progress name it (relative to its folder argument)
    std::string refused;  // set when the file is refused before it is read (not an Office file ...)
};

struct BatchPlan {
    std::vector<BatchFile> files;  // in the order given, each folder's files sorted by name
    std::string index;             // the index page
};

// A .pptx, .pptm, .xlsx or .xlsm, in any case.
bool IsOfficeFileName(const std::string& path);
// One of our own outputs (STEM.bw.EXT): a folder search leaves them out.
bool IsConvertedFileName(const std::string& path);

// The extension as written ("talk.PPTX" gives ".PPTX"), with the dot; empty for none.
std::string Extension(const std::string& path);
// STEM.bw.EXT: the input's extension is kept, so that a macro-enabled file stays one.
std::string DefaultOutput(const std::string& input);
// STEM.report.html beside the output (a ".bw" ending of the stem dropped).
std::string ReportBeside(const std::string& output);
// STEM.bw.pdf beside the output: the converted file as LibreOffice prints it.
std::string PdfBeside(const std::string& output);

// Folders are searched recursively for Office files. Without an output folder each file's
// outputs go beside it and the index into the deepest folder that holds them all; with one, the
// outputs go under it keeping each file's path below its folder argument (a file named on its
// own goes to the top), and the index into it. A name that does not exist, a file that is not an
// Office file, and a second input whose outputs would take an earlier one's names are refused.
BatchPlan PlanBatch(const std::vector<std::string>& arguments, const std::string& outputFolder, bool report);

}  // namespace bwbatch
