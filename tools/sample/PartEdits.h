// Forms the sample's chart parts hold beyond what the stand-in's model says: a chart style
// (c:style), whose automatic formats then show, and a point whose marker has a format of its
// own (c:dPt/c:marker), as a highlighted point in a line chart is stored.
#pragma once

#include <cstddef>
#include <string>

namespace sample {

// The part with c:style val=style in its place (after c:roundedCorners, before c:chart).
std::string WithChartStyle(const std::string& chartXml, int style);

// The part with point `point` of series `series` (counted over the whole chart, from 0) given
// a marker of its own: symbol, size and a solid fill and line of colour (RRGGBB).
std::string WithPointMarker(const std::string& chartXml, size_t series, size_t point, const char* symbol, int size,
                            const char* colour);

}  // namespace sample
