// The colours of a chart part's texts as the model keeps them (Font.Color): the text's own
// properties, the chart's, or the chart style's automatic text colour, light on the dark chart
// area of styles 41 to 48.
#include "tests/office/chartpart_support.h"

#include <gtest/gtest.h>

namespace {

using chartpart_test::Hex;

const office::Theme kTheme = office::ReadTheme({}, {});

std::string Colour(const char* rgb) {
    return std::string("<a:solidFill><a:srgbClr val=\"") + rgb + "\"/></a:solidFill>";
}

// Text properties setting a colour (or no fill), as c:txPr holds them.
std::string TxPr(const std::string& fill) {
    return "<c:txPr><a:bodyPr/><a:lstStyle/><a:p><a:pPr><a:defRPr>" + fill +
           "</a:defRPr></a:pPr><a:endParaRPr lang=\"en-US\"/></a:p></c:txPr>";
}

struct PartText {
    std::string space;       // before c:chart: c:style, c:txPr ...
    std::string title;       // c:title, or empty for none
    std::string catAxis;     // inside c:catAx after c:axPos: c:title, c:tickLblPos, c:txPr
    std::string legend;      // inside c:legend after c:legendPos
    std::string labels;      // the series' c:dLbls
    std::string spaceAfter;  // after c:chart: the chart's own c:txPr
};

PartText P(std::string space = "", std::string title = "", std::string catAxis = "", std::string legend = "",
           std::string labels = "", std::string spaceAfter = "") {
    return {space, title, catAxis, legend, labels, spaceAfter};
}

std::string Part(const PartText& t) {
    const std::string scaling = R"(<c:scaling><c:orientation val="minMax"/></c:scaling><c:delete val="0"/>)";
    return R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
           R"(<c:chartSpace xmlns:c="http://schemas.openxmlformats.org/drawingml/2006/chart" )"
           R"(xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main">)" +
           t.space + "<c:chart>" + t.title + R"(<c:autoTitleDeleted val="0"/><c:plotArea><c:layout/>)"
           R"(<c:barChart><c:barDir val="col"/><c:grouping val="clustered"/><c:ser><c:idx val="0"/><c:order val="0"/>)" +
           t.labels +
           R"(<c:val><c:numRef><c:f>S!$B$2</c:f><c:numCache><c:ptCount val="2"/><c:pt idx="0"><c:v>1</c:v></c:pt>)"
           R"(<c:pt idx="1"><c:v>2</c:v></c:pt></c:numCache></c:numRef></c:val></c:ser>)"
           R"(<c:axId val="1"/><c:axId val="2"/></c:barChart><c:catAx><c:axId val="1"/>)" + scaling +
           R"(<c:axPos val="b"/>)" + t.catAxis + R"(<c:crossAx val="2"/></c:catAx><c:valAx><c:axId val="2"/>)" + scaling +
           R"(<c:axPos val="l"/><c:crossAx val="1"/></c:valAx></c:plotArea><c:legend><c:legendPos val="r"/>)" + t.legend +
           R"(</c:legend><c:plotVisOnly val="1"/></c:chart>)" + t.spaceAfter + "</c:chartSpace>";
}

std::string Described(const sim::TextModel& t) { return t.present ? Hex(t.color) : "-"; }

// "title, legend, category labels, category title, value labels, data labels".
std::string Texts(const sim::ChartModel& m) {
    return Described(m.titleFont) + " " + Described(m.legend.font) + " " + Described(m.axes[0].tickLabelFont) + " " +
           Described(m.axes[0].titleFont) + " " + Described(m.axes[1].tickLabelFont) + " " +
           Described(m.series.at(0).dataLabelFont);
}

TEST(ChartText, TextColoursComeFromTheTextTheChartOrTheStyle) {
    const std::string title = "<c:title><c:overlay val=\"0\"/></c:title>";
    const std::string labels = "<c:dLbls><c:showVal val=\"1\"/></c:dLbls>";
    struct Case {
        const char* what;
        PartText part;
        std::string texts;
    };
    const Case cases[] = {
        {"no title, no labels: the text colour", P(), "- 000000 000000 - 000000 -"},
        {"style 42: light text for the dark chart area", P("<c:style val=\"42\"/>", title, "", "", labels),
         "FFFFFF FFFFFF FFFFFF - FFFFFF FFFFFF"},
        {"style 40 keeps dark text", P("<c:style val=\"40\"/>", title), "000000 000000 000000 - 000000 -"},
        {"the chart's own text colour reaches every text", P("", title, "", "", labels, TxPr(Colour("333333"))),
         "333333 333333 333333 - 333333 333333"},
        {"a rich title's first run before its paragraph",
         P("", "<c:title><c:tx><c:rich><a:bodyPr/><a:p><a:pPr><a:defRPr>" + Colour("00FF00") +
                   "</a:defRPr></a:pPr><a:r><a:rPr lang=\"en-US\">" + Colour("FF0000") +
                   "</a:rPr><a:t>T</a:t></a:r></a:p></c:rich></c:tx></c:title>"),
         "FF0000 000000 000000 - 000000 -"},
        {"an axis's own text and title in scheme colours",
         P("<c:style val=\"42\"/>", "",
           "<c:title>" + TxPr("<a:solidFill><a:schemeClr val=\"tx1\"/></a:solidFill>") + "</c:title>" +
               TxPr("<a:solidFill><a:schemeClr val=\"accent2\"/></a:solidFill>")),
         "- FFFFFF C0504D 000000 FFFFFF -"},
        {"hidden tick labels and text filled with nothing", P("", "", "<c:tickLblPos val=\"none\"/>", TxPr("<a:noFill/>")),
         "- - - - 000000 -"},
        {"data labels' own colour", P("", "", "", "", "<c:dLbls>" + TxPr(Colour("ABCDEF")) + "<c:showVal val=\"1\"/></c:dLbls>"),
         "- 000000 000000 - 000000 ABCDEF"},
    };
    for (const Case& c : cases) {
        pugi::xml_document doc;
        const std::string xml = Part(c.part);
        ASSERT_TRUE(doc.load_string(xml.c_str())) << c.what;
        const office::ChartReading read = office::ReadChartPart(doc, kTheme);
        ASSERT_TRUE(read.supported) << c.what << ": " << read.reason;
        EXPECT_EQ(Texts(read.model), c.texts) << c.what;
    }
}

}  // namespace
