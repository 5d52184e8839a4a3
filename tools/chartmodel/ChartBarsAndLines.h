// The elements of a chart part that the conversion leaves as they are and that still tell
// series apart on paper: up and down bars, high-low lines, drop lines, series lines and error
// bars, with their formats as Excel would report them.
#pragma once

#include "sim/ExcelModel.h"
#include "tools/chartmodel/ChartPart.h"

#include <pugixml.hpp>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace office {

struct BarsAndLines {
    std::optional<sim::ElementModel> upBars, downBars;
    // ("high-low lines", format), ("drop lines", ...), ("series lines", ...), ("error bars of
    // series 2", ...), in the order the part holds them.
    std::vector<std::pair<std::string, sim::LineElementModel>> lines;
};

BarsAndLines ReadBarsAndLines(const pugi::xml_document& chartPart, const Theme& theme);

}  // namespace office
