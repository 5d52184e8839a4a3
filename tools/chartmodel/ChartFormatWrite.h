// Writing an element's format (fill and line) into the part: the pieces the chart writer is made of.
#pragma once

#include "tools/chartmodel/ChartInternal.h"

namespace office::detail {

// Removes the fill of a c:spPr or a:ln and inserts a new fill element of the kind given, in order.
pugi::xml_node ReplaceFill(const xml::Names& names, pugi::xml_node holder, const char* fill);
void SetSolid(const xml::Names& names, pugi::xml_node holder, int32_t bgr);

// Whether the DrawingML of a fill or a line would change: colours of a fill that is not drawn
// before or after do not count.
bool FillDiffers(const sim::ElementModel& before, const sim::ElementModel& after);
bool LineDiffers(const sim::BorderModel& before, const sim::BorderModel& after);

// Write into the c:spPr of owner (created where needed, and into owner's counterparts in the
// other branches of an mc:AlternateContent) what changed. Return the number of properties written.
size_t WriteFormat(const xml::Names& names, const pugi::xml_node& owner, const sim::ElementModel& before,
                   const sim::ElementModel& after);
size_t WriteLineFormat(const xml::Names& names, const pugi::xml_node& owner, const sim::BorderModel& before,
                       const sim::BorderModel& after);

}  // namespace office::detail
