// The legibility check read from the printed picture of a chart: the keys of its legend, where
// the picture's drawing put them, compared pixel by pixel (tools/legibility/PageCheck.h).
#pragma once

#include "tools/legibility/Legibility.h"
#include "tools/report/ChartSvg.h"

#include <string>
#include <vector>

namespace bwoffice {

// The keys of png (a picture of the whole drawing, scaled to the picture; keys in fractions of it) that look like an earlier key: "“Region 10” and “Region 4” look alike on the printed
// page". Nothing when the picture cannot be read.
std::vector<legibility::Finding> PageLookAlikes(const std::string& png, const std::vector<bwpass::DrawnKey>& keys);

}  // namespace bwoffice
