// bwpass: runs the add-in host's black-and-white pass with QVCHBW01.dll over a deck file (or the
// built-in sample deck), writes the converted deck and an HTML report of every chart before and
// after. See docs/deck-format.md for the deck file and README.md for the command.
#include "tools/deckmodel/Deck.h"
#include "tools/deck/DeckStream.h"
#include "tools/deck/ExitStatus.h"
#include "tools/bwpass/HostPass.h"
#include "tools/report/Inventory.h"
#include "tools/report/PassResultFile.h"
#include "tools/report/Report.h"
#include "tools/deck/SampleDeck.h"
#include "tools/deckmodel/Text.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace bwpass;

constexpr int kOk = kExitOk;
constexpr int kBadInput = kExitBadInput;            // a bad deck: nothing written
constexpr int kBadUsage = kExitUsage;              // bad command line: nothing written
constexpr int kCannotWrite = kExitCannotWrite;      // an output file could not be written
constexpr int kNoPlugIn = kExitNoPass;              // the plug-in could not be loaded: nothing written
constexpr int kHostCallFailed = kExitHostCallFailed;  // the outputs are written, but a call failed

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
    "      --no-report       write no report\n"
    "      --pass-result F   also write what the pass did as JSON, for a program that\n"
    "                        writes the report itself (tools/report/PassResultFile.h)\n"
    "      --check           read and check the deck only; write nothing\n"
    "      --write-sample F  write the built-in sample deck to F and stop\n"
    "      --copies N        with --write-sample: repeat the sample's objects N times\n"
    "                        (a large deck, to try the tool on thousands of charts)\n"
    "      --serve           run one pass after another under this one start: each line\n"
    "                        of stdin holds the arguments of one run, separated by tabs;\n"
    "                        each run is answered with a line \"bwpass-done STATUS\"\n"
    "                        on stdout (the options given with --serve come first)\n"
    "  -q, --quiet           print nothing but errors\n"
    "  -h, --help            this text\n"
    "\n";

struct Args {
    std::wstring deck;
    std::wstring output, report, dll, writeSample, passResult;
    bool excelOutOfProcess = false;
    bool registered = false, noPlugin = false, noLog = false, check = false, quiet = false, help = false;
    bool noReport = false, serve = false;
    size_t drawLimit = 300;
    size_t copies = 1;
};

// A bad command line; under --serve it fails that one run, not the server.
struct UsageFailure {};

[[noreturn]] void UsageError(const std::string& text) {
    std::fprintf(stderr, "bwpass: %s\n(bwpass --help lists the options)\n", text.c_str());
    throw UsageFailure{};
}

size_t Count(const std::wstring& option, const std::wstring& n, long least) {
    wchar_t* end = nullptr;
    const long v = std::wcstol(n.c_str(), &end, 10);
    if (n.empty() || *end || v < least || v > 1000000)
        UsageError(Utf8(option) + " needs a number from " + std::to_string(least) + ", got " + Utf8(n));
    return static_cast<size_t>(v);
}

std::vector<std::wstring> CommandLine() {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<std::wstring> a(argv + 1, argv + argc);
    LocalFree(argv);
    return a;
}

Args ParseArgs(const std::vector<std::wstring>& a) {
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
        else if (s == L"--pass-result") args.passResult = value();
        else if (s == L"--no-report") args.noReport = true;
        else if (s == L"--serve") args.serve = true;
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

// Progress on stderr for large decks, at most a few times a second: one line rewritten in place,
// or with QV_PLAIN_PROGRESS set (./bwpass sets it without a terminal, or with TERM=dumb) a plain
// line every few seconds.
class Progress {
public:
    explicit Progress(bool on) : on_(on), plain_(std::getenv("QV_PLAIN_PROGRESS") != nullptr) {}
    ~Progress() { done(); }
    void operator()(size_t done, size_t all) {
        if (!on_) return;
        const DWORD now = GetTickCount();
        if (done < all && now - last_ < (plain_ ? 5000u : 250u)) return;
        last_ = now;
        if (plain_) {
            std::fprintf(stderr, "bwpass: object %zu of %zu (%zu%%)\n", done, all, all ? done * 100 / all : 100);
            return;
        }
        std::fprintf(stderr, "\rbwpass: object %zu of %zu (%zu%%)", done, all, all ? done * 100 / all : 100);
        std::fflush(stderr);
        shown_ = true;
    }
    void done() {
        if (shown_) std::fputc('\n', stderr);
        shown_ = false;
    }

private:
    bool on_, plain_;
    bool shown_ = false;
    DWORD last_ = 0;
};

// The sample's objects n times over, each copy's names numbered, written one object at a time.
bool WriteSample(const std::wstring& path, size_t n) {
    const Deck sample = SampleDeck();
    DeckWriter writer(path, n <= 1 ? sample.title : sample.title + L" (" + std::to_wstring(n) + L" copies)");
    if (writer.Open()) {
        for (size_t copy = 1; copy <= n; ++copy)
            for (DeckObject& o : SampleDeck().objects) {
                if (n > 1) o.name = L"Copy " + std::to_wstring(copy) + L": " + o.name;
                writer.Add(o);
            }
        if (writer.Finish()) return true;
    }
    std::fprintf(stderr, "bwpass: %s: cannot write the sample deck: %s\n", Utf8(path).c_str(), writer.error().c_str());
    return false;
}

size_t ChartCount(const DeckObject& o) {
    size_t n = 0;
    if (!o.excel) return 0;
    for (const auto& wb : o.excel->application.workbooks)
        for (const auto& sheet : wb->sheets)
            n += sheet->kind == sim::SheetModel::Kind::ChartSheet ? 1 : sheet->chartObjects.size();
    return n;
}

// What the first reading of the deck found: it is well-formed, and this large.
struct DeckSize {
    std::wstring title;
    size_t objects = 0, charts = 0;
};

DeckSize CheckDeck(const std::wstring& path) {
    DeckSize size;
    ReadDeckObjects(path, [&](const std::wstring& title) { size.title = title; },
                    [&](DeckObject&& o) {
                        ++size.objects;
                        size.charts += ChartCount(o);
                    });
    return size;
}

void PrintSummary(const PassResult& result, const PassTotals& t, const std::wstring& output, const std::wstring& report,
                  const std::wstring& passResult) {
    std::printf("bwpass: %s\n", Utf8(result.deckTitle.empty() ? L"(untitled deck)" : result.deckTitle).c_str());
    std::printf("  deck:             %s\n", result.deckSource.c_str());
    std::printf("  plug-in:          %s (%s)\n", result.dll.c_str(), result.activation.c_str());
    std::printf("  objects offered:  %zu (accepted %zu, declined %zu)\n", t.offered, t.accepted, t.declined);
    std::printf("  charts converted: %zu (%zu on the shown sheets of accepted objects), %zu properties changed\n",
                t.chartsChanged, t.chartsOnShownSheets, t.propertiesChanged);
    std::printf("  look-alike series: %zu charts\n", t.legibility.chartsWithLookAlikes);
    std::printf("  vanishing text:   %zu charts\n", t.legibility.chartsWithVanishingText);
    std::printf("  writes made:      %ld (the plug-in's writing calls into Excel)\n", t.writes);
    std::printf("  plug-in log:      %zu lines\n", result.logLines.size());
    if (t.failedCalls) std::printf("  FAILED CALLS:     %zu (see the report)\n", t.failedCalls);
    if (!output.empty()) std::printf("  converted deck:   %s\n", Utf8(output).c_str());
    if (!passResult.empty()) std::printf("  pass result:      %s\n", Utf8(passResult).c_str());
    if (!report.empty()) std::printf("  report:           %s\n", Utf8(report).c_str());
}

// The outputs of a run, each written as the objects come and renamed into place at the end.
struct Outputs {
    std::unique_ptr<DeckWriter> deck;
    std::unique_ptr<ReportWriter> report;
    std::unique_ptr<PassResultWriter> passResult;
    PassTotals totals;

    void add(const DeckObject& o, const ObjectResult& r) {
        if (deck) deck->Add(o);
        if (report) report->Add(r);
        if (passResult) passResult->Add(r);
        AddToTotals(totals, r);
    }
};

bool CannotWrite(const std::wstring& path, const char* what, const std::string& error) {
    std::fprintf(stderr, "bwpass: %s: cannot write the %s: %s\n", Utf8(path).c_str(), what, error.c_str());
    return false;
}

bool OpenOutputs(Outputs& out, const std::wstring& output, const std::wstring& report, const std::wstring& passResult,
                 const PassResult& result) {
    if (!output.empty()) {
        out.deck = std::make_unique<DeckWriter>(output, result.deckTitle);
        if (!out.deck->Open()) return CannotWrite(output, "converted deck", out.deck->error());
    }
    if (!report.empty()) {
        out.report = std::make_unique<ReportWriter>(report, result.drawLimit);
        if (!out.report->Open()) return CannotWrite(report, "report", out.report->error());
    }
    if (!passResult.empty()) {
        out.passResult = std::make_unique<PassResultWriter>(passResult);
        if (!out.passResult->Open(result)) return CannotWrite(passResult, "pass result", out.passResult->error());
    }
    return true;
}

bool FinishOutputs(Outputs& out, const std::wstring& output, const std::wstring& report, const std::wstring& passResult,
                   const PassResult& result) {
    for (const HostCall& c : result.hostCalls) out.totals.failedCalls += c.failed ? 1 : 0;
    if (out.deck && !out.deck->Finish()) return CannotWrite(output, "converted deck", out.deck->error());
    if (out.passResult && !out.passResult->Finish(result))
        return CannotWrite(passResult, "pass result", out.passResult->error());
    if (out.report && !out.report->Finish(result)) return CannotWrite(report, "report", out.report->error());
    return true;
}

int Run(const Args& args) {
    if (!args.writeSample.empty()) return WriteSample(args.writeSample, args.copies) ? kOk : kCannotWrite;

    const bool sample = args.deck.empty();
    const std::wstring stem = sample ? L"bwpass-out/sample-deck" : Stem(args.deck);
    const std::wstring deckPath = sample ? stem + L".json" : args.deck;
    WIN32_FILE_ATTRIBUTE_DATA info{};
    const bool bigFile = !sample && GetFileAttributesExW(args.deck.c_str(), GetFileExInfoStandard, &info) &&
                         (info.nFileSizeHigh != 0 || info.nFileSizeLow > 20u * 1024 * 1024);
    if (bigFile && !args.quiet)
        std::fprintf(stderr, "bwpass: reading %s (%lu MB)\n", Utf8(args.deck).c_str(),
                     static_cast<unsigned long>(info.nFileSizeLow / (1024 * 1024) + info.nFileSizeHigh * 4096ul));
    // The deck is read twice: once to refuse a bad deck before anything is written and to count
    // its objects for the progress, then object by object through the pass.
    DeckSize size;
    if (sample) {
        const Deck deck = SampleDeck();
        size.title = deck.title;
        size.objects = deck.objects.size();
        for (const DeckObject& o : deck.objects) size.charts += ChartCount(o);
    } else {
        try {
            size = CheckDeck(deckPath);
        } catch (const DeckError& e) {
            std::fprintf(stderr, "bwpass: %s\n", e.what());
            return kBadInput;
        }
    }
    if (args.check) {
        if (!args.quiet) std::printf("bwpass: %s: %zu objects, %zu charts: the deck is well-formed\n",
                                     Utf8(args.deck).c_str(), size.objects, size.charts);
        return kOk;
    }

    const std::wstring output = args.noPlugin ? L"" : (args.output.empty() ? stem + L".bw.json" : args.output);
    const std::wstring report = args.noReport ? L"" : (args.report.empty() ? stem + L".report.html" : args.report);
    const std::wstring& passResult = args.passResult;
    const std::wstring* outputs[] = {&output, &report, &passResult};
    if (!sample) {
        for (const std::wstring* out : outputs)
            if (!out->empty() && SameFile(*out, args.deck)) {
                std::fprintf(stderr, "bwpass: %s: an output would overwrite the input deck; choose another name\n",
                             Utf8(*out).c_str());
                return kBadUsage;
            }
    }
    for (size_t i = 0; i < 3; ++i)
        for (size_t j = 0; j < i; ++j)
            if (!outputs[i]->empty() && !outputs[j]->empty() && SameFile(*outputs[i], *outputs[j])) {
                if (i == 1 && j == 0) std::fprintf(stderr, "bwpass: the converted deck and the report would be the same file\n");
                else std::fprintf(stderr, "bwpass: %s: two outputs would be the same file\n", Utf8(*outputs[i]).c_str());
                return kBadUsage;
            }
    if (sample) {
        CreateDirectoryW(L"bwpass-out", nullptr);
        if (!WriteSample(deckPath, 1)) return kCannotWrite;
    }

    PassResult result;
    result.deckTitle = size.title;
    result.deckSource = sample ? "the built-in sample deck (written to bwpass-out/sample-deck.json)" : Utf8(args.deck);
    result.outputDeck = Utf8(output);
    result.drawLimit = args.drawLimit;

    HostPass pass;
    if (args.noPlugin) {
        DescribeNoPlugIn(result);
    } else {
        HostOptions options;
        options.dllPath = args.dll.empty() ? ProgramFolder() + L"QVCHBW01.dll" : args.dll;
        options.registered = args.registered;
        options.excelOutOfProcess = args.excelOutOfProcess;
        options.log = !args.noLog;
        std::string error;
        if (!pass.Start(options, result, error)) {
            std::fprintf(stderr, "bwpass: %s\n", error.c_str());
            return kNoPlugIn;
        }
    }
    Outputs out;
    if (!OpenOutputs(out, output, report, passResult, result)) return kCannotWrite;

    const bool large = size.objects >= 100 || size.charts >= 200;
    Progress progress(large && !args.quiet);
    DeckObjectReader reader(deckPath);
    DeckObject o;
    for (size_t done = 0; reader.Next(o); o = DeckObject{}) {
        const ObjectResult r = args.noPlugin ? DescribeUnconverted(o) : pass.Offer(o, result);
        out.add(o, r);
        progress(++done, size.objects);
    }
    progress.done();
    if (!args.noPlugin) pass.Finish(result);
    if (large && !args.quiet) std::fprintf(stderr, "bwpass: writing the converted deck and the report\n");
    if (!FinishOutputs(out, output, report, passResult, result)) return kCannotWrite;
    if (!args.quiet) PrintSummary(result, out.totals, output, report, passResult);
    return out.totals.failedCalls ? kHostCallFailed : kOk;
}

}  // namespace

// One run, with what it may throw turned into its exit status.
int RunGuarded(const std::vector<std::wstring>& arguments) {
    try {
        const Args args = ParseArgs(arguments);
        if (args.help) {
            std::fputs(kUsage, stdout);
            std::fputs(kExitStatusHelp, stdout);
            return kOk;
        }
        if (args.serve) UsageError("--serve is an option of the server's command line, not of a run");
        return Run(args);
    } catch (const UsageFailure&) {
        return kBadUsage;
    } catch (const DeckError& e) {
        // The deck changed between its first reading and the pass: nothing is written.
        std::fprintf(stderr, "bwpass: %s\n", e.what());
        return kBadInput;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bwpass: %s\n", e.what());
        return kBadInput;
    }
}

std::vector<std::wstring> SplitTabs(const std::string& line) {
    std::vector<std::wstring> fields;
    size_t start = 0;
    for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
        fields.push_back(Wide(line.substr(start, tab - start)));
    fields.push_back(Wide(line.substr(start)));
    return fields;
}

// Many runs under one start of Wine and one COM initialisation: a run per line of stdin, each
// answered on stdout once its outputs are complete. Each run loads and unloads the plug-in as a
// run of its own does, so that one deck's pass never sees another's state.
int Serve(const std::vector<std::wstring>& base) {
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        std::vector<std::wstring> arguments = base;
        for (std::wstring& a : SplitTabs(line)) arguments.push_back(std::move(a));
        const int code = RunGuarded(arguments);
        std::fflush(stderr);
        std::printf("bwpass-done %d\n", code);
        std::fflush(stdout);
    }
    return kOk;
}

int main() {
    // Plain LF line ends: the output goes to a Unix terminal or pipe through Wine.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);
    std::vector<std::wstring> arguments = CommandLine();
    bool serve = false;
    for (auto it = arguments.begin(); it != arguments.end();)
        if (*it == L"--serve") {
            serve = true;
            it = arguments.erase(it);
        } else {
            ++it;
        }
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        std::fprintf(stderr, "bwpass: COM cannot be initialised\n");
        return kNoPlugIn;
    }
    const int code = serve ? Serve(arguments) : RunGuarded(arguments);
    CoUninitialize();
    return code;
}
