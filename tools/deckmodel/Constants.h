// Excel and Office constants as a deck file spells them and the report prints them.
//
// A domain is the set of values one model field may take: named constants, a numeric range
// beside them, or both. The deck reader checks values against their domain, the writer prints
// the name where the domain prefers names, and the report uses the names in its captions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace bwpass {

struct NamedValue {
    const char* name;
    int32_t value;
};

struct IntDomain {
    const char* what;           // for messages: "an XlChartType name or number"
    const NamedValue* names;
    size_t nameCount;
    int32_t min, max;           // numbers allowed besides the named ones; min > max: none
    bool writeNames;            // the writer prints the name where there is one

    bool allows(int32_t v) const;
    std::optional<int32_t> lookup(const std::string& name) const;
    const char* nameOf(int32_t v) const;  // nullptr when unnamed
};

namespace domain {
const IntDomain& ChartType();
const IntDomain& LineStyle();
const IntDomain& BorderWeight();
const IntDomain& ColorIndex();
const IntDomain& MarkerStyle();
const IntDomain& MarkerSize();
const IntDomain& InteriorPattern();
const IntDomain& FillVisible();   // MsoTriState
const IntDomain& FillPattern();   // MsoPatternType, 0 = none
const IntDomain& Int32();
}  // namespace domain

// "xlColumnClustered" or the number as text.
std::string ChartTypeName(int32_t chartType);
// "msoPatternLightDownwardDiagonal" or the number as text.
std::string PatternName(int32_t pattern);

// The families the report draws; a chart type belongs to exactly one.
enum class Family { Column, Bar, Line, Area, Pie, Doughnut, Radar, Scatter, Bubble, Surface, Stock, Other };
Family FamilyOf(int32_t chartType);
bool IsStacked(int32_t chartType);
bool IsStacked100(int32_t chartType);
bool Is3D(int32_t chartType);
bool IsWireframe(int32_t chartType);
bool IsTopView(int32_t chartType);
bool IsExploded(int32_t chartType);
// Types that show markers when the marker style is automatic.
bool ShowsAutomaticMarkers(int32_t chartType);
// The shape Excel gives an automatic marker: by the series' position in the chart, from 0.
int32_t AutomaticMarkerStyle(size_t position);

}  // namespace bwpass
