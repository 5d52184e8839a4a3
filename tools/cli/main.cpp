// The command line of ./bwpass (the binary is build/native/bwoffice; ./bwpass builds it and hands
// it every command line but the sample's). Files are told by their content:
//   FILE [-o OUT] [options]                  a presentation or workbook: STEM.bw.EXT (or OUT) and
//                                            STEM.report.html beside it
//   FILE|FOLDER... [-o DIR] [-j N] [options] a batch, with an index page
//   DECK.json [options]                      a deck file, through bwpass.exe under Wine
// The inputs are never written.
#include "tools/bwbatch/Progress.h"
#include "tools/bwoffice/Pass.h"
#include "tools/cleanup/Cleanup.h"
#include "tools/cli/Arguments.h"
#include "tools/cli/Runs.h"
#include "tools/deck/ExitStatus.h"
#include "tools/package/FileKind.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace {

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

bool IsBatch(const cli::Args& args) {
    std::error_code ec;
    return args.inputs.size() > 1 || std::filesystem::is_directory(args.inputs.front(), ec);
}

}  // namespace

int main(int argc, char** argv) {
    cleanup::OnSignals();
    if (IsDeckRun(argc, argv)) return RunDeck(argc, argv);
    const cli::Args args = cli::ParseArgs(argc, argv);
    if (args.version) {
        std::printf("bwpass %s (QVCHBW01.dll)\n", QV_VERSION);
        return bwpass::kExitOk;
    }
    if (args.help) {
        std::fputs(cli::HelpText().c_str(), stdout);
        return bwpass::kExitOk;
    }
    return IsBatch(args) ? cli::ConvertBatch(args) : cli::ConvertSingle(args);
}
