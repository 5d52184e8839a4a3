#include "tools/cli/Arguments.h"

#include "tools/bwoffice/Pass.h"
#include "tools/deck/ExitStatus.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace cli {
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
    "                      the index goes into the folder that holds them all when\n"
    "                      you named it or it is below the current folder, else into\n"
    "                      the current folder). Missing folders are made\n"
    "  -j, --jobs N        convert N files at once (default, and 0: one per core)\n"
    "      --pdf           also write STEM.bw.pdf: the converted file as LibreOffice prints it\n"
    "                      (every slide; every sheet that holds a chart), and show each slide\n"
    "                      or sheet that holds a chart in the report, before and after\n"
    "      --no-render     reports without LibreOffice's pictures of the charts (faster)\n"
    "      --no-report     write no reports\n"
    "  -u, --update        leave alone each file whose outputs are there and not\n"
    "                      older than it (as cp -u and make do): a rerun resumes\n"
    "      --dry-run       list what would be converted and where the outputs\n"
    "                      would go; convert nothing\n"
    "      --json          one JSON object per file on stdout (README: \"For\n"
    "                      pipelines\")\n"
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

}  // namespace

void UsageError(const std::string& text) {
    std::fprintf(stderr, "bwpass: %s\n(bwpass --help lists the options)\n", text.c_str());
    std::exit(bwpass::kExitUsage);
}

size_t Cores() { return std::max(1u, std::thread::hardware_concurrency()); }

namespace {

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

}  // namespace

Args ParseArgs(int argc, char** argv) {
    Args args;
    args.passLimit = bwoffice::kPassLimitSeconds;
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
        else if (s == "-u" || s == "--update") args.update = true;
        else if (s == "--json") args.json = true;
        else if (s == "--dry-run") args.dryRun = true;
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

std::string HelpText() { return std::string(kHelp) + bwpass::kExitStatusHelp; }

}  // namespace cli
