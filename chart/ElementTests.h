// Whether a chart element's fill or border is really there, before the conversion touches it.
// The tests read through automation, change nothing and never fail: an error answers False
// (IsBorderDistinctFromFill: a colour that cannot be read counts as different).
#pragma once

#include "com/Automation.h"

namespace qv::chart {

// fill: an Office FillFormat, or null. True when its Visible tri-state is not 0 (so
// msoTriStateMixed, -2, counts as visible).
bool IsFillVisible(IDispatch* fill) noexcept;

// border: a Border, or null. True when Weight > 0 and LineStyle is not xlNone (-4142); the
// medium weight (-4138) therefore counts as not drawn.
bool IsBorderDrawn(IDispatch* border) noexcept;

// False when border or chart is null, or when the border's colour equals fillColour;
// otherwise IsBorderDrawn(border). The chart is only checked for presence.
bool IsBorderDistinctFromFill(IDispatch* border, IDispatch* chart, long fillColour) noexcept;

// The tests on an element that step s fetched: made only when the fetch went through (a failed
// step makes no further call, and its test counts by the caller's rule).
inline bool BorderDrawn(const Step& s, const Dispatch& border) noexcept {
    return !s.failed() && IsBorderDrawn(border.get());
}
inline bool FillVisible(const Step& s, const Dispatch& fill) noexcept {
    return !s.failed() && IsFillVisible(fill.get());
}

}  // namespace qv::chart
