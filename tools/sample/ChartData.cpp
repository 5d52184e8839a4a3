#include "tools/sample/ChartData.h"

#include "tools/deckmodel/Constants.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace sample {
namespace {

bool ParseNumber(const std::string& text, double& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end && *end == '\0';
}

// Scatter and bubble charts plot against numbers: categories that read as numbers are used as
// they are, others are replaced by 1, 2, 3, ...
DataColumn XValues(const sim::ChartModel& chart, size_t count) {
    DataColumn x{"x", {}, {}};
    for (size_t i = 0; i < count; ++i) {
        double v = static_cast<double>(i + 1);
        if (i < chart.categories.size()) ParseNumber(Utf8(chart.categories[i]), v);
        x.numbers.push_back(v);
    }
    return x;
}

DataColumn Categories(const sim::ChartModel& chart, size_t count) {
    DataColumn c{"", {}, {}};
    for (size_t i = 0; i < count; ++i)
        c.text.push_back(i < chart.categories.size() ? Utf8(chart.categories[i]) : std::to_string(i + 1));
    return c;
}

}  // namespace

std::string Utf8(const std::wstring& text) {
    std::string out;
    for (wchar_t wc : text) {
        const auto c = static_cast<uint32_t>(wc);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::vector<double> BubbleSizes(size_t seriesIndex, size_t count) {
    std::vector<double> sizes;
    for (size_t j = 0; j < count; ++j) sizes.push_back(static_cast<double>(4 + (seriesIndex * 7 + j * 13) % 17));
    return sizes;
}

ChartData DataOf(const sim::ChartModel& chart) {
    size_t rows = chart.categories.size();
    for (const sim::SeriesModel& s : chart.series) rows = std::max(rows, s.points.size());
    const bwpass::Family family = bwpass::FamilyOf(chart.chartType);
    const bool xy = family == bwpass::Family::Scatter || family == bwpass::Family::Bubble;

    ChartData data;
    data.columns.push_back(xy ? XValues(chart, rows) : Categories(chart, rows));
    for (size_t i = 0; i < chart.series.size(); ++i) {
        const sim::SeriesModel& s = chart.series[i];
        DataColumn values{Utf8(s.name), {}, {}};
        for (size_t j = 0; j < rows; ++j) values.numbers.push_back(j < s.points.size() ? s.points[j].value : 0);
        SeriesColumns columns;
        columns.values = data.columns.size();
        data.columns.push_back(std::move(values));
        if (bwpass::FamilyOf(s.chartType) == bwpass::Family::Bubble) {
            columns.sizes = data.columns.size();
            data.columns.push_back(DataColumn{Utf8(s.name) + " size", {}, BubbleSizes(i, rows)});
        }
        data.series.push_back(columns);
    }
    return data;
}

std::string ColumnLetters(size_t column) {
    std::string letters;
    for (size_t n = column + 1; n > 0; n = (n - 1) / 26) letters.insert(letters.begin(), static_cast<char>('A' + (n - 1) % 26));
    return letters;
}

std::string HeaderRef(const ChartData& data, size_t column) {
    return data.sheet + "!$" + ColumnLetters(column) + "$1";
}

std::string ValuesRef(const ChartData& data, size_t column) {
    const std::string c = ColumnLetters(column);
    return data.sheet + "!$" + c + "$2:$" + c + "$" + std::to_string(data.columns[column].rows() + 1);
}

std::string NumberText(double value) {
    // Plain digits where Excel writes them ("150", not "1.5e+02"), exponents only far out.
    const double magnitude = std::fabs(value);
    const bool plain = magnitude == 0 || (magnitude >= 1e-5 && magnitude < 1e15);
    char text[40];
    for (int precision = 1; precision <= 17; ++precision) {
        std::snprintf(text, sizeof text, "%.*g", precision, value);
        if (std::strtod(text, nullptr) == value && (!plain || !std::strchr(text, 'e'))) break;
    }
    return text;
}

}  // namespace sample
