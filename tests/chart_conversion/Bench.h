// A chart on the Excel stand-in, converted by ChartHandler, with its writes read back as text.
#pragma once

#include "sim/SimExcel.h"

#include <string>
#include <vector>

namespace chartconv {

using Lines = std::vector<std::string>;

// The chart lives alone on the chart sheet "Chart1" of the workbook "Book1".
class Bench {
public:
    explicit Bench(sim::ChartModel chart, sim::Options options = {});

    sim::ChartModel& chart();
    sim::Excel& excel() { return excel_; }

    // One conversion of the chart (the call log starts afresh). The chart reference the bench
    // hands over is released before this returns, so the stand-in's counts show what the
    // conversion left behind.
    HRESULT Convert();
    // Hands over another object instead of the chart (nullptr for none).
    HRESULT ConvertObject(IDispatch* object);

    // The writes of the last conversion in order, attempted or not: every put as
    // "Path.Member = value VT" and every Solid / Patterned call as "Path.Solid()" /
    // "Path.Patterned(value VT)", with paths relative to the chart ("ChartArea/Border",
    // "SeriesCollection(2)"). VT is I2, I4, R8, ...
    Lines Writes() const;
    // Only the writes whose path starts with prefix.
    Lines WritesUnder(const std::string& prefix) const;
    // Whether some call of the last conversion reached member on the element at path.
    bool Reached(const std::string& path, const std::string& member) const;

    std::string Relative(const std::wstring& path) const;
    std::string CallLog() const;

private:
    sim::Excel excel_;
};

// "I2", "I4", "&I2" (by reference), ...
std::string VtName(VARTYPE vt);

}  // namespace chartconv
