// The conversion with the deck streamed both ways, so that memory is bounded by the largest
// object: the deck is written object by object while the file is walked, bwpass.exe reads and
// writes it one object at a time, and the two decks are read back in step for the write-back.
// The report is written from the pass result file, the two decks, LibreOffice's pictures of each
// chart before and after and what could not be modelled.
// Built instead of Conversion.cpp where the streamed deck files (tools/deck/DeckStream.h) and the
// report from files (tools/report/ReportFromFiles.h) are in the tree.
#include "tools/bwoffice/Conversion.h"

#include "tools/bwoffice/Pages.h"
#include "tools/bwoffice/WriteBack.h"
#include "tools/deck/DeckStream.h"
#include "tools/deck/Text.h"
#include "tools/report/ReportFromFiles.h"

#include "tools/render/Render.h"

#include <unistd.h>

#include <filesystem>

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace bwoffice {

namespace {

using bwpass::Wide;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

std::string Leaf(const std::string& path) { return path.substr(path.rfind('/') + 1); }

std::string ReadFile(const std::string& path) {
    std::string contents, error;
    bwpass::ReadWholeFile(Wide(path), contents, error);
    return contents;
}

void Progress(const ConversionOptions& options, const char* what, size_t n) {
    if (options.progress && n % 50 == 0) std::fprintf(stderr, "bwoffice: %s %zu objects\n", what, n);
}

struct Files {
    explicit Files(const std::string& folder)
        : deck(folder + "/deck.json"), converted(folder + "/converted.json"), result(folder + "/pass-result.json"),
          pictures(folder + "/pictures") {}
    std::string deck, converted, result, pictures;
};

// Walks the file and writes the deck; returns what each object's charts came from.
std::vector<office::OfficeObject> WriteDeck(const office::Package& package, const ConversionOptions& options,
                                            const Files& files, ConversionSummary& summary) {
    bwpass::DeckWriter writer(Wide(files.deck), Wide(Leaf(options.input)));
    if (!writer.Open()) throw PassError("the deck for the pass cannot be written: " + writer.error());
    std::vector<office::OfficeObject> records;
    office::DocumentVisitor visitor;
    visitor.object = [&](office::OfficeObject&& o) {
        summary.charts += o.charts.size();
        if (o.deck.excel) ++summary.excelObjects;
        writer.Add(o.deck);
        o.deck = {};
        records.push_back(std::move(o));
        Progress(options, "read", records.size());
    };
    visitor.unmodelled = [&](const office::UnmodelledChart& u) { summary.unmodelled.push_back(u); };
    office::WalkDocument(package, visitor);
    if (!writer.Finish()) throw PassError("the deck for the pass cannot be written: " + writer.error());
    summary.objects = records.size();
    return records;
}

void RunThePass(const ConversionOptions& options, const Files& files, ConversionSummary& summary) {
    if (options.progress && summary.objects >= 50)
        std::fprintf(stderr, "bwoffice: the pass over %zu objects\n", summary.objects);
    std::vector<std::string> arguments = {WinePath(files.deck), "-o", WinePath(files.converted), "--pass-result",
                                          WinePath(files.result), "--no-report", "-q"};
    arguments.insert(arguments.end(), options.pass.extraArguments.begin(), options.pass.extraArguments.end());
    std::string error;
    const int status = RunPass(arguments, error);
    if (status < 0) throw PassError(error);
    if (status == 4) summary.notes.push_back("the pass reported a failed host call (see the report)");
    else if (status != 0) throw PassError("the pass failed (bwpass.exe exit status " + std::to_string(status) + ")");
}

// The two decks in step, object by object into the write-back.
void WriteBackObjects(const std::vector<office::OfficeObject>& records, const Files& files, WriteBack& writeBack) {
    try {
        bwpass::DeckObjectReader before(Wide(files.deck)), after(Wide(files.converted));
        bwpass::DeckObject b, a;
        for (size_t i = 0; i < records.size(); ++i) {
            if (!before.Next(b) || !after.Next(a))
                throw PassError("the converted deck has fewer objects than the deck (" + std::to_string(records.size()) + ")");
            writeBack.Object(i, records[i], b, a);
        }
        if (after.Next(a)) throw PassError("the converted deck has more objects than the deck");
    } catch (const bwpass::DeckError& e) {
        throw PassError(std::string("the converted deck cannot be read: ") + e.what());
    }
}

// LibreOffice's pictures of every chart before and after, in runs of a bounded number of
// charts (each run holds its charts' parts in memory).
bwpass::ReportExtras DrawCharts(const std::vector<ChartToDraw>& charts, const std::string& folder) {
    bwpass::ReportExtras extras;
    constexpr size_t kRun = 100;
    for (size_t first = 0; first < charts.size(); first += kRun) {
        std::vector<render::ChartToRender> run;
        for (size_t i = first; i < charts.size() && i < first + kRun; ++i) {
            const ChartToDraw& c = charts[i];
            const std::string stem = folder + "/" + std::to_string(c.object) + "-" + std::to_string(c.chart);
            bwpass::ChartExtras& e = extras.charts[{c.object, c.chart}];
            e.renderBefore = stem + "-before.png";
            e.renderAfter = c.afterFile.empty() ? e.renderBefore : stem + "-after.png";
            const std::string theme = c.themeFile.empty() ? std::string() : ReadFile(c.themeFile);
            run.push_back({ReadFile(c.beforeFile), theme, e.renderBefore});
            if (!c.afterFile.empty()) run.push_back({ReadFile(c.afterFile), theme, e.renderAfter});
        }
        std::vector<std::string> problems = render::RenderCharts(run, folder + "/work");
        extras.renderNotes.insert(extras.renderNotes.end(), problems.begin(), problems.end());
        // Without LibreOffice nothing is drawn and the one line saying so is enough.
        if (std::none_of(run.begin(), run.end(), [](const render::ChartToRender& c) {
                return access(c.outputPng.c_str(), F_OK) == 0;
            }))
            break;
    }
    return extras;
}

}  // namespace

ConversionSummary ConvertFile(const ConversionOptions& options) {
    ConversionSummary summary;
    auto start = Clock::now();
    const office::Package package = office::Package::OpenFile(options.input);
    TempFolder work;
    const Files files(work.Path());
    const std::vector<office::OfficeObject> records = WriteDeck(package, options, files, summary);
    summary.timings.read = Since(start);

    start = Clock::now();
    RunThePass(options, files, summary);
    summary.timings.pass = Since(start);

    start = Clock::now();
    WriteBack writeBack(package, work.Path(), true);
    WriteBackObjects(records, files, writeBack);
    WriteBackResult& written = writeBack.Result();
    summary.chartsRewritten = written.chartsRewritten;
    summary.propertiesWritten = written.propertiesWritten;
    summary.previewsLeftInColour = written.previewsLeftInColour;
    summary.notes.insert(summary.notes.end(), written.notes.begin(), written.notes.end());
    if (options.progress && summary.objects >= 50) std::fprintf(stderr, "bwoffice: writing %s\n", options.output.c_str());
    package.Write(options.output, written.parts, written.partFiles);
    written.parts.clear();
    summary.timings.write = Since(start) - written.renderSeconds;

    start = Clock::now();
    if (options.progress && written.charts.size() >= 50)
        std::fprintf(stderr, "bwoffice: drawing %zu charts with LibreOffice\n", written.charts.size());
    bwpass::ReportExtras extras = DrawCharts(written.charts, files.pictures);
    // Printing whole files costs LibreOffice runs of their own: with the print-ready output only.
    if (!options.pdf.empty()) {
        PagesRequest pagesRequest{options.input, options.output, options.pdf, files.pictures + "/pages"};
        fs::create_directories(pagesRequest.folder);
        PagesResult pages = PrintPages(package, pagesRequest, records);
        extras.pages = std::move(pages.pages);
        summary.pdfWritten = pages.pdfWritten;
        extras.renderNotes.insert(extras.renderNotes.end(), pages.notes.begin(), pages.notes.end());
        if (!pages.pdfWritten)
            summary.notes.push_back(options.pdf + ": not written: LibreOffice could not print the converted file");
    }
    summary.timings.render = Since(start) + written.renderSeconds;
    for (const office::UnmodelledChart& u : summary.unmodelled)
        extras.renderNotes.push_back("left unchanged, not modelled: " + u.where + ": " + u.reason);
    for (const std::string& n : summary.notes) extras.renderNotes.push_back(n);
    extras.source = options.input;
    extras.output = options.output;

    start = Clock::now();
    std::string error;
    if (!bwpass::WriteReportFromFiles(Wide(files.result), Wide(files.deck), Wide(files.converted), extras,
                                             Wide(options.report), error)) {
        throw std::runtime_error(options.report + ": the report cannot be written: " + error);
    }
    summary.timings.write += Since(start);
    return summary;
}

}  // namespace bwoffice
