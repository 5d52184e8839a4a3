// The Excel automation surface the plug-in uses: the published dispatch identifiers of each
// member, the interface identifiers it queries for, and the Office constants it writes.
//
// Everything here is reached through IDispatch::Invoke (com/Automation.h); no Excel vtable
// layout is assumed. The identifiers are the same in Excel 12, 15 and 16.
#pragma once

#include "com/Automation.h"

namespace qv::excel {

// Members by dispatch identifier. A member name is the same in every Excel interface that has
// it, with one exception: Office's FillFormat numbers its members differently from Excel's
// ChartFillFormat (see FillFormatVisible).
namespace Member {
inline constexpr DispMember Version{392, L"Version", false};
inline constexpr DispMember Workbooks{572, L"Workbooks", false};
inline constexpr DispMember Count{118, L"Count", false};
inline constexpr DispMember Item{170, L"Item", false};
inline constexpr DispMember Add{181, L"Add", false};
inline constexpr DispMember Application{148, L"Application", false};
inline constexpr DispMember ActiveChart{183, L"ActiveChart", false};
inline constexpr DispMember ActiveSheet{307, L"ActiveSheet", false};
inline constexpr DispMember Sheets{485, L"Sheets", false};
inline constexpr DispMember ExclusiveAccess{1168, L"ExclusiveAccess", false};
inline constexpr DispMember Close{277, L"Close", false};
inline constexpr DispMember Name{110, L"Name", false};
inline constexpr DispMember Move{637, L"Move", false};
inline constexpr DispMember ChartObjects{1060, L"ChartObjects", false};
inline constexpr DispMember Chart{7, L"Chart", false};
inline constexpr DispMember ChartArea{80, L"ChartArea", false};
inline constexpr DispMember PlotArea{85, L"PlotArea", false};
inline constexpr DispMember Legend{84, L"Legend", false};
inline constexpr DispMember Walls{86, L"Walls", false};
inline constexpr DispMember Floor{83, L"Floor", false};
inline constexpr DispMember ChartType{1400, L"ChartType", false};
inline constexpr DispMember Axes{23, L"Axes", false};
inline constexpr DispMember SeriesCollection{68, L"SeriesCollection", false};
inline constexpr DispMember Parent{150, L"Parent", false};
inline constexpr DispMember Border{128, L"Border", false};
inline constexpr DispMember Interior{129, L"Interior", false};
inline constexpr DispMember Fill{1663, L"Fill", false};
inline constexpr DispMember Format{116, L"Format", false};
inline constexpr DispMember LegendEntries{173, L"LegendEntries", false};
inline constexpr DispMember MajorGridlines{89, L"MajorGridlines", false};
inline constexpr DispMember MinorGridlines{90, L"MinorGridlines", false};
inline constexpr DispMember LegendKey{174, L"LegendKey", false};
inline constexpr DispMember Points{70, L"Points", false};
inline constexpr DispMember HasDataLabels{78, L"HasDataLabels", false};
inline constexpr DispMember DataLabels{157, L"DataLabels", false};
inline constexpr DispMember HasLeaderLines{1394, L"HasLeaderLines", false};
inline constexpr DispMember LeaderLines{1666, L"LeaderLines", false};
inline constexpr DispMember Trendlines{154, L"Trendlines", false};
inline constexpr DispMember MarkerSize{231, L"MarkerSize", false};
inline constexpr DispMember MarkerStyle{72, L"MarkerStyle", false};
inline constexpr DispMember MarkerForegroundColor{75, L"MarkerForegroundColor", false};
inline constexpr DispMember MarkerBackgroundColor{73, L"MarkerBackgroundColor", false};
inline constexpr DispMember Color{99, L"Color", false};
inline constexpr DispMember Weight{120, L"Weight", false};
inline constexpr DispMember LineStyle{119, L"LineStyle", false};
inline constexpr DispMember ColorIndex{97, L"ColorIndex", false};
inline constexpr DispMember PatternColor{100, L"PatternColor", false};
inline constexpr DispMember Pattern{95, L"Pattern", false};
inline constexpr DispMember Visible{558, L"Visible", false};
inline constexpr DispMember Solid{1627, L"Solid", false};
inline constexpr DispMember Patterned{1628, L"Patterned", false};
inline constexpr DispMember Line{817, L"Line", false};inline constexpr DispMember Default{DISPID_VALUE, L"_Default", false};
// Office FillFormat {000C0314-...}, the interface the walls' and floor's fills are viewed as.
inline constexpr DispMember FillFormatVisible{113, L"Visible", false};
}  // namespace Member

// Interface identifiers (the dispatch IIDs; for dual interfaces also the vtable IIDs).
inline constexpr IID IID_Application{0x000208D5, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_Workbooks{0x000208DB, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_Workbook{0x000208DA, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_Sheets{0x000208D7, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_Worksheet{0x000208D8, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_ChartObjects{0x000208D0, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_ChartObject{0x000208CF, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_Chart{0x000208D6, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_ChartArea{0x000208CC, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_PlotArea{0x000208CB, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_Legend{0x000208CD, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_Walls{0x000208C8, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_Floor{0x000208C7, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_Axis{0x00020848, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_Axes{0x0002085B, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_Gridlines{0x000208C3, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_LeaderLines{0x00024437, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_Trendline{0x000208BE, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_Trendlines{0x000208BD, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_DataLabel{0x000208B2, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_DataLabels{0x000208B3, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_LegendKey{0x000208BC, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_LegendEntry{0x000208BA, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_LegendEntries{0x000208BB, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_Series{0x0002086B, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_SeriesCollection{0x0002086C, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_Points{0x00020869, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_Point{0x0002086A, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_Border{0x00020854, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_Interior{0x00020870, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_ChartFillFormat{0x00024435, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_ChartFormat{0x000244B2, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// Office's FillFormat (Office type library), not Excel's ChartFillFormat.
inline constexpr IID IID_FillFormat{0x000C0314, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// Office constants the conversion writes or compares.
namespace xl {
constexpr long None = -4142;        // xlNone, xlLineStyleNone, xlColorIndexNone
constexpr long Medium = -4138;      // xlMedium border weight
constexpr long Continuous = 1;      // xlContinuous
constexpr long Dot = -4118;         // xlDot
constexpr long Double = -4119;      // xlDouble
constexpr long DashDot = 4;         // xlDashDot
constexpr long Category = 1;        // xlCategory
constexpr long Value = 2;           // xlValue
constexpr long SeriesAxis = 3;      // xlSeriesAxis
constexpr long Primary = 1;         // xlPrimary
constexpr long MarkerCircle = 8;    // xlMarkerStyleCircle
constexpr long MarkerTriangle = 3;  // xlMarkerStyleTriangle
constexpr long MarkerSquare = 1;    // xlMarkerStyleSquare
constexpr long MarkerDiamond = 2;   // xlMarkerStyleDiamond
}  // namespace xl

}  // namespace qv::excel
