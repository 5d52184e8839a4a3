// The command line of ./bwpass (the binary is build/native/bwoffice; ./bwpass builds it and hands
// it every command line but the sample's). Files are told by their content:
//   FILE [-o OUT] [options]                  a presentation or workbook: STEM.bw.EXT (or OUT) and
//                                            STEM.report.html beside it
//   FILE|FOLDER... [-o DIR] [-j N] [options] a batch, with an index page
//   DECK.json [options]                      a deck file, through bwpass.exe under Wine
// The inputs are never written.
#include "tools/bwbatch/Batch.h"
#include "tools/bwbatch/Index.h"
#include "tools/bwbatch/Inputs.h"
#include "tools/bwbatch/Outputs.h"
#include "tools/bwbatch/Progress.h"
#include "tools/bwoffice/ConsoleSummary.h"
#include "tools/bwoffice/Conversion.h"
#include "tools/cleanup/Cleanup.h"
#include "tools/deck/ExitStatus.h"
#include "tools/deckmodel/Text.h"
#include "tools/package/FileKind.h"
#include "tools/render/Session.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

const char* kHelp =
    "usage: bwpass FILE [options]              one presentation or workbook\n"
    "       bwpass FILE|FOLDER... [options]    a batch, with an index page\n"
    "       bwpass DECK.json [options]         a deck file: the host's view of a presentation\n"
    "       bwpass                             the built-in sample, as bwpass-out/sample.pptx\n"
    "\n"
    "Converts every chart of a presentation (.pptx .pptm .ppsx .ppsm .potx .potm) or workbook\n"
    "(.xlsx .xlsm .xltx .xltm) to black and white through the presentation host's pass with\n"
    "QVCHBW01.dll, and writes the converted file, of the same type, and an HTML report of every\n"
    "chart before and after. Files are known by their content. Legacy .ppt .pps .pot .xls .xlt\n"
    "files are imported by LibreOffice first and come out as .pptx or .xlsx. The input is never\n"
    "written.\n"
    "\n"
    "Several files, or folders (searched below for Office files, leaving out converted\n"
    "*.bw.* files), make a batch: each file is converted as on its own, a file that cannot\n"
    "be converted is named with its message and the others go on, and an index page,\n"
    "bwpass-index.html, lists them all.\n"
    "\n"
    "Options:\n"
    "  -o, --output PATH   one file: the converted file, of the input's type (default:\n"
    "                      STEM.bw.EXT beside FILE; the report goes beside it as\n"
    "                      STEM.report.html); a folder (ending in / or existing) takes\n"
    "                      STEM.bw.EXT. A batch: the folder for the outputs, keeping each\n"
    "                      file's path below its folder argument (default: beside each file;\n"
    "                      the index goes into the folder that holds them all). Missing\n"
    "                      folders are made\n"
    "  -j, --jobs N        convert N files at once (default, and 0: one per core)\n"
    "      --pdf           also write STEM.bw.pdf: the converted file as LibreOffice prints it\n"
    "                      (every slide; every sheet that holds a chart), and show each slide\n"
    "                      or sheet that holds a chart in the report, before and after\n"
    "      --no-render     reports without LibreOffice's pictures of the charts (faster)\n"
    "      --no-report     write no reports\n"
    "  -q, --quiet         print nothing but errors\n"
    "      --x64           use the 64-bit build of the plug-in (in a 64-bit Wine prefix)\n"
    "  -h, --help          this text\n"
    "      --version       the plug-in's version\n"
    "\n"
    "Developer options:\n"
    "      --timings       print the seconds spent reading, in the pass, writing, rendering\n"
    "      --registered    create the plug-in through the registry (CoCreateInstance)\n"
    "      --excel-out-of-process\n"
    "                      Excel's stand-in in a process of its own, as in PowerPoint\n"
    "      --pass-limit SECONDS\n"
    "                      the longest one file's pass may take before it is stopped and the\n"
    "                      file reported as one whose pass could not run (default 600)\n"
    "  Deck files (docs/deck-format.md) also take the pass program's own options:\n"
    "      -o FILE, -r FILE (the report), --write-sample FILE [--copies N], --check,\n"
    "      --pass-result FILE, --no-plugin, --no-log, --draw-limit N, --dll FILE\n"
    "  A run ends the Wine server it started. To keep one warm between runs:\n"
    "      scripts/wine-prefix start build/wineprefix   (stop: scripts/wine-prefix stop ...)\n"
    "\n";

struct Args {
    std::vector<std::string> inputs;
    std::string output;
    size_t jobs = 0;
    bool registered = false, outOfProcess = false, timings = false, quiet = false, help = false, version = false;
    bool noRender = false, noReport = false, pdf = false;
    double passLimit = bwoffice::kPassLimitSeconds;
};

[[noreturn]] void UsageError(const std::string& text) {
    std::fprintf(stderr, "bwpass: %s\n(bwpass --help lists the options)\n", text.c_str());
    std::exit(bwpass::kExitUsage);
}

size_t Cores() { return std::max(1u, std::thread::hardware_concurrency()); }

// 0 is one job per core.
size_t Jobs(const std::string& text) {
    char* end = nullptr;
    const long n = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end || n < 0 || n > 256) UsageError("-j needs a number from 0 (one per core) to 256, got " + text);
    return n == 0 ? Cores() : static_cast<size_t>(n);
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
        else if (s == "--version") args.version = true;
        else if (!s.empty() && s[0] == '-') UsageError("unknown option " + s);
        else args.inputs.push_back(s);
    }
    if (!args.help && !args.version && args.inputs.empty()) UsageError("no file given");
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
    return std::make_unique<render::Session>(work.Path() + "/render", std::min(atOnce, Cores()));
}

// On a terminal, the stage a single file is in, on one line rewritten in place and cleared at the
// end; nothing elsewhere (a long file's plain lines still come from the conversion).
class StageLine {
public:
    StageLine(const std::string& input, bool quiet) : input_(input), on_(!quiet && bwbatch::TerminalTakesControls()) {}
    ~StageLine() { Clear(); }
    void Show(const std::string& stage) {
        if (!on_) return;
        Clear();
        std::string line = "bwpass: " + input_ + ": " + stage + " ...";
        const size_t width = bwbatch::TerminalWidth();
        if (line.size() >= width) line.resize(width > 1 ? width - 1 : 0);
        std::fputs(line.c_str(), stderr);
        std::fflush(stderr);
        shown_ = true;
    }
    void Clear() {
        if (shown_) std::fputs("\r\033[K", stderr), std::fflush(stderr);
        shown_ = false;
    }

private:
    const std::string input_;
    const bool on_;
    bool shown_ = false;
};

int RunSingle(const Args& args, bwoffice::ConversionOptions options) {
    StageLine line(options.input, args.quiet);
    options.stage = [&line](const std::string& stage) { line.Show(stage); };
    bwoffice::TempFolder work;
    const std::unique_ptr<render::Session> session = RenderSession(args, work, 1);
    bwoffice::PassServer server(options.pass.extraArguments, args.passLimit);
    options.server = &server;
    options.pass.extraArguments.clear();  // the server has them
    try {
        const bwoffice::ConversionSummary summary = bwoffice::ConvertFile(options);
        line.Clear();
        for (const std::string& n : summary.notes) std::fprintf(stderr, "bwpass: note: %s\n", n.c_str());
        if (!args.quiet || args.timings) std::fputs(bwoffice::SummaryText(options, summary, args.timings).c_str(), stdout);
        return summary.hostCallFailed ? bwpass::kExitHostCallFailed : bwpass::kExitOk;
    } catch (const office::OfficeFileError& e) {
        line.Clear();
        std::fprintf(stderr, "bwpass: %s\n", e.what());
        return bwpass::kExitBadInput;
    } catch (const bwoffice::PassError& e) {
        line.Clear();
        std::fprintf(stderr, "bwpass: %s: %s; nothing written\n", options.input.c_str(), e.what());
        return bwpass::kExitNoPass;
    } catch (const std::exception& e) {
        line.Clear();
        std::fprintf(stderr, "bwpass: %s\n", e.what());
        return bwpass::kExitCannotWrite;
    }
}

// -o names a folder when it ends in "/" or is one; the converted file then takes its default name in it.
std::string SingleOutput(const Args& args, office::FileKind kind) {
    const std::string& input = args.inputs.front();
    if (args.output.empty()) return bwbatch::DefaultOutput(input, kind);
    std::error_code ec;
    if (args.output.back() != '/' && !std::filesystem::is_directory(args.output, ec)) return args.output;
    return (std::filesystem::path(args.output) /
            bwbatch::DefaultOutput(std::filesystem::path(input).filename().string(), kind))
        .lexically_normal()
        .string();
}

// What is wrong with the outputs, found before anything is converted: the status to end with, or 0.
int OutputProblem(const bwoffice::ConversionOptions& options) {
    if (const std::string problem = bwbatch::OutputTypeProblem(options.input, options.output); !problem.empty()) {
        std::fprintf(stderr, "bwpass: %s; nothing written\n", problem.c_str());
        return bwpass::kExitUsage;
    }
    for (const std::string* out : {&options.output, &options.report, &options.pdf})
        if (!out->empty() && bwpass::SameFile(bwpass::Wide(*out), bwpass::Wide(options.input))) {
            std::fprintf(stderr, "bwpass: %s: an output would overwrite the input; choose another name\n",
                         out->c_str());
            return bwpass::kExitUsage;
        }
    for (const std::string* out : {&options.output, &options.report, &options.pdf})
        if (const std::string problem = out->empty() ? std::string() : bwbatch::WritableProblem(*out); !problem.empty()) {
            std::fprintf(stderr, "bwpass: %s; nothing converted\n", problem.c_str());
            return bwpass::kExitCannotWrite;
        }
    return 0;
}

int ConvertSingle(const Args& args) {
    const std::string& input = args.inputs.front();
    // Told by its content; what is not converted is named before any output is looked at.
    const office::FileKind kind = office::IdentifyFile(input);
    if (office::FamilyOf(kind) == office::FileFamily::None) {
        std::fprintf(stderr, "bwpass: %s\n", office::DescribeRefusal(input, kind).c_str());
        return bwpass::kExitBadInput;
    }
    bwoffice::ConversionOptions options;
    options.input = input;
    options.output = SingleOutput(args, kind);
    options.report = args.noReport ? std::string() : bwbatch::ReportBeside(options.output);
    if (args.pdf) options.pdf = bwbatch::PdfBeside(options.output);
    options.registered = args.registered;
    options.render = !args.noRender;
    // A long file's plain lines where there is no stage line (RunSingle) to show the same.
    options.progress = !args.quiet && !bwbatch::TerminalTakesControls();
    options.pass = PassOptionsOf(args);
    if (const int status = OutputProblem(options)) return status;
    bwbatch::MadeFolders folders({options.output, options.report, options.pdf});
    if (!folders.Problem().empty()) {
        folders.RemoveEmpty();
        std::fprintf(stderr, "bwpass: %s; nothing converted\n", folders.Problem().c_str());
        return bwpass::kExitCannotWrite;
    }
    std::vector<std::unique_ptr<cleanup::RemovedOnSignal>> partials;
    for (const std::string* out : {&options.output, &options.report, &options.pdf})
        if (!out->empty()) partials.push_back(std::make_unique<cleanup::RemovedOnSignal>(*out, cleanup::RemovedOnSignal::What::kPartials));
    const int status = RunSingle(args, options);
    if (status != bwpass::kExitOk && status != bwpass::kExitHostCallFailed) folders.RemoveEmpty();
    return status;
}

int ConvertBatch(const Args& args) {
    if (!args.output.empty()) {
        std::error_code ec;
        if (std::filesystem::exists(args.output, ec) && !std::filesystem::is_directory(args.output, ec))
            UsageError(args.output + ": -o of a batch names a folder, and this is a file");
        // Every output goes below it: one that cannot be written ends the run before any conversion.
        if (const std::string problem = bwbatch::WritableProblem(args.output + "/bwpass-index.html"); !problem.empty()) {
            std::fprintf(stderr, "bwpass: %s; nothing converted\n", problem.c_str());
            return bwpass::kExitCannotWrite;
        }
    }
    const bwbatch::BatchPlan plan = bwbatch::PlanBatch(args.inputs, args.output, !args.noReport);
    if (plan.files.empty()) {
        std::fprintf(stderr, "bwpass: no presentations or workbooks found\n");
        return bwpass::kExitBadInput;
    }
    bwbatch::BatchOptions options;
    options.jobs = args.jobs ? args.jobs : Cores();
    options.render = !args.noRender;
    options.quiet = args.quiet;
    options.registered = args.registered;
    options.pdf = args.pdf;
    bwoffice::TempFolder work;
    options.renderers = std::min(options.jobs, Cores());
    const std::unique_ptr<render::Session> session = RenderSession(args, work, options.renderers);
    bwoffice::PassServer server(PassOptionsOf(args).extraArguments, args.passLimit);
    const cleanup::RemovedOnSignal index(plan.index, cleanup::RemovedOnSignal::What::kPartials);
    const std::vector<bwbatch::FileResult> results = bwbatch::RunBatch(plan, options, server);

    std::string error;
    const bool indexed = bwbatch::WriteIndex(results, plan.index, error);
    if (!indexed) std::fprintf(stderr, "bwpass: %s\n", error.c_str());
    size_t converted = 0, charts = 0, chartsConverted = 0, properties = 0;
    bwoffice::Timings sum;
    for (const bwbatch::FileResult& r : results) {
        converted += r.status == 0;
        charts += r.summary.charts;
        chartsConverted += r.summary.chartsConverted;
        properties += r.summary.propertiesChanged;
        sum.read += r.summary.timings.read, sum.pass += r.summary.timings.pass;
        sum.write += r.summary.timings.write, sum.render += r.summary.timings.render;
    }
    if (!args.quiet || args.timings) {
        std::printf("bwpass: %zu files, %zu converted, %zu not converted\n", results.size(), converted,
                    results.size() - converted);
        std::printf("  charts:           %zu read, %zu converted, %zu properties changed\n", charts, chartsConverted,
                    properties);
        if (indexed) std::printf("  index:            %s\n", plan.index.c_str());
        if (args.timings) std::fputs(bwoffice::TimingsText(sum).c_str(), stdout);
    }
    const int status = bwbatch::BatchStatus(results);
    return status == bwpass::kExitOk && !indexed ? bwpass::kExitCannotWrite : status;
}

// A deck file (JSON, told by its content), the writing of the sample deck, or options without a
// file (bwpass.exe's built-in sample deck, as `./bwpass -q` has always run it): the host tool's
// work, with options of its own, so the whole command line goes to it. --help and --version stay
// here, and so does a command line without anything ("no file given").
bool IsDeckRun(int argc, char** argv) {
    static const std::set<std::string> kTakesValue = {"-o", "--output", "-j", "--jobs", "--pass-limit", "-r",
                                                      "--report", "--dll", "--draw-limit", "--pass-result", "--copies"};
    std::string first;
    for (int i = 1; i < argc; ++i) {
        const std::string s = argv[i];
        if (s == "-h" || s == "--help" || s == "--version") return false;
        if (s == "--write-sample") return true;
        if (kTakesValue.count(s)) ++i;
        else if (first.empty() && !s.empty() && s[0] != '-') first = s;
    }
    if (first.empty()) return argc > 1;
    return office::IdentifyFile(first) == office::FileKind::Deck;
}

// bwpass.exe under Wine, its streams ours; its status is the run's.
int RunDeck(int argc, char** argv) {
    // Its output reaches the terminal through us, as it comes; its progress line is rewritten in
    // place only where ours would be.
    if (!bwbatch::TerminalTakesControls()) setenv("QV_PLAIN_PROGRESS", "1", 1);
    bwoffice::WineServerOfRun wine;
    wine.BeforeStart();
    std::string error;
    const int status = bwoffice::RunPass(std::vector<std::string>(argv + 1, argv + argc), error, true);
    if (status >= 0) return status;
    std::fprintf(stderr, "bwpass: %s; nothing written\n", error.c_str());
    return bwpass::kExitNoPass;
}

bool IsBatch(const Args& args) {
    std::error_code ec;
    return args.inputs.size() > 1 || std::filesystem::is_directory(args.inputs.front(), ec);
}

}  // namespace

int main(int argc, char** argv) {
    cleanup::OnSignals();
    if (IsDeckRun(argc, argv)) return RunDeck(argc, argv);
    const Args args = ParseArgs(argc, argv);
    if (args.version) {
        std::printf("bwpass %s (QVCHBW01.dll)\n", QV_VERSION);
        return bwpass::kExitOk;
    }
    if (args.help) {
        std::fputs(kHelp, stdout);
        std::fputs(bwpass::kExitStatusHelp, stdout);
        return bwpass::kExitOk;
    }
    return IsBatch(args) ? ConvertBatch(args) : ConvertSingle(args);
}
