#include "tools/legibility/Legibility.h"

#include "tools/deckmodel/Constants.h"
#include "tools/legibility/PrintedLook.h"
#include "tools/legibility/TextCheck.h"

namespace legibility {
namespace {

using Looks = std::vector<PrintedLook>;

// Each element against the elements before it, named with the first that prints alike.
void Compare(const Looks& looks, const std::string& word, const std::string& suffix, ChartLegibility& out) {
    for (size_t j = 0; j < looks.size(); ++j) {
        if (PrintsNothing(looks[j])) continue;
        ++out.compared;
        for (size_t i = 0; i < j; ++i)
            if (!PrintsNothing(looks[i]) && PrintAlike(looks[j], looks[i])) {
                out.lookAlikes.push_back({word + " " + std::to_string(j + 1) + " and " + std::to_string(i + 1) + suffix +
                                              " print alike",
                                          Describe(looks[j])});
                break;
            }
    }
}

Looks SeriesLooks(const sim::ChartModel& chart) {
    Looks looks;
    for (size_t i = 0; i < chart.series.size(); ++i) {
        const sim::SeriesModel& s = chart.series[i];
        looks.push_back(IsDrawnAsLine(s) ? LookOfLineSeries(s, i) : LookOfFilledSeries(s));
    }
    return looks;
}

Looks SliceLooks(const sim::SeriesModel& series) {
    Looks looks;
    for (const sim::PointModel& p : series.points) looks.push_back(LookOfElement(p.element));
    return looks;
}

// A surface's bands are seen only through its legend keys, which the conversion patterns.
Looks BandLooks(const sim::ChartModel& chart) {
    Looks looks;
    if (!chart.legend.present) return looks;
    for (const sim::LegendEntryModel& e : chart.legend.entries) looks.push_back(LookOfElement(e.legendKey));
    return looks;
}

}  // namespace

ChartLegibility CheckLegibility(const sim::ChartModel& chart) {
    ChartLegibility out;
    switch (bwpass::FamilyOf(chart.chartType)) {
    case bwpass::Family::Surface:
        out.elements = "bands";
        Compare(BandLooks(chart), "band", "", out);
        break;
    case bwpass::Family::Pie:
        // A pie shows its first series only.
        out.elements = "slices";
        if (!chart.series.empty()) Compare(SliceLooks(chart.series.front()), "slice", "", out);
        break;
    case bwpass::Family::Doughnut:
        // Each ring on its own: the same slice of two rings stands for the same category.
        out.elements = "slices";
        for (size_t k = 0; k < chart.series.size(); ++k)
            Compare(SliceLooks(chart.series[k]), "slice",
                    chart.series.size() > 1 ? " of series " + std::to_string(k + 1) : "", out);
        break;
    default:
        out.elements = "series";
        Compare(SeriesLooks(chart), "series", "", out);
        break;
    }
    out.vanishingText = VanishingText(chart);
    return out;
}

// A line element as it prints: drawn without markers.
PrintedLook LookOfLine(const sim::LineElementModel& line) {
    sim::SeriesModel asSeries;
    asSeries.chartType = 4;  // xlLine
    asSeries.border = line.border;
    asSeries.markerStyle = -4142;
    PrintedLook look = LookOfLineSeries(asSeries, 0);
    look.line.line = line.present && line.border.lineStyle != -4142 && line.border.colorIndex != -4142;
    return look;
}

std::vector<Finding> CheckBarsAndLines(const sim::ChartModel& chart, const sim::ElementModel* upBars,
                                       const sim::ElementModel* downBars,
                                       const std::vector<std::pair<std::string, sim::LineElementModel>>& lines) {
    std::vector<Finding> found;
    if (upBars && downBars) {
        const PrintedLook up = LookOfElement(*upBars), down = LookOfElement(*downBars);
        if (PrintAlike(up, down)) found.push_back({"up and down bars print alike", Describe(up)});
    }
    for (const auto& [name, line] : lines) {
        const PrintedLook look = LookOfLine(line);
        if (!look.line.line) continue;
        if (look.line.grey > 255 - kTextContrast) {
            found.push_back({name + " print white on white", Describe(look)});
            continue;
        }
        for (size_t i = 0; i < chart.series.size(); ++i) {
            const sim::SeriesModel& s = chart.series[i];
            if (!IsDrawnAsLine(s)) continue;
            const PrintedLook seriesLine = LookOfLineSeries(s, i);
            if (PrintAlike(look, seriesLine)) {
                found.push_back({name + " print like series " + std::to_string(i + 1) + "'s line", Describe(look)});
                break;
            }
        }
    }
    return found;
}

}  // namespace legibility
