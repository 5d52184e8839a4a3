// bwoffice: presentations and workbooks through the black-and-white pass.
//   bwoffice FILE.pptx|.pptm|.xlsx|.xlsm [-o OUT] [options]   one file: STEM.bw.EXT (or OUT) and
//                                                            STEM.report.html beside it
//   bwoffice FILE|FOLDER... [-o DIR] [-j N] [options]         a batch, with an index page
// The inputs are never written.
#include "tools/bwbatch/Batch.h"
#include "tools/bwbatch/Index.h"
#include "tools/bwbatch/Inputs.h"
#include "tools/bwoffice/ConsoleSummary.h"
#include "tools/bwoffice/Conversion.h"
#include "tools/deck/ExitStatus.h"
#include "tools/deckmodel/Text.h"
#include "tools/render/Session.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

const char* kHelp =
    "usage: bwoffice FILE [options]\n"
    "       bwoffice FILE|FOLDER... [options]\n"
    "\n"
    "Converts every chart of a presentation (.pptx, .pptm) or workbook (.xlsx, .xlsm) to black\n"
    "and white through the presentation host's pass with QVCHBW01.dll (bwpass.exe under Wine),\n"
    "and writes the converted file and an HTML report of every chart before and after.\n"
    "Several files, or folders (searched below for Office files, leaving out converted\n"
    "*.bw.* files), make a batch: each file is converted as on its own, a file that cannot\n"
    "be converted is named with its message and the others go on, and an index page,\n"
    "bwpass-index.html, lists them all.\n"
    "\n"
    "  -o, --output PATH        one file: the converted file (default: STEM.bw.EXT beside FILE;\n"
    "                           the report goes beside it as STEM.report.html). A batch: the\n"
    "                           folder for the outputs, keeping each file's path below its\n"
    "                           folder argument (default: beside each file; the index goes into\n"
    "                           the folder that holds them all)\n"
    "  -j, --jobs N             convert N files at once (default: the number of cores)\n"
    "      --no-render          reports without LibreOffice's pictures of the charts\n"
    "      --no-report          write no reports\n"
    "      --registered         create the plug-in through the registry (CoCreateInstance)\n"
    "      --excel-out-of-process  passed to bwpass.exe\n"
    "      --pass-limit SECONDS the longest one file's pass may take before it is stopped and the\n"
    "                           file reported as one whose pass could not run (default 600)\n"
    "      --pdf                also write STEM.bw.pdf: the converted file as LibreOffice prints\n"
    "                           it (every slide; every sheet that holds a chart), and show each\n"
    "                           slide or sheet that holds a chart in the report, before and after\n"
    "      --timings            print the seconds spent reading, in the pass, writing, rendering\n"
    "  -q, --quiet              print nothing but errors\n"
    "  -h, --help               this text\n"
    "\n";

struct Args {
    std::vector<std::string> inputs;
    std::string output;
    size_t jobs = 0;
    bool registered = false, outOfProcess = false, timings = false, quiet = false, help = false;
    bool noRender = false, noReport = false, pdf = false;
    double passLimit = bwoffice::kPassLimitSeconds;
};

[[noreturn]] void UsageError(const std::string& text) {
    std::fprintf(stderr, "bwoffice: %s\n(bwoffice --help lists the options)\n", text.c_str());
    std::exit(bwpass::kExitUsage);
}

size_t Jobs(const std::string& text) {
    char* end = nullptr;
    const long n = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end || n < 1 || n > 256) UsageError("-j needs a number from 1 to 256, got " + text);
    return static_cast<size_t>(n);
}

double PassLimit(const std::string& text) {
    char* end = nullptr;
    const double seconds = std::strtod(text.c_str(), &end);
    if (text.empty() || *end || !(seconds >= 1 && seconds <= 86400))
        UsageError("--pass-limit needs a number of seconds from 1 to 86400, got " + text);
    return seconds;
}

Args ParseArgs(int argc, char** argv) {
    Args args;
    for (int i = 1; i < argc; ++i) {
        const std::string s = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) UsageError("option " + s + " needs a value");
            return argv[++i];
        };
        if (s == "-o" || s == "--output") args.output = value();
        else if (s == "-j" || s == "--jobs") args.jobs = Jobs(value());
        else if (s.rfind("-j", 0) == 0 && s.size() > 2 && std::isdigit(static_cast<unsigned char>(s[2])))
            args.jobs = Jobs(s.substr(2));
        else if (s == "--no-render") args.noRender = true;
        else if (s == "--no-report") args.noReport = true;
        else if (s == "--registered") args.registered = true;
        else if (s == "--excel-out-of-process") args.outOfProcess = true;
        else if (s == "--pass-limit") args.passLimit = PassLimit(value());
        else if (s == "--timings") args.timings = true;
        else if (s == "--pdf") args.pdf = true;
        else if (s == "-q" || s == "--quiet") args.quiet = true;
        else if (s == "-h" || s == "--help") args.help = true;
        else if (!s.empty() && s[0] == '-') UsageError("unknown option " + s);
        else args.inputs.push_back(s);
    }
    if (!args.help && args.inputs.empty()) UsageError("no file given");
    return args;
}

bwoffice::PassOptions PassOptionsOf(const Args& args) {
    bwoffice::PassOptions pass;
    if (args.registered) pass.extraArguments.push_back("--registered");
    if (args.outOfProcess) pass.extraArguments.push_back("--excel-out-of-process");
    return pass;
}

// LibreOffice started now, beside the pass's start of Wine, when pictures will be drawn: one
// instance for each file drawn at once, as far as there are cores for them.
std::unique_ptr<render::Session> RenderSession(const Args& args, const bwoffice::TempFolder& work, size_t atOnce) {
    if (args.noRender || args.noReport) return nullptr;
    const size_t cores = std::max(1u, std::thread::hardware_concurrency());
    return std::make_unique<render::Session>(work.Path() + "/render", std::min(atOnce, cores));
}

void PrintTimings(const bwoffice::Timings& t) {
    std::printf("  timings:          read %.3f s, pass %.3f s, write %.3f s, render %.3f s\n", t.read, t.pass,
                t.write, t.render);
}

int ConvertSingle(const Args& args) {
    const std::string& input = args.inputs.front();
    if (!bwbatch::IsOfficeFileName(input))
        UsageError(input + ": not a .pptx, .pptm, .xlsx or .xlsm file (deck files go to bwpass.exe)");
    bwoffice::ConversionOptions options;
    options.input = input;
    options.output = args.output.empty() ? bwbatch::DefaultOutput(input) : args.output;
    std::error_code ec;
    if (std::filesystem::is_directory(options.output, ec))
        options.output = (std::filesystem::path(options.output) / bwbatch::DefaultOutput(
                              std::filesystem::path(input).filename().string())).string();
    options.report = args.noReport ? std::string() : bwbatch::ReportBeside(options.output);
    if (args.pdf) options.pdf = bwbatch::PdfBeside(options.output);
    options.registered = args.registered;
    options.render = !args.noRender;
    options.progress = !args.quiet;
    options.pass = PassOptionsOf(args);
    for (const std::string* out : {&options.output, &options.report, &options.pdf})
        if (!out->empty() && bwpass::SameFile(bwpass::Wide(*out), bwpass::Wide(options.input))) {
            std::fprintf(stderr, "bwoffice: %s: an output would overwrite the input; choose another name\n",
                         out->c_str());
            return bwpass::kExitUsage;
        }

    bwoffice::TempFolder work;
    const std::unique_ptr<render::Session> session = RenderSession(args, work, 1);
    bwoffice::PassServer server(options.pass.extraArguments, args.passLimit);
    options.server = &server;
    options.pass.extraArguments.clear();  // the server has them
    try {
        const bwoffice::ConversionSummary summary = bwoffice::ConvertFile(options);
        for (const std::string& n : summary.notes) std::fprintf(stderr, "bwoffice: note: %s\n", n.c_str());
        if (!args.quiet || args.timings) std::fputs(bwoffice::SummaryText(options, summary, args.timings).c_str(), stdout);
        return summary.hostCallFailed ? bwpass::kExitHostCallFailed : bwpass::kExitOk;
    } catch (const office::OfficeFileError& e) {
        std::fprintf(stderr, "bwoffice: %s\n", e.what());
        return bwpass::kExitBadInput;
    } catch (const bwoffice::PassError& e) {
        std::fprintf(stderr, "bwoffice: %s: %s; nothing written\n", options.input.c_str(), e.what());
        return bwpass::kExitNoPass;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bwoffice: %s\n", e.what());
        return bwpass::kExitCannotWrite;
    }
}

int ConvertBatch(const Args& args) {
    const bwbatch::BatchPlan plan = bwbatch::PlanBatch(args.inputs, args.output, !args.noReport);
    if (plan.files.empty()) {
        std::fprintf(stderr, "bwoffice: no .pptx, .pptm, .xlsx or .xlsm files found\n");
        return bwpass::kExitBadInput;
    }
    bwbatch::BatchOptions options;
    options.jobs = args.jobs ? args.jobs : std::max(1u, std::thread::hardware_concurrency());
    options.render = !args.noRender;
    options.quiet = args.quiet;
    options.registered = args.registered;
    options.pdf = args.pdf;
    bwoffice::TempFolder work;
    options.renderers = std::min<size_t>(options.jobs, std::max(1u, std::thread::hardware_concurrency()));
    const std::unique_ptr<render::Session> session = RenderSession(args, work, options.renderers);
    bwoffice::PassServer server(PassOptionsOf(args).extraArguments, args.passLimit);
    const std::vector<bwbatch::FileResult> results = bwbatch::RunBatch(plan, options, server);

    std::string error;
    const bool indexed = bwbatch::WriteIndex(results, plan.index, error);
    if (!indexed) std::fprintf(stderr, "bwoffice: %s\n", error.c_str());
    size_t converted = 0, charts = 0, rewritten = 0;
    bwoffice::Timings sum;
    for (const bwbatch::FileResult& r : results) {
        converted += r.status == 0;
        charts += r.summary.charts;
        rewritten += r.summary.chartsRewritten;
        sum.read += r.summary.timings.read, sum.pass += r.summary.timings.pass;
        sum.write += r.summary.timings.write, sum.render += r.summary.timings.render;
    }
    if (!args.quiet || args.timings) {
        std::printf("bwoffice: %zu files, %zu converted, %zu not converted\n", results.size(), converted,
                    results.size() - converted);
        std::printf("  charts:           %zu read, %zu rewritten\n", charts, rewritten);
        if (indexed) std::printf("  index:            %s\n", plan.index.c_str());
        if (args.timings) PrintTimings(sum);
    }
    const int status = bwbatch::BatchStatus(results);
    return status == bwpass::kExitOk && !indexed ? bwpass::kExitCannotWrite : status;
}

bool IsBatch(const Args& args) {
    std::error_code ec;
    return args.inputs.size() > 1 || std::filesystem::is_directory(args.inputs.front(), ec);
}

}  // namespace

int main(int argc, char** argv) {
    const Args args = ParseArgs(argc, argv);
    if (args.help) {
        std::fputs(kHelp, stdout);
        std::fputs(bwpass::kExitStatusHelp, stdout);
        return bwpass::kExitOk;
    }
    return IsBatch(args) ? ConvertBatch(args) : ConvertSingle(args);
}
