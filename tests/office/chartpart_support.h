// Helpers of the chart part tests: the corpus's chart parts, xmllint, and a conversion that
// writes into a model what the plug-in writes through Excel (the stand-in's semantics for Color
// and ColorIndex), so that a "typical converted model" can be written into every real part.
#pragma once

#include "tools/chartmodel/ChartPart.h"
#include "tools/package/Package.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace chartpart_test {

inline std::string SourceDir() {
    const char* dir = std::getenv("QV_SOURCE_DIR");
    return dir ? dir : ".";
}

struct CorpusChart {
    std::string file;   // e.g. "xlsx/chart_bar03.xlsx"
    std::string part;   // e.g. "xl/charts/chart1.xml"
    std::string xml;
    office::Theme theme;
};

inline std::vector<CorpusChart> CorpusCharts() {
    std::vector<CorpusChart> out;
    const std::string corpus = SourceDir() + "/tests/office/corpus/";
    for (const char* kind : {"xlsx", "pptx"}) {
        std::vector<std::string> files;
        for (const auto& entry : std::filesystem::directory_iterator(corpus + kind))
            if (entry.path().extension() == std::string(".") + kind) files.push_back(entry.path().filename());
        std::sort(files.begin(), files.end());
        for (const std::string& name : files) {
            office::Package package = office::Package::OpenFile(corpus + kind + "/" + name);
            const std::string themePart = std::string(kind) == "xlsx" ? "xl/theme/theme1.xml" : "ppt/theme/theme1.xml";
            pugi::xml_document themeXml;
            if (package.HasPart(themePart)) themeXml = package.ParseXml(themePart);
            const office::Theme theme = office::ReadTheme(themeXml.document_element(), {});
            for (const std::string& part : package.PartNames()) {
                if (part.find("/charts/chart") == std::string::npos || part.find("_rels") != std::string::npos) continue;
                out.push_back({std::string(kind) + "/" + name, part, package.ReadPart(part), theme});
            }
        }
    }
    return out;
}

// mc:AlternateContent replaced by its Fallback's children: what a consumer that knows only the
// standard schema reads, and what the standard schema validates.
inline void KeepFallbacks(pugi::xml_node node) {
    for (pugi::xml_node c = node.first_child(); c;) {
        pugi::xml_node next = c.next_sibling();
        if (std::string(c.name()) == "mc:AlternateContent") {
            for (pugi::xml_node fb = c.child("mc:Fallback").first_child(); fb; fb = fb.next_sibling())
                node.insert_copy_before(fb, c);
            node.remove_child(c);
        } else {
            KeepFallbacks(c);
        }
        c = next;
    }
}

// Empty when the part validates against the chart schema; else xmllint's complaints, one a line,
// without the file name and line number (so that two versions of a part can be compared).
inline std::string SchemaErrors(const pugi::xml_document& part) {
    pugi::xml_document copy;
    copy.reset(part);
    KeepFallbacks(copy);
    char name[] = "/tmp/qv-chartpart-XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0) return "cannot create a temporary file";
    close(fd);
    copy.save_file(name);
    const std::string command = "xmllint --noout --schema " + SourceDir() + "/tests/office/schemas/dml-chart.xsd " +
                                name + " 2>&1";
    std::string output;
    FILE* p = popen(command.c_str(), "r");
    char buf[4096];
    while (p && fgets(buf, sizeof buf, p)) {
        std::string line(buf);
        if (line.find(" fails to validate") != std::string::npos || line.find(" validates") != std::string::npos)
            continue;
        const size_t at = line.find(": ", line.find(':', std::strlen(name)) + 1);
        output += at == std::string::npos ? line : line.substr(at + 2);
    }
    const int status = p ? pclose(p) : -1;
    std::remove(name);
    return status == 0 ? std::string() : output.empty() ? "xmllint failed" : output;
}

// ---- What the plug-in writes, on the model ----

constexpr int32_t kBlack = 0, kWhite = 0xFFFFFF;

inline int32_t GreyOf(int32_t c) {
    const int r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
    const int level = (g * 59 + r * 30 + b * 11) / 100;
    return level * 0x10101;
}

inline int FillPattern(int position) {
    static const int table[51] = {0,  21, 34, 20, 41, 19, 16, 0,  0,  1,  7,  28, 46, 23, 2,  8,  0,
                                  22, 16, 48, 45, 3,  9,  15, 29, 32, 40, 24, 17, 4,  10, 30, 31, 35,
                                  47, 36, 5,  11, 25, 14, 37, 44, 18, 6,  12, 26, 13, 33, 42, 43, 39};
    return position >= 1 && position <= 50 ? table[position] : 0;
}

// Color writes keep ColorIndex in step as the stand-in does: black and white are palette
// entries 1 and 2; a format without colour becomes automatic.
template <class Format>
void PutColour(Format& f, int32_t colour) {
    f.color = colour;
    f.colorIndex = colour == kBlack ? 1 : colour == kWhite ? 2 : (f.colorIndex == -4142 ? -4105 : f.colorIndex);
}

inline bool Drawn(const sim::BorderModel& b) { return b.weight > 0 && b.lineStyle != -4142; }

inline void Patterned(sim::ElementModel& e, int position) {
    PutColour(e.interior, kBlack);
    e.interior.patternColor = kWhite;
    if (position == 7) PutColour(e.interior, kWhite), e.interior.patternColor = kBlack;
    e.fill.type = position == 7 || position == 8 ? sim::FillModel::Type::Solid : sim::FillModel::Type::Patterned;
    e.fill.pattern = position == 7 || position == 8 ? 0 : FillPattern(position);
    if (e.fill.type == sim::FillModel::Type::Patterned && e.fill.pattern == 0) e.fill.type = sim::FillModel::Type::Solid;
}

inline bool IsPieRoute(int32_t t) { return t == 5 || t == -4102 || (t >= 68 && t <= 71); }
inline bool IsLine(int32_t t) {
    return t == 4 || t == -4101 || t == -4151 || t == -4169 || (t >= 63 && t <= 67) || (t >= 72 && t <= 75) || t == 81;
}
inline bool IsSurface(int32_t t) { return t == 83 || t == 85 || t == -4103; }

inline void ConvertFilled(sim::SeriesModel& s, int position) {
    if (Drawn(s.border)) PutColour(s.border, kBlack);
    if (s.hasDataLabels)
        for (sim::ElementModel& l : s.dataLabels) l.interior.colorIndex = -4142, l.border.colorIndex = -4142;
    if (s.hasLeaderLines) PutColour(s.leaderLines.border, kBlack);
    for (sim::LineElementModel& t : s.trendlines) PutColour(t.border, GreyOf(t.border.color));
    if (s.fill.visible == 0) return;
    sim::ElementModel e{true, s.border, s.interior, s.fill};
    Patterned(e, position);
    s.interior = e.interior;
    s.fill = e.fill;
}

inline void ConvertLine(sim::SeriesModel& s, int position) {
    if (position < 9) {
        const int shapes[4] = {8, 3, 1, 2};
        s.markerStyle = shapes[(position - 1) % 4];
        if (s.border.weight > 0) s.border.weight = 3;
        if (s.markerSize > 1) s.markerSize = 8;
    }
    PutColour(s.border, kBlack);
    s.markerForegroundColor = kBlack;
    s.markerBackgroundColor = (position - 1) % 8 > 3 ? kWhite : kBlack;
    const int styles[4] = {1, -4118, -4119, 4};
    s.border.lineStyle = styles[((position + 7) / 8 - 1) % 4];
}

// The writes of one conversion, by the routes of the chart type.
inline sim::ChartModel Converted(sim::ChartModel m) {
    if (Drawn(m.chartArea.border) && m.chartArea.border.color != m.chartArea.interior.color)
        PutColour(m.chartArea.border, kBlack);
    if (m.chartArea.fill.visible != 0) {
        PutColour(m.chartArea.interior, kWhite);
        m.chartArea.interior.patternColor = kWhite;
        m.chartArea.fill.type = sim::FillModel::Type::Solid;
    }
    PutColour(m.plotArea.interior, kWhite);
    if (m.legend.present) {
        if (Drawn(m.legend.border)) PutColour(m.legend.border, kBlack);
        if (m.legend.fill.visible != 0) {
            PutColour(m.legend.interior, kWhite);
            m.legend.fill.type = sim::FillModel::Type::Solid;
        }
    }
    for (sim::AxisModel& a : m.axes) {
        if (!a.present) continue;
        PutColour(a.border, kBlack);
        if (a.majorGridlines.present) PutColour(a.majorGridlines.border, kBlack);
        if (a.minorGridlines.present) PutColour(a.minorGridlines.border, kBlack);
    }
    if (m.walls.present && m.walls.fill.visible != 0) PutColour(m.walls.interior, kWhite);
    if (m.floor.present) {
        if (Drawn(m.floor.border)) PutColour(m.floor.border, GreyOf(m.floor.border.color));
        if (m.floor.fill.visible != 0) {
            m.floor.interior.colorIndex = 15;
            m.floor.interior.color = 0xC0C0C0;
            m.floor.fill.type = sim::FillModel::Type::Solid;
        }
    }
    if (IsSurface(m.chartType)) {
        for (size_t i = 0; i < m.legend.entries.size(); ++i) {
            sim::ElementModel& key = m.legend.entries[i].legendKey;
            PutColour(key.interior, kBlack);
            key.interior.patternColor = kWhite;
            if (FillPattern(static_cast<int>(i) + 1) > 0) {
                key.fill.type = sim::FillModel::Type::Patterned;
                key.fill.pattern = FillPattern(static_cast<int>(i) + 1);
            }
        }
    } else if (IsPieRoute(m.chartType)) {
        if (!m.series.empty()) {
            sim::SeriesModel& s = m.series[0];
            PutColour(s.interior, kBlack);
            s.interior.patternColor = kWhite;
            for (size_t p = 0; p < s.points.size(); ++p) Patterned(s.points[p].element, static_cast<int>(p) + 1);
        }
    } else {
        for (size_t i = 0; i < m.series.size(); ++i) {
            sim::SeriesModel& s = m.series[i];
            const int position = static_cast<int>(i) + 1;
            if (IsLine(s.chartType)) ConvertLine(s, position);
            else if (s.chartType == -4120 || IsPieRoute(s.chartType)) {
                PutColour(s.interior, kBlack);
                s.interior.patternColor = kWhite;
                for (size_t p = 0; p < s.points.size(); ++p) Patterned(s.points[p].element, static_cast<int>(p) + 1);
            } else if (!(s.chartType >= 88 && s.chartType <= 91) && s.chartType != 84 && s.chartType != 86)
                ConvertFilled(s, position);
        }
    }
    return m;
}

// What DrawingML can say about a format: its fill and line as drawn.
inline std::string Hex(int32_t bgr) {
    char b[8];
    std::snprintf(b, sizeof b, "%06X", static_cast<unsigned>(((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF)));
    return b;
}

inline std::string Described(const sim::BorderModel& b) {
    if (b.lineStyle == -4142 || b.colorIndex == -4142) return "no line";
    return "line " + Hex(b.color) + " weight " + std::to_string(b.weight) + " style " + std::to_string(b.lineStyle);
}

inline std::string Described(const sim::ElementModel& e) {
    std::string fill;
    if (e.fill.visible == 0 || e.interior.colorIndex == -4142) fill = "no fill";
    else if (e.fill.type == sim::FillModel::Type::Patterned)
        fill = "pattern " + std::to_string(e.fill.pattern) + " " + Hex(e.interior.color) + " on " + Hex(e.interior.patternColor);
    else fill = "fill " + Hex(e.interior.color) + " type " + std::to_string(static_cast<int>(e.fill.type));
    return fill + ", " + Described(e.border);
}

// Reading a written part gives back what the converted model says, as far as DrawingML can
// say it. Points are compared where the conversion formats them one by one (pies, doughnuts):
// elsewhere a point without a format of its own takes the series' new format, as in Excel.
inline void ExpectReadsAsWritten(const sim::ChartModel& again, const sim::ChartModel& after) {
    EXPECT_EQ(Described(again.chartArea), Described(after.chartArea));
    EXPECT_EQ(Described(again.plotArea), Described(after.plotArea));
    EXPECT_EQ(Described(again.legend), Described(after.legend));
    EXPECT_EQ(Described(again.walls), Described(after.walls));
    EXPECT_EQ(Described(again.floor), Described(after.floor));
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(again.axes[i].present, after.axes[i].present);
        EXPECT_EQ(Described(again.axes[i].border), Described(after.axes[i].border));
        EXPECT_EQ(Described(again.axes[i].majorGridlines.border), Described(after.axes[i].majorGridlines.border));
    }
    if (IsSurface(after.chartType)) {
        ASSERT_EQ(again.legend.entries.size(), after.legend.entries.size());
        for (size_t i = 0; i < after.legend.entries.size(); ++i)
            EXPECT_EQ(Described(again.legend.entries[i].legendKey), Described(after.legend.entries[i].legendKey));
    }
    ASSERT_EQ(again.series.size(), after.series.size());
    for (size_t i = 0; i < after.series.size(); ++i) {
        const sim::SeriesModel& a = after.series[i];
        const sim::SeriesModel& g = again.series[i];
        SCOPED_TRACE("series " + std::to_string(i + 1));
        EXPECT_EQ(Described(sim::ElementModel{true, g.border, g.interior, g.fill}),
                  Described(sim::ElementModel{true, a.border, a.interior, a.fill}));
        EXPECT_EQ(g.markerStyle, a.markerStyle);
        EXPECT_EQ(g.markerSize, a.markerSize);
        EXPECT_EQ(Hex(g.markerForegroundColor), Hex(a.markerForegroundColor));
        EXPECT_EQ(Hex(g.markerBackgroundColor), Hex(a.markerBackgroundColor));
        ASSERT_EQ(g.dataLabels.size(), a.dataLabels.size());
        for (size_t p = 0; p < a.dataLabels.size(); ++p) EXPECT_EQ(Described(g.dataLabels[p]), Described(a.dataLabels[p]));
        EXPECT_EQ(Described(g.leaderLines.border), Described(a.leaderLines.border));
        ASSERT_EQ(g.trendlines.size(), a.trendlines.size());
        for (size_t t = 0; t < a.trendlines.size(); ++t)
            EXPECT_EQ(Described(g.trendlines[t].border), Described(a.trendlines[t].border));
        if (IsPieRoute(after.chartType) || a.chartType == -4120) {
            ASSERT_EQ(g.points.size(), a.points.size());
            for (size_t p = 0; p < a.points.size(); ++p)
                EXPECT_EQ(Described(g.points[p].element), Described(a.points[p].element)) << "point " << p + 1;
        }
    }
}

}  // namespace chartpart_test
