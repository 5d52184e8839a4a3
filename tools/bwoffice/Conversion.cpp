#include "tools/bwoffice/Conversion.h"

#include "tools/bwoffice/WriteBack.h"
#include "tools/deck/Text.h"
#include "tools/report/Report.h"

#include <chrono>
#include <cstdio>
#include <cwctype>

namespace bwoffice {

namespace {

using bwpass::Utf8;
using bwpass::Wide;
using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

std::string Leaf(const std::string& path) { return path.substr(path.rfind('/') + 1); }

size_t ChartsOf(const office::OfficeObject& o) { return o.charts.size(); }

// The plug-in's own rule for HandleObject (an Excel ProgID and bit 512), so that the report can
// count what was accepted without the pass's own record of its calls.
bool Accepts(const bwpass::DeckObject& o) {
    std::wstring upper = o.progId;
    for (wchar_t& c : upper) c = static_cast<wchar_t>(std::towupper(c));
    return upper.find(L"EXCEL") != std::wstring::npos && (o.bwFlagSet & 512) != 0;
}

const sim::WorkbookModel* Workbook(const bwpass::DeckObject& o) {
    if (!o.excel) return nullptr;
    const auto& books = o.excel->application.workbooks;
    const int i = o.excel->embeddedWorkbook;
    return i >= 0 && i < static_cast<int>(books.size()) ? books[static_cast<size_t>(i)].get() : nullptr;
}

bwpass::ObjectResult DescribeObject(const std::string& file, const office::OfficeObject& record,
                                    const bwpass::DeckObject& before, const bwpass::DeckObject& after) {
    bwpass::ObjectResult o;
    o.name = before.name;
    o.progId = before.progId;
    o.bwFlagSet = before.bwFlagSet;
    o.hasWorkbook = before.excel.has_value();
    if (before.excel) o.excelVersion = before.excel->application.version;
    o.accepted = Accepts(before);
    const sim::WorkbookModel* b = Workbook(before);
    const sim::WorkbookModel* a = Workbook(after);
    if (!b || !a) return o;
    const std::wstring shown = b->activeSheet >= 0 && b->activeSheet < static_cast<int>(b->sheets.size())
                                   ? b->sheets[static_cast<size_t>(b->activeSheet)]->name
                                   : std::wstring();
    for (const office::ChartLocation& l : record.charts) {
        const sim::ChartModel* cb = office::FindChart(*b, l);
        const sim::ChartModel* ca = office::FindChart(*a, l);
        if (!cb || !ca) continue;
        bwpass::ChartResult c;
        c.place = file + " \u203A " + record.where + " \u203A " + Utf8(l.sheet) +
                  (l.chartObject >= 0 ? " \u203A " + Utf8(cb->name) : std::string());
        c.onShownSheet = l.sheet == shown;
        c.before = *cb;
        c.after = *ca;
        c.changes = bwpass::ChartChanges(*cb, *ca);
        o.charts.push_back(std::move(c));
    }
    return o;
}

std::string ReportText(const ConversionOptions& options, const std::vector<office::OfficeObject>& records,
                       const bwpass::Deck& before, const bwpass::Deck& after, const ConversionSummary& summary) {
    bwpass::PassResult r;
    r.deckTitle = before.title;
    r.deckSource = options.input;
    r.outputDeck = options.output;
    r.dll = "QVCHBW01.dll, through bwpass.exe under Wine";
    r.activation = options.registered ? "through the registry (CoCreateInstance)"
                                      : "registration-free: LoadLibrary and DllGetClassObject";
    for (size_t i = 0; i < records.size() && i < after.objects.size(); ++i)
        r.objects.push_back(DescribeObject(Leaf(options.input), records[i], before.objects[i], after.objects[i]));
    r.logNote = "What the conversion of the file noticed: charts left unchanged because they cannot be "
                "modelled, and previews that were kept.";
    for (const office::UnmodelledChart& u : summary.unmodelled)
        r.logLines.push_back("not converted: " + u.where + ": " + u.reason);
    for (const std::string& n : summary.notes) r.logLines.push_back(n);
    return bwpass::ReportHtml(r);
}

// Progress on stderr for long files: a line every 50 objects.
void Progress(const ConversionOptions& options, const char* what, size_t n) {
    if (options.progress && n % 50 == 0) std::fprintf(stderr, "bwoffice: %s %zu objects\n", what, n);
}

}  // namespace

ConversionSummary ConvertFile(const ConversionOptions& options) {
    ConversionSummary summary;
    auto start = Clock::now();
    const office::Package package = office::Package::OpenFile(options.input);
    bwpass::Deck before;
    before.title = Wide(Leaf(options.input));
    std::vector<office::OfficeObject> records;
    office::DocumentVisitor visitor;
    visitor.object = [&](office::OfficeObject&& o) {
        summary.charts += ChartsOf(o);
        if (o.deck.excel) ++summary.excelObjects;
        before.objects.push_back(std::move(o.deck));
        o.deck = {};
        records.push_back(std::move(o));
        Progress(options, "read", records.size());
    };
    visitor.unmodelled = [&](const office::UnmodelledChart& u) { summary.unmodelled.push_back(u); };
    office::WalkDocument(package, visitor);
    summary.objects = before.objects.size();

    TempFolder work;
    std::string error;
    const std::string deckPath = work.Path() + "/deck.json", convertedPath = work.Path() + "/converted.json";
    if (!bwpass::WriteWholeFile(Wide(deckPath), bwpass::DeckToJson(before), error))
        throw PassError("the deck for the pass cannot be written to " + deckPath + ": " + error);
    summary.timings.read = Since(start);

    start = Clock::now();
    bwpass::Deck after;
    if (!before.objects.empty()) {
        if (options.progress && summary.objects >= 50)
            std::fprintf(stderr, "bwoffice: the pass over %zu objects\n", summary.objects);
        // bwpass.exe's own report lacks what only this side knows; it goes to the work folder.
        std::vector<std::string> arguments = {WinePath(deckPath), "-o", WinePath(convertedPath), "-r",
                                              WinePath(work.Path() + "/pass.report.html"), "-q"};
        arguments.insert(arguments.end(), options.pass.extraArguments.begin(), options.pass.extraArguments.end());
        const int status = RunPass(arguments, error);
        if (status < 0) throw PassError(error);
        if (status == 4) summary.notes.push_back("the pass reported a failed host call (see bwpass.exe's own report)");
        else if (status != 0) throw PassError("the pass failed (bwpass.exe exit status " + std::to_string(status) + ")");
        try {
            after = bwpass::ReadDeckFile(Wide(convertedPath));
        } catch (const bwpass::DeckError& e) {
            throw PassError(std::string("the converted deck cannot be read: ") + e.what());
        }
        if (after.objects.size() != before.objects.size())
            throw PassError("the converted deck has " + std::to_string(after.objects.size()) + " objects, not " +
                            std::to_string(before.objects.size()));
    }
    summary.timings.pass = Since(start);

    start = Clock::now();
    WriteBack writeBack(package, work.Path(), false);
    for (size_t i = 0; i < records.size() && i < after.objects.size(); ++i)
        writeBack.Object(i, records[i], before.objects[i], after.objects[i]);
    WriteBackResult& written = writeBack.Result();
    summary.chartsRewritten = written.chartsRewritten;
    summary.propertiesWritten = written.propertiesWritten;
    summary.notes.insert(summary.notes.end(), written.notes.begin(), written.notes.end());
    summary.timings.render = written.renderSeconds;
    if (options.progress && summary.objects >= 50) std::fprintf(stderr, "bwoffice: writing %s\n", options.output.c_str());
    package.Write(options.output, written.parts, written.partFiles);
    if (!bwpass::WriteWholeFile(Wide(options.report), ReportText(options, records, before, after, summary), error))
        throw std::runtime_error(options.report + ": the report cannot be written: " + error);
    summary.timings.write = Since(start) - summary.timings.render;
    return summary;
}

}  // namespace bwoffice
