// One presentation or workbook: STEM.bw.EXT (or -o's) and STEM.report.html beside it.
#include "tools/bwbatch/Batch.h"
#include "tools/bwbatch/Console.h"
#include "tools/bwbatch/Inputs.h"
#include "tools/bwbatch/Outputs.h"
#include "tools/bwbatch/Progress.h"
#include "tools/bwbatch/Record.h"
#include "tools/bwoffice/ConsoleSummary.h"
#include "tools/bwoffice/Conversion.h"
#include "tools/cleanup/Cleanup.h"
#include "tools/cli/Runs.h"
#include "tools/deck/ExitStatus.h"
#include "tools/deckmodel/Text.h"

#include <cstdio>
#include <filesystem>

namespace cli {
namespace {

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

// The conversion, its failure told as the message it prints (without "bwpass: ").
bwbatch::FileResult RunSingle(const Args& args, bwoffice::ConversionOptions options, const bwbatch::BatchFile& file) {
    bwbatch::FileResult r;
    r.file = file;
    StageLine line(options.input, args.quiet);
    options.stage = [&line](const std::string& stage) { line.Show(stage); };
    bwoffice::TempFolder work;
    const std::unique_ptr<render::Session> session = RenderSession(args, work, 1);
    bwoffice::PassServer server(options.pass.extraArguments, args.passLimit);
    options.server = &server;
    options.pass.extraArguments.clear();  // the server has them
    bwbatch::Converting(r, [&] {
        r.summary = bwoffice::ConvertFile(options);
        r.status = r.summary.hostCallFailed ? bwpass::kExitHostCallFailed : bwpass::kExitOk;
    });
    line.Clear();
    return r;
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

// What a finished run prints: the record (--json), else the notes and the summary, or the message.
void Report(const Args& args, const bwoffice::ConversionOptions& options, const bwbatch::FileResult& r) {
    if (!r.message.empty()) std::fprintf(stderr, "bwpass: %s\n", r.message.c_str());
    if (!r.message.empty() && !args.json) return;
    if (!args.quiet)
        for (const std::string& n : r.summary.notes) std::fprintf(stderr, "bwpass: note: %s\n", n.c_str());
    if (args.json) PrintRecord(r);
    else if (!args.quiet || args.timings) std::fputs(bwoffice::SummaryText(options, r.summary, args.timings).c_str(), stdout);
}

}  // namespace

std::unique_ptr<render::Session> RenderSession(const Args& args, const bwoffice::TempFolder& work, size_t atOnce) {
    if (args.noRender || args.noReport) return nullptr;
    return std::make_unique<render::Session>(work.Path() + "/render", std::min(atOnce, Cores()));
}

void PrintRecord(const bwbatch::FileResult& r) {
    std::printf("%s\n", bwbatch::RecordJson(r, [](const std::string& path) { return path; }).c_str());
    std::fflush(stdout);
}

void PrintPlanned(const bwbatch::FileResult& r) {
    std::printf("%s\n", bwbatch::PlannedLine(r).c_str());
}

int ConvertSingle(const Args& args) {
    const std::string& input = args.inputs.front();
    // Told by its content; what is not converted is named before any output is looked at.
    const office::FileKind kind = office::IdentifyFile(input);
    bwbatch::BatchFile file;
    file.input = file.shown = input;
    file.kind = kind;
    if (office::FamilyOf(kind) == office::FileFamily::None) {
        bwbatch::FileResult refused;
        refused.file = file;
        refused.outcome = bwbatch::Outcome::kNotConverted;
        refused.status = bwpass::kExitBadInput;
        refused.message = office::DescribeRefusal(input, kind);
        std::fprintf(stderr, "bwpass: %s\n", refused.message.c_str());
        if (args.json) PrintRecord(refused);
        return refused.status;
    }
    bwoffice::ConversionOptions options;
    options.input = input;
    options.output = file.output = SingleOutput(args, kind);
    options.report = file.report = args.noReport ? std::string() : bwbatch::ReportBeside(options.output);
    if (args.pdf) options.pdf = file.pdf = bwbatch::PdfBeside(options.output);
    options.registered = args.registered;
    options.render = !args.noRender;
    // A long file's plain lines where there is no stage line (RunSingle) to show the same.
    options.progress = !args.quiet && !bwbatch::TerminalTakesControls();
    options.pass = PassOptionsOf(args);
    if (const int status = OutputProblem(options)) return status;
    bwbatch::FileResult planned;
    planned.file = file;
    planned.countsKnown = false;
    if (args.update && bwbatch::UpToDate(input, {file.output, file.report, file.pdf})) {
        planned.outcome = bwbatch::Outcome::kUpToDate;
        planned.summary.pdfWritten = !file.pdf.empty();
    } else if (args.dryRun) {
        planned.outcome = bwbatch::Outcome::kPlanned;
    }
    if (planned.outcome == bwbatch::Outcome::kUpToDate || args.dryRun) {
        if (args.json) PrintRecord(planned);
        else if (!args.quiet) args.dryRun ? PrintPlanned(planned) : (void)std::printf("bwpass: %s\n", bwbatch::FileLine(planned, 80).c_str());
        return bwpass::kExitOk;
    }
    bwbatch::MadeFolders folders({options.output, options.report, options.pdf});
    if (!folders.Problem().empty()) {
        folders.RemoveEmpty();
        std::fprintf(stderr, "bwpass: %s; nothing converted\n", folders.Problem().c_str());
        return bwpass::kExitCannotWrite;
    }
    std::vector<std::unique_ptr<cleanup::RemovedOnSignal>> partials;
    for (const std::string* out : {&options.output, &options.report, &options.pdf})
        if (!out->empty()) partials.push_back(std::make_unique<cleanup::RemovedOnSignal>(*out, cleanup::RemovedOnSignal::What::kPartials));
    const bwbatch::FileResult r = RunSingle(args, options, file);
    Report(args, options, r);
    if (r.outcome == bwbatch::Outcome::kNotConverted) folders.RemoveEmpty();
    return r.status;
}

}  // namespace cli
