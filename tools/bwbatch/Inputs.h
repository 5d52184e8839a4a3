// What a run of bwoffice converts and where each result goes: the files named and the Office
// files found in the folders named, with their outputs beside them or under an output folder.
#pragma once

#include "tools/package/FileKind.h"

#include <string>
#include <vector>

namespace bwbatch {

struct BatchFile {
    std::string input;
    std::string output;   // the converted file
    std::string report;   // empty with --no-report
    std::string pdf;      // with --pdf: the converted file as LibreOffice prints it
    std::string shown;    // the input as the index and the progress name it (relative to its folder argument)
    std::string refused;  // set when the file is refused before it is read (not an Office file ...)
    office::FileKind kind = office::FileKind::NotOffice;  // told by its content
    bool upToDate = false;  // -u: its outputs are there and not older than it (MarkUpToDate)
};

struct BatchPlan {
    std::vector<BatchFile> files;  // in the order given, each folder's files sorted by name
    std::string index;             // the index page
    std::vector<std::string> leftOut;  // files of the folders that are no Office files, each "FILE: what it is"
};

// A presentation's or workbook's name: every package type and the legacy binary ones, in any case.
bool IsOfficeFileName(const std::string& path);
// A converted file of ours (STEM.bw.EXT).
bool IsConvertedFileName(const std::string& path);
// Any output of ours, which a folder search passes over without a word: a converted file, a
// report (STEM.report.html), the index page, and what any of them is written through (NAME.part*).
bool IsOwnOutputName(const std::string& path);

// The extension as written ("talk.PPTX" gives ".PPTX"), with the dot; empty for none.
std::string Extension(const std::string& path);
// STEM.bw.EXT: the extension of the file's kind, told by its content (ExtensionOf), so that a
// slide show stays one and a legacy .ppt becomes a .pptx; the input's own spelling of it is kept
// ("TALK.PPTX" gives "TALK.bw.PPTX"). A file of a refused kind keeps its extension.
std::string DefaultOutput(const std::string& input);
std::string DefaultOutput(const std::string& name, office::FileKind kind);
// STEM.report.html beside the output (a ".bw" ending of the stem dropped).
std::string ReportBeside(const std::string& output);
// STEM.bw.pdf beside the output: the converted file as LibreOffice prints it.
std::string PdfBeside(const std::string& output);

// Folders are searched recursively for Office files, known by their content or their name (a
// file named as a presentation or workbook that cannot be converted is refused with the reason);
// every other file found there is named in leftOut, but for our own outputs (IsOwnOutputName).
// Without an output folder each file's outputs go beside it, and the index into the deepest
// folder that holds them all when that folder lies in one the user named or in the current
// folder, else into the current folder; with one, the outputs go under it keeping each file's
// path below its folder argument (a file named on its own goes to the top), and the index into
// it. A name that does not exist, a file that is not an Office file, and a second input whose
// outputs would take an earlier one's names are refused. With pdf, each file's PDF beside its
// output.
BatchPlan PlanBatch(const std::vector<std::string>& arguments, const std::string& outputFolder, bool report,
                    bool pdf = false);

}  // namespace bwbatch
