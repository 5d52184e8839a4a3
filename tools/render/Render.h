// Charts drawn by a real renderer: each chart part is wrapped into a one-slide presentation and
// headless LibreOffice turns them all into PDF in one run (its start-up costs far more than a
// chart), then pdftoppm turns each PDF into a PNG.
//
// LibreOffice draws a chart from the caches of its part (c:numCache, c:strCache); the chart's
// workbook is not needed, so the wrapper carries none, and the part's relationships (workbook,
// user shapes) are dropped from the copy that is rendered.
#pragma once

#include "tools/render/Presentation.h"

#include <string>
#include <vector>

namespace render {

struct ChartToRender {
    std::string chartXml;       // the chart part as stored (c:chartSpace)
    std::string themeXml;       // the theme its colours refer to; empty: Office's default theme
    std::string outputPng;      // where the picture goes
    int dpi = 60;               // 60: 400 x 267 pixels for the 6.67 x 4.44 inch slide
    // The colour map the chart is shown under, where it differs from the identity map (a dark
    // layout or slide mapping bg1 to dk1 ...), as office::ColourMapChanges gives it. The chart's
    // own c:clrMapOvr, which LibreOffice ignores, is applied over it.
    ColourMap colourMap{};
    std::string themeOverrideXml{};  // the chart part's theme override (a:themeOverride), or empty
    // The chart as it prints, where the print shows a picture in its place (ChartFrame::pictureSvg):
    // drawn instead of the chart part.
    std::string pictureSvg{};
};

// Renders all in one LibreOffice run and returns one line per chart that could not be drawn,
// naming its output file and why (empty when all were drawn). Without LibreOffice or pdftoppm
// it returns one line saying so and draws nothing. Never throws.
//
// workFolder holds LibreOffice's private profile (kept between calls: its first creation costs
// seconds) and the intermediate files; it is created when missing. One call at a time per
// workFolder: a second soffice on the same profile hands its work to the first and exits.
std::vector<std::string> RenderCharts(const std::vector<ChartToRender>& charts, const std::string& workFolder);

// The same with LibreOffice's run limited to limitSeconds instead of the default, which allows
// two minutes for the start and ten seconds per chart (a hung soffice is killed at the limit).
std::vector<std::string> RenderCharts(const std::vector<ChartToRender>& charts, const std::string& workFolder,
                                      double limitSeconds);

// The preview picture of an Excel object embedded as an OLE object, drawn from its converted
// chart. What the caller does with it in the presentation:
//  - store it as a new part ppt/media/NAME.png (a fresh name: the old preview may be shared);
//  - make sure [Content_Types].xml has <Default Extension="png" ContentType="image/png"/>;
//  - point the slide's relationship of the object's picture (p:oleObj/p:pic/p:blipFill/a:blip
//    r:embed, in the mc:Fallback where the object is wrapped in mc:AlternateContent) at
//    ../media/NAME.png;
//  - where the slide has a VML drawing (ppt/drawings/vmlDrawingN.vml, the mc:Choice branch's
//    p:oleObj spid names its shape), point the relationship of that shape's v:imagedata o:relid
//    at the same PNG too: PowerPoint shows the object from the VML picture, LibreOffice from
//    p:pic, and both must show the converted chart;
//  - the old EMF/WMF part may be dropped when nothing else refers to it.
// Returns what could not be done, as RenderCharts does. The picture has the chart's slide
// proportions (3:2); the object's frame keeps its own size and LibreOffice and PowerPoint stretch
// the picture into it.
std::vector<std::string> MakePreviewPicture(const std::string& chartXml, const std::string& themeXml,
                                            const std::string& outputPng, const std::string& workFolder,
                                            const std::string& themeOverrideXml = "");

// The one-slide presentation that is rendered for a chart: exposed for tests.
std::string OneSlidePresentation(const std::string& chartXml, const std::string& themeXml);
std::string OneSlidePresentation(const ChartToRender& chart);

// Charts are wrapped on a slide of this size, in EMU: the size PowerPoint gives a new chart.
constexpr long long kChartSlideWidth = 6096000, kChartSlideHeight = 4064000;

}  // namespace render
