// The cells of a workbook as a chart's formulas name them, for charts stored without the values
// they show: some programs write c:numRef and c:strRef with the formula (c:f) alone, and Excel
// then reads the points from the cells.
#pragma once

#include "tools/chartmodel/ChartPart.h"
#include "tools/package/Package.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace office {

// One reference of a formula: a sheet and a rectangle of cells, 0-based, inclusive.
struct CellRange {
    std::string sheet;
    int firstRow = 0, firstColumn = 0, lastRow = 0, lastColumn = 0;
};
// The ranges of a chart formula: Sheet1!$B$2:$B$6, 'My ''own'' sheet'!B2, a union of them in
// parentheses. Empty when the formula is none of these (a name, a function, another workbook).
std::vector<CellRange> ParseChartFormula(const std::string& formula);

// The cells of the workbook of a package (the package's main part, an .xlsx or an embedded
// workbook), opened on first use and read sheet by sheet as formulas name them.
class WorkbookCells : public CellSource {
public:
    // A workbook the caller keeps open for as long as this lives.
    explicit WorkbookCells(const Package& package);
    // A workbook opened when a formula first needs it (a presentation's embedded workbook).
    explicit WorkbookCells(std::function<Package()> open);
    ~WorkbookCells() override;

    std::vector<CellValue> Range(const std::string& formula) const override;

private:
    using Sheet = std::map<std::pair<int, int>, CellValue>;
    const Package* Workbook() const;
    const Sheet* SheetNamed(const std::string& name) const;
    Sheet ReadSheet(const std::string& part) const;

    std::function<Package()> open_;
    mutable std::unique_ptr<Package> owned_;
    mutable const Package* package_ = nullptr;
    mutable bool loaded_ = false;
    mutable std::map<std::string, std::string> sheetParts_;  // by name as the workbook lists it
    mutable std::vector<std::string> sharedStrings_;
    mutable std::map<std::string, Sheet> sheets_;
};

}  // namespace office
