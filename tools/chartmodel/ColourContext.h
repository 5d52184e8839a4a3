// The colours a chart of a package is drawn with, beyond its master's or workbook's theme: the
// colour map a slide or its layout sets for itself, and a theme override the chart part carries.
#pragma once

#include "tools/chartmodel/ChartPart.h"
#include "tools/package/Package.h"

#include <string>

namespace office {

// The theme under the colour map of a slide: its layout's p:clrMapOvr, then its own (an
// a:overrideClrMapping replaces the map; a:masterClrMapping keeps the one above).
Theme WithSlideColourMap(const Package& package, const std::string& slidePart, const Theme& masterTheme);

// The theme with the colour scheme of the chart part's theme override (a relationship of type
// themeOverride), if it has one.
Theme WithChartThemeOverride(const Package& package, const std::string& chartPart, const Theme& theme);

// The chart part's theme override part, or "" when it has none.
std::string ThemeOverridePart(const Package& package, const std::string& chartPart);

}  // namespace office
