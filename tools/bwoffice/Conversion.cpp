// The conversion with the deck streamed both ways, so that memory is bounded by the largest
// object: the deck is written object by object while the file is walked, bwpass.exe reads and
// writes it one object at a time, and the two decks are read back in step for the write-back.
// The report is written from the pass result file, the two decks, LibreOffice's pictures of each
// chart before and after and what could not be modelled.
// Built instead of Conversion.cpp where the streamed deck files (tools/deck/DeckStream.h) and the
// report from files (tools/report/ReportFromFiles.h) are in the tree.
#include "tools/bwoffice/Conversion.h"

#include "tools/bwoffice/PageLegibility.h"
#include "tools/bwoffice/Pages.h"
#include "tools/bwoffice/WriteBack.h"
#include "tools/cleanup/Cleanup.h"
#include "tools/deck/DeckStream.h"
#include "tools/deck/ExitStatus.h"
#include "tools/deckmodel/Text.h"
#include "tools/report/Inventory.h"
#include "tools/printcopy/ChartPictures.h"
#include "tools/report/ReportFromFiles.h"

#include "tools/package/FileKind.h"
#include "tools/render/Import.h"
#include "tools/render/Process.h"
#include "tools/render/Render.h"

#include <unistd.h>

#include <filesystem>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>
#include <chrono>
#include <cstdio>

namespace bwoffice {

namespace {

using bwpass::Wide;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

std::string Leaf(const std::string& path) { return path.substr(path.rfind('/') + 1); }

// The printed pictures of the charts, for the report and the page check.
constexpr int kPrintPictureDpi = 120;

std::string ReadFile(const std::string& path) {
    std::string contents, error;
    bwpass::ReadWholeFile(Wide(path), contents, error);
    return contents;
}

void Progress(const ConversionOptions& options, const char* what, size_t n) {
    if (options.progress && n % 50 == 0) std::fprintf(stderr, "bwpass: %s: %s %zu objects\n", options.input.c_str(), what, n);
}

void Stage(const ConversionOptions& options, const std::string& stage) {
    if (options.stage) options.stage(stage);
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
        summary.chartsByPlace[static_cast<size_t>(o.place)] += o.charts.size();
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
        std::fprintf(stderr, "bwpass: %s: the pass over %zu objects\n", options.input.c_str(), summary.objects);
    std::vector<std::string> arguments = {WinePath(files.deck), "-o", WinePath(files.converted), "--pass-result",
                                          WinePath(files.result), "--no-report", "-q"};
    arguments.insert(arguments.end(), options.pass.extraArguments.begin(), options.pass.extraArguments.end());
    std::string error;
    const int status = options.server ? options.server->Run(arguments, error) : RunPass(arguments, error);
    if (status < 0) throw PassError(error);
    if (status == bwpass::kExitHostCallFailed) {
        summary.hostCallFailed = true;
        summary.notes.push_back("the pass reported a failed host call (see the report)");
    }
    else if (status != 0)
        throw PassError("the pass failed (bwpass.exe exit status " + std::to_string(status) + ")" +
                        (error.empty() ? std::string() : ": " + error));
}

// The two decks in step, object by object into the write-back and the summary's counts, which
// are the report's.
void WriteBackObjects(const std::vector<office::OfficeObject>& records, const Files& files, WriteBack& writeBack,
                      bwpass::ChartCounts& counts) {
    try {
        bwpass::DeckObjectReader before(Wide(files.deck)), after(Wide(files.converted));
        bwpass::DeckObject b, a;
        for (size_t i = 0; i < records.size(); ++i) {
            if (!before.Next(b) || !after.Next(a))
                throw PassError("the converted deck has fewer objects than the deck (" + std::to_string(records.size()) + ")");
            writeBack.Object(i, records[i], b, a);
            bwpass::CountConverted(b, a, counts);
        }
        if (after.Next(a)) throw PassError("the converted deck has more objects than the deck");
    } catch (const bwpass::DeckError& e) {
        throw PassError(std::string("the converted deck cannot be read: ") + e.what());
    }
}

// The pictures of one chart before and after, named in the report's extras (after is before
// when the pass did not rewrite the chart).
void AddPictureJobs(const ChartToDraw& c, const std::string& folder, bwpass::ReportExtras& extras,
                    std::vector<render::ChartToRender>& run) {
    const std::string stem = folder + "/" + std::to_string(c.object) + "-" + std::to_string(c.chart);
    bwpass::ChartExtras& e = extras.charts[{c.object, c.chart}];
    e.renderBefore = stem + "-before.png";
    e.renderAfter = c.afterFile.empty() ? e.renderBefore : stem + "-after.png";
    render::ChartToRender before;
    before.themeXml = c.themeFile.empty() ? std::string() : ReadFile(c.themeFile);
    before.themeOverrideXml = c.themeOverrideFile.empty() ? std::string() : ReadFile(c.themeOverrideFile);
    before.colourMap = c.colourMap;
    render::ChartToRender after = before;
    before.chartXml = ReadFile(c.beforeFile);
    before.outputPng = e.renderBefore;
    run.push_back(std::move(before));
    if (c.afterFile.empty()) return;
    after.chartXml = ReadFile(c.afterFile);
    // The picture the print shows in the chart's place, so that the report shows what prints.
    if (!c.printFile.empty()) {
        after.pictureSvg = ReadFile(c.printFile);
        // Pattern pixels are 1/96 inch on paper: the page check needs a pixel for each.
        after.dpi = kPrintPictureDpi;
    }
    after.outputPng = e.renderAfter;
    run.push_back(std::move(after));
}

// The legend keys of each printed picture compared on the page: the look-alikes go under the
// chart in the report, and a chart the model check passed is counted with the look-alikes.
void CheckPrintedPictures(const std::vector<ChartToDraw>& charts, const std::map<std::pair<size_t, size_t>, MoreLegibility>& more,
                          bwpass::ReportExtras& extras, ConversionSummary& summary) {
    for (const ChartToDraw& c : charts) {
        if (c.printFile.empty()) continue;
        const std::vector<legibility::Finding> seen = PageLookAlikes(extras.charts[{c.object, c.chart}].renderAfter, c.printKeys);
        if (seen.empty()) continue;
        std::vector<legibility::Finding>& listed = extras.charts[{c.object, c.chart}].moreLookAlikes;
        auto known = more.find({c.object, c.chart});
        // Counted already when the model's check or the bars and lines found something.
        if (known == more.end() || (!known->second.seriesAlike && known->second.found.empty())) ++summary.chartsWithLookAlikes;
        listed.insert(listed.end(), seen.begin(), seen.end());
    }
}

// The look-alikes among bars and lines, under each chart in the report.
void AddMoreLegibility(const std::map<std::pair<size_t, size_t>, MoreLegibility>& more, bwpass::ReportExtras& extras) {
    for (const auto& [key, m] : more)
        if (!m.found.empty()) extras.charts[key].moreLookAlikes = m.found;
}

// LibreOffice's pictures of every chart before and after, in runs of a bounded number of
// charts (each run holds its charts' parts in memory).
bwpass::ReportExtras DrawCharts(const std::vector<ChartToDraw>& charts, const std::string& folder) {
    bwpass::ReportExtras extras;
    constexpr size_t kRun = 100;
    for (size_t first = 0; first < charts.size(); first += kRun) {
        std::vector<render::ChartToRender> run;
        for (size_t i = first; i < charts.size() && i < first + kRun; ++i) AddPictureJobs(charts[i], folder, extras, run);
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

// The report's notes beside the pictures, and the report itself; the caller holds a
// cleanup::WritingOutput (Allowed) for it.
void WriteReport(const ConversionOptions& options, const ConversionSummary& summary, const Files& files,
                 PendingReport& pending, bwpass::ReportExtras& extras) {
    extras.pages = std::move(pending.pages);
    extras.renderNotes.insert(extras.renderNotes.end(), pending.pageNotes.begin(), pending.pageNotes.end());
    for (const office::UnmodelledChart& u : summary.unmodelled)
        extras.renderNotes.push_back("left unchanged, not modelled: " + u.where + ": " + u.reason);
    for (const std::string& n : summary.notes) extras.renderNotes.push_back(n);
    extras.chartPlaces = ChartPlacesText(summary);
    extras.previewsLeftInColour = summary.previewsLeftInColour;
    extras.chartsNotModelled = summary.unmodelled.size();
    extras.source = options.input;
    extras.output = options.output;
    std::string error;
    if (!bwpass::WriteReportFromFiles(Wide(files.result), Wide(files.deck), Wide(files.converted), extras,
                                      Wide(options.report), error))
        throw std::runtime_error(options.report + ": the report cannot be written: " + error);
}

// The package to convert, told by its content: the input itself, or for a legacy binary file what
// LibreOffice's import makes of it, in the work folder. Every other kind is refused with what
// it is, before anything is written.
office::Package OpenInput(const ConversionOptions& options, const std::string& work, ConversionSummary& summary) {
    const office::FileKind kind = office::IdentifyFile(options.input);
    summary.kind = kind;
    const office::FileFamily family = office::FamilyOf(kind);
    if (family != office::FileFamily::Presentation && family != office::FileFamily::Workbook)
        throw office::OfficeFileError(office::DescribeRefusal(options.input, kind));
    if (!office::NeedsImport(kind)) return office::Package::OpenFile(options.input);
    if (render::FindOnPath("soffice").empty())
        throw PassError(std::string(office::NameOf(kind)) +
                        " is read through LibreOffice's import, and LibreOffice (soffice) is not on PATH");
    const std::string imported = work + "/imported" + office::ExtensionOf(kind);
    const std::string problem = render::ImportToOpenXml(options.input, imported, work);
    if (!problem.empty())
        throw office::OfficeFileError(options.input + ": " + office::NameOf(kind) + " of Office 97-2003: " + problem);
    summary.importedFrom = office::NameOf(kind);
    summary.notes.push_back(options.input + ": " + office::NameOf(kind) + " of Office 97-2003, imported by LibreOffice: " +
                            "the output is Office Open XML (" + office::ExtensionOf(kind) + ")");
    office::Package package = office::Package::OpenBytes(ReadFile(imported), options.input + " (as LibreOffice imported it)");
    fs::remove(imported);
    return package;
}

// LibreOffice's import turns the Excel objects of a legacy file into packages, but may leave
// others in their binary form, where no chart of theirs is converted: each is named and counted
// with the previews left in colour. An Excel object left so is counted by the write-back already.
void CountBinaryLeftovers(const office::Package& package, const std::vector<office::OfficeObject>& records,
                          ConversionSummary& summary) {
    for (const office::OfficeObject& r : records) {
        if (r.oleEmbedding.empty() || !package.HasPart(r.oleEmbedding)) continue;
        const std::string progId = bwpass::Utf8(r.deck.progId);
        if (progId.find("Excel") != std::string::npos && !r.previewPart.empty()) continue;
        if (package.ReadPart(r.oleEmbedding).compare(0, 8, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") != 0) continue;
        ++summary.previewsLeftInColour;
        summary.notes.push_back(r.where + ": preview left in colour: LibreOffice's import left the object in binary form (" +
                                (progId.empty() ? Leaf(r.oleEmbedding) : progId) + "), so nothing in it is converted");
    }
}

// The converted file as it is handed to LibreOffice to print: the file itself, or a copy in the
// work folder whose charts LibreOffice cannot draw are pictures (the file given is not changed).
// Without it (it cannot be made) the converted file itself is printed, and a note says so.
std::string PrintCopy(const ConversionOptions& options, const std::map<std::string, std::string>& pictureFiles,
                      const Files& files, std::vector<std::string>& notes) {
    if (pictureFiles.empty()) return options.output;
    try {
        const office::Package converted = office::Package::OpenFile(options.output);
        std::map<std::string, std::string> pictures;
        // A picture that cannot be read back leaves its chart to LibreOffice rather than blank.
        for (const auto& [chart, file] : pictureFiles)
            if (std::string svg = ReadFile(file); !svg.empty()) pictures[chart] = std::move(svg);
        const std::map<std::string, std::string> parts = office::ChartsAsPictures(converted, pictures);
        if (parts.empty()) return options.output;
        fs::create_directories(files.pictures);
        const std::string copy = files.pictures + "/print" + fs::path(options.output).extension().string();
        converted.Write(copy, parts);
        return copy;
    } catch (const std::exception& e) {
        notes.push_back(options.pdf + ": printed as LibreOffice draws the charts (its own hatches, markers filled): "
                        "the print copy cannot be made: " + e.what());
        return options.output;
    }
}

// Printing whole files costs LibreOffice runs of their own: with the print-ready output only.
void PrintPagesIfAsked(const office::Package& package, const std::vector<office::OfficeObject>& records,
                       const ConversionOptions& options, const Files& files,
                       const std::map<std::string, std::string>& printPictures, PendingReport& pending) {
    if (options.pdf.empty()) return;
    PagesRequest request{options.input, PrintCopy(options, printPictures, files, pending.summary.notes), options.pdf,
                         files.pictures + "/pages"};
    fs::create_directories(request.folder);
    PagesResult pages = PrintPages(package, request, records);
    pending.pages = std::move(pages.pages);
    pending.pageNotes = std::move(pages.notes);
    pending.summary.pdfWritten = pages.pdfWritten;
    if (!pages.pdfWritten)
        pending.summary.notes.push_back(options.pdf + ": not written: LibreOffice could not print the converted file");
}

}  // namespace

std::string ChartPlacesText(const ConversionSummary& summary) {
    std::string text;
    size_t places = 0;
    for (size_t p = 0; p < office::kPlaces; ++p) {
        if (!summary.chartsByPlace[p]) continue;
        ++places;
        text += (text.empty() ? "" : ", ") + std::to_string(summary.chartsByPlace[p]) + " on " +
                office::PlaceName(static_cast<office::Place>(p));
    }
    const size_t onSlides = summary.chartsByPlace[static_cast<size_t>(office::Place::Slide)];
    return places > 1 || (places == 1 && !onSlides && !summary.chartsByPlace[static_cast<size_t>(office::Place::Sheet)])
               ? text
               : std::string();
}

PendingReport ConvertWithoutReport(const ConversionOptions& options) {
    PendingReport pending;
    pending.options = options;
    ConversionSummary& summary = pending.summary;
    auto start = Clock::now();
    Stage(options, "reading");
    pending.work = std::make_unique<TempFolder>();
    const office::Package package = OpenInput(options, pending.work->Path(), summary);
    const Files files(pending.work->Path());
    const std::vector<office::OfficeObject> records = WriteDeck(package, options, files, summary);
    summary.timings.read = Since(start);

    start = Clock::now();
    Stage(options, "the pass over " + std::to_string(summary.objects) + " objects");
    RunThePass(options, files, summary);
    summary.timings.pass = Since(start);

    start = Clock::now();
    Stage(options, "writing");
    WriteBack writeBack(package, pending.work->Path(), !options.report.empty() && options.render);
    bwpass::ChartCounts counts;
    WriteBackObjects(records, files, writeBack, counts);
    summary.chartsConverted = counts.converted;
    summary.propertiesChanged = counts.propertiesChanged;
    summary.chartsWithLookAlikes = counts.legibility.chartsWithLookAlikes;
    summary.chartsWithVanishingText = counts.legibility.chartsWithVanishingText;
    for (const auto& [key, more] : writeBack.Result().legibility)
        if (!more.seriesAlike && !more.found.empty()) ++summary.chartsWithLookAlikes;
    WriteBackResult& written = writeBack.Result();
    summary.chartsRewritten = written.chartsRewritten;
    summary.previewsLeftInColour = written.previewsLeftInColour;
    summary.notes.insert(summary.notes.end(), written.notes.begin(), written.notes.end());
    if (!summary.importedFrom.empty()) CountBinaryLeftovers(package, records, summary);
    if (options.progress && summary.objects >= 50) std::fprintf(stderr, "bwpass: %s: writing %s\n", options.input.c_str(), options.output.c_str());
    {
        const cleanup::WritingOutput writing;
        if (!writing.Allowed()) throw std::runtime_error(options.output + ": not written: the run was interrupted");
        package.Write(options.output, written.parts, written.partFiles);
        if (options.written) options.written(summary);
    }
    written.parts.clear();
    summary.timings.write = Since(start) - written.renderSeconds;
    summary.timings.render = written.renderSeconds;
    pending.charts = std::move(written.charts);
    pending.legibility = std::move(written.legibility);
    start = Clock::now();
    if (!options.pdf.empty()) Stage(options, "printing with LibreOffice");
    PrintPagesIfAsked(package, records, options, files, written.printPictures, pending);
    summary.timings.render += Since(start);
    return pending;
}

ConversionSummary ConvertFile(const ConversionOptions& options) {
    PendingReport pending = ConvertWithoutReport(options);
    ConversionSummary& summary = pending.summary;
    if (options.report.empty()) return summary;
    const Files files(pending.work->Path());
    auto start = Clock::now();
    if (options.progress && options.render && pending.charts.size() >= 50)
        std::fprintf(stderr, "bwpass: %s: drawing %zu charts with LibreOffice\n", options.input.c_str(),
                     pending.charts.size());
    bwpass::ReportExtras extras;
    if (options.render) Stage(options, "drawing " + std::to_string(pending.charts.size()) + " charts with LibreOffice");
    if (options.render) extras = DrawCharts(pending.charts, files.pictures);
    AddMoreLegibility(pending.legibility, extras);
    if (options.render) CheckPrintedPictures(pending.charts, pending.legibility, extras, summary);
    else extras.renderNotes.push_back("LibreOffice's pictures of the charts were not drawn (--no-render)");
    summary.timings.render += Since(start);
    start = Clock::now();
    Stage(options, "writing the report");
    const cleanup::WritingOutput writing;
    if (!writing.Allowed()) throw std::runtime_error(options.report + ": not written: the run was interrupted");
    WriteReport(options, summary, files, pending, extras);
    summary.timings.write += Since(start);
    return summary;
}

std::vector<std::string> FinishReports(std::vector<PendingReport>& pending, size_t atOnce,
                                       const ReportProgress& progress) {
    const auto start = Clock::now();
    std::vector<bwpass::ReportExtras> extras(pending.size());
    // Runs of about 100 pictures from consecutive files, drawn `atOnce` at a time.
    std::vector<std::vector<std::pair<size_t, size_t>>> runs(1);  // (file, chart)
    size_t pictures = 0, charts = 0;
    for (size_t f = 0; f < pending.size(); ++f) {
        if (pending[f].options.report.empty()) continue;
        if (!pending[f].options.render) {
            extras[f].renderNotes.push_back("LibreOffice's pictures of the charts were not drawn (--no-render)");
            continue;
        }
        for (size_t c = 0; c < pending[f].charts.size(); ++c) {
            if (pictures >= 100) runs.emplace_back(), pictures = 0;
            runs.back().emplace_back(f, c);
            pictures += pending[f].charts[c].afterFile.empty() ? 1 : 2;
            ++charts;
        }
    }
    std::mutex mutex;  // the extras of files that two runs share
    std::atomic<size_t> next{0};
    auto draw = [&] {
        for (size_t r; (r = next++) < runs.size();) {
            if (runs[r].empty()) continue;
            std::vector<render::ChartToRender> jobs;
            std::vector<size_t> owner;
            {
                std::lock_guard<std::mutex> lock(mutex);
                for (const auto& [f, c] : runs[r]) {
                    AddPictureJobs(pending[f].charts[c], Files(pending[f].work->Path()).pictures, extras[f], jobs);
                    owner.resize(jobs.size(), f);
                }
            }
            const std::vector<std::string> problems =
                render::RenderCharts(jobs, pending[runs[r].front().first].work->Path() + "/render-" + std::to_string(r));
            std::lock_guard<std::mutex> lock(mutex);
            for (const std::string& p : problems) {
                // A line names the picture it is about, or else is about every picture of the run.
                bool placed = false;
                for (size_t j = 0; j < jobs.size() && !placed; ++j)
                    if (p.rfind(jobs[j].outputPng, 0) == 0) extras[owner[j]].renderNotes.push_back(p), placed = true;
                if (!placed)
                    for (const auto& [f, c] : runs[r])
                        if (extras[f].renderNotes.empty() || extras[f].renderNotes.back() != p)
                            extras[f].renderNotes.push_back(p);
            }
            if (progress.drew) progress.drew(runs[r].size());
        }
    };
    std::vector<std::thread> threads;
    for (size_t t = 1; t < std::min(atOnce, runs.size()); ++t) threads.emplace_back(draw);
    draw();
    for (std::thread& t : threads) t.join();
    const double seconds = Since(start);
    if (progress.drawn) progress.drawn();

    std::vector<std::string> errors(pending.size());
    for (size_t f = 0; f < pending.size(); ++f) {
        PendingReport& p = pending[f];
        if (p.options.report.empty()) continue;
        if (charts) p.summary.timings.render += seconds * static_cast<double>(p.charts.size()) / static_cast<double>(charts);
        AddMoreLegibility(p.legibility, extras[f]);
        if (p.options.render) CheckPrintedPictures(p.charts, p.legibility, extras[f], p.summary);
        const auto written = Clock::now();
        // The report and what is told of it: an interrupt's clean-up finds both done, or neither.
        const cleanup::WritingOutput writing;
        try {
            if (!writing.Allowed()) throw std::runtime_error(p.options.report + ": not written: the run was interrupted");
            WriteReport(p.options, p.summary, Files(p.work->Path()), p, extras[f]);
        } catch (const std::exception& e) {
            errors[f] = e.what();
        }
        p.summary.timings.write += Since(written);
        if (progress.written) progress.written(f, errors[f]);
    }
    return errors;
}

}  // namespace bwoffice
