// The colours of a chart's texts as Excel's Font objects would report them: the title, the
// legend, each axis's tick labels and title, each series' data labels. A text takes the colour
// its own text body sets (a rich text's first run, else its first paragraph's default run
// properties, else its list style), else the colour the chart's own c:txPr sets for every text,
// else the chart style's automatic text colour. Text filled with nothing is not shown.
#include "tools/chartmodel/ChartInternal.h"

namespace office::detail {

namespace {

using xml::Child;
using xml::Children;
using xml::ElementChildren;
using xml::Names;
using xml::Ns;

struct TextColour {
    bool set = false;
    bool hidden = false;    // a:noFill
    uint32_t rgb = 0;
};

TextColour OfRunProperties(const Names& names, const pugi::xml_node& rPr, const Theme& theme) {
    TextColour c;
    for (pugi::xml_node fill : ElementChildren(names, rPr)) {
        if (names.Is(fill, Ns::Main, "noFill")) c.set = c.hidden = true;
        else if (names.Is(fill, Ns::Main, "solidFill")) c.set = ColourIn(names, fill, theme, 0, c.rgb);
        else if (names.Is(fill, Ns::Main, "gradFill")) {
            const std::vector<pugi::xml_node> stops =
                Children(names, Child(names, fill, Ns::Main, "gsLst"), Ns::Main, "gs");
            c.set = !stops.empty() && ColourIn(names, stops.front(), theme, 0, c.rgb);
        }
        if (c.set) break;
    }
    return c;
}

// body: a c:txPr or c:rich (a:bodyPr, a:lstStyle, a:p...).
TextColour OfTextBody(const Names& names, const pugi::xml_node& body, const Theme& theme) {
    if (!body) return {};
    const pugi::xml_node p = Child(names, body, Ns::Main, "p");
    const pugi::xml_node run = Child(names, p, Ns::Main, "r");
    const pugi::xml_node levels = Child(names, body, Ns::Main, "lstStyle");
    for (pugi::xml_node rPr : {Child(names, run, Ns::Main, "rPr"), Child(names, Child(names, p, Ns::Main, "pPr"), Ns::Main, "defRPr"),
                               Child(names, Child(names, levels, Ns::Main, "lvl1pPr"), Ns::Main, "defRPr")}) {
        const TextColour c = OfRunProperties(names, rPr, theme);
        if (c.set) return c;
    }
    return {};
}

class TextReader {
public:
    TextReader(const Names& names, const ChartNodes& nodes, const AutoFormats& autos)
        : names_(names), theme_(autos.theme) {
        chartWide_ = OfTextBody(names, Child(names, nodes.chartSpace, Ns::Chart, "txPr"), theme_);
        if (!chartWide_.set) chartWide_ = {true, false, autos.TextColour()};
    }

    // The text of a title element (c:title): its rich text, else its own text properties.
    sim::TextModel Title(const pugi::xml_node& title) const {
        if (!title) return {};
        const pugi::xml_node rich = Child(names_, Child(names_, title, Ns::Chart, "tx"), Ns::Chart, "rich");
        return Text(true, {rich, Child(names_, title, Ns::Chart, "txPr")});
    }

    // The text of an element whose text properties are its c:txPr.
    sim::TextModel Plain(bool shown, const pugi::xml_node& holder) const {
        return Text(shown, {Child(names_, holder, Ns::Chart, "txPr")});
    }

    bool TickLabelsShown(const pugi::xml_node& axis) const {
        const pugi::xml_node position = Child(names_, axis, Ns::Chart, "tickLblPos");
        return !position || xml::StrVal(position) != "none";
    }

private:
    sim::TextModel Text(bool shown, std::initializer_list<pugi::xml_node> bodies) const {
        sim::TextModel t;
        if (!shown) return t;
        TextColour c = chartWide_;
        for (const pugi::xml_node& body : bodies) {
            const TextColour own = OfTextBody(names_, body, theme_);
            if (own.set) {
                c = own;
                break;
            }
        }
        t.present = !c.hidden;
        t.color = ToModel(c.rgb);
        return t;
    }

    const Names& names_;
    const Theme& theme_;
    TextColour chartWide_;
};

}  // namespace

void ReadTextColours(const Names& names, const ChartNodes& nodes, const AutoFormats& autos, sim::ChartModel& m) {
    const TextReader text(names, nodes, autos);
    m.titleFont = text.Title(Child(names, nodes.chart, Ns::Chart, "title"));
    m.legend.font = text.Plain(m.legend.present, nodes.legend);
    for (int i = 0; i < 3; ++i) {
        const pugi::xml_node axis = nodes.axes[i];
        if (!m.axes[i].present) continue;
        m.axes[i].tickLabelFont = text.Plain(text.TickLabelsShown(axis), axis);
        m.axes[i].titleFont = text.Title(Child(names, axis, Ns::Chart, "title"));
    }
    for (size_t k = 0; k < nodes.series.size() && k < m.series.size(); ++k) {
        pugi::xml_node dLbls = Child(names, nodes.series[k].ser, Ns::Chart, "dLbls");
        if (!dLbls) dLbls = Child(names, nodes.series[k].group, Ns::Chart, "dLbls");
        m.series[k].dataLabelFont = text.Plain(m.series[k].hasDataLabels, dLbls);
    }
}

}  // namespace office::detail
