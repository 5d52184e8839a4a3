// bwoffice: a presentation or workbook through the black-and-white pass.
//   bwoffice FILE.pptx|.pptm|.xlsx|.xlsm [-o OUT] [--pdf] [--registered] [--timings] [-q]
// writes STEM.bw.EXT (or OUT), STEM.report.html and with --pdf STEM.bw.pdf beside it; the input
// is never written.
#include "tools/bwoffice/Conversion.h"
#include "tools/deck/Text.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kOk = 0;
constexpr int kBadInput = 1;     // the file cannot be converted: nothing written
constexpr int kUsage = 2;        // bad command line: nothing written
constexpr int kPassFailed = 3;   // the pass could not run, or an output could not be written

const char* kHelp =
    "usage: bwoffice FILE [options]\n"
    "\n"
    "Converts every chart of a presentation (.pptx, .pptm) or workbook (.xlsx, .xlsm) to black\n"
    "and white through the presentation host's pass with QVCHBW01.dll (bwpass.exe under Wine),\n"
    "and writes the converted file and an HTML report of every chart before and after.\n"
    "\n"
    "  -o, --output FILE        the converted file (default: STEM.bw.EXT beside FILE); the\n"
    "                           report goes beside it as STEM.report.html\n"
    "      --registered         create the plug-in through the registry (CoCreateInstance)\n"
    "      --excel-out-of-process  passed to bwpass.exe\n"
    "      --pdf                also write STEM.bw.pdf: the converted file as LibreOffice prints\n"
    "                           it (every slide; every sheet that holds a chart), and show each\n"
    "                           slide or sheet that holds a chart in the report, before and after\n"
    "      --timings            print the seconds spent reading, in the pass, writing, rendering\n"
    "  -q, --quiet              print nothing but errors\n"
    "  -h, --help               this text\n"
    "\n"
    "Exit status: 0 done; 1 the file cannot be converted (not an Office file, damaged,\n"
    "encrypted ...: nothing written); 2 bad command line; 3 the pass failed or an output could\n"
    "not be written.\n";

struct Args {
    std::string input, output;
    bool registered = false, outOfProcess = false, timings = false, quiet = false, help = false, pdf = false;
};

[[noreturn]] void UsageError(const std::string& text) {
    std::fprintf(stderr, "bwoffice: %s\n(bwoffice --help lists the options)\n", text.c_str());
    std::exit(kUsage);
}

Args ParseArgs(int argc, char** argv) {
    Args args;
    for (int i = 1; i < argc; ++i) {
        const std::string s = argv[i];
        if (s == "-o" || s == "--output") {
            if (i + 1 >= argc) UsageError("option " + s + " needs a value");
            args.output = argv[++i];
        } else if (s == "--registered") args.registered = true;
        else if (s == "--excel-out-of-process") args.outOfProcess = true;
        else if (s == "--timings") args.timings = true;
        else if (s == "--pdf") args.pdf = true;
        else if (s == "-q" || s == "--quiet") args.quiet = true;
        else if (s == "-h" || s == "--help") args.help = true;
        else if (!s.empty() && s[0] == '-') UsageError("unknown option " + s);
        else if (args.input.empty()) args.input = s;
        else UsageError("more than one file given: " + args.input + " and " + s);
    }
    if (!args.help && args.input.empty()) UsageError("no file given");
    return args;
}

// The extension as written ("talk.PPTX" gives ".PPTX"): files copied from Windows often have it
// in capitals, and their converted copy keeps it so.
std::string Extension(const std::string& path) {
    const size_t slash = path.rfind('/'), dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return path.substr(dot);
}

std::string LowerExtension(const std::string& path) {
    std::string e = Extension(path);
    for (char& c : e) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return e;
}

std::string WithoutExtension(const std::string& path) { return path.substr(0, path.size() - Extension(path).size()); }

// STEM.bw.EXT keeps the input's extension: a macro-enabled file stays one (a .pptm's content
// types say so, and a .pptx with them does not open).
std::string DefaultOutput(const std::string& input) { return WithoutExtension(input) + ".bw" + Extension(input); }

std::string StemOf(const std::string& output) {
    std::string stem = WithoutExtension(output);
    if (stem.size() > 3 && stem.compare(stem.size() - 3, 3, ".bw") == 0) stem.resize(stem.size() - 3);
    return stem;
}

std::string ReportBeside(const std::string& output) { return StemOf(output) + ".report.html"; }

std::string PdfBeside(const std::string& output) { return StemOf(output) + ".bw.pdf"; }

void PrintSummary(const bwoffice::ConversionOptions& o, const bwoffice::ConversionSummary& s, bool timings) {
    std::printf("bwoffice: %s\n", o.input.c_str());
    std::printf("  objects offered:  %zu (%zu with a workbook)\n", s.objects, s.excelObjects);
    std::printf("  charts:           %zu read, %zu rewritten (%zu properties written)\n", s.charts,
                s.chartsRewritten, s.propertiesWritten);
    std::printf("  previews left in colour: %zu%s\n", s.previewsLeftInColour,
                s.previewsLeftInColour ? " (named in the report)" : "");
    if (!s.unmodelled.empty())
        std::printf("  not modelled:     %zu charts left unchanged (listed in the report)\n", s.unmodelled.size());
    std::printf("  output:           %s\n", o.output.c_str());
    if (s.pdfWritten) std::printf("  pdf:              %s\n", o.pdf.c_str());
    std::printf("  report:           %s\n", o.report.c_str());
    if (timings)
        std::printf("  timings:          read %.3f s, pass %.3f s, write %.3f s, render %.3f s\n", s.timings.read,
                    s.timings.pass, s.timings.write, s.timings.render);
}

}  // namespace

int main(int argc, char** argv) {
    const Args args = ParseArgs(argc, argv);
    if (args.help) {
        std::fputs(kHelp, stdout);
        return kOk;
    }
    const std::string ext = LowerExtension(args.input);
    if (ext != ".pptx" && ext != ".pptm" && ext != ".xlsx" && ext != ".xlsm")
        UsageError(args.input + ": not a .pptx, .pptm, .xlsx or .xlsm file (deck files go to bwpass.exe)");

    bwoffice::ConversionOptions options;
    options.input = args.input;
    options.output = args.output.empty() ? DefaultOutput(args.input) : args.output;
    options.report = ReportBeside(options.output);
    if (args.pdf) options.pdf = PdfBeside(options.output);
    options.registered = args.registered;
    options.progress = !args.quiet;
    if (args.registered) options.pass.extraArguments.push_back("--registered");
    if (args.outOfProcess) options.pass.extraArguments.push_back("--excel-out-of-process");
    for (const std::string* out : {&options.output, &options.report, &options.pdf})
        if (!out->empty() && bwpass::SameFile(bwpass::Wide(*out), bwpass::Wide(options.input))) {
            std::fprintf(stderr, "bwoffice: %s: an output would overwrite the input; choose another name\n",
                         out->c_str());
            return kUsage;
        }

    try {
        const bwoffice::ConversionSummary summary = bwoffice::ConvertFile(options);
        for (const std::string& n : summary.notes) std::fprintf(stderr, "bwoffice: note: %s\n", n.c_str());
        if (!args.quiet || args.timings) PrintSummary(options, summary, args.timings);
        return kOk;
    } catch (const office::OfficeFileError& e) {
        std::fprintf(stderr, "bwoffice: %s\n", e.what());
        return kBadInput;
    } catch (const bwoffice::PassError& e) {
        std::fprintf(stderr, "bwoffice: %s: %s; nothing written\n", options.input.c_str(), e.what());
        return kPassFailed;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bwoffice: %s\n", e.what());
        return kPassFailed;
    }
}
