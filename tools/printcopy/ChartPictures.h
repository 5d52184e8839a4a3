// The copy of a converted file that LibreOffice prints: charts it cannot draw as they were
// converted (Office's fill patterns, white-filled markers, surfaces) shown as pictures of the
// same charts in their frames. The copy is only printed; the converted file is not changed.
#pragma once

#include "tools/package/Package.h"

#include <map>
#include <string>
#include <utility>

namespace office {

// The parts to replace and add in package so that every graphic frame showing a chart part named
// in pictures (chart part -> SVG image) shows that picture instead, at the frame's place and
// size: the picture parts, the frames' parts and their relationships, the content types.
std::map<std::string, std::string> ChartsAsPictures(const Package& package,
                                                    const std::map<std::string, std::string>& pictures);

// The size in EMU (cx, cy) of a frame that shows each chart part of the package (its xfrm's, or
// its anchor's where a workbook's drawing sizes the anchor; 0 for a two-cell anchor, sized by
// cells).
std::map<std::string, std::pair<long long, long long>> ChartFrameSizes(const Package& package);

// The text of a chart part's own title (c:chart/c:title), "" when it has none written out.
std::string ChartTitleText(const pugi::xml_document& chartPart);

// The titles of the axes at the left and at the bottom of the plot (c:axPos "l", "b"), "" where
// there is none written out.
struct AxisTitles {
    std::string left, bottom;
};
AxisTitles ChartAxisTitles(const pugi::xml_document& chartPart);

// The relative reference from sourcePart's folder to targetPart ("ppt/slides/slide1.xml",
// "ppt/charts/chart1.svg" -> "../charts/chart1.svg").
std::string RelativeReference(const std::string& sourcePart, const std::string& targetPart);

}  // namespace office
