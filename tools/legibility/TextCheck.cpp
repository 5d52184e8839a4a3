#include "tools/legibility/TextCheck.h"

#include "tools/legibility/PrintedLook.h"

#include <cstdlib>

namespace legibility {
namespace {

constexpr int kPage = 255;

// The grey an area prints in: its fill's, or what lies behind it where it shows none; -1 when
// a picture or texture makes it unknown.
int AreaGrey(const sim::ElementModel& area, int behind) {
    if (!area.present || behind < 0) return behind;
    const FillLook f = LookOfElement(area).fill;
    if (f.unfilled) return behind;
    if (f.kind == FillLook::Kind::Picture) return -1;
    return (f.fore + f.back) / 2;
}

class Checker {
public:
    explicit Checker(std::vector<Finding>& out) : out_(out) {}

    void operator()(const sim::TextModel& text, const std::string& what, bool plural, int background) {
        if (!text.present || background < 0) return;
        const int grey = GreyLevel(text.color);
        if (std::abs(grey - background) >= kTextContrast) return;
        out_.push_back({what + (plural ? " print " : " prints ") + GreyName(grey) + " on " + GreyName(background),
                        "text grey level " + std::to_string(grey) + " on " + std::to_string(background)});
    }

private:
    std::vector<Finding>& out_;
};

const sim::ElementModel* FirstShownLabel(const sim::SeriesModel& s) {
    for (const sim::ElementModel& label : s.dataLabels)
        if (label.present) return &label;
    return nullptr;
}

}  // namespace

std::vector<Finding> VanishingText(const sim::ChartModel& chart) {
    std::vector<Finding> out;
    Checker check(out);
    const int chartArea = AreaGrey(chart.chartArea, kPage);
    check(chart.titleFont, "title text", false, chartArea);
    if (chart.legend.present) check(chart.legend.font, "legend text", false, AreaGrey(chart.legend, chartArea));
    const char* axisNames[] = {"category axis", "value axis", "series axis"};
    for (int i = 0; i < 3; ++i) {
        const sim::AxisModel& axis = chart.axes[i];
        if (axis.present) check(axis.tickLabelFont, std::string(axisNames[i]) + " labels", true, chartArea);
        check(axis.titleFont, std::string(axisNames[i]) + " title", false, chartArea);
    }
    const int plotArea = AreaGrey(chart.plotArea, chartArea);
    for (size_t k = 0; k < chart.series.size(); ++k) {
        const sim::SeriesModel& s = chart.series[k];
        const sim::ElementModel* label = FirstShownLabel(s);
        if (!s.hasDataLabels || !label) continue;
        check(s.dataLabelFont, "data labels of series " + std::to_string(k + 1), true, AreaGrey(*label, plotArea));
    }
    return out;
}

}  // namespace legibility
