#include "tools/report/LegibilitySection.h"

#include "tools/deckmodel/Text.h"
#include "tools/legibility/Legibility.h"
#include "tools/legibility/PrintedLook.h"
#include "tools/legibility/TextCheck.h"
#include "tools/report/Inventory.h"

namespace bwpass {
namespace {

// A chart with hundreds of slices alike would bury the report; the count says how many.
constexpr size_t kListed = 30;

std::string H(const std::string& s) { return HtmlEscape(s); }

std::string Plural(size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string Items(const std::vector<legibility::Finding>& findings, size_t& listed) {
    std::string s;
    for (const legibility::Finding& f : findings) {
        if (listed == kListed) break;
        ++listed;
        s += "<li>" + H(f.text) + " <span class=\"muted\">&mdash; " + H(f.detail) + "</span></li>\n";
    }
    return s;
}

std::string Verdict(const legibility::ChartLegibility& l) {
    std::string s;
    if (!l.lookAlikes.empty()) s += Plural(l.lookAlikes.size(), "pair prints alike", "pairs print alike");
    if (!l.vanishingText.empty())
        s += (s.empty() ? "" : ", ") + Plural(l.vanishingText.size(), "text vanishes", "texts vanish");
    return s;
}

std::string SummaryRow(const char* label, size_t n, const char* note) {
    const std::string value = n ? "<span class=\"warn\">" + std::to_string(n) + "</span>" : "0";
    return std::string("<tr><th>") + label + "</th><td class=\"num\">" + value + "</td><td class=\"muted\">" + note +
           "</td></tr>\n";
}

}  // namespace

void CountLegibility(const sim::ChartModel& converted, LegibilityCounts& counts, bool seenOnPage) {
    const legibility::ChartLegibility l = legibility::CheckLegibility(converted);
    counts.chartsWithLookAlikes += l.lookAlikes.empty() && !seenOnPage ? 0 : 1;
    counts.chartsWithVanishingText += l.vanishingText.empty() ? 0 : 1;
}

void CountLegibility(const DeckObject& before, const DeckObject& after, LegibilityCounts& counts) {
    if (!before.excel || !after.excel) return;
    const int b = before.excel->embeddedWorkbook, a = after.excel->embeddedWorkbook;
    if (b < 0 || a < 0 || static_cast<size_t>(b) >= before.excel->application.workbooks.size() ||
        static_cast<size_t>(a) >= after.excel->application.workbooks.size())
        return;
    const sim::WorkbookModel& was = *before.excel->application.workbooks[static_cast<size_t>(b)];
    const sim::WorkbookModel& is = *after.excel->application.workbooks[static_cast<size_t>(a)];
    const std::vector<TrackedChart> charts = ChartsOf(was);
    const std::vector<const sim::ChartModel*> now = MatchingCharts(was, is);
    for (size_t i = 0; i < charts.size() && i < now.size(); ++i)
        if (now[i] && !ChartChanges(charts[i].result.before, *now[i]).empty()) CountLegibility(*now[i], counts);
}

std::string LegibilityHtml(const ChartResult& chart) {
    if (chart.changes.empty()) return {};
    legibility::ChartLegibility l = legibility::CheckLegibility(chart.after);
    l.lookAlikes.insert(l.lookAlikes.end(), chart.moreLookAlikes.begin(), chart.moreLookAlikes.end());
    std::string s = "<p class=\"meta legibility\">Legibility on paper: ";
    if (l.lookAlikes.empty() && l.vanishingText.empty())
        return s + "<span class=\"ok\">no two " + H(l.elements) + " print alike, no text vanishes</span> (" +
               std::to_string(l.compared) + " " + H(l.elements) + " compared)</p>\n";
    s += "<span class=\"warn\">" + Verdict(l) + "</span> (" + std::to_string(l.compared) + " " + H(l.elements) +
         " compared)</p>\n<ul class=\"legibility\">\n";
    size_t listed = 0;
    s += Items(l.lookAlikes, listed) + Items(l.vanishingText, listed);
    const size_t all = l.lookAlikes.size() + l.vanishingText.size();
    if (all > kListed) s += "<li class=\"muted\">and " + std::to_string(all - kListed) + " more</li>\n";
    return s + "</ul>\n";
}

std::string LegibilityRows(const PassTotals& t) {
    const std::string alike =
        "converted charts where two series, slices or bands print alike: the same pattern in greys within " +
        std::to_string(legibility::kGreyTolerance) +
        " of 255 levels, or the same dash, weight and marker; up and down bars alike, lines that vanish or look like a "
        "series' line, legend keys alike on the printed picture (listed under each chart)";
    const std::string vanish = "converted charts with text within " + std::to_string(legibility::kTextContrast - 1) +
                               " grey levels of what lies behind it, e.g. white text on the whitened chart area";
    return SummaryRow("Charts with look-alike series", t.legibility.chartsWithLookAlikes, alike.c_str()) +
           SummaryRow("Charts with vanishing text", t.legibility.chartsWithVanishingText, vanish.c_str());
}

}  // namespace bwpass
