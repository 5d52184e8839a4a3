#include "tools/report/LegibilitySection.h"

#include "tools/deckmodel/Text.h"
#include "tools/legibility/Legibility.h"
#include "tools/legibility/PrintedLook.h"
#include "tools/legibility/TextCheck.h"

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

}  // namespace

void CountLegibility(const sim::ChartModel& converted, LegibilityCounts& counts, bool seenOnPage) {
    const legibility::ChartLegibility l = legibility::CheckLegibility(converted);
    counts.chartsWithLookAlikes += l.lookAlikes.empty() && !seenOnPage ? 0 : 1;
    counts.chartsWithVanishingText += l.vanishingText.empty() ? 0 : 1;
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

std::string LookAlikeNote() {
    return "converted charts where two series, slices or bands print alike: the same pattern in greys within " +
           std::to_string(legibility::kGreyTolerance) +
           " of 255 levels, or the same dash, weight and marker; up and down bars alike, lines that vanish or look like a "
           "series' line, legend keys alike on the printed picture (listed under each chart)";
}

std::string VanishingTextNote() {
    return "converted charts with text within " + std::to_string(legibility::kTextContrast - 1) +
           " grey levels of what lies behind it, e.g. white text on the whitened chart area";
}

}  // namespace bwpass
