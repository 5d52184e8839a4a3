// bwpass: runs the add-in host's black-and-white pass with QVCHBW01.dll over a deck file (or the
// built-in sample deck), writes the converted deck and an HTML report of every chart before and
// after. See docs/deck-format.md for the deck file and README.md for the command.
#include "tools/deck/Deck.h"
#include "tools/bwpass/HostPass.h"
#include "tools/report/Inventory.h"
#include "tools/report/Report.h"
#include "tools/deck/SampleDeck.h"
#include "tools/deck/Text.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

namespace {

using namespace bwpass;

// Exit codes.
constexpr int kOk = 0;
constexpr int kBadInput = 1;        // bad command line or deck: nothing written
constexpr int kCannotWrite = 2;     // an output file could not be written
constexpr int kNoPlugIn = 3;        // the plug-in could not be loaded or created: nothing written
constexpr int kHostCallFailed = 4;  // the pass ran and its outputs are written, but a call failed

const char* kUsage =
    "usage: bwpass [DECK.json] [options]\n"
    "\n"
    "Runs the presentation host's black-and-white print pass with QVCHBW01.dll over the\n"
    "OLE objects of DECK.json (without DECK: the built-in sample deck) and writes the\n"
    "converted deck and an HTML report with every chart before and after.\n"
    "\n"
    "  -o, --output FILE     converted deck (default: DECK.bw.json beside DECK;\n"
    "                        for the sample deck bwpass-out/sample-deck.bw.json)\n"
    "  -r, --report FILE     HTML report (default: DECK.report.html beside DECK;\n"
    "                        for the sample deck bwpass-out/sample-deck.report.html)\n"
    "      --dll FILE        the plug-in (default: QVCHBW01.dll beside bwpass.exe)\n"
    "      --registered      create the plug-in through the registry (CoCreateInstance);\n"
    "                        registers the DLL for the run when it is not registered\n"
    "      --excel-out-of-process\n"
    "                        run Excel's stand-in in a process of its own (QVSimExcelServer.exe,\n"
    "                        a local COM server), so that every call crosses processes\n"
    "      --no-plugin       draw the deck as it is, without the pass\n"
    "      --no-log          do not switch the plug-in's log on for the run\n"
    "      --draw-limit N    draw at most N charts in the report (default 300)\n"
    "      --check           read and check the deck only; write nothing\n"
    "      --write-sample F  write the built-in sample deck to F and stop\n"
    "      --copies N        with --write-sample: repeat the sample's objects N times\n"
    "                        (a large deck, to try the tool on thousands of charts)\n"
    "  -q, --quiet           print nothing but errors\n"
    "  -h, --help            this text\n"
    "\n"
    "Exit status: 0 done; 1 bad command line or deck (nothing written); 2 an output could\n"
    "not be written; 3 the plug-in could not be loaded (nothing written); 4 the pass ran and\n"
    "its outputs are written, but a host call failed or the plug-in left references behind.\n";

struct Args {
    std::wstring deck;
    std::wstring output, report, dll, writeSample;
    bool excelOutOfProcess = false;
    bool registered = false, noPlugin = false, noLog = false, check = false, quiet = false, help = false;
    size_t drawLimit = 300;
    size_t copies = 1;
};

[[noreturn]] void UsageError(const std::string& text) {
    std::fprintf(stderr, "bwpass: %s\n(bwpass --help lists the options)\n", text.c_str());
    std::exit(kBadInput);
}

size_t Count(const std::wstring& option, const std::wstring& n, long least) {
    wchar_t* end = nullptr;
    const long v = std::wcstol(n.c_str(), &end, 10);
    if (n.empty() || *end || v < least || v > 1000000)
        UsageError(Utf8(option) + " needs a number from " + std::to_string(least) + ", got " + Utf8(n));
    return static_cast<size_t>(v);
}

Args ParseArgs() {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<std::wstring> a(argv + 1, argv + argc);
    LocalFree(argv);
    Args args;
    for (size_t i = 0; i < a.size(); ++i) {
        const std::wstring& s = a[i];
        auto value = [&]() -> std::wstring {
            if (i + 1 >= a.size()) UsageError("option " + Utf8(s) + " needs a value");
            return a[++i];
        };
        if (s == L"-o" || s == L"--output") args.output = value();
        else if (s == L"-r" || s == L"--report") args.report = value();
        else if (s == L"--dll") args.dll = value();
        else if (s == L"--write-sample") args.writeSample = value();
        else if (s == L"--registered") args.registered = true;
        else if (s == L"--excel-out-of-process") args.excelOutOfProcess = true;
        else if (s == L"--no-plugin") args.noPlugin = true;
        else if (s == L"--no-log") args.noLog = true;
        else if (s == L"--check") args.check = true;
        else if (s == L"-q" || s == L"--quiet") args.quiet = true;
        else if (s == L"-h" || s == L"--help") args.help = true;
        else if (s == L"--draw-limit") args.drawLimit = Count(s, value(), 0);
        else if (s == L"--copies") args.copies = Count(s, value(), 1);
        else if (!s.empty() && s[0] == L'-') UsageError("unknown option " + Utf8(s));
        else if (args.deck.empty()) args.deck = s;
        else UsageError("more than one deck given: " + Utf8(args.deck) + " and " + Utf8(s));
    }
    return args;
}

std::wstring Stem(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"/\\");
    const size_t dot = path.find_last_of(L'.');
    if (dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash)) return path.substr(0, dot);
    return path;
}

std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH * 2];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    std::wstring p(path, n);
    return p.substr(0, p.find_last_of(L"\\/") + 1);
}

bool Write(const std::wstring& path, const std::string& text, const char* what) {
    std::string error;
    if (WriteWholeFile(path, text, error)) return true;
    std::fprintf(stderr, "bwpass: %s: cannot write the %s: %s\n", Utf8(path).c_str(), what, error.c_str());
    return false;
}

// Progress on stderr for large decks, at most a few times a second.
class Progress {
public:
    explicit Progress(bool on) : on_(on) {}
    ~Progress() { done(); }
    void operator()(size_t done, size_t all) {
        if (!on_) return;
        const DWORD now = GetTickCount();
        if (done < all && now - last_ < 250) return;
        last_ = now;
        std::fprintf(stderr, "\rbwpass: object %zu of %zu (%zu%%)", done, all, all ? done * 100 / all : 100);
        std::fflush(stderr);
        shown_ = true;
    }
    void done() {
        if (shown_) std::fputc('\n', stderr);
        shown_ = false;
    }

private:
    bool on_;
    bool shown_ = false;
    DWORD last_ = 0;
};

// The sample's objects n times over, each copy's names numbered.
Deck RepeatedSample(size_t n) {
    Deck deck = SampleDeck();
    if (n <= 1) return deck;
    Deck big;
    big.title = deck.title + L" (" + std::to_wstring(n) + L" copies)";
    for (size_t copy = 1; copy <= n; ++copy) {
        Deck one = SampleDeck();
        for (DeckObject& o : one.objects) {
            o.name = L"Copy " + std::to_wstring(copy) + L": " + o.name;
            big.objects.push_back(std::move(o));
        }
    }
    return big;
}

size_t ChartCount(const Deck& deck) {
    size_t n = 0;
    for (const DeckObject& o : deck.objects) {
        if (!o.excel) continue;
        for (const auto& wb : o.excel->application.workbooks)
            for (const auto& sheet : wb->sheets)
                n += sheet->kind == sim::SheetModel::Kind::ChartSheet ? 1 : sheet->chartObjects.size();
    }
    return n;
}

void PrintSummary(const PassResult& result, const std::wstring& output, const std::wstring& report) {
    const PassTotals t = Totals(result);
    std::printf("bwpass: %s\n", Utf8(result.deckTitle.empty() ? L"(untitled deck)" : result.deckTitle).c_str());
    std::printf("  deck:             %s\n", result.deckSource.c_str());
    std::printf("  plug-in:          %s (%s)\n", result.dll.c_str(), result.activation.c_str());
    std::printf("  objects offered:  %zu (accepted %zu, declined %zu)\n", t.offered, t.accepted, t.declined);
    std::printf("  charts converted: %zu (%zu on the shown sheets of accepted objects)\n", t.chartsChanged,
                t.chartsOnShownSheets);
    std::printf("  writes made:      %ld\n", t.writes);
    std::printf("  plug-in log:      %zu lines\n", result.logLines.size());
    if (t.failedCalls) std::printf("  FAILED CALLS:     %zu (see the report)\n", t.failedCalls);
    if (!output.empty()) std::printf("  converted deck:   %s\n", Utf8(output).c_str());
    std::printf("  report:           %s\n", Utf8(report).c_str());
}

int Run(const Args& args) {
    if (!args.writeSample.empty()) {
        return Write(args.writeSample, DeckToJson(RepeatedSample(args.copies)), "sample deck") ? kOk : kCannotWrite;
    }

    const bool sample = args.deck.empty();
    WIN32_FILE_ATTRIBUTE_DATA info{};
    const bool bigFile = !sample && GetFileAttributesExW(args.deck.c_str(), GetFileExInfoStandard, &info) &&
                         (info.nFileSizeHigh != 0 || info.nFileSizeLow > 20u * 1024 * 1024);
    if (bigFile && !args.quiet)
        std::fprintf(stderr, "bwpass: reading %s (%lu MB)\n", Utf8(args.deck).c_str(),
                     static_cast<unsigned long>(info.nFileSizeLow / (1024 * 1024) + info.nFileSizeHigh * 4096ul));
    Deck deck;
    try {
        deck = sample ? SampleDeck() : ReadDeckFile(args.deck);
    } catch (const DeckError& e) {
        std::fprintf(stderr, "bwpass: %s\n", e.what());
        return kBadInput;
    }
    if (args.check) {
        if (!args.quiet) std::printf("bwpass: %s: %zu objects, %zu charts: the deck is well-formed\n",
                                     Utf8(args.deck).c_str(), deck.objects.size(), ChartCount(deck));
        return kOk;
    }

    const std::wstring stem = sample ? L"bwpass-out/sample-deck" : Stem(args.deck);
    const std::wstring output = args.noPlugin ? L"" : (args.output.empty() ? stem + L".bw.json" : args.output);
    const std::wstring report = args.report.empty() ? stem + L".report.html" : args.report;
    if (!sample) {
        for (const std::wstring* out : {&output, &report})
            if (!out->empty() && SameFile(*out, args.deck)) {
                std::fprintf(stderr, "bwpass: %s: an output would overwrite the input deck; choose another name\n",
                             Utf8(*out).c_str());
                return kBadInput;
            }
    }
    if (!output.empty() && SameFile(output, report)) {
        std::fprintf(stderr, "bwpass: the converted deck and the report would be the same file\n");
        return kBadInput;
    }
    if (sample) CreateDirectoryW(L"bwpass-out", nullptr);

    PassResult result;
    result.deckSource = sample ? "the built-in sample deck (written to bwpass-out/sample-deck.json)" : Utf8(args.deck);
    result.outputDeck = Utf8(output);
    result.drawLimit = args.drawLimit;
    if (sample && !Write(stem + L".json", DeckToJson(deck), "sample deck")) return kCannotWrite;

    if (args.noPlugin) {
        DescribeWithoutPass(deck, result);
    } else {
        HostOptions options;
        options.dllPath = args.dll.empty() ? ProgramFolder() + L"QVCHBW01.dll" : args.dll;
        options.registered = args.registered;
        options.excelOutOfProcess = args.excelOutOfProcess;
        options.log = !args.noLog;
        const bool large = deck.objects.size() >= 100 || ChartCount(deck) >= 200;
        Progress progress(large && !args.quiet);
        options.progress = [&progress](size_t done, size_t all) { progress(done, all); };
        std::string error;
        if (!RunHostPass(deck, options, result, error)) {
            std::fprintf(stderr, "bwpass: %s\n", error.c_str());
            return kNoPlugIn;
        }
        progress.done();
        if (large && !args.quiet) std::fprintf(stderr, "bwpass: writing the converted deck and the report\n");
        if (!Write(output, DeckToJson(deck), "converted deck")) return kCannotWrite;
    }
    if (!Write(report, ReportHtml(result), "report")) return kCannotWrite;
    if (!args.quiet) PrintSummary(result, output, report);
    return Totals(result).failedCalls ? kHostCallFailed : kOk;
}

}  // namespace

int main() {
    // Plain LF line ends: the output goes to a Unix terminal or pipe through Wine.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    const Args args = ParseArgs();
    if (args.help) {
        std::fputs(kUsage, stdout);
        return kOk;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        std::fprintf(stderr, "bwpass: COM cannot be initialised\n");
        return kNoPlugIn;
    }
    int code;
    try {
        code = Run(args);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bwpass: %s\n", e.what());
        code = kBadInput;
    }
    CoUninitialize();
    return code;
}
