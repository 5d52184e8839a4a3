// TEMPORARY: the chart part layer's interface, for building the package and document layers
// before that layer is in the tree. tools/office/CMakeLists.txt uses this folder only while
// tools/office/ChartPart.h does not exist; delete the folder and ChartPartStub.cpp then.
#pragma once

#include "sim/ExcelModel.h"

#include <pugixml.hpp>

#include <cstdint>
#include <map>
#include <string>

namespace office {

struct Theme {
    std::map<std::string, uint32_t> colours;
};
Theme ReadTheme(const pugi::xml_node& themeRoot, const pugi::xml_node& clrMap);

struct ChartReading {
    sim::ChartModel model;
    bool supported = true;
    std::string reason;
};
ChartReading ReadChartPart(const pugi::xml_document& chartPart, const Theme& theme);

size_t WriteChartChanges(pugi::xml_document& chartPart, const sim::ChartModel& before,
                         const sim::ChartModel& after, const Theme& theme);

}  // namespace office
