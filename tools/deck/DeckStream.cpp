#include "tools/deck/DeckStream.h"

#include "tools/deckmodel/DeckParts.h"
#include "tools/deck/Files.h"
#include "tools/deck/JsonScanner.h"
#include "tools/deckmodel/Text.h"

#include <algorithm>
#include <vector>

namespace bwpass {

using detail::MalformedJson;

// ---- Reading ----

struct DeckObjectReader::State {
    std::wstring path;
    std::string source;  // the file's name in messages
    FilePtr file;
    JsonScanner scanner;
    bool started = false, inObjects = false, sawObjects = false, done = false;
    bool titleRead = false;
    std::wstring title;
    size_t index = 0;
    std::vector<std::string> keys;  // the top-level properties seen, for repeats
    std::string unknown;            // the first unknown top-level property

    State(const std::wstring& p, std::string s, FilePtr f)
        : path(p), source(std::move(s)), file(std::move(f)), scanner(file.get()) {}

    bool next(DeckObject& object);
    void start();
    void member(const std::string& key);
    [[noreturn]] void malformed();
};

void DeckObjectReader::State::start() {
    started = true;
    if (scanner.StartObject()) return;
    // Not an object: ParseDeck says what it is, or where the JSON breaks.
    ParseDeck(scanner.Rest(), source);
    detail::FailTopLevel(source, "expected an object");  // not reached: ParseDeck refuses it
}

void DeckObjectReader::State::member(const std::string& key) {
    if (std::find(keys.begin(), keys.end(), key) != keys.end())
        detail::FailTopLevel(source, "property \"" + key + "\" given twice");
    keys.push_back(key);
    if (key == "objects") {
        sawObjects = true;
        if (!scanner.ValueIsArray()) detail::FailObjectsNotAnArray(scanner.ValueText(), source);
        inObjects = true;
        return;
    }
    const std::string value = scanner.ValueText();
    if (!detail::ReadDeckMember(key, value, source, title) && unknown.empty()) unknown = key;
    if (key == "title") titleRead = true;
}

bool DeckObjectReader::State::next(DeckObject& object) {
    if (!started) start();
    std::string text, key;
    for (;;) {
        if (inObjects) {
            if (scanner.NextElement(text)) {
                object = detail::ParseDeckObject(text, source, index++);
                return true;
            }
            inObjects = false;
        }
        if (!scanner.NextKey(key)) break;
        member(key);
    }
    scanner.End();
    if (!sawObjects) detail::FailTopLevel(source, "missing property \"objects\"");
    if (!unknown.empty()) detail::FailTopLevel(source, detail::UnknownDeckProperty(unknown));
    titleRead = done = true;
    return false;
}

// The scanner knows where the structure broke, not how ParseDeck words it: the file's syntax is
// checked again from the start for the message.
void DeckObjectReader::State::malformed() {
    std::string error;
    FilePtr again = OpenForReading(path, error);
    std::string message = again ? detail::SyntaxErrorOf(again.get(), source) : std::string();
    if (message.empty()) message = source + ": malformed JSON";
    throw DeckError(message);
}

DeckObjectReader::DeckObjectReader(const std::wstring& path) {
    std::string error;
    FilePtr file = OpenForReading(path, error);
    if (!file) throw DeckError(Utf8(path) + ": cannot read the deck: " + error);
    state_ = std::make_unique<State>(path, Utf8(path), std::move(file));
}

DeckObjectReader::~DeckObjectReader() = default;

bool DeckObjectReader::Next(DeckObject& object) {
    if (state_->done) return false;
    try {
        return state_->next(object);
    } catch (const MalformedJson&) {
        state_->done = true;
        state_->malformed();
    } catch (...) {
        state_->done = true;
        throw;
    }
}

bool DeckObjectReader::titleRead() const { return state_->titleRead; }
const std::wstring& DeckObjectReader::title() const { return state_->title; }

void ReadDeckObjects(const std::wstring& path, const std::function<void(const std::wstring&)>& onTitle,
                     const std::function<void(DeckObject&&)>& onObject) {
    DeckObjectReader reader(path);
    bool titled = false;
    for (;;) {
        DeckObject object;
        const bool more = reader.Next(object);
        if (!titled && reader.titleRead()) {
            onTitle(reader.title());
            titled = true;
        }
        if (!more) break;
        onObject(std::move(object));
    }
}

// ---- Writing ----

struct DeckWriter::State {
    OutputFile file;
    std::wstring title;
    size_t count = 0;
    bool open = false;
    std::string error;

    State(const std::wstring& path, const std::wstring& t) : file(path), title(t) {}
};

DeckWriter::DeckWriter(const std::wstring& path, const std::wstring& title)
    : state_(std::make_unique<State>(path, title)) {}

DeckWriter::~DeckWriter() = default;

bool DeckWriter::Open() {
    State& s = *state_;
    s.open = s.file.Open();
    if (!s.open) {
        s.error = s.file.error();
        return false;
    }
    s.file.Write("{\n  \"deckFormat\": 1,\n  \"title\": " + detail::JsonText(Utf8(s.title)) + ",\n  \"objects\": [");
    return true;
}

// Each object as DeckToJson writes it: its lines indented by two levels.
void DeckWriter::Add(const DeckObject& object) {
    State& s = *state_;
    if (!s.open) return;
    const std::string json = detail::DeckObjectJson(object);
    std::string text = s.count++ ? ",\n    " : "\n    ";
    text.reserve(json.size() + json.size() / 8);
    for (char c : json) {
        text += c;
        if (c == '\n') text += "    ";
    }
    s.file.Write(text);
}

bool DeckWriter::Finish() {
    State& s = *state_;
    if (!s.open) {
        if (s.error.empty()) s.error = "cannot be created";
        return false;
    }
    s.file.Write(s.count ? "\n  ]\n}\n" : "]\n}\n");
    s.open = false;
    if (!s.file.Commit()) {
        s.error = s.file.error();
        return false;
    }
    return true;
}

const std::string& DeckWriter::error() const { return state_->error; }

}  // namespace bwpass
