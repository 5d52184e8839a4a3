// Reading and writing whole decks and single objects of a deck, over the fields of DeckFields.h.
#include "tools/deckmodel/Deck.h"
#include "tools/deckmodel/DeckFields.h"
#include "tools/deckmodel/DeckParts.h"

#include "tools/deckmodel/Text.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <utility>

namespace bwpass {
namespace {

using namespace detail;

// ---- Parsing ----

// nlohmann keeps the last of two equal keys silently; a deck written by hand that names a
// property twice almost certainly meant something else, so it is refused with its path.
class DuplicateKeyGuard {
public:
    // prefix: the JSON path of the parsed text within its file ("objects[7]"), empty for a whole file.
    explicit DuplicateKeyGuard(const Source& src, std::string prefix = {}) : src_(src), prefix_(std::move(prefix)) {}

    bool operator()(int, nlohmann::json::parse_event_t event, Json& parsed) {
        using E = nlohmann::json::parse_event_t;
        switch (event) {
        case E::object_start: startValue(); frames_.push_back({false, 0, {}, {}}); break;
        case E::array_start: startValue(); frames_.push_back({true, 0, {}, {}}); break;
        case E::object_end:
        case E::array_end: frames_.pop_back(); break;
        case E::value: startValue(); break;
        case E::key: {
            Frame& f = frames_.back();
            f.key = parsed.get<std::string>();
            if (std::find(f.keys.begin(), f.keys.end(), f.key) != f.keys.end())
                src_.fail(path(), "property \"" + f.key + "\" given twice");
            f.keys.push_back(f.key);
            break;
        }
        }
        return true;
    }

private:
    struct Frame {
        bool isArray;
        size_t count;
        std::string key;
        std::vector<std::string> keys;
    };

    void startValue() {
        if (!frames_.empty() && frames_.back().isArray) ++frames_.back().count;
    }

    std::string path() const {
        std::string p = prefix_;
        for (size_t i = 0; i + 1 < frames_.size(); ++i) {
            const Frame& f = frames_[i];
            p = f.isArray ? Item(p, f.count - 1) : Child(p, f.key);
        }
        return p;
    }

    const Source& src_;
    std::string prefix_;
    std::vector<Frame> frames_;
};

DeckError MalformedJsonError(const Source& src, const nlohmann::json::parse_error& e) {
    // e.what() is "[json.exception.parse_error.101] parse error at line L, column C: ...".
    std::string what = e.what();
    size_t bracket = what.find("] ");
    if (bracket != std::string::npos) what = what.substr(bracket + 2);
    return DeckError(src.name + ": malformed JSON: " + what);
}

Json ParseJson(const std::string& text, const Source& src) {
    try {
        DuplicateKeyGuard guard(src);
        return Json::parse(text, std::ref(guard), true, /*ignore_comments=*/true);
    } catch (const nlohmann::json::parse_error& e) {
        throw MalformedJsonError(src, e);
    }
}

Json ChartJson(const sim::ChartModel& chart) {
    Json j;
    Writer w(j);
    VisitChart{}(w, chart);
    return j;
}

std::string PointerToPath(const std::string& pointer) {
    std::string path;
    size_t start = 1;
    while (start <= pointer.size()) {
        size_t end = pointer.find('/', start);
        if (end == std::string::npos) end = pointer.size();
        std::string token = pointer.substr(start, end - start);
        bool index = !token.empty() && std::all_of(token.begin(), token.end(), ::isdigit);
        path = index ? path + "[" + token + "]" : Child(path, token);
        start = end + 1;
    }
    return path;
}

}  // namespace

namespace detail {

DeckObject ParseDeckObject(const std::string& text, const std::string& sourceName, size_t index) {
    const Source src{sourceName};
    const std::string path = Item("objects", index);
    Json j;
    try {
        DuplicateKeyGuard guard(src, path);
        j = Json::parse(text, std::ref(guard), true, /*ignore_comments=*/true);
    } catch (const nlohmann::json::parse_error&) {
        throw MalformedJson();
    }
    DeckObject o;
    Reader r(src, j, path);
    VisitObject{}(r, o);
    r.finish();
    return o;
}

bool ReadDeckMember(const std::string& key, const std::string& valueText, const std::string& sourceName,
                    std::wstring& title) {
    const Source src{sourceName};
    if (key != "deckFormat" && key != "title") return false;
    Json j;
    try {
        j = Json::parse(valueText, nullptr, true, /*ignore_comments=*/true);
    } catch (const nlohmann::json::parse_error&) {
        throw MalformedJson();
    }
    if (key == "deckFormat" && j != kDeckFormat) src.expected(key, "deck format 1", j);
    if (key == "title") {
        if (!j.is_string()) src.expected(key, "a string", j);
        title = Wide(j.get<std::string>());
    }
    return true;
}

void FailObjectsNotAnArray(const std::string& valueText, const std::string& sourceName) {
    const Source src{sourceName};
    Json j;
    try {
        j = Json::parse(valueText, nullptr, true, /*ignore_comments=*/true);
    } catch (const nlohmann::json::parse_error&) {
        throw MalformedJson();
    }
    src.expected("objects", "an array", j);
}

void FailTopLevel(const std::string& sourceName, const std::string& problem) {
    Source{sourceName}.fail("", problem);
}

std::string UnknownDeckProperty(const std::string& key) {
    return "unknown property \"" + key + "\" (known here: deckFormat, title, objects)";
}

std::string SyntaxErrorOf(std::FILE* file, const std::string& sourceName) {
    const Source src{sourceName};
    DuplicateKeyGuard guard(src);
    // Every finished value is dropped at once: only the syntax is checked, in bounded memory.
    auto check = [&guard](int depth, nlohmann::json::parse_event_t event, Json& parsed) {
        using E = nlohmann::json::parse_event_t;
        guard(depth, event, parsed);
        return depth == 0 || event == E::key || event == E::object_start || event == E::array_start;
    };
    try {
        const Json top = Json::parse(file, check, true, /*ignore_comments=*/true);
        (void)top;
    } catch (const nlohmann::json::parse_error& e) {
        return MalformedJsonError(src, e).what();
    } catch (const DeckError& e) {
        return e.what();
    }
    return {};
}

std::string DeckObjectJson(const DeckObject& object) {
    Json j;
    Writer w(j);
    VisitObject{}(w, object);
    return j.dump(2);
}

std::string JsonText(const std::string& s) { return Json(s).dump(); }

}  // namespace detail

Deck ParseDeck(const std::string& jsonText, const std::string& sourceName) {
    Source src{sourceName};
    Json j = ParseJson(jsonText, src);
    Deck deck;
    Reader r(src, j, "");
    VisitDeck{}(r, deck);
    r.finish();
    return deck;
}

Deck ReadDeckFile(const std::wstring& path) {
    std::string text, error;
    if (!ReadWholeFile(path, text, error)) throw DeckError(Utf8(path) + ": cannot read the deck: " + error);
    return ParseDeck(text, Utf8(path));
}

std::string DeckToJson(const Deck& deck) {
    Json j;
    Writer w(j);
    VisitDeck{}(w, deck);
    return j.dump(2) + "\n";
}

std::string ChartToJson(const sim::ChartModel& chart) { return ChartJson(chart).dump(2); }

std::vector<std::string> ChartChanges(const sim::ChartModel& before, const sim::ChartModel& after) {
    const Json a = ChartJson(before), b = ChartJson(after);
    std::vector<std::string> lines;
    for (const Json& op : Json::diff(a, b)) {
        const std::string pointer = op["path"].get<std::string>();
        const std::string kind = op["op"].get<std::string>();
        const Json::json_pointer p(pointer);
        std::string from = kind == "add" ? "(none)" : Describe(a.at(p));
        std::string to = kind == "remove" ? "(none)" : Describe(op["value"]);
        lines.push_back(PointerToPath(pointer) + ": " + from + " -> " + to);
    }
    return lines;
}

}  // namespace bwpass

