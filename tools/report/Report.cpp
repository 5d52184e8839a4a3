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
)";

std::string CallList(const std::vector<HostCall>& calls) {
    std::string s;
    for (const HostCall& c : calls) {
        if (!s.empty()) s += "<br>";
        s += H(c.member) + " &rarr; <span class=\"" + (c.failed ? "bad" : "ok") + "\">" + H(c.result) + "</span>";
    }
    return s;
}

std::string Row(const char* label, const std::string& value, const char* note = "") {
    return std::string("<tr><th>") + label + "</th><td class=\"num\">" + value + "</td><td class=\"muted\">" + note +
           "</td></tr>\n";
}

std::string Summary(const PassResult& r, const PassTotals& t) {
    std::string s = "<h2>Summary</h2>\n<table class=\"summary\">\n";
    s += Row("Objects offered", std::to_string(t.offered), "HandleObject calls, one per OLE object of the deck");
    s += Row("Accepted", std::to_string(t.accepted), "HandleObject answered True; ChangeToBWNoConfig followed");
    s += Row("Declined", std::to_string(t.declined), "not an Excel ProgID, or bit 512 of BWFlagSet not set");
    s += Row("Charts on the shown sheets", std::to_string(t.chartsOnShownSheets),
             "charts of accepted objects that the plug-in is meant to convert");
    s += Row("Charts converted", std::to_string(t.chartsChanged), "charts whose model changed during the pass");
    s += LegibilityRows(t);
    s += Row("Writes made", std::to_string(t.writes), "property writes and fill calls into the Excel stand-in");
    s += Row("Plug-in log lines", std::to_string(r.logLines.size()), "");
    s += Row("Failed host calls", t.failedCalls ? "<span class=\"bad\">" + std::to_string(t.failedCalls) + "</span>" : "0",
             "calls that returned a failure HRESULT to the host");
    s += "</table>\n";
    return s;
}

const char* kObjectTableHead =
    "<h2>Objects</h2>\n<table>\n<tr><th>#</th><th>Object</th><th>ProgID</th><th>BWFlagSet</th>"
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
    std::string s = "<section class=\"chart\" id=\"" + id + "\">\n<h3>Object " + std::to_string(objectIndex + 1) +
                    " &middot; " + H(c.place) + " &middot; " + H(ChartTypeName(c.before.chartType)) + "</h3>\n<p class=\"meta\">" +
                    ChartStatus(c) + "</p>\n" + LegibilityHtml(c);
    if (draw) {
        s += "<div class=\"pair\">\n<figure class=\"before\"><figcaption>Before</figcaption>\n" +
             ChartSvg(c.before, id + "b") + "</figure>\n";
        if (!c.renderBefore.empty()) s += RenderedFigure(c.renderBefore, "render-before", "Before: LibreOffice");
        s += "<figure class=\"after\"><figcaption>After</figcaption>\n" + ChartSvg(c.after, id + "a") + "</figure>\n";
        if (!c.renderAfter.empty()) s += RenderedFigure(c.renderAfter, "render-after", "After: LibreOffice");
        s += "</div>\n";
    }
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
    "<h2>Charts before and after</h2>\n"
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

std::string Log(const PassResult& r) {
    std::string s = "<h2>Plug-in log</h2>\n<p class=\"meta\">" + H(r.logNote) + "</p>\n";
    if (r.logLines.empty()) return s + "<p class=\"muted\">No lines.</p>\n";
    s += "<pre class=\"log\">";
    for (const std::string& line : r.logLines) s += H(line) + "\n";
    return s + "</pre>\n";
}

std::string PatternKey() {
    std::string s = "<h2>Fill patterns</h2>\n<p class=\"meta\">The Office patterns (MsoPatternType) as this report "
                    "draws them, black on white, each tile pixel enlarged four times. In the charts a pattern "
                    "appears in the element's own foreground and background colours.</p>\n<div class=\"swatches\">\n";
    for (int n = 1; n <= 48; ++n)
        s += "<div class=\"swatch\">" + PatternSwatchSvg(n, 64, 4, "key") + std::to_string(n) + " " +
             H(PatternName(n).substr(10)) + "</div>\n";
    return s + "</div>\n";
}

// Everything before the objects' table: the title, where things came from, the summary.
std::string Head(const PassResult& r, const PassTotals& t) {
    std::string s = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>Black-and-white pass: " +
                    H(r.deckTitle) + "</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n";
    s += "<h1>Black-and-white pass: " + H(r.deckTitle) + "</h1>\n";
    s += "<p class=\"meta\">Deck: " + H(r.deckSource) + "</p>\n";
    if (!r.outputDeck.empty()) s += "<p class=\"meta\">Converted deck: " + H(r.outputDeck) + "</p>\n";
    s += "<p class=\"meta\">Plug-in: " + H(r.dll) + " (" + H(r.activation) + ")</p>\n";
    s += Summary(r, t);
    for (const std::string& note : r.renderNotes) s += "<p class=\"meta\">" + H(note) + "</p>\n";
    if (!r.hostCalls.empty()) s += "<h2>Plug-in lifecycle</h2>\n<p class=\"meta\">" + CallList(r.hostCalls) + "</p>\n";
    return s;
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

std::string Tail(const PassResult& r) { return Pages(r) + Log(r) + PatternKey() + "</body>\n</html>\n"; }

}  // namespace

void AddToTotals(PassTotals& t, const ObjectResult& o) {
    ++t.offered;
    if (o.accepted.value_or(false)) {
        ++t.accepted;
        for (const ChartResult& c : o.charts) t.chartsOnShownSheets += c.onShownSheet ? 1 : 0;
    } else {
        ++t.declined;
    }
    for (const ChartResult& c : o.charts) {
        t.chartsChanged += c.changes.empty() ? 0 : 1;
        if (!c.changes.empty()) CountLegibility(c.after, t.legibility, !c.moreLookAlikes.empty());
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
    std::string s = Head(r, Totals(r)) + kObjectTableHead;
    for (size_t i = 0; i < r.objects.size(); ++i) s += ObjectRow(r.objects[i], i);
    s += std::string("</table>\n") + kChartsHead;
    size_t number = 0;
    for (size_t i = 0; i < r.objects.size(); ++i) s += ChartSections(r.objects[i], i, number, r.drawLimit);
    return s + ChartsEnd(number, r.drawLimit) + Tail(r);
}

// ---- Streamed ----

struct ReportWriter::State {
    OutputFile report, rows, charts;
    size_t drawLimit;
    size_t objects = 0, chartNumber = 0;
    PassTotals totals;
    std::string error;

    State(const std::wstring& path, size_t limit)
        : report(path), rows(path + L".rows"), charts(path + L".charts"), drawLimit(limit) {}
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
    s.report.Write(Head(pass, t) + kObjectTableHead);
    s.rows.Flush();
    s.report.Append(s.rows.partialPath());
    s.report.Write(std::string("</table>\n") + kChartsHead);
    s.charts.Flush();
    s.report.Append(s.charts.partialPath());
    s.report.Write(ChartsEnd(s.chartNumber, s.drawLimit) + Tail(pass));
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
