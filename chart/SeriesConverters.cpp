// The data of a chart: series, slices, labels, trendlines, markers and surface bands.
//
// Elements are told apart by position, not by colour: the n-th series, slice or band gets the
// n-th pattern of GetFillPattern, black on white, except that positions 7 and 8 are solid
// (white and black) where a converter handles them. Line series get the n-th combination of
// marker shape, marker fill and line style.
#include "chart/ChartHandler.h"

#include "chart/ChartAccess.h"
#include "chart/ElementTests.h"
#include "chart/modChartHelper.h"
#include "chart/modColorFunctions.h"

namespace qv::chart {

namespace M = excel::Member;
namespace xl = excel::xl;
using namespace access;
using modChartHelper::GetFillPattern;

namespace {

// (position - 1) mod n, counted so that position 1 is 0; positions start at 1.
int CycleOf(int position, int n) { return ((position - 1) % n + n) % n; }

// Four shapes, by position.
long MarkerStyleOf(short seriesIndex) {
    static constexpr long kShapes[4] = {xl::MarkerCircle, xl::MarkerTriangle, xl::MarkerSquare,
                                        xl::MarkerDiamond};
    return kShapes[CycleOf(seriesIndex, 4)];
}

// Black marker fills for the first four of every eight series, white for the next four.
Variant MarkerFillOf(short seriesIndex) {
    return CycleOf(seriesIndex, 8) > 3 ? White() : Black32();
}

// One line style per block of eight series, four blocks to a cycle.
long LineStyleOf(short seriesIndex) {
    static constexpr long kStyles[4] = {xl::Continuous, xl::Dot, xl::Double, xl::DashDot};
    const int block = (seriesIndex + 7) / 8;
    return kStyles[CycleOf(block, 4)];
}

// The position's fill pattern. Pattern 0 (no table entry) is passed on as it is; a chart that
// refuses it keeps the colours written just before.
void PatternFill(IDispatch* from, Path fillPath, short position) noexcept {
    Attempt([&](Step& s) {
        CallOn(s, from, fillPath, M::Patterned, {Variant::I4(GetFillPattern(position))});
    });
}

}  // namespace

void ChartHandler::ConvertFilledSeries(IDispatch* series, short seriesIndex) noexcept {
    // Outline, only where one is drawn.
    if (TestOrTrue([&](Step& s) { return BorderDrawn(s, ElementOrNothing(s, series, {M::Border})); }))
        TryPut(series, {M::Border}, M::Color, Black16());

    // Data labels lose their background and border.
    if (TestOrTrue([&](Step& s) { return s.GetBool(series, M::HasDataLabels); })) {
        const int labels = WalkLength([&](Step& s) {
            return s.GetValue(s.CallObject(series, M::DataLabels, {Variant::Missing()}).get(), M::Count);
        });
        for (int i = 1; i <= labels; ++i) {
            Dispatch label;
            Attempt([&](Step& s) {
                label = s.CallObjectOrNothing(series, M::DataLabels,
                                              {Variant::I2(static_cast<short>(i))});
            });
            if (!label) continue;
            TryPut(label.get(), {M::Interior}, M::ColorIndex, Variant::I4(xl::None));
            TryPut(label.get(), {M::Border}, M::ColorIndex, Variant::I4(xl::None));
        }
    }

    // Leader lines, when the series has them and they are there.
    if (TestOrTrue([&](Step& s) { return s.GetBool(series, M::HasLeaderLines); })) {
        Dispatch leaderLines;
        Attempt([&](Step& s) { leaderLines = s.GetObjectOrNothing(series, M::LeaderLines); });
        if (leaderLines) TryPut(series, {M::LeaderLines, M::Border}, M::Color, Black16());
    }

    // Trendlines keep their lightness: each becomes the grey of its own colour.
    const int trendlines = WalkLength([&](Step& s) {
        return s.GetValue(s.CallObject(series, M::Trendlines, {Variant::Missing()}).get(), M::Count);
    });
    for (int i = 1; i <= trendlines; ++i) {
        Dispatch trendline;
        Attempt([&](Step& s) {
            trendline = s.CallObjectOrNothing(series, M::Trendlines,
                                              {Variant::I2(static_cast<short>(i))});
        });
        if (!trendline) continue;
        Attempt([&](Step& s) {
            const long colour = s.GetInt32(Element(s, trendline.get(), {M::Border}).get(), M::Color);
            PutOn(s, trendline.get(), {M::Border}, M::Color,
                  Variant::I4(modColorFunctions::GetGreyColor(colour)));
        });
    }

    // The fill, only where one shows.
    if (!TestOrTrue([&](Step& s) {
            return s.GetInt32(Element(s, series, {M::Fill}).get(), M::Visible) != 0;
        }))
        return;
    TryPut(series, {M::Interior}, M::PatternColor, White());
    TryPut(series, {M::Interior}, M::Color, Black16());
    if (seriesIndex == 7 || seriesIndex == 8) {
        // Solid: white on black for 7, black on white for 8.
        if (seriesIndex == 7) {
            TryPut(series, {M::Interior}, M::PatternColor, Black16());
            TryPut(series, {M::Interior}, M::Color, White());
        }
        TryCall(series, {M::Fill}, M::Solid);
    } else {
        PatternFill(series, {M::Fill}, seriesIndex);
    }
}

void ChartHandler::ConvertLineSeries(IDispatch* series, short seriesIndex) noexcept {
    // The first eight series differ by marker shape; later ones keep shape, size and weight.
    if (seriesIndex < 9) {
        TryPut(series, {}, M::MarkerStyle, Variant::I4(MarkerStyleOf(seriesIndex)));
        // A medium line (weight -4138) keeps its weight.
        if (TestOrTrue([&](Step& s) {
                return s.GetDouble(Element(s, series, {M::Border}).get(), M::Weight) > 0.5;
            }))
            TryPut(series, {M::Border}, M::Weight, Variant::I2(3));
        if (TestOrTrue([&](Step& s) { return s.GetInt32(series, M::MarkerSize) > 1; }))
            TryPut(series, {}, M::MarkerSize, Variant::I4(8));
    }
    TryPut(series, {M::Border}, M::Color, Black16());
    TryPut(series, {}, M::MarkerForegroundColor, Black32());
    TryPut(series, {}, M::MarkerBackgroundColor, MarkerFillOf(seriesIndex));
    TryPut(series, {M::Border}, M::LineStyle, Variant::I4(LineStyleOf(seriesIndex)));
}

void ChartHandler::ConvertPieSeries(IDispatch* chart, short seriesIndex) noexcept {
    Dispatch series;
    Attempt([&](Step& s) {
        series = s.CallObjectOrNothing(chart, M::SeriesCollection, {Variant::I2(seriesIndex)});
    });
    if (!series) return;
    TryPut(series.get(), {M::Interior}, M::Color, Black16());
    TryPut(series.get(), {M::Interior}, M::PatternColor, White());

    Dispatch points;
    Attempt([&](Step& s) { points = s.CallObject(series.get(), M::Points, {Variant::Missing()}); });
    const int count = WalkLength([&](Step& s) { return s.GetValue(points.get(), M::Count); });

    // Each call reaches its point afresh, and the point's members by name.
    static constexpr DispMember kInterior = ByName(M::Interior), kFill = ByName(M::Fill),
                                kColor = ByName(M::Color), kPatternColor = ByName(M::PatternColor),
                                kPatterned = ByName(M::Patterned), kSolid = ByName(M::Solid);
    const auto putOnPoint = [&](short p, DispMember member, const Variant& value) {
        Attempt([&](Step& s) {
            PutOn(s, ItemByRef(s, points.get(), p).get(), {kInterior}, member, value);
        });
    };
    for (int i = 1; i <= count; ++i) {
        const short p = static_cast<short>(i);
        putOnPoint(p, kColor, Black16());
        putOnPoint(p, kPatternColor, White());
        if (p != 7 && p != 8) {
            Attempt([&](Step& s) {
                CallOn(s, ItemByRef(s, points.get(), p).get(), {kFill}, kPatterned,
                       {Variant::I4(GetFillPattern(p))});
            });
            continue;
        }
        if (p == 7) {
            putOnPoint(p, kColor, White());
            putOnPoint(p, kPatternColor, Black16());
        }
        Attempt([&](Step& s) { CallOn(s, ItemByRef(s, points.get(), p).get(), {kFill}, kSolid); });
    }
}

void ChartHandler::ConvertSurfaceLegend(IDispatch* chart) noexcept {
    Dispatch entries;
    Attempt([&](Step& s) {
        entries = s.CallObjectOrNothing(Element(s, chart, {M::Legend}).get(), M::LegendEntries,
                                        {Variant::Missing()});
    });
    if (!entries) return;
    const int count = WalkLength([&](Step& s) { return s.GetValue(entries.get(), M::Count); });
    for (int i = 1; i <= count; ++i) {
        const short position = static_cast<short>(i);
        Dispatch entry;
        Attempt([&](Step& s) { entry = ItemByRef(s, entries.get(), position); });
        if (!entry) continue;
        TryPut(entry.get(), {M::LegendKey, M::Interior}, M::Color, Black16());
        TryPut(entry.get(), {M::LegendKey, M::Interior}, M::PatternColor, White());
        // Bands 7 and 8 are not made solid here: like 16 and those above 50 they pass pattern 0.
        PatternFill(entry.get(), {M::LegendKey, M::Fill}, position);
    }
}

}  // namespace qv::chart
