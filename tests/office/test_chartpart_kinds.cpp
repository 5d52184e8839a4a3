// The chart part layer on what the corpus lacks: every chart group and attribute, the styles'
// automatic formats, the families the conversion treats apart (3-D with walls and floor,
// surface bands, pies, many line series), wrapped elements and parts that cannot be modelled.
#include "tests/office/chartpart_support.h"
#include "tools/chartmodel/ChartInternal.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace {

using namespace chartpart_test;
using office::ReadChartPart;
using office::WriteChartChanges;

const office::Theme kTheme = office::ReadTheme({}, {});

pugi::xml_document Parse(const std::string& xml) {
    pugi::xml_document doc;
    const pugi::xml_parse_result r = doc.load_string(xml.c_str());
    EXPECT_TRUE(r) << r.description() << "\n" << xml;
    return doc;
}

std::string Values(int count) {
    std::string pts;
    for (int i = 0; i < count; ++i)
        pts += "<c:pt idx=\"" + std::to_string(i) + "\"><c:v>" + std::to_string(3 + (i * 7) % 5) + "</c:v></c:pt>";
    return "<c:val><c:numRef><c:f>Sheet1!$B$2</c:f><c:numCache><c:formatCode>General</c:formatCode><c:ptCount val=\"" +
           std::to_string(count) + "\"/>" + pts + "</c:numCache></c:numRef></c:val>";
}

// A series: format and other elements that go before its values, then those after.
std::string Ser(int idx, const std::string& before = "", int points = 3, const std::string& after = "") {
    return "<c:ser><c:idx val=\"" + std::to_string(idx) + "\"/><c:order val=\"" + std::to_string(idx) + "\"/>" + before +
           Values(points) + after + "</c:ser>";
}

// A bubble series: y values and bubble sizes in place of values.
std::string BubbleSer(int idx) {
    std::string values = Values(3), y = values, sizes = values;
    y.replace(1, 5, "c:yVal");
    y.replace(y.size() - 6, 5, "c:yVal");
    sizes.replace(1, 5, "c:bubbleSize");
    sizes.replace(sizes.size() - 6, 5, "c:bubbleSize");
    return "<c:ser><c:idx val=\"" + std::to_string(idx) + "\"/><c:order val=\"" + std::to_string(idx) + "\"/>" + y + sizes +
           "</c:ser>";
}

std::string Axes(bool series = false) {
    const std::string scaling = R"(<c:scaling><c:orientation val="minMax"/></c:scaling><c:delete val="0"/>)";
    std::string xml = R"(<c:catAx><c:axId val="1"/>)" + scaling + R"(<c:axPos val="b"/><c:crossAx val="2"/></c:catAx>)" +
                      R"(<c:valAx><c:axId val="2"/>)" + scaling +
                      R"(<c:axPos val="l"/><c:majorGridlines/><c:crossAx val="1"/></c:valAx>)";
    if (series) xml += R"(<c:serAx><c:axId val="3"/>)" + scaling + R"(<c:axPos val="b"/><c:crossAx val="2"/></c:serAx>)";
    return xml;
}

std::string Part(const std::string& plotArea, const std::string& chartBefore = "", const std::string& spaceBefore = "") {
    return R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
           R"(<c:chartSpace xmlns:c="http://schemas.openxmlformats.org/drawingml/2006/chart" )"
           R"(xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main" )"
           R"(xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006">)" +
           spaceBefore + "<c:chart>" + chartBefore + "<c:plotArea><c:layout/>" + plotArea +
           R"(</c:plotArea><c:legend><c:legendPos val="r"/><c:overlay val="0"/></c:legend>)"
           R"(<c:plotVisOnly val="1"/></c:chart></c:chartSpace>)";
}

std::string Many(int count, const std::string& before = "") {
    std::string xml;
    for (int i = 0; i < count; ++i) xml += Ser(i, before);
    return xml;
}

TEST(ChartPartKinds, GroupsAndTheirAttributesGiveExcelsChartTypes) {
    const std::string noMarker = R"(<c:marker><c:symbol val="none"/></c:marker>)";
    const std::string noLine = R"(<c:spPr><a:ln><a:noFill/></a:ln></c:spPr>)";
    struct Case { std::string group; int32_t chartType; };
    const Case cases[] = {
        {"<c:barChart><c:barDir val=\"col\"/><c:grouping val=\"clustered\"/>" + Ser(0) + "</c:barChart>", 51},
        {"<c:barChart><c:barDir val=\"bar\"/><c:grouping val=\"stacked\"/>" + Ser(0) + "</c:barChart>", 58},
        {"<c:barChart><c:barDir val=\"col\"/><c:grouping val=\"percentStacked\"/>" + Ser(0) + "</c:barChart>", 53},
        {"<c:bar3DChart><c:barDir val=\"col\"/><c:grouping val=\"clustered\"/>" + Ser(0) + "</c:bar3DChart>", 54},
        {"<c:bar3DChart><c:barDir val=\"col\"/><c:grouping val=\"standard\"/>" + Ser(0) + "</c:bar3DChart>", -4100},
        {"<c:bar3DChart><c:barDir val=\"col\"/><c:grouping val=\"standard\"/>" + Ser(0) +
             "<c:shape val=\"cylinder\"/></c:bar3DChart>", 98},
        {"<c:bar3DChart><c:barDir val=\"bar\"/><c:grouping val=\"percentStacked\"/>" + Ser(0) +
             "<c:shape val=\"pyramid\"/></c:bar3DChart>", 111},
        {"<c:bar3DChart><c:barDir val=\"col\"/><c:grouping val=\"stacked\"/>" + Ser(0) +
             "<c:shape val=\"coneToMax\"/></c:bar3DChart>", 100},
        {"<c:lineChart><c:grouping val=\"standard\"/>" + Ser(0) + "<c:marker val=\"1\"/></c:lineChart>", 65},
        {"<c:lineChart><c:grouping val=\"stacked\"/>" + Ser(0) + "<c:marker val=\"1\"/></c:lineChart>", 66},
        {"<c:lineChart><c:grouping val=\"standard\"/>" + Ser(0, noMarker) + "<c:marker val=\"1\"/></c:lineChart>", 4},
        {"<c:lineChart><c:grouping val=\"percentStacked\"/>" + Ser(0, noMarker) + "</c:lineChart>", 64},
        {"<c:line3DChart><c:grouping val=\"standard\"/>" + Ser(0) + "</c:line3DChart>", -4101},
        {"<c:areaChart><c:grouping val=\"percentStacked\"/>" + Ser(0) + "</c:areaChart>", 77},
        {"<c:area3DChart><c:grouping val=\"stacked\"/>" + Ser(0) + "</c:area3DChart>", 78},
        {"<c:area3DChart><c:grouping val=\"standard\"/>" + Ser(0) + "</c:area3DChart>", -4098},
        {"<c:pieChart>" + Ser(0) + "</c:pieChart>", 5},
        {"<c:pieChart>" + Ser(0, "<c:explosion val=\"25\"/>") + "</c:pieChart>", 69},
        {"<c:pie3DChart>" + Ser(0) + "</c:pie3DChart>", -4102},
        {"<c:ofPieChart><c:ofPieType val=\"pie\"/>" + Ser(0) + "</c:ofPieChart>", 68},
        {"<c:ofPieChart><c:ofPieType val=\"bar\"/>" + Ser(0) + "</c:ofPieChart>", 71},
        {"<c:doughnutChart>" + Ser(0) + "</c:doughnutChart>", -4120},
        {"<c:radarChart><c:radarStyle val=\"filled\"/>" + Ser(0) + "</c:radarChart>", 82},
        {"<c:radarChart><c:radarStyle val=\"marker\"/>" + Ser(0) + "</c:radarChart>", 81},
        {"<c:radarChart><c:radarStyle val=\"marker\"/>" + Ser(0, noMarker) + "</c:radarChart>", -4151},
        {"<c:scatterChart><c:scatterStyle val=\"lineMarker\"/>" + Ser(0, noLine) + "</c:scatterChart>", -4169},
        {"<c:scatterChart><c:scatterStyle val=\"lineMarker\"/>" + Ser(0) + "</c:scatterChart>", 74},
        {"<c:scatterChart><c:scatterStyle val=\"lineMarker\"/>" + Ser(0, noMarker) + "</c:scatterChart>", 75},
        {"<c:scatterChart><c:scatterStyle val=\"smoothMarker\"/>" + Ser(0) + "</c:scatterChart>", 72},
        {"<c:scatterChart><c:scatterStyle val=\"smoothMarker\"/>" + Ser(0, noMarker) + "</c:scatterChart>", 73},
        {"<c:bubbleChart>" + Ser(0) + "</c:bubbleChart>", 15},
        {"<c:bubbleChart>" + Ser(0) + "<c:bubble3D val=\"1\"/></c:bubbleChart>", 87},
        {"<c:surfaceChart>" + Ser(0) + "</c:surfaceChart>", 85},
        {"<c:surfaceChart><c:wireframe val=\"1\"/>" + Ser(0) + "</c:surfaceChart>", 86},
        {"<c:surface3DChart>" + Ser(0) + "</c:surface3DChart>", 83},
        {"<c:surface3DChart><c:wireframe val=\"1\"/>" + Ser(0) + "</c:surface3DChart>", 84},
        {"<c:stockChart>" + Many(3) + "</c:stockChart>", 88},
        {"<c:stockChart>" + Many(4) + "</c:stockChart>", 89},
        {"<c:barChart><c:barDir val=\"col\"/>" + Ser(0) + "</c:barChart><c:stockChart>" + Many(3) + "</c:stockChart>", 90},
    };
    for (const Case& c : cases) {
        pugi::xml_document doc = Parse(Part(c.group));
        const office::ChartReading r = ReadChartPart(doc, kTheme);
        ASSERT_TRUE(r.supported) << r.reason;
        EXPECT_EQ(r.model.chartType, c.chartType) << c.group;
    }
}

TEST(ChartPartKinds, AutomaticColoursFollowTheStyleAndTheTheme) {
    const std::string wrapped =
        R"(<mc:AlternateContent><mc:Choice Requires="c14" xmlns:c14="http://schemas.microsoft.com/office/drawing/2007/8/2/chart">)"
        R"(<c14:style val="102"/></mc:Choice><mc:Fallback><c:style val="3"/></mc:Fallback></mc:AlternateContent>)";
    struct Case { std::string style; int series; int idx; uint32_t expected; };
    const Case cases[] = {
        {"", 14, 0, 0x4F81BD},  {"", 14, 5, 0xF79646},  {"", 14, 6, 0x2C4D75},  {"", 14, 7, 0x772C2A},
        {"", 14, 12, 0x729ACA},  // third round: luminance x80% +20%
        {"<c:style val=\"3\"/>", 3, 0, 0x254061}, {"<c:style val=\"3\"/>", 3, 1, 0x4F81BD},
        {"<c:style val=\"3\"/>", 3, 2, 0xA7C0DE},
        {wrapped, 3, 0, 0x4F81BD},  // the Choice's style 2, not the Fallback's 3
    };
    for (const Case& c : cases) {
        pugi::xml_document doc =
            Parse(Part("<c:barChart><c:barDir val=\"col\"/>" + Many(c.series) + "</c:barChart>" + Axes(), "", c.style));
        const sim::ChartModel m = ReadChartPart(doc, kTheme).model;
        ASSERT_EQ(m.series.size(), static_cast<size_t>(c.series));
        EXPECT_EQ(Hex(m.series[c.idx].interior.color), Hex(office::detail::ToModel(c.expected)))
            << "style " << c.style << " series " << c.idx;
        EXPECT_EQ(Described(m.series[c.idx].points[0].element), Described(sim::ElementModel{true, m.series[c.idx].border, m.series[c.idx].interior, m.series[c.idx].fill}));
    }
    pugi::xml_document doc = Parse(Part("<c:lineChart><c:grouping val=\"standard\"/>" + Ser(0) +
                                        "<c:marker val=\"1\"/><c:axId val=\"1\"/><c:axId val=\"2\"/></c:lineChart>" + Axes()));
    const sim::ChartModel m = ReadChartPart(doc, kTheme).model;
    EXPECT_EQ(Described(m.chartArea), "fill FFFFFF type 0, line 808080 weight 2 style 1");
    EXPECT_EQ(Described(m.plotArea), "no fill, no line");
    EXPECT_EQ(Described(m.legend), "no fill, no line");
    EXPECT_EQ(Described(m.axes[1].majorGridlines.border), "line 808080 weight 2 style 1");
    EXPECT_EQ(Described(m.series[0].border), "line 4F81BD weight 4 style 1");
    EXPECT_EQ(m.series[0].markerStyle, -4105);
    EXPECT_EQ(Hex(m.series[0].markerBackgroundColor), "4F81BD");

}

// The automatic backdrops, outlines and other lines of the chart styles' last rows, and of a
// chart with an embedded workbook, which follows its style like any other.
TEST(ChartPartKinds, StylesFillTheirBackdropsAndOutlineTheirSeries) {
    enum class What { ChartArea, PlotArea, Walls, Floor, Series1, Trendline };
    struct Case { int style; bool threeD; What what; std::string described; };
    const std::string frame = "line 808080 weight 2 style 1";
    const Case cases[] = {
        {2, false, What::ChartArea, "fill FFFFFF type 0, " + frame},
        {2, false, What::PlotArea, "no fill, no line"},
        {2, false, What::Series1, "fill C0504D type 0, no line"},
        {2, false, What::Trendline, "line 000000 weight 2 style 1"},
        {10, false, What::Series1, "fill C0504D type 0, line FFFFFF weight 2 style 1"},
        {33, false, What::ChartArea, "fill FFFFFF type 0, " + frame},
        {33, false, What::PlotArea, "fill E7E7E7 type 0, no line"},
        {34, false, What::Series1, "fill C0504D type 0, line 8C3836 weight 2 style 1"},
        {37, false, What::PlotArea, "fill EFF3EA type 0, no line"},
        {37, false, What::Series1, "fill CDDDAC type 0, line 71893F weight 2 style 1"},
        {37, true, What::PlotArea, "no fill, no line"},
        {37, true, What::Walls, "fill EFF3EA type 0, line 898989 weight 2 style 1"},
        {37, true, What::Floor, "fill EFF3EA type 0, line 898989 weight 2 style 1"},
        {42, false, What::ChartArea, "fill 000000 type 0, no line"},
        {42, false, What::PlotArea, "fill 3F3F3F type 0, no line"},
        {42, true, What::Walls, "fill 3F3F3F type 0, no line"},
        {42, false, What::Series1, "fill C0504D type 0, no line"},
        {42, false, What::Trendline, "line FFFFFF weight 2 style 1"},
    };
    const std::string trend = R"(<c:trendline><c:trendlineType val="linear"/></c:trendline>)";
    for (const Case& c : cases) {
        const std::string group = c.threeD ? "bar3DChart" : "barChart";
        std::string xml = Part("<c:" + group + "><c:barDir val=\"col\"/>" + Ser(0) + Ser(1, trend) + "</c:" + group + ">",
                               "", "<c:style val=\"" + std::to_string(c.style) + "\"/>");
        // Every case with a chart of PowerPoint's own, which holds its data in an embedded workbook.
        xml.replace(xml.find("</c:chartSpace>"), 15, "<c:externalData r:id=\"rId1\"/></c:chartSpace>");
        pugi::xml_document doc = Parse(xml);
        const sim::ChartModel m = ReadChartPart(doc, kTheme).model;
        const sim::SeriesModel& s = m.series.at(1);
        std::string got;
        switch (c.what) {
        case What::ChartArea: got = Described(m.chartArea); break;
        case What::PlotArea: got = Described(m.plotArea); break;
        case What::Walls: got = Described(m.walls); break;
        case What::Floor: got = Described(m.floor); break;
        case What::Series1: got = Described(sim::ElementModel{true, s.border, s.interior, s.fill}); break;
        case What::Trendline: got = s.trendlines.empty() ? "none" : Described(s.trendlines[0].border); break;
        }
        EXPECT_EQ(got, c.described) << "style " << c.style << (c.threeD ? " 3-D" : "") << " element "
                                    << static_cast<int>(c.what);
    }
}

TEST(ChartPartKinds, StoredFormatsReadAsExcelReportsThem) {
    struct Case { std::string spPr; std::string described; };
    const Case cases[] = {
        {R"(<a:pattFill prst="dkUpDiag"><a:fgClr><a:srgbClr val="FF0000"/></a:fgClr><a:bgClr><a:srgbClr val="00FF00"/></a:bgClr></a:pattFill>)",
         "pattern 16 FF0000 on 00FF00, no line"},
        {R"(<a:pattFill prst="dashUpDiag"/>)", "pattern 27 000000 on FFFFFF, no line"},
        {R"(<a:gradFill><a:gsLst><a:gs pos="0"><a:srgbClr val="112233"/></a:gs><a:gs pos="100000"><a:srgbClr val="445566"/></a:gs></a:gsLst></a:gradFill>)",
         "fill 112233 type 2, no line"},
        {R"(<a:noFill/><a:ln w="38100"><a:solidFill><a:srgbClr val="0000FF"/></a:solidFill><a:prstDash val="sysDot"/></a:ln>)",
         "no fill, line 0000FF weight 4 style -4118"},
        {R"(<a:solidFill><a:srgbClr val="010203"/></a:solidFill><a:ln w="12700" cmpd="dbl"><a:solidFill><a:srgbClr val="000000"/></a:solidFill></a:ln>)",
         "fill 010203 type 0, line 000000 weight 2 style -4119"},
        {R"(<a:ln w="25400"><a:solidFill><a:srgbClr val="000000"/></a:solidFill><a:prstDash val="dashDot"/></a:ln>)",
         "fill 4F81BD type 0, line 000000 weight 3 style 4"},
        {R"(<a:ln w="19050"><a:solidFill><a:srgbClr val="000000"/></a:solidFill><a:prstDash val="lgDash"/></a:ln>)",
         "fill 4F81BD type 0, line 000000 weight -4138 style -4115"},
        {R"(<a:ln w="3175"><a:noFill/></a:ln>)", "fill 4F81BD type 0, no line"},
    };
    for (const Case& c : cases) {
        pugi::xml_document doc =
            Parse(Part("<c:barChart><c:barDir val=\"col\"/>" + Ser(0, "<c:spPr>" + c.spPr + "</c:spPr>") + "</c:barChart>"));
        const sim::SeriesModel s = ReadChartPart(doc, kTheme).model.series.at(0);
        EXPECT_EQ(Described(sim::ElementModel{true, s.border, s.interior, s.fill}), c.described) << c.spPr;
    }
}

TEST(ChartPartKinds, ElementsOfTheSeriesAndTheFrameAreRead) {
    const std::string pieLabels =
        R"(<c:dLbls><c:dLbl><c:idx val="2"/><c:delete val="1"/></c:dLbl><c:showLegendKey val="0"/><c:showVal val="1"/>)"
        R"(<c:showCatName val="0"/><c:showSerName val="0"/><c:showPercent val="0"/><c:showBubbleSize val="0"/>)"
        R"(<c:showLeaderLines val="1"/></c:dLbls>)";
    const std::string redPoint =
        R"(<c:dPt><c:idx val="1"/><c:bubble3D val="0"/><c:spPr><a:solidFill><a:srgbClr val="FF0000"/></a:solidFill></c:spPr></c:dPt>)";
    pugi::xml_document pie = Parse(Part("<c:pieChart><c:varyColors val=\"1\"/>" + Ser(0, redPoint + pieLabels, 4) +
                                        "</c:pieChart>"));
    const sim::ChartModel p = ReadChartPart(pie, kTheme).model;
    const sim::SeriesModel& slices = p.series.at(0);
    ASSERT_EQ(slices.points.size(), 4u);
    EXPECT_EQ(Hex(slices.points[0].element.interior.color), "4F81BD");
    EXPECT_EQ(Hex(slices.points[1].element.interior.color), "FF0000");
    EXPECT_EQ(Hex(slices.points[2].element.interior.color), "9BBB59");
    EXPECT_TRUE(slices.hasDataLabels);
    ASSERT_EQ(slices.dataLabels.size(), 4u);
    EXPECT_FALSE(slices.dataLabels[2].present);
    EXPECT_TRUE(slices.hasLeaderLines);
    ASSERT_EQ(p.legend.entries.size(), 4u) << "one legend entry per slice";
    EXPECT_EQ(Hex(p.legend.entries[1].legendKey.interior.color), "FF0000");
    EXPECT_FALSE(p.axes[0].present);
    EXPECT_FALSE(p.walls.present);

    const std::string marker = R"(<c:marker><c:symbol val="triangle"/><c:size val="9"/><c:spPr><a:solidFill>)"
                               R"(<a:srgbClr val="00FF00"/></a:solidFill><a:ln><a:solidFill><a:srgbClr val="0000FF"/>)"
                               R"(</a:solidFill></a:ln></c:spPr></c:marker>)";
    const std::string trend = R"(<c:trendline><c:spPr><a:ln><a:solidFill><a:srgbClr val="FF0000"/></a:solidFill></a:ln>)"
                              R"(</c:spPr><c:trendlineType val="linear"/></c:trendline>)";
    std::string axes = Axes();
    axes.replace(axes.find("<c:delete val=\"0\"/>"), 19, "<c:delete val=\"1\"/>");
    axes.replace(axes.find("<c:majorGridlines/>"), 19, "<c:majorGridlines/><c:minorGridlines/>");
    pugi::xml_document line = Parse(Part("<c:lineChart><c:grouping val=\"standard\"/>" + Ser(0, marker + trend) +
                                         "<c:marker val=\"1\"/><c:axId val=\"1\"/><c:axId val=\"2\"/></c:lineChart>" + axes));
    const sim::ChartModel l = ReadChartPart(line, kTheme).model;
    const sim::SeriesModel& s = l.series.at(0);
    EXPECT_EQ(s.markerStyle, 3);
    EXPECT_EQ(s.markerSize, 9);
    EXPECT_EQ(Hex(s.markerBackgroundColor), "00FF00");
    EXPECT_EQ(Hex(s.markerForegroundColor), "0000FF");
    ASSERT_EQ(s.trendlines.size(), 1u);
    EXPECT_EQ(Hex(s.trendlines[0].border.color), "FF0000");
    EXPECT_FALSE(l.axes[0].present) << "a deleted axis is not there for Excel";
    EXPECT_TRUE(l.axes[1].present);
    EXPECT_TRUE(l.axes[1].minorGridlines.present);
    EXPECT_FALSE(l.axes[2].present);
    ASSERT_EQ(l.legend.entries.size(), 1u);
}

// A chart family the corpus lacks, converted as the plug-in converts it and written back.
struct Family {
    const char* name;
    std::string part;
    std::function<void(const pugi::xml_document&)> check;
};

TEST(ChartPartKinds, ConvertedFamiliesWriteValidPartsThatReadBack) {
    const std::string view3D = R"(<c:view3D><c:rotX val="15"/><c:rotY val="20"/><c:rAngAx val="0"/></c:view3D>)";
    const std::string filledFloor =
        view3D + R"(<c:floor><c:spPr><a:solidFill><a:srgbClr val="DDDDDD"/></a:solidFill><a:ln><a:solidFill>)"
                 R"(<a:srgbClr val="FF0000"/></a:solidFill></a:ln></c:spPr></c:floor>)"
                 R"(<c:backWall><c:spPr><a:solidFill><a:srgbClr val="EEEEEE"/></a:solidFill></c:spPr></c:backWall>)";
    const std::string lines12 = "<c:lineChart><c:grouping val=\"standard\"/>" + Many(12) +
                                "<c:marker val=\"1\"/><c:axId val=\"1\"/><c:axId val=\"2\"/></c:lineChart>" + Axes();
    const Family families[] = {
        {"3-D column with walls and floor",
         Part("<c:bar3DChart><c:barDir val=\"col\"/><c:grouping val=\"standard\"/>" + Many(3) +
                  "<c:axId val=\"1\"/><c:axId val=\"2\"/><c:axId val=\"3\"/></c:bar3DChart>" + Axes(true),
              filledFloor),
         [](const pugi::xml_document& d) {
             EXPECT_STREQ(d.first_element_by_path("c:chartSpace/c:chart/c:floor/c:spPr/a:solidFill/a:srgbClr")
                              .attribute("val").value(), "C0C0C0");
             EXPECT_STREQ(d.first_element_by_path("c:chartSpace/c:chart/c:floor/c:spPr/a:ln/a:solidFill/a:srgbClr")
                              .attribute("val").value(), "4C4C4C") << "the floor's border: the grey of its red";
             EXPECT_TRUE(d.first_element_by_path("c:chartSpace/c:chart/c:sideWall/c:spPr/a:solidFill"));
         }},
        {"surface with colour bands",
         Part("<c:surface3DChart>" + Many(3, "") +
                  "<c:bandFmts><c:bandFmt><c:idx val=\"1\"/><c:spPr><a:solidFill><a:srgbClr val=\"FF00FF\"/></a:solidFill>"
                  "</c:spPr></c:bandFmt></c:bandFmts><c:axId val=\"1\"/><c:axId val=\"2\"/><c:axId val=\"3\"/></c:surface3DChart>" +
                  Axes(true),
              view3D),
         [](const pugi::xml_document& d) {
             pugi::xml_node formats = d.first_element_by_path("c:chartSpace/c:chart/c:plotArea/c:surface3DChart/c:bandFmts");
             int count = 0, last = -1;
             for (pugi::xml_node f : formats.children("c:bandFmt")) {
                 const int idx = f.child("c:idx").attribute("val").as_int();
                 EXPECT_GT(idx, last) << "band formats ascend";
                 last = idx;
                 ++count;
                 EXPECT_TRUE(f.child("c:spPr").child("a:pattFill") || f.child("c:spPr").child("a:solidFill"));
             }
             EXPECT_GE(count, 2);
         }},
        {"pie with ten slices",
         Part("<c:pieChart><c:varyColors val=\"1\"/>" + Ser(0, "", 10) + "<c:firstSliceAng val=\"0\"/></c:pieChart>"),
         [](const pugi::xml_document& d) {
             int count = 0;
             for (pugi::xml_node p : d.first_element_by_path("c:chartSpace/c:chart/c:plotArea/c:pieChart/c:ser").children("c:dPt")) {
                 EXPECT_EQ(p.child("c:idx").attribute("val").as_int(), count);
                 const bool solid = count == 6 || count == 7;
                 EXPECT_EQ(static_cast<bool>(p.child("c:spPr").child(solid ? "a:solidFill" : "a:pattFill")), true) << count;
                 ++count;
             }
             EXPECT_EQ(count, 10);
             EXPECT_STREQ(d.first_element_by_path("c:chartSpace/c:chart/c:plotArea/c:pieChart/c:ser/c:dPt/c:spPr/a:pattFill")
                              .attribute("prst").value(), "ltDnDiag");
         }},
        {"doughnut", Part("<c:doughnutChart><c:varyColors val=\"1\"/>" + Many(2) + "<c:holeSize val=\"50\"/></c:doughnutChart>"),
         nullptr},
        {"bubble", Part("<c:bubbleChart>" + BubbleSer(0) + BubbleSer(1) + "<c:axId val=\"1\"/><c:axId val=\"2\"/></c:bubbleChart>" + Axes()), nullptr},
        {"bar of pie",
         Part("<c:ofPieChart><c:ofPieType val=\"bar\"/><c:varyColors val=\"1\"/>" + Ser(0, "", 6) + "</c:ofPieChart>"), nullptr},
        {"twelve line series", Part(lines12),
         [](const pugi::xml_document& d) {
             pugi::xml_node first = d.first_element_by_path("c:chartSpace/c:chart/c:plotArea/c:lineChart/c:ser");
             EXPECT_STREQ(first.first_element_by_path("c:marker/c:symbol").attribute("val").value(), "circle");
             EXPECT_STREQ(first.first_element_by_path("c:spPr/a:ln").attribute("w").value(), "25400");
             pugi::xml_node ninth = first;
             for (int i = 0; i < 8; ++i) ninth = ninth.next_sibling("c:ser");
             EXPECT_STREQ(ninth.first_element_by_path("c:spPr/a:ln/a:prstDash").attribute("val").value(), "sysDot");
         }},
    };
    for (const Family& f : families) {
        SCOPED_TRACE(f.name);
        pugi::xml_document doc = Parse(f.part);
        ASSERT_EQ(SchemaErrors(doc), "") << "the test's own part is valid";
        const sim::ChartModel before = ReadChartPart(doc, kTheme).model;
        const sim::ChartModel after = Converted(before);
        EXPECT_GT(WriteChartChanges(doc, before, after, kTheme), 0u);
        EXPECT_EQ(SchemaErrors(doc), "");
        ExpectReadsAsWritten(ReadChartPart(doc, kTheme).model, after);
        if (f.check) f.check(doc);
    }
}

TEST(ChartPartKinds, EveryPatternIsWrittenAsItsPresetAndReadBack) {
    const char* spot[][2] = {{"1", "pct5"}, {"21", "ltDnDiag"}, {"27", "dashUpDiag"}, {"28", "dashDnDiag"},
                             {"41", "openDmnd"}, {"48", "wave"}};
    std::map<int, std::string> expected;
    for (auto& s : spot) expected[std::atoi(s[0])] = s[1];
    for (int n = 1; n <= 48; ++n) {
        pugi::xml_document doc = Parse(Part("<c:barChart><c:barDir val=\"col\"/>" + Ser(0) +
                                            "<c:axId val=\"1\"/><c:axId val=\"2\"/></c:barChart>" + Axes()));
        const sim::ChartModel before = ReadChartPart(doc, kTheme).model;
        sim::ChartModel after = before;
        after.series[0].fill.type = sim::FillModel::Type::Patterned;
        after.series[0].fill.pattern = n;
        after.series[0].interior.color = 0x0000FF;
        after.series[0].interior.patternColor = 0x00FF00;
        EXPECT_EQ(WriteChartChanges(doc, before, after, kTheme), 1u);
        pugi::xml_node patt = doc.first_element_by_path("c:chartSpace/c:chart/c:plotArea/c:barChart/c:ser/c:spPr/a:pattFill");
        if (expected.count(n)) {
            EXPECT_EQ(patt.attribute("prst").value(), expected[n]);
        }
        EXPECT_STREQ(patt.first_element_by_path("a:fgClr/a:srgbClr").attribute("val").value(), "FF0000");
        EXPECT_STREQ(patt.first_element_by_path("a:bgClr/a:srgbClr").attribute("val").value(), "00FF00");
        const sim::SeriesModel again = ReadChartPart(doc, kTheme).model.series[0];
        EXPECT_EQ(again.fill.pattern, n);
        if (n == 1 || n == 48) {
            EXPECT_EQ(SchemaErrors(doc), "");
        }
    }
}

TEST(ChartPartKinds, WrappedElementsChangeInEveryBranch) {
    const std::string wrapped =
        R"(<mc:AlternateContent><mc:Choice Requires="c14" xmlns:c14="http://schemas.microsoft.com/office/drawing/2007/8/2/chart">)"
        R"(<c:spPr><a:solidFill><a:srgbClr val="FF0000"/></a:solidFill></c:spPr></mc:Choice>)"
        R"(<mc:Fallback><c:spPr><a:solidFill><a:srgbClr val="FF0000"/></a:solidFill></c:spPr></mc:Fallback></mc:AlternateContent>)";
    pugi::xml_document doc = Parse(Part("<c:barChart><c:barDir val=\"col\"/>" + Ser(0, wrapped) +
                                        "<c:axId val=\"1\"/><c:axId val=\"2\"/></c:barChart>" + Axes()));
    const sim::ChartModel before = ReadChartPart(doc, kTheme).model;
    EXPECT_EQ(Hex(before.series[0].interior.color), "FF0000");
    const sim::ChartModel after = Converted(before);
    EXPECT_GT(WriteChartChanges(doc, before, after, kTheme), 0u);
    pugi::xml_node alternate = doc.first_element_by_path("c:chartSpace/c:chart/c:plotArea/c:barChart/c:ser/mc:AlternateContent");
    for (const char* branch : {"mc:Choice", "mc:Fallback"})
        EXPECT_STREQ(alternate.child(branch).first_element_by_path("c:spPr/a:pattFill").attribute("prst").value(), "ltDnDiag")
            << branch;
    EXPECT_FALSE(doc.first_element_by_path("c:chartSpace/c:chart/c:plotArea/c:barChart/c:ser/c:spPr"))
        << "no second c:spPr beside the wrapped ones";
    EXPECT_EQ(SchemaErrors(doc), "");
}

TEST(ChartPartKinds, PartsThatCannotBeModelledAreLeftWithAReason) {
    struct Case { std::string xml; const char* reason; };
    const Case cases[] = {
        {R"(<cx:chartSpace xmlns:cx="http://schemas.microsoft.com/office/drawing/2014/chartex"><cx:chart/></cx:chartSpace>)",
         "cx:chart"},
        {R"(<c:userShapes xmlns:c="http://schemas.openxmlformats.org/drawingml/2006/chart"/>)", "not a DrawingML chart"},
        {R"(<c:chartSpace xmlns:c="http://schemas.openxmlformats.org/drawingml/2006/chart"><c:chart/></c:chartSpace>)",
         "no plot area"},
        {Part("<c:layout/>"), "no chart group"},
    };
    for (const Case& c : cases) {
        pugi::xml_document doc = Parse(c.xml);
        const office::ChartReading r = ReadChartPart(doc, kTheme);
        EXPECT_FALSE(r.supported);
        EXPECT_NE(r.reason.find(c.reason), std::string::npos) << r.reason;
        EXPECT_EQ(WriteChartChanges(doc, r.model, Converted(r.model), kTheme), 0u);
    }
}

// Formatting a series in Excel formats its points too: a point stored with a colour of its own,
// and the colours varied by point, give way to the converted series format.
TEST(ChartPartKinds, SeriesFormatsReachPointsStoredApart) {
    const std::string redPoint =
        R"(<c:invertIfNegative val="0"/><c:dPt><c:idx val="1"/><c:invertIfNegative val="0"/><c:bubble3D val="0"/>)"
        R"(<c:spPr><a:solidFill><a:srgbClr val="FF0000"/></a:solidFill></c:spPr></c:dPt>)";
    pugi::xml_document doc = Parse(Part("<c:barChart><c:barDir val=\"col\"/><c:grouping val=\"clustered\"/>"
                                        "<c:varyColors val=\"1\"/>" + Ser(0, redPoint) +
                                        "<c:axId val=\"1\"/><c:axId val=\"2\"/></c:barChart>" + Axes()));
    const sim::ChartModel before = ReadChartPart(doc, kTheme).model;
    EXPECT_EQ(Hex(before.series[0].points[0].element.interior.color), "4F81BD");
    EXPECT_EQ(Hex(before.series[0].points[2].element.interior.color), "9BBB59") << "varied by point";
    EXPECT_GT(WriteChartChanges(doc, before, Converted(before), kTheme), 0u);
    EXPECT_EQ(SchemaErrors(doc), "");
    const sim::SeriesModel again = ReadChartPart(doc, kTheme).model.series[0];
    for (const sim::PointModel& p : again.points)
        EXPECT_EQ(Described(p.element), Described(sim::ElementModel{true, again.border, again.interior, again.fill}));
    EXPECT_EQ(again.fill.pattern, 21);
}

// Producers choose their prefixes: names are matched by namespace, new elements take the part's
// own prefixes, and the DrawingML namespace is declared on the root only when something is written.
TEST(ChartPartKinds, PrefixesAreThePartsOwn) {
    const std::string main = "http://schemas.openxmlformats.org/drawingml/2006/main";
    std::string xml = Part("<c:barChart><c:barDir val=\"col\"/>" +
                           Ser(0, "<c:spPr><dml:solidFill xmlns:dml=\"" + main + "\"><dml:srgbClr val=\"00FF00\"/>"
                                  "</dml:solidFill></c:spPr>") +
                           "<c:axId val=\"1\"/><c:axId val=\"2\"/></c:barChart>" + Axes());
    for (auto [from, to] : {std::pair<std::string, std::string>{"<c:", "<"}, {"</c:", "</"}, {"xmlns:c=", "xmlns="},
                            {" xmlns:a=\"" + main + "\"", ""}})
        for (size_t at = xml.find(from); at != std::string::npos; at = xml.find(from, at + to.size()))
            xml.replace(at, from.size(), to);
    pugi::xml_document doc = Parse(xml);
    const sim::ChartModel before = ReadChartPart(doc, kTheme).model;
    ASSERT_EQ(before.series.size(), 1u);
    EXPECT_EQ(Hex(before.series[0].interior.color), "00FF00");
    EXPECT_EQ(WriteChartChanges(doc, before, before, kTheme), 0u);
    EXPECT_FALSE(doc.document_element().attribute("xmlns:a")) << "nothing written, nothing declared";
    EXPECT_GT(WriteChartChanges(doc, before, Converted(before), kTheme), 0u);
    EXPECT_STREQ(doc.document_element().attribute("xmlns:a").value(), main.c_str());
    EXPECT_TRUE(doc.first_element_by_path("chartSpace/chart/plotArea/barChart/ser/spPr/a:pattFill"));
    EXPECT_EQ(SchemaErrors(doc), "");
    EXPECT_EQ(ReadChartPart(doc, kTheme).model.series[0].fill.pattern, 21);
}

// A file saved as Strict Open XML names the chart and DrawingML namespaces anew: its charts read
// and convert alike, and what is declared for writing is the strict name.
TEST(ChartPartKinds, StrictNamespacesReadAndWriteAsTransitionalOnes) {
    std::string xml = Part("<c:barChart><c:barDir val=\"col\"/>" + Ser(0, "<c:spPr><a:solidFill><a:srgbClr val=\"00FF00\"/>"
                                                                          "</a:solidFill></c:spPr>") + Ser(1) +
                           "<c:axId val=\"1\"/><c:axId val=\"2\"/></c:barChart>" + Axes());
    const std::string strictMain = "http://purl.oclc.org/ooxml/drawingml/main";
    for (auto [from, to] : {std::pair<std::string, std::string>{"http://schemas.openxmlformats.org/drawingml/2006/chart",
                                                                "http://purl.oclc.org/ooxml/drawingml/chart"},
                            {" xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\"", ""},
                            {"<a:solidFill>", "<a:solidFill xmlns:a=\"" + strictMain + "\">"}})
        xml.replace(xml.find(from), from.size(), to);
    pugi::xml_document doc = Parse(xml);
    const office::ChartReading reading = ReadChartPart(doc, kTheme);
    ASSERT_TRUE(reading.supported) << reading.reason;
    ASSERT_EQ(reading.model.series.size(), 2u);
    EXPECT_EQ(Hex(reading.model.series[0].interior.color), "00FF00");
    EXPECT_GT(WriteChartChanges(doc, reading.model, Converted(reading.model), kTheme), 0u);
    EXPECT_STREQ(doc.document_element().attribute("xmlns:a").value(), strictMain.c_str());
    EXPECT_EQ(ReadChartPart(doc, kTheme).model.series[1].fill.pattern, FillPattern(2));
}

TEST(ChartPartKinds, DeclaredCountsCannotBlowUpTheModel) {
    for (const char* count : {"-5", "999999999", "x"}) {
        std::string ser = Ser(0, "<c:cat><c:strLit><c:ptCount val=\"" + std::string(count) + "\"/></c:strLit></c:cat>");
        ser.replace(ser.find("<c:ptCount val=\"3\"/>"), 20, "<c:ptCount val=\"" + std::string(count) + "\"/>");
        pugi::xml_document doc = Parse(Part("<c:pieChart>" + ser + "</c:pieChart>"));
        const office::ChartReading r = ReadChartPart(doc, kTheme);
        ASSERT_TRUE(r.supported);
        EXPECT_LE(r.model.series.at(0).points.size(), 32000u) << count;
        EXPECT_LE(r.model.categories.size(), 32000u) << count;
    }
}

}  // namespace
