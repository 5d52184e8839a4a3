#include "tools/report/Report.h"

#include "tools/report/ChartSvg.h"
#include "tools/deck/Constants.h"
#include "tools/deck/Text.h"

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
.muted { color: #666; }
.pair { display: flex; gap: 16px; flex-wrap: wrap; }
figure { margin: 0; }
figcaption { font-size: 12px; font-weight: bold; margin-bottom: 2px; }
figure svg { border: 1px solid #bbb; display: block; }
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
    s += Row("Writes made", std::to_string(t.writes), "property writes and fill calls into the Excel stand-in");
    s += Row("Plug-in log lines", std::to_string(r.logLines.size()), "");
    s += Row("Failed host calls", t.failedCalls ? "<span class=\"bad\">" + std::to_string(t.failedCalls) + "</span>" : "0",
             "calls that returned a failure HRESULT to the host");
    s += "</table>\n";
    return s;
}

std::string ObjectTable(const PassResult& r) {
    std::string s = "<h2>Objects</h2>\n<table>\n<tr><th>#</th><th>Object</th><th>ProgID</th><th>BWFlagSet</th>"
                    "<th>Excel</th><th>Host calls</th><th>Charts changed</th><th>Writes</th><th>Sheets before &rarr; after</th>"
                    "<th>Workbook</th></tr>\n";
    for (size_t i = 0; i < r.objects.size(); ++i) {
        const ObjectResult& o = r.objects[i];
        size_t changed = 0;
        for (const ChartResult& c : o.charts) changed += c.changes.empty() ? 0 : 1;
        s += "<tr><td class=\"num\">" + std::to_string(i + 1) + "</td><td>" + H(o.name) + "</td><td>" + H(o.progId) +
             "</td><td class=\"num\">" + std::to_string(o.bwFlagSet) + "</td><td>" +
             (o.hasWorkbook ? H(o.excelVersion) : "<span class=\"muted\">none</span>") + "</td><td>" + CallList(o.calls) +
             "</td><td class=\"num\">" + std::to_string(changed) + " of " + std::to_string(o.charts.size()) +
             "</td><td class=\"num\">" + std::to_string(o.writes) + "</td><td>" + H(o.sheetsBefore) + "<br>&rarr; " +
             H(o.sheetsAfter) + "</td><td>" + H(o.workbookState) +
             (o.spareWorkbook.empty() ? "" : "<br><span class=\"muted\">spare: " + H(o.spareWorkbook) + "</span>") +
             "</td></tr>\n";
    }
    return s + "</table>\n";
}

std::string ChartStatus(const ChartResult& c) {
    if (!c.changes.empty())
        return "<span class=\"ok\">converted</span>: " + std::to_string(c.changes.size()) + " properties changed";
    if (c.onShownSheet) return "<span class=\"muted\">unchanged</span>";
    return "<span class=\"muted\">unchanged (not on the sheet the workbook shows)</span>";
}

std::string ChartSection(const ChartResult& c, size_t objectIndex, size_t chartNumber, bool draw) {
    const std::string id = "c" + std::to_string(chartNumber);
    std::string s = "<section class=\"chart\" id=\"" + id + "\">\n<h3>Object " + std::to_string(objectIndex + 1) +
                    " &middot; " + H(c.place) + " &middot; " + H(ChartTypeName(c.before.chartType)) + "</h3>\n<p class=\"meta\">" +
                    ChartStatus(c) + "</p>\n";
    if (draw) {
        s += "<div class=\"pair\">\n<figure class=\"before\"><figcaption>Before</figcaption>\n" +
             ChartSvg(c.before, id + "b") + "</figure>\n<figure class=\"after\"><figcaption>After</figcaption>\n" +
             ChartSvg(c.after, id + "a") + "</figure>\n</div>\n";
    }
    if (!c.changes.empty()) {
        s += "<details><summary>" + std::to_string(c.changes.size()) + " changed properties</summary><pre>";
        for (const std::string& line : c.changes) s += H(line) + "\n";
        s += "</pre></details>\n";
    }
    return s + "</section>\n";
}

std::string Charts(const PassResult& r) {
    std::string s = "<h2>Charts before and after</h2>\n"
                    "<p class=\"meta\">Drawn from the Excel stand-in's model: fills in their colours or Office hatch "
                    "patterns (foreground Interior.Color on background Interior.PatternColor), borders with their "
                    "colours, weights and dash styles, markers, legend keys, axes and gridlines. Hover over an element "
                    "for its properties. Layout and text are the drawing's own; Excel keeps neither in the model.</p>\n";
    size_t number = 0;
    for (size_t i = 0; i < r.objects.size(); ++i)
        for (const ChartResult& c : r.objects[i].charts) {
            ++number;
            s += ChartSection(c, i, number, number <= r.drawLimit);
        }
    if (number > r.drawLimit)
        s += "<p class=\"meta\">Only the first " + std::to_string(r.drawLimit) + " of " + std::to_string(number) +
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

}  // namespace

PassTotals Totals(const PassResult& r) {
    PassTotals t;
    for (const HostCall& c : r.hostCalls) t.failedCalls += c.failed ? 1 : 0;
    for (const ObjectResult& o : r.objects) {
        ++t.offered;
        if (o.accepted.value_or(false)) {
            ++t.accepted;
            for (const ChartResult& c : o.charts) t.chartsOnShownSheets += c.onShownSheet ? 1 : 0;
        } else {
            ++t.declined;
        }
        for (const ChartResult& c : o.charts) t.chartsChanged += c.changes.empty() ? 0 : 1;
        for (const HostCall& c : o.calls) t.failedCalls += c.failed ? 1 : 0;
        t.writes += o.writes;
    }
    return t;
}

std::string ReportHtml(const PassResult& r) {
    const PassTotals t = Totals(r);
    std::string s = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>Black-and-white pass: " +
                    H(r.deckTitle) + "</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n";
    s += "<h1>Black-and-white pass: " + H(r.deckTitle) + "</h1>\n";
    s += "<p class=\"meta\">Deck: " + H(r.deckSource) + "</p>\n";
    if (!r.outputDeck.empty()) s += "<p class=\"meta\">Converted deck: " + H(r.outputDeck) + "</p>\n";
    s += "<p class=\"meta\">Plug-in: " + H(r.dll) + " (" + H(r.activation) + ")</p>\n";
    s += Summary(r, t);
    if (!r.hostCalls.empty()) s += "<h2>Plug-in lifecycle</h2>\n<p class=\"meta\">" + CallList(r.hostCalls) + "</p>\n";
    s += ObjectTable(r);
    s += Charts(r);
    s += Log(r);
    s += PatternKey();
    return s + "</body>\n</html>\n";
}

}  // namespace bwpass
