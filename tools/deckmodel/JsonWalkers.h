// The two walkers of the deck file's fields (DeckFields.h): Reader fills a model from JSON and
// checks every value against its domain, naming the file, the JSON path and what was expected;
// Writer prints a model. Both offer the same calls, one per kind of value.
//
// Private to the deck file's code.
#pragma once

#include "tools/deckmodel/Deck.h"

#include "tools/deckmodel/Constants.h"
#include "tools/deckmodel/Text.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <initializer_list>
#include <memory>
#include <utility>

namespace bwpass::detail {

using Json = nlohmann::ordered_json;

inline constexpr int kDeckFormat = 1;

inline std::string Child(const std::string& path, const std::string& key) {
    return path.empty() ? key : path + "." + key;
}

inline std::string Item(const std::string& path, size_t i) {
    return path + "[" + std::to_string(i) + "]";
}

inline std::string Describe(const Json& j) {
    if (j.is_object()) return "an object";
    if (j.is_array()) return "an array";
    std::string s = j.dump();
    if (s.size() > 60) s = s.substr(0, 57) + "...";
    return s;
}

inline std::string Quoted(const std::wstring& s) { return "\"" + Utf8(s) + "\""; }

inline bool EqualNoCase(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::towlower(a[i]) != std::towlower(b[i])) return false;
    return true;
}

struct Source {
    std::string name;

    [[noreturn]] void fail(const std::string& path, const std::string& text) const {
        throw DeckError(name + ": " + (path.empty() ? "(top level)" : path) + ": " + text);
    }
    [[noreturn]] void expected(const std::string& path, const std::string& what, const Json& got) const {
        fail(path, "expected " + what + ", got " + Describe(got));
    }
};

inline int32_t ToInt(const Source& src, const Json& j, const std::string& path, const IntDomain& d) {
    if (j.is_string()) {
        if (auto v = d.lookup(j.get<std::string>())) return *v;
        src.expected(path, d.what, j);
    }
    if (!j.is_number_integer()) src.expected(path, d.what, j);
    if (j.is_number_unsigned() && j.get<uint64_t>() > static_cast<uint64_t>(INT32_MAX))
        src.expected(path, d.what, j);
    int64_t v = j.get<int64_t>();
    if (v < INT32_MIN || v > INT32_MAX || !d.allows(static_cast<int32_t>(v))) src.expected(path, d.what, j);
    return static_cast<int32_t>(v);
}

inline int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "#RRGGBB" (web order) or an integer in Excel's &H00BBGGRR layout.
inline int32_t ToColour(const Source& src, const Json& j, const std::string& path) {
    static const char* what = "a colour: \"#RRGGBB\" or an integer 0..16777215 (&H00BBGGRR)";
    if (j.is_string()) {
        const std::string s = j.get<std::string>();
        if (s.size() != 7 || s[0] != '#') src.expected(path, what, j);
        int rgb = 0;
        for (size_t i = 1; i < 7; ++i) {
            int d = HexDigit(s[i]);
            if (d < 0) src.expected(path, what, j);
            rgb = rgb * 16 + d;
        }
        return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
    }
    if (!j.is_number_integer() || j.get<int64_t>() < 0 || j.get<int64_t>() > 0xFFFFFF)
        src.expected(path, what, j);
    return static_cast<int32_t>(j.get<int64_t>());
}

inline std::string ColourText(int32_t bgr) {
    if (bgr < 0 || bgr > 0xFFFFFF) return std::to_string(bgr);
    char s[8];
    std::snprintf(s, sizeof s, "#%02X%02X%02X", bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
    return s;
}

template <class E>
using Choices = std::initializer_list<std::pair<const char*, E>>;

class Reader {
public:
    static constexpr bool kReading = true;

    Reader(const Source& src, const Json& j, std::string path) : src_(src), j_(j), path_(std::move(path)) {
        if (!j_.is_object()) src_.expected(path_, "an object", j_);
    }

    // Every property the visit did not ask for is unknown.
    void finish() const {
        for (auto it = j_.begin(); it != j_.end(); ++it) {
            if (std::find(known_.begin(), known_.end(), it.key()) != known_.end()) continue;
            std::string list;
            for (const std::string& k : known_) list += (list.empty() ? "" : ", ") + k;
            src_.fail(path_, "unknown property \"" + it.key() + "\" (known here: " + list + ")");
        }
    }

    const Source& source() const { return src_; }
    std::string at(const std::string& key) const { return Child(path_, key); }

    const Json* find(const char* key) {
        if (std::find(known_.begin(), known_.end(), key) == known_.end()) known_.push_back(key);
        auto it = j_.find(key);
        return it == j_.end() ? nullptr : &*it;
    }

    const Json& require(const char* key) {
        const Json* j = find(key);
        if (!j) src_.fail(path_, std::string("missing property \"") + key + "\"");
        return *j;
    }

    void integer(const char* key, int32_t& out, const IntDomain& d) {
        if (const Json* j = find(key)) out = ToInt(src_, *j, at(key), d);
    }

    // MsoTriState: also true (-1) and false (0).
    void triState(const char* key, int32_t& out) {
        const Json* j = find(key);
        if (!j) return;
        if (j->is_boolean()) out = j->get<bool>() ? -1 : 0;
        else out = ToInt(src_, *j, at(key), domain::FillVisible());
    }

    void boolean(const char* key, bool& out) {
        const Json* j = find(key);
        if (!j) return;
        if (!j->is_boolean()) src_.expected(at(key), "true or false", *j);
        out = j->get<bool>();
    }

    void text(const char* key, std::wstring& out) {
        const Json* j = find(key);
        if (!j) return;
        if (!j->is_string()) src_.expected(at(key), "a string", *j);
        out = Wide(j->get<std::string>());
    }

    void requiredText(const char* key, std::wstring& out) {
        require(key);
        text(key, out);
    }

    void number(const char* key, double& out) {
        const Json* j = find(key);
        if (!j) return;
        if (!j->is_number()) src_.expected(at(key), "a number", *j);
        out = j->get<double>();
    }

    void colour(const char* key, int32_t& out) {
        if (const Json* j = find(key)) out = ToColour(src_, *j, at(key));
    }

    void texts(const char* key, std::vector<std::wstring>& out) {
        const Json* j = find(key);
        if (!j) return;
        if (!j->is_array()) src_.expected(at(key), "an array of strings", *j);
        out.clear();
        for (size_t i = 0; i < j->size(); ++i) {
            const Json& s = (*j)[i];
            if (!s.is_string()) src_.expected(Item(at(key), i), "a string", s);
            out.push_back(Wide(s.get<std::string>()));
        }
    }

    template <class E>
    void choice(const char* key, E& out, Choices<E> names) {
        const Json* j = find(key);
        if (!j) return;
        std::string what;
        for (const auto& n : names) {
            if (j->is_string() && j->get<std::string>() == n.first) {
                out = n.second;
                return;
            }
            what += (what.empty() ? "" : " or ") + std::string("\"") + n.first + "\"";
        }
        src_.expected(at(key), what, *j);
    }

    template <class T, class F>
    void object(const char* key, T& out, F visit) {
        if (const Json* j = find(key)) {
            Reader r(src_, *j, at(key));
            visit(r, out);
            r.finish();
        }
    }

    template <class T, class F>
    void optionalObject(const char* key, std::optional<T>& out, F visit) {
        const Json* j = find(key);
        if (!j || j->is_null()) {
            out.reset();
            return;
        }
        out.emplace();
        Reader r(src_, *j, at(key));
        visit(r, *out);
        r.finish();
    }

    template <class T, class F>
    void array(const char* key, std::vector<T>& out, F visit) {
        const Json* j = arrayAt(key);
        if (!j) return;
        out.clear();
        out.reserve(j->size());
        for (size_t i = 0; i < j->size(); ++i) {
            T item{};
            Reader r(src_, (*j)[i], Item(at(key), i));
            visit(r, item);
            r.finish();
            out.push_back(std::move(item));
        }
    }

    template <class T, class F>
    void ptrArray(const char* key, std::vector<std::unique_ptr<T>>& out, F visit) {
        const Json* j = arrayAt(key);
        if (!j) return;
        out.clear();
        for (size_t i = 0; i < j->size(); ++i) {
            auto item = std::make_unique<T>();
            Reader r(src_, (*j)[i], Item(at(key), i));
            visit(r, *item);
            r.finish();
            out.push_back(std::move(item));
        }
    }

private:
    const Json* arrayAt(const char* key) {
        const Json* j = find(key);
        if (j && !j->is_array()) src_.expected(at(key), "an array", *j);
        return j;
    }

    const Source& src_;
    const Json& j_;
    std::string path_;
    std::vector<std::string> known_;
};

class Writer {
public:
    static constexpr bool kReading = false;

    explicit Writer(Json& out) : out_(out) { out_ = Json::object(); }

    void integer(const char* key, int32_t v, const IntDomain& d) {
        const char* name = d.writeNames ? d.nameOf(v) : nullptr;
        if (name) out_[key] = name;
        else out_[key] = v;
    }
    void triState(const char* key, int32_t v) {
        if (v == -1 || v == 0) out_[key] = (v == -1);
        else integer(key, v, domain::FillVisible());
    }
    void boolean(const char* key, bool v) { out_[key] = v; }
    void text(const char* key, const std::wstring& v) { out_[key] = Utf8(v); }
    void requiredText(const char* key, const std::wstring& v) { text(key, v); }
    void number(const char* key, double v) { out_[key] = v; }
    void colour(const char* key, int32_t v) {
        if (v >= 0 && v <= 0xFFFFFF) out_[key] = ColourText(v);
        else out_[key] = v;
    }
    void texts(const char* key, const std::vector<std::wstring>& v) {
        Json a = Json::array();
        for (const std::wstring& s : v) a.push_back(Utf8(s));
        out_[key] = std::move(a);
    }
    template <class E>
    void choice(const char* key, E v, Choices<E> names) {
        for (const auto& n : names)
            if (n.second == v) out_[key] = n.first;
    }
    template <class T, class F>
    void object(const char* key, const T& x, F visit) {
        Writer w(out_[key]);
        visit(w, x);
    }
    template <class T, class F>
    void optionalObject(const char* key, const std::optional<T>& x, F visit) {
        if (x) object(key, *x, visit);
    }
    template <class T, class F>
    void array(const char* key, const std::vector<T>& xs, F visit) {
        Json a = Json::array();
        for (const T& x : xs) {
            Json item;
            Writer w(item);
            visit(w, x);
            a.push_back(std::move(item));
        }
        out_[key] = std::move(a);
    }
    template <class T, class F>
    void ptrArray(const char* key, const std::vector<std::unique_ptr<T>>& xs, F visit) {
        Json a = Json::array();
        for (const auto& x : xs) {
            Json item;
            Writer w(item);
            visit(w, *x);
            a.push_back(std::move(item));
        }
        out_[key] = std::move(a);
    }

    Json& json() { return out_; }

private:
    Json& out_;
};

}  // namespace bwpass::detail
