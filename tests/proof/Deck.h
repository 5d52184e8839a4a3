// The deck the robustness tests and the benchmark run over: the objects a host offers during a
// black-and-white print, each Excel object with the Excel instance that holds its workbook.
#pragma once

#include "sim/ExcelModel.h"
#include "sim/SimExcel.h"
#include "sim/SimHost.h"

#include <memory>
#include <string>
#include <vector>

namespace proof {

struct DeckEntry {
    std::wstring name;
    std::wstring progId;
    long flags = 512;
    bool hasWorkbook = false;          // without one the host offers Nothing
    sim::ApplicationModel application;
    int embeddedWorkbook = 0;          // index into application.workbooks
};

// The host tool's sample deck (tools/bwpass), built afresh: one object of every chart family the
// conversion treats differently, a chart sheet behind a worksheet, a worksheet with three charts,
// Excel 11 and later, a declined object and one with the black-and-white bit off.
std::vector<DeckEntry> SampleDeck();

// Every chart of the sample deck (shown or not), copied out, with a label.
struct NamedChart {
    std::string label;
    sim::ChartModel chart;
};
std::vector<NamedChart> SampleCharts();

// The deck made live: one Excel stand-in per object that has a workbook.
class LiveDeck {
public:
    explicit LiveDeck(std::vector<DeckEntry> entries = SampleDeck());
    ~LiveDeck();
    LiveDeck(const LiveDeck&) = delete;
    LiveDeck& operator=(const LiveDeck&) = delete;

    size_t size() const { return entries_.size(); }
    const DeckEntry& entry(size_t i) const { return entries_[i]; }
    sim::Excel* excel(size_t i) const { return excels_[i].get(); }

    // What the host offers, with one workbook reference per Excel object held by the deck until
    // ReleaseOffers (or the deck's end).
    std::vector<sim::OfferedObject> Offers();
    void ReleaseOffers();

private:
    std::vector<DeckEntry> entries_;
    std::vector<std::unique_ptr<sim::Excel>> excels_;
    std::vector<IDispatch*> offered_;
};

// A one-chart Excel: the chart as the only sheet of Book1; ChartRef() hands out a reference.
class LiveChart {
public:
    explicit LiveChart(const sim::ChartModel& chart, sim::Options options = {});
    sim::Excel& excel() { return excel_; }
    IDispatch* NewChartRef();
    sim::ChartModel& chart();

private:
    sim::Excel excel_;
};

}  // namespace proof
