#include "tests/proof/Deck.h"

#include "sim/ModelBuilders.h"
#include "tools/deck/SampleDeck.h"

#include <utility>

namespace proof {

std::vector<DeckEntry> SampleDeck() {
    std::vector<DeckEntry> deck;
    for (bwpass::DeckObject& o : bwpass::SampleDeck().objects) {
        DeckEntry e;
        e.name = o.name;
        e.progId = o.progId;
        e.flags = o.bwFlagSet;
        if (o.excel) {
            e.hasWorkbook = true;
            e.application = std::move(o.excel->application);
            e.embeddedWorkbook = o.excel->embeddedWorkbook;
        }
        deck.push_back(std::move(e));
    }
    return deck;
}

namespace {

std::string Narrow(const std::wstring& w) {
    std::string s;
    for (wchar_t c : w) s += c < 128 ? static_cast<char>(c) : '?';
    return s;
}

}  // namespace

std::vector<NamedChart> SampleCharts() {
    std::vector<NamedChart> charts;
    for (DeckEntry& e : SampleDeck()) {
        if (!e.hasWorkbook) continue;
        for (auto& book : e.application.workbooks) {
            for (auto& sheet : book->sheets) {
                const std::string where = Narrow(e.name + L": " + book->name + L"/" + sheet->name);
                if (sheet->kind == sim::SheetModel::Kind::ChartSheet) charts.push_back({where, sheet->chart});
                for (auto& object : sheet->chartObjects)
                    charts.push_back({where + "/" + Narrow(object.name), object.chart});
            }
        }
    }
    return charts;
}

LiveDeck::LiveDeck(std::vector<DeckEntry> entries) : entries_(std::move(entries)) {
    for (DeckEntry& e : entries_) {
        if (e.hasWorkbook)
            excels_.push_back(std::make_unique<sim::Excel>(std::move(e.application)));
        else
            excels_.push_back(nullptr);
    }
}

LiveDeck::~LiveDeck() { ReleaseOffers(); }

std::vector<sim::OfferedObject> LiveDeck::Offers() {
    ReleaseOffers();
    std::vector<sim::OfferedObject> offers;
    for (size_t i = 0; i < entries_.size(); ++i) {
        IDispatch* workbook = nullptr;
        if (sim::Excel* excel = excels_[i].get()) {
            workbook = excel->NewWorkbookRef(*excel->model().workbooks.at(entries_[i].embeddedWorkbook));
            offered_.push_back(workbook);
        }
        offers.push_back({entries_[i].progId, entries_[i].flags, workbook});
    }
    return offers;
}

void LiveDeck::ReleaseOffers() {
    for (IDispatch* p : offered_) p->Release();
    offered_.clear();
}

namespace {

sim::ApplicationModel OneChart(const sim::ChartModel& chart) {
    sim::ApplicationModel app;
    sim::WorkbookModel& book = sim::AddWorkbook(app, L"Book1");
    book.sheets.push_back(sim::MakeChartSheet(L"Chart1", chart));
    return app;
}

}  // namespace

LiveChart::LiveChart(const sim::ChartModel& chart, sim::Options options) : excel_(OneChart(chart), options) {}

sim::ChartModel& LiveChart::chart() { return excel_.model().workbooks[0]->sheets[0]->chart; }

IDispatch* LiveChart::NewChartRef() { return excel_.NewChartRef(chart()); }

}  // namespace proof
