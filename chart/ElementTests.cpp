#include "chart/ElementTests.h"

#include "excel/ExcelObjectModel.h"

namespace qv::chart {

using namespace qv::excel;

bool IsFillVisible(IDispatch* fill) noexcept {
    if (!fill) return false;
    return TestOrFalse([&](Step& s) { return s.GetInt32(fill, Member::FillFormatVisible) != 0; });
}

bool IsBorderDrawn(IDispatch* border) noexcept {
    if (!border) return false;
    return TestOrFalse([&](Step& s) {
        // Weight first, then LineStyle: both reads are made whenever the first succeeds.
        const double weight = s.GetDouble(border, Member::Weight);
        const double lineStyle = s.GetDouble(border, Member::LineStyle);
        return weight > 0 && lineStyle != xl::None;
    });
}

bool IsBorderDistinctFromFill(IDispatch* border, IDispatch* chart, long fillColour) noexcept {
    if (!border || !chart) return false;
    const bool sameColour = TestOrFalse(
        [&](Step& s) { return s.GetDouble(border, Member::Color) == static_cast<double>(fillColour); });
    if (sameColour) return false;
    return IsBorderDrawn(border);
}

}  // namespace qv::chart
