#include "tools/report/ReportFromFiles.h"

#include "tools/deck/DeckStream.h"
#include "tools/deckmodel/Text.h"
#include "tools/report/Inventory.h"
#include "tools/report/PassResultFile.h"
#include "tools/report/Report.h"

namespace bwpass {
namespace {

struct Mismatch {
    std::string what;
};

// The charts of one object with their models from the two decks and the extras.
void FillCharts(ObjectResult& o, size_t index, const DeckObject& before, const DeckObject& after,
                const ReportExtras& extras) {
    std::vector<ChartResult> listed = std::move(o.charts);
    o.charts.clear();
    if (!before.excel || !after.excel) {
        if (!listed.empty() || before.excel || after.excel) throw Mismatch{"its Excel workbook"};
        return;
    }
    const sim::WorkbookModel& was = *before.excel->application.workbooks[before.excel->embeddedWorkbook];
    const sim::WorkbookModel& is = *after.excel->application.workbooks[after.excel->embeddedWorkbook];
    std::vector<TrackedChart> charts = ChartsOf(was);
    const std::vector<const sim::ChartModel*> now = MatchingCharts(was, is);
    if (charts.size() != listed.size()) throw Mismatch{"its number of charts"};
    for (size_t i = 0; i < charts.size(); ++i) {
        ChartResult c = std::move(charts[i].result);
        if (!now[i]) throw Mismatch{"chart " + c.place};
        c.after = *now[i];
        c.changes = ChartChanges(c.before, c.after);
        c.note = listed[i].note;
        auto extra = extras.charts.find({index, i});
        if (extra != extras.charts.end()) {
            c.renderBefore = extra->second.renderBefore;
            c.renderAfter = extra->second.renderAfter;
            c.moreLookAlikes = extra->second.moreLookAlikes;
            if (!extra->second.note.empty()) c.note = extra->second.note;
        }
        o.charts.push_back(std::move(c));
    }
}

}  // namespace

bool WriteReportFromFiles(const std::wstring& passResultPath, const std::wstring& beforeDeckPath,
                          const std::wstring& convertedDeckPath, const ReportExtras& extras,
                          const std::wstring& reportPath, std::string& error) {
    try {
        PassResultReader result(passResultPath);
        DeckObjectReader before(beforeDeckPath), after(convertedDeckPath);
        ReportWriter report(reportPath, result.pass().drawLimit);
        if (!report.Open()) {
            error = report.error();
            return false;
        }
        ObjectResult o;
        for (size_t i = 0; result.Next(o); ++i) {
            DeckObject was, is;
            if (!before.Next(was) || !after.Next(is)) {
                error = Utf8(passResultPath) + ": more objects than the decks hold";
                return false;
            }
            try {
                FillCharts(o, i, was, is, extras);
            } catch (const Mismatch& m) {
                error = Utf8(passResultPath) + ": object " + std::to_string(i + 1) + " differs from the decks in " + m.what;
                return false;
            }
            auto note = extras.objectNotes.find(i);
            if (note != extras.objectNotes.end()) o.note = note->second;
            report.Add(o);
        }
        PassResult pass = result.pass();
        pass.renderNotes.insert(pass.renderNotes.end(), extras.renderNotes.begin(), extras.renderNotes.end());
        pass.pages = extras.pages;
        pass.chartPlaces = extras.chartPlaces;
        pass.previewsLeftInColour = extras.previewsLeftInColour;
        pass.chartsNotModelled = extras.chartsNotModelled;
        if (!extras.source.empty()) pass.deckSource = extras.source;
        if (!extras.output.empty()) pass.outputDeck = extras.output;
        if (!report.Finish(pass)) {
            error = Utf8(reportPath) + ": cannot write the report: " + report.error();
            return false;
        }
        return true;
    } catch (const std::exception& e) {  // DeckError, PassResultError
        error = e.what();
        return false;
    }
}

}  // namespace bwpass
