#include "tools/report/PassResultFile.h"

#include "tools/deckmodel/DeckParts.h"
#include "tools/deck/Files.h"
#include "tools/deck/JsonScanner.h"
#include "tools/deckmodel/Text.h"

#include <nlohmann/json.hpp>

namespace bwpass {
namespace {

using Json = nlohmann::ordered_json;

constexpr int kFormat = 1;

// ---- To JSON ----

Json CallsJson(const std::vector<HostCall>& calls) {
    Json a = Json::array();
    for (const HostCall& c : calls) a.push_back({{"member", c.member}, {"result", c.result}, {"failed", c.failed}});
    return a;
}

Json ObjectJson(const ObjectResult& o) {
    Json charts = Json::array();
    for (const ChartResult& c : o.charts)
        charts.push_back({{"place", c.place}, {"onShownSheet", c.onShownSheet}, {"note", c.note}});
    Json j = {{"name", Utf8(o.name)},
              {"progId", Utf8(o.progId)},
              {"bwFlagSet", o.bwFlagSet},
              {"hasWorkbook", o.hasWorkbook},
              {"excelVersion", Utf8(o.excelVersion)},
              {"accepted", nullptr},
              {"calls", CallsJson(o.calls)},
              {"writes", o.writes},
              {"excelCalls", o.excelCalls},
              {"sheetsBefore", Utf8(o.sheetsBefore)},
              {"sheetsAfter", Utf8(o.sheetsAfter)},
              {"workbookState", Utf8(o.workbookState)},
              {"spareWorkbook", Utf8(o.spareWorkbook)},
              {"note", o.note},
              {"charts", std::move(charts)}};
    if (o.accepted) j["accepted"] = *o.accepted;
    return j;
}

// ---- From JSON ----

std::vector<HostCall> CallsFrom(const Json& a) {
    std::vector<HostCall> calls;
    for (const Json& c : a) calls.push_back(HostCall{c.at("member"), c.at("result"), c.at("failed")});
    return calls;
}

ObjectResult ObjectFrom(const Json& j) {
    ObjectResult o;
    o.name = Wide(j.at("name"));
    o.progId = Wide(j.at("progId"));
    o.bwFlagSet = j.at("bwFlagSet");
    o.hasWorkbook = j.at("hasWorkbook");
    o.excelVersion = Wide(j.at("excelVersion"));
    if (!j.at("accepted").is_null()) o.accepted = j.at("accepted").get<bool>();
    o.calls = CallsFrom(j.at("calls"));
    o.writes = j.at("writes");
    o.excelCalls = j.at("excelCalls");
    o.sheetsBefore = Wide(j.at("sheetsBefore"));
    o.sheetsAfter = Wide(j.at("sheetsAfter"));
    o.workbookState = Wide(j.at("workbookState"));
    o.spareWorkbook = Wide(j.at("spareWorkbook"));
    o.note = j.at("note");
    for (const Json& c : j.at("charts")) {
        ChartResult chart;
        chart.place = c.at("place");
        chart.onShownSheet = c.at("onShownSheet");
        chart.note = c.at("note");
        o.charts.push_back(std::move(chart));
    }
    return o;
}

// One property of the pass outside the objects; unknown ones are left for later formats.
void ReadPassMember(const std::string& key, const Json& j, PassResult& p) {
    if (key == "passResult" && j != kFormat) throw std::runtime_error("a pass result of another format");
    else if (key == "deckTitle") p.deckTitle = Wide(j);
    else if (key == "deckSource") p.deckSource = j;
    else if (key == "outputDeck") p.outputDeck = j;
    else if (key == "dll") p.dll = j;
    else if (key == "activation") p.activation = j;
    else if (key == "drawLimit") p.drawLimit = j;
    else if (key == "hostCalls") p.hostCalls = CallsFrom(j);
    else if (key == "logNote") p.logNote = j;
    else if (key == "logLines") p.logLines = j.get<std::vector<std::string>>();
    else if (key == "renderNotes") p.renderNotes = j.get<std::vector<std::string>>();
}

}  // namespace

// ---- Writing ----

struct PassResultWriter::State {
    OutputFile file;
    PassTotals totals;
    size_t count = 0;
    std::string error;
    explicit State(const std::wstring& path) : file(path) {}
};

PassResultWriter::PassResultWriter(const std::wstring& path) : state_(std::make_unique<State>(path)) {}
PassResultWriter::~PassResultWriter() = default;

bool PassResultWriter::Open(const PassResult& p) {
    State& s = *state_;
    if (!s.file.Open()) {
        s.error = s.file.error();
        return false;
    }
    const Json head = {{"passResult", kFormat},   {"deckTitle", Utf8(p.deckTitle)}, {"deckSource", p.deckSource},
                       {"outputDeck", p.outputDeck}, {"dll", p.dll},                {"activation", p.activation},
                       {"drawLimit", p.drawLimit}};
    std::string text = head.dump(2);
    text.pop_back();  // the closing brace: the objects follow
    while (!text.empty() && text.back() == '\n') text.pop_back();
    s.file.Write(text + ",\n  \"objects\": [");
    return true;
}

void PassResultWriter::Add(const ObjectResult& o) {
    State& s = *state_;
    AddToTotals(s.totals, o);
    s.file.Write((s.count++ ? ",\n    " : "\n    ") + ObjectJson(o).dump());
}

bool PassResultWriter::Finish(const PassResult& p) {
    State& s = *state_;
    PassTotals& t = s.totals;
    for (const HostCall& c : p.hostCalls) t.failedCalls += c.failed ? 1 : 0;
    const Json tail = {{"hostCalls", CallsJson(p.hostCalls)},
                       {"logNote", p.logNote},
                       {"logLines", p.logLines},
                       {"renderNotes", p.renderNotes},
                       {"totals",
                        {{"offered", t.offered}, {"accepted", t.accepted}, {"declined", t.declined},
                         {"chartsOnShownSheets", t.chartsOnShownSheets}, {"chartsChanged", t.chartsChanged},
                         {"propertiesChanged", t.propertiesChanged},
                         {"writes", t.writes}, {"failedCalls", t.failedCalls},
                         {"chartsWithLookAlikes", t.legibility.chartsWithLookAlikes},
                         {"chartsWithVanishingText", t.legibility.chartsWithVanishingText}}}};
    std::string text = tail.dump(2);
    s.file.Write(std::string(s.count ? "\n  ]" : "]") + ",\n" + text.substr(2) + "\n");
    if (!s.file.Commit()) {
        s.error = s.file.error();
        return false;
    }
    return true;
}

const std::string& PassResultWriter::error() const { return state_->error; }

// ---- Reading ----

struct PassResultReader::State {
    std::string source;
    FilePtr file;
    JsonScanner scanner;
    PassResult pass;
    bool inObjects = false, done = false;

    State(std::string s, FilePtr f) : source(std::move(s)), file(std::move(f)), scanner(file.get()) {}

    [[noreturn]] void fail(const std::string& what) const { throw PassResultError(source + ": " + what); }

    // Reads properties up to the objects or the end.
    void advance() {
        std::string key;
        while (scanner.NextKey(key)) {
            if (key == "objects") {
                if (!scanner.ValueIsArray()) fail("\"objects\" is not an array");
                inObjects = true;
                return;
            }
            ReadPassMember(key, Json::parse(scanner.ValueText()), pass);
        }
        scanner.End();
        done = true;
    }
};

PassResultReader::PassResultReader(const std::wstring& path) {
    std::string error;
    FilePtr file = OpenForReading(path, error);
    if (!file) throw PassResultError(Utf8(path) + ": cannot read the pass result: " + error);
    state_ = std::make_unique<State>(Utf8(path), std::move(file));
    try {
        if (!state_->scanner.StartObject()) state_->fail("not a pass result: the file is not a JSON object");
        state_->advance();
    } catch (const detail::MalformedJson&) {
        state_->fail("not a pass result: malformed JSON");
    } catch (const std::exception& e) {
        if (dynamic_cast<const PassResultError*>(&e)) throw;
        state_->fail(std::string("not a pass result: ") + e.what());
    }
}

PassResultReader::~PassResultReader() = default;

bool PassResultReader::Next(ObjectResult& object) {
    State& s = *state_;
    try {
        std::string text;
        while (!s.done) {
            if (s.inObjects) {
                if (s.scanner.NextElement(text)) {
                    object = ObjectFrom(Json::parse(text));
                    return true;
                }
                s.inObjects = false;
            }
            s.advance();
        }
        return false;
    } catch (const detail::MalformedJson&) {
        s.fail("not a pass result: malformed JSON");
    } catch (const PassResultError&) {
        throw;
    } catch (const std::exception& e) {
        s.fail(std::string("not a pass result: ") + e.what());
    }
}

const PassResult& PassResultReader::pass() const { return state_->pass; }

}  // namespace bwpass
