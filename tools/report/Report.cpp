#include "tools/report/Report.h"

#include "tools/report/ChartSvg.h"
#include "tools/report/PatternPng.h"
#include "tools/deckmodel/Constants.h"
#include "tools/report/LegibilitySection.h"
#include "tools/deck/Files.h"
#include "tools/deckmodel/Text.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace bwpass {
namespace {

std::string H(const std::string& s) { return HtmlEscape(s); }
std::string H(const std::wstring& s) { return HtmlEscape(Utf8(s)); }

const char* kStyle = R"(
body { font-family: Arial, Helvetica, sans-serif; margin: 24px; color: #111; background: #fff; }
h1 { font-size: 22px; margin: 0 0 4px; }
h2 { font-size: 18px; margin: 28px 0 8px; border-bottom: 2px solid #333; padding-bottom: 3px; }
h3 { font-size: 14px; margin: 18px 0 4px; }
p.meta { color: #444; margin: 2px 0; font-size: 13px; }
table { border-collapse: collapse; font-size: 13px; }
th, td { border: 1px solid #999; padding: 3px 8px; text-align: left; vertical-align: top; }
th { background: #eee; }
td.num { text-align: right; }
table.summary td.num { font-weight: bold; font-size: 15px; }
.ok { color: #0a6b0a; }
.bad { color: #b00000; font-weight: bold; }
.warn { color: #9a5b00; font-weight: bold; }
.muted { color: #666; }
.pair { display: flex; gap: 16px; flex-wrap: wrap; }
figure { margin: 0; }
figcaption { font-size: 12px; font-weight: bold; margin-bottom: 2px; }
figure svg { border: 1px solid #bbb; display: block; }
section.page img { border: 1px solid #bbb; max-width: 560px; }
figure.render-after img, figure.render-before img { width: 400px; }
section.chart { margin-bottom: 22px; }
details { font-size: 12px; margin-top: 4px; }
pre { font-size: 12px; background: #f6f6f6; border: 1px solid #ccc; padding: 8px; overflow-x: auto; }
.swatches { display: flex; flex-wrap: wrap; gap: 10px; }
.swatch { width: 120px; font-size: 11px; text-align: center; }
.swatch svg { display: block; margin: 0 auto 2px; }
td.links { font-size: 12px; max-width: 360px; }
details.part { margin-top: 28px; font-size: 13px; }
details.part > summary { cursor: pointer; }
details.part > summary h2 { display: inline-block; margin: 0; }
)";

std::string CallList(const std::vector<HostCall>& calls) {
    std::string s;
    for (const HostCall& c : calls) {
        if (!s.empty()) s += "<br>";
        s += H(c.member) + " &rarr; <span class=\"" + (c.failed ? "bad" : "ok") + "\">" + H(c.result) + "</span>";
    }
    return s;
}

// The charts a count is made of, as links to their sections; extra, when given, is a figure
// per chart shown beside its number. A long list ends in how many more there are.
std::string ChartLinks(const std::vector<size_t>& numbers, const std::vector<size_t>* extra = nullptr) {
    constexpr size_t kLinked = 40;
    if (numbers.empty()) return {};
    std::string s = numbers.size() == 1 ? "chart " : "charts ";
    for (size_t i = 0; i < numbers.size() && i < kLinked; ++i) {
        const std::string n = std::to_string(numbers[i]);
        s += (i ? ", " : "") + std::string("<a href=\"#c") + n + "\">" + n + "</a>";
        if (extra && i < extra->size()) s += " (" + std::to_string((*extra)[i]) + ")";
    }
    if (numbers.size() > kLinked) s += " and " + std::to_string(numbers.size() - kLinked) + " more";
    return s;
}

// Every chart of a report of more than a few leads to the first of them rather than to a list of all.
std::string ChartLinksOrAll(const std::vector<size_t>& numbers, size_t charts) {
    if (charts > 5 && numbers.size() == charts)
        return "all " + std::to_string(charts) + " charts, from <a href=\"#c1\">chart 1</a>";
    return ChartLinks(numbers);
}

std::string Link(const char* anchor, const char* text) {
    return std::string("<a href=\"#") + anchor + "\">" + text + "</a>";
}

std::string Row(const char* label, const std::string& value, const std::string& links, const std::string& note) {
    return std::string("<tr><th>") + label + "</th><td class=\"num\">" + value + "</td><td class=\"links\">" + links +
           "</td><td class=\"muted\">" + note + "</td></tr>\n";
}

// A count that asks for a look: marked when it is not zero.
std::string Flagged(size_t n, const char* cls) {
    return n ? std::string("<span class=\"") + cls + "\">" + std::to_string(n) + "</span>" : "0";
}

std::string Summary(const PassResult& r, const PassTotals& t) {
    const ChartNumbers& n = t.numbers;
    std::string s = "<h2 id=\"summary\">Summary</h2>\n<table class=\"summary\">\n";
    s += Row("Objects offered", std::to_string(t.offered), Link("objects", "host calls"),
             "HandleObject calls, one per OLE object of the deck");
    s += Row("Accepted", std::to_string(t.accepted), "", "HandleObject answered True; ChangeToBWNoConfig followed");
    s += Row("Declined", std::to_string(t.declined), "", "not an Excel ProgID, or bit 512 of BWFlagSet not set");
    s += Row("Charts on the shown sheets", std::to_string(t.chartsOnShownSheets), ChartLinksOrAll(n.onShownSheets, t.charts),
             "charts of accepted objects on the sheet the workbook shows: those the plug-in is meant to convert");
    // Charts on layouts, masters and notes pages print too: a line that says where they stand.
    if (!r.chartPlaces.empty()) s += "<tr><th>Where they stand</th><td colspan=\"3\">" + H(r.chartPlaces) + "</td></tr>\n";
    s += Row("Charts converted", std::to_string(t.chartsChanged), ChartLinksOrAll(n.converted, t.charts),
             "charts with at least one property changed");
    s += Row("Properties changed", std::to_string(t.propertiesChanged), ChartLinks(n.converted, &n.propertiesChanged),
             "properties of the charts' models that read differently after the pass, as listed under each chart "
             "(per chart in brackets); a colour and its ColorIndex count as two. The console prints the same count");
    s += Row("Charts with look-alike series", Flagged(t.legibility.chartsWithLookAlikes, "warn"),
             ChartLinks(n.lookAlikes), LookAlikeNote());
    s += Row("Charts with vanishing text", Flagged(t.legibility.chartsWithVanishingText, "warn"),
             ChartLinks(n.vanishingText), VanishingTextNote());
    if (r.previewsLeftInColour)
        s += Row("Previews left in colour", Flagged(*r.previewsLeftInColour, "warn"),
                 *r.previewsLeftInColour ? Link("notes", "the notes") : "",
                 "OLE objects whose picture on the slide was not drawn anew from the converted workbook");
    if (r.chartsNotModelled)
        s += Row("Charts not modelled", Flagged(*r.chartsNotModelled, "warn"),
                 *r.chartsNotModelled ? Link("notes", "the notes") : "",
                 "charts left as they are, e.g. the Office 2016 chart types (cx:chart)");
    s += Row("Plug-in log lines", std::to_string(r.logLines.size()), r.logLines.empty() ? "" : Link("log", "the log"), "");
    s += Row("Failed host calls", Flagged(t.failedCalls, "bad"), t.failedCalls ? Link("objects", "host calls") : "",
             "calls that returned a failure HRESULT to the host");
    s += "</table>\n";
    return s;
}

const char* kObjectTableHead =
    "<table>\n<tr><th>#</th><th>Object</th><th>ProgID</th><th>BWFlagSet</th>"
    "<th>Excel</th><th>Host calls</th><th>Charts changed</th><th>Writes</th><th>Sheets before &rarr; after</th>"
    "<th>Workbook</th></tr>\n";

std::string ObjectRow(const ObjectResult& o, size_t i) {
    size_t changed = 0;
    for (const ChartResult& c : o.charts) changed += c.changes.empty() ? 0 : 1;
    return "<tr><td class=\"num\">" + std::to_string(i + 1) + "</td><td>" + H(o.name) +
           (o.note.empty() ? "" : "<br><span class=\"muted\">" + H(o.note) + "</span>") + "</td><td>" + H(o.progId) +
           "</td><td class=\"num\">" + std::to_string(o.bwFlagSet) + "</td><td>" +
           (o.hasWorkbook ? H(o.excelVersion) : "<span class=\"muted\">none</span>") + "</td><td>" + CallList(o.calls) +
           "</td><td class=\"num\">" + std::to_string(changed) + " of " + std::to_string(o.charts.size()) +
           "</td><td class=\"num\">" + std::to_string(o.writes) + "</td><td>" + H(o.sheetsBefore) + "<br>&rarr; " +
           H(o.sheetsAfter) + "</td><td>" + H(o.workbookState) +
           (o.spareWorkbook.empty() ? "" : "<br><span class=\"muted\">spare: " + H(o.spareWorkbook) + "</span>") +
           "</td></tr>\n";
}

std::string ChartStatus(const ChartResult& c) {
    std::string s;
    if (!c.changes.empty())
        s = "<span class=\"ok\">converted</span>: " + std::to_string(c.changes.size()) + " properties changed";
    else if (c.onShownSheet) s = "<span class=\"muted\">unchanged</span>";
    else s = "<span class=\"muted\">unchanged (not on the sheet the workbook shows)</span>";
    return c.note.empty() ? s : s + " &middot; <span class=\"muted\">" + H(c.note) + "</span>";
}

bool ReadPicture(const std::string& path, std::string& data, std::string& error) {
    FilePtr f = OpenForReading(Wide(path), error);
    if (!f) return false;
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f.get())) > 0) data.append(buffer, n);
    if (std::ferror(f.get())) error = "read error";
    return !std::ferror(f.get());
}

// A picture drawn by LibreOffice, embedded so that the report stays one file.
std::string RenderedFigure(const std::string& png, const char* cls, const char* caption) {
    std::string s = std::string("<figure class=\"") + cls + "\"><figcaption>" + caption + "</figcaption>\n";
    std::string data, error;
    if (!ReadPicture(png, data, error))
        return s + "<p class=\"muted\">" + H(png) + ": " + H(error) + "</p></figure>\n";
    return s + "<img alt=\"" + caption + "\" src=\"data:image/png;base64," + Base64(data) + "\"></figure>\n";
}

std::string ChartSection(const ChartResult& c, size_t objectIndex, size_t chartNumber, bool draw) {
    const std::string id = "c" + std::to_string(chartNumber);
    std::string s = "<section class=\"chart\" id=\"" + id + "\">\n<h3>Chart " + std::to_string(chartNumber) +
                    " &middot; object " + std::to_string(objectIndex + 1) + " &middot; " + H(c.place) + " &middot; " +
                    H(ChartTypeName(c.before.chartType)) + "</h3>\n<p class=\"meta\">" + ChartStatus(c) + "</p>\n";
    if (draw) {
        s += "<div class=\"pair\">\n<figure class=\"before\"><figcaption>Before</figcaption>\n" +
             ChartSvg(c.before, id + "b") + "</figure>\n";
        if (!c.renderBefore.empty()) s += RenderedFigure(c.renderBefore, "render-before", "Before: LibreOffice");
        s += "<figure class=\"after\"><figcaption>After</figcaption>\n" + ChartSvg(c.after, id + "a") + "</figure>\n";
        if (!c.renderAfter.empty()) s += RenderedFigure(c.renderAfter, "render-after", "After: LibreOffice");
        s += "</div>\n";
    }
    s += LegibilityHtml(c);
    if (!c.changes.empty()) {
        s += "<details><summary>" + std::to_string(c.changes.size()) + " changed properties</summary><pre>";
        for (const std::string& line : c.changes) s += H(line) + "\n";
        s += "</pre></details>\n";
    }
    return s + "</section>\n";
}

// number counts the charts of the report so far.
std::string ChartSections(const ObjectResult& o, size_t objectIndex, size_t& number, size_t drawLimit) {
    std::string s;
    for (const ChartResult& c : o.charts) {
        ++number;
        s += ChartSection(c, objectIndex, number, number <= drawLimit);
    }
    return s;
}

const char* kChartsHead =
    "<h2 id=\"charts\">Charts before and after</h2>\n"
    "<p class=\"meta\">Drawn from the Excel stand-in's model: fills in their colours or Office hatch "
    "patterns (foreground Interior.Color on background Interior.PatternColor), borders with their "
    "colours, weights and dash styles, markers, legend keys, axes and gridlines. Hover over an element "
    "for its properties. Layout and text are the drawing's own; Excel keeps neither in the model.</p>\n";

std::string ChartsEnd(size_t number, size_t drawLimit) {
    std::string s;
    if (number > drawLimit)
        s += "<p class=\"meta\">Only the first " + std::to_string(drawLimit) + " of " + std::to_string(number) +
             " charts are drawn (--draw-limit); the others are listed with their changes.</p>\n";
    if (number == 0) s += "<p class=\"meta\">The deck holds no charts.</p>\n";
    return s;
}

// A part of the report after the charts, folded: its heading opens it.
std::string Folded(const char* id, const std::string& heading) {
    return std::string("<details class=\"part\" id=\"") + id + "\"><summary><h2>" + heading + "</h2></summary>\n";
}

std::string Log(const PassResult& r) {
    std::string s = Folded("log", "Plug-in log (" + std::to_string(r.logLines.size()) + " lines)") +
                    "<p class=\"meta\">" + H(r.logNote) + "</p>\n";
    if (r.logLines.empty()) return s + "<p class=\"muted\">No lines.</p>\n</details>\n";
    s += "<pre class=\"log\">";
    for (const std::string& line : r.logLines) s += H(line) + "\n";
    return s + "</pre>\n</details>\n";
}

std::string PatternKey() {
    std::string s = Folded("patterns", "Fill patterns") + "<p class=\"meta\">The Office patterns (MsoPatternType) as this report "
                    "draws them, black on white, each tile pixel enlarged four times. In the charts a pattern "
                    "appears in the element's own foreground and background colours.</p>\n<div class=\"swatches\">\n";
    for (int n = 1; n <= 48; ++n)
        s += "<div class=\"swatch\">" + PatternSwatchSvg(n, 64, 4, "key") + std::to_string(n) + " " +
             H(PatternName(n).substr(10)) + "</div>\n";
    return s + "</div>\n</details>\n";
}

// What the conversion and the pictures have to say: a few are shown, many are folded so that the
// charts still come first.
std::string Notes(const std::vector<std::string>& notes) {
    constexpr size_t kShown = 5;
    if (notes.empty()) return {};
    std::string items;
    for (const std::string& note : notes) items += "<li>" + H(note) + "</li>\n";
    return std::string("<details class=\"notes\" id=\"notes\"") + (notes.size() <= kShown ? " open" : "") +
           "><summary>" + std::to_string(notes.size()) + (notes.size() == 1 ? " note" : " notes") +
           "</summary>\n<ul class=\"meta\">\n" + items + "</ul>\n</details>\n";
}

// Everything before the charts: the title, where things came from, the summary.
std::string Head(const PassResult& r, const PassTotals& t) {
    std::string s = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>Black-and-white pass: " +
                    H(r.deckTitle) + "</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n";
    s += "<h1>Black-and-white pass: " + H(r.deckTitle) + "</h1>\n";
    s += "<p class=\"meta\">Deck: " + H(r.deckSource) + "</p>\n";
    if (!r.outputDeck.empty()) s += "<p class=\"meta\">Converted deck: " + H(r.outputDeck) + "</p>\n";
    s += "<p class=\"meta\">Plug-in: " + H(r.dll) + " (" + H(r.activation) + ")</p>\n";
    s += Summary(r, t);
    return s + Notes(r.renderNotes) + kChartsHead;
}

std::string Pages(const PassResult& r) {
    if (r.pages.empty()) return {};
    std::string s = "<h2>Pages before and after</h2>\n<p class=\"meta\">Each slide or sheet that holds a chart, as "
                    "LibreOffice prints the file before and after the pass.</p>\n";
    for (const PagePictures& p : r.pages) {
        s += "<section class=\"page\">\n<h3>" + H(p.label) + "</h3>\n<div class=\"pair\">\n";
        s += p.before.empty() ? "<p class=\"muted\">before: not drawn</p>\n" : RenderedFigure(p.before, "page-before", "Before");
        s += p.after.empty() ? "<p class=\"muted\">after: not drawn</p>\n" : RenderedFigure(p.after, "page-after", "After");
        s += "</div>\n</section>\n";
    }
    return s;
}

// After the charts and the pages: the host's calls, folded, up to the objects' rows.
std::string HostCallsHead(const PassResult& r, size_t objects) {
    std::string s = Folded("objects", "Host calls (" + std::to_string(objects) + " objects)");
    if (!r.hostCalls.empty()) s += "<p class=\"meta\">Plug-in lifecycle: " + CallList(r.hostCalls) + "</p>\n";
    s += "<p class=\"meta\">Per object the calls the host made and their answers. Writes counts the plug-in's "
         "writing calls into Excel (property writes and fill calls): a call may change several properties or "
         "none, so it is not the count of changed properties.</p>\n";
    return s + kObjectTableHead;
}

std::string Tail(const PassResult& r) { return "</table>\n</details>\n" + Log(r) + PatternKey() + "</body>\n</html>\n"; }

}  // namespace

void CountConverted(const sim::ChartModel& after, size_t changes, ChartCounts& counts, bool moreLookAlikes) {
    if (changes == 0) return;
    ++counts.converted;
    counts.propertiesChanged += changes;
    CountLegibility(after, counts.legibility, moreLookAlikes);
}

void AddToTotals(PassTotals& t, const ObjectResult& o) {
    ++t.offered;
    const bool accepted = o.accepted.value_or(false);
    ++(accepted ? t.accepted : t.declined);
    for (const ChartResult& c : o.charts) {
        const size_t number = ++t.charts;
        if (accepted && c.onShownSheet) {
            ++t.chartsOnShownSheets;
            t.numbers.onShownSheets.push_back(number);
        }
        ChartCounts counts;
        CountConverted(c.after, c.changes.size(), counts, !c.moreLookAlikes.empty());
        if (counts.converted == 0) continue;
        ++t.chartsChanged;
        t.propertiesChanged += counts.propertiesChanged;
        t.legibility.chartsWithLookAlikes += counts.legibility.chartsWithLookAlikes;
        t.legibility.chartsWithVanishingText += counts.legibility.chartsWithVanishingText;
        t.numbers.converted.push_back(number);
        t.numbers.propertiesChanged.push_back(counts.propertiesChanged);
        if (counts.legibility.chartsWithLookAlikes) t.numbers.lookAlikes.push_back(number);
        if (counts.legibility.chartsWithVanishingText) t.numbers.vanishingText.push_back(number);
    }
    for (const HostCall& c : o.calls) t.failedCalls += c.failed ? 1 : 0;
    t.writes += o.writes;
}

PassTotals Totals(const PassResult& r) {
    PassTotals t;
    for (const HostCall& c : r.hostCalls) t.failedCalls += c.failed ? 1 : 0;
    for (const ObjectResult& o : r.objects) AddToTotals(t, o);
    return t;
}

std::string ReportHtml(const PassResult& r) {
    std::string s = Head(r, Totals(r));
    size_t number = 0;
    for (size_t i = 0; i < r.objects.size(); ++i) s += ChartSections(r.objects[i], i, number, r.drawLimit);
    s += ChartsEnd(number, r.drawLimit) + Pages(r) + HostCallsHead(r, r.objects.size());
    for (size_t i = 0; i < r.objects.size(); ++i) s += ObjectRow(r.objects[i], i);
    return s + Tail(r);
}

// ---- Streamed ----

struct ReportWriter::State {
    OutputFile report, rows, charts;
    size_t drawLimit;
    size_t objects = 0, chartNumber = 0;
    PassTotals totals;
    std::string error;

    // The pieces are named as the report's own partial files (REPORT.part*), so that whatever
    // clears a half-written report away, an interrupted run's clean-up among them, clears them too.
    State(const std::wstring& path, size_t limit)
        : report(path), rows(path + L".part-rows"), charts(path + L".part-charts"), drawLimit(limit) {}
};

ReportWriter::ReportWriter(const std::wstring& path, size_t drawLimit)
    : state_(std::make_unique<State>(path, drawLimit)) {}

ReportWriter::~ReportWriter() = default;

bool ReportWriter::Open() {
    State& s = *state_;
    for (OutputFile* f : {&s.report, &s.rows, &s.charts})
        if (!f->Open()) {
            s.error = Utf8(f->partialPath()) + ": " + f->error();
            return false;
        }
    return true;
}

void ReportWriter::Add(const ObjectResult& object) {
    State& s = *state_;
    AddToTotals(s.totals, object);
    s.rows.Write(ObjectRow(object, s.objects));
    s.charts.Write(ChartSections(object, s.objects, s.chartNumber, s.drawLimit));
    ++s.objects;
}

bool ReportWriter::Finish(const PassResult& pass) {
    State& s = *state_;
    PassTotals t = s.totals;
    for (const HostCall& c : pass.hostCalls) t.failedCalls += c.failed ? 1 : 0;
    s.report.Write(Head(pass, t));
    s.charts.Flush();
    s.report.Append(s.charts.partialPath());
    s.report.Write(ChartsEnd(s.chartNumber, s.drawLimit) + Pages(pass) + HostCallsHead(pass, s.objects));
    s.rows.Flush();
    s.report.Append(s.rows.partialPath());
    s.report.Write(Tail(pass));
    s.rows.Discard();
    s.charts.Discard();
    if (!s.report.Commit()) {
        s.error = s.report.error();
        return false;
    }
    return true;
}

const std::string& ReportWriter::error() const { return state_->error; }

}  // namespace bwpass
