// The command line of ./bwpass for Office files and batches: the options, their checks and the
// help text. A bad command line ends the program with status 2 and nothing written.
#pragma once

#include "tools/bwoffice/Pass.h"

#include <string>
#include <vector>

namespace cli {

struct Args {
    std::vector<std::string> inputs;
    std::string output;
    size_t jobs = 0;
    bool registered = false, outOfProcess = false, timings = false, quiet = false, help = false, version = false;
    bool noRender = false, noReport = false, pdf = false;
    bool update = false;  // -u: leave files whose outputs are up to date
    bool json = false;    // a JSON object per file on stdout
    bool dryRun = false;  // say what would be converted, and where to; convert nothing
    double passLimit = 0;
};

Args ParseArgs(int argc, char** argv);

// "bwpass: TEXT", the hint at --help, and status 2.
[[noreturn]] void UsageError(const std::string& text);

// The help text, exit statuses included.
std::string HelpText();

size_t Cores();

// The pass's own options that the command line gives (--registered, --excel-out-of-process).
bwoffice::PassOptions PassOptionsOf(const Args& args);

}  // namespace cli
