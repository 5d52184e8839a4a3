// Copies of a workbook made only to be printed by LibreOffice: one sheet's range at the top left
// of its page, at a scale that fills the page, with nothing else printed (no margins, headers,
// gridlines, other sheets); or the whole workbook with only its sheets that hold charts.
// The copies are never saved as output: the converted file keeps its own page set-up.
#pragma once

#include "tools/package/Package.h"

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace office {

// Cells from (firstColumn, firstRow) to (lastColumn, lastRow), counted from 0.
struct CellBox {
    int firstColumn = 0, firstRow = 0, lastColumn = -1, lastRow = -1;
    bool empty() const { return lastColumn < firstColumn || lastRow < firstRow; }
};

// "B2:K20", "$A$1", "Sheet1!A1:C3"; nothing for text that is not a cell range.
std::optional<CellBox> ParseCellRange(const std::string& text);
// "$B$2:$K$20".
std::string CellRangeText(const CellBox& box);
// The smallest box holding both (an empty box holds nothing).
CellBox Union(const CellBox& a, const CellBox& b);

// What an embedded workbook shows of a sheet: the workbook's oleSize when withOleSize and the
// sheet is the one the workbook opens on, else the cells in use with the drawings on the sheet
// (charts included). Empty when the sheet shows nothing.
CellBox ShownRange(const Package& workbook, const std::string& sheetName, bool withOleSize);

struct SheetPrint {
    std::string xlsx;                          // the copy, as the bytes of a package
    double widthPoints = 0, heightPoints = 0;  // the range on its printed page, as Excel would lay it out
    bool marked = false;       // the column right of the range and the row below print magenta
    std::string problem;                       // why there is no copy; "" when there is
};

// The copy that prints range of the sheet (its shown range when range is empty).
SheetPrint PrintCopyOfSheet(const Package& workbook, const std::string& sheetName, CellBox range = {});

// The names of the charts of the newer kinds (cx:chart: waterfall, histogram, treemap ...) that
// stand in range of the sheet (its shown range when range is empty), or anywhere on a chart
// sheet. A picture drawn anew cannot show them: LibreOffice prints the box Excel leaves for
// older readers in their place.
std::vector<std::string> NewerChartsShown(const Package& workbook, const std::string& sheetName, CellBox range = {});

// The whole workbook with every sheet hidden that is not in shownSheets (names); the workbook
// as it is when none of its sheets is there.
std::string CopyShowingSheets(const Package& workbook, const std::set<std::string>& shownSheets);

}  // namespace office
