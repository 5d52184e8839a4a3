#include "tools/deck/JsonScanner.h"

#include "tools/deckmodel/DeckParts.h"

#include <nlohmann/json.hpp>

#include <cstring>

namespace bwpass {

using detail::MalformedJson;

int JsonScanner::Peek() {
    if (pos_ == len_) {
        len_ = std::fread(buffer_, 1, sizeof buffer_, file_);
        pos_ = 0;
        if (len_ == 0) return EOF;
    }
    return static_cast<unsigned char>(buffer_[pos_]);
}

int JsonScanner::Get() {
    const int c = Peek();
    if (c != EOF) ++pos_;
    return c;
}

void JsonScanner::CopyComment(std::string& out) {
    out += static_cast<char>(Get());  // '/'
    const int kind = Get();
    if (kind != '/' && kind != '*') throw MalformedJson();
    out += static_cast<char>(kind);
    for (int c = Get(), previous = 0;; previous = c, c = Get()) {
        if (c == EOF) {
            if (kind == '/') return;
            throw MalformedJson();
        }
        out += static_cast<char>(c);
        if (kind == '/' && c == '\n') return;
        if (kind == '*' && previous == '*' && c == '/') return;
    }
}

void JsonScanner::SkipSpace() {
    std::string comment;
    for (int c = Peek(); c != EOF; c = Peek()) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') Get();
        else if (c == '/') CopyComment(comment), comment.clear();
        else return;
    }
}

void JsonScanner::Expect(char c) {
    SkipSpace();
    if (Get() != c) throw MalformedJson();
}

void JsonScanner::CopyString(std::string& out) {
    out += static_cast<char>(Get());  // '"'
    for (;;) {
        const int c = Get();
        if (c == EOF) throw MalformedJson();
        out += static_cast<char>(c);
        if (c == '"') return;
        if (c == '\\') {
            const int escaped = Get();
            if (escaped == EOF) throw MalformedJson();
            out += static_cast<char>(escaped);
        }
    }
}

// A string, a literal, or an object or array up to its matching bracket; the text is checked
// by the parser that reads it.
void JsonScanner::CopyValue(std::string& out) {
    SkipSpace();
    std::vector<char> open;
    for (;;) {
        const int c = Peek();
        if (c == EOF) throw MalformedJson();
        if (c == '"') {
            CopyString(out);
        } else if (c == '/') {
            CopyComment(out);
        } else if (c == '{' || c == '[') {
            open.push_back(c == '{' ? '}' : ']');
            out += static_cast<char>(Get());
        } else if (c == '}' || c == ']') {
            if (open.empty() || open.back() != c) throw MalformedJson();
            open.pop_back();
            out += static_cast<char>(Get());
        } else if (open.empty()) {
            // A literal: up to the next separator.
            for (int d = Peek(); d != EOF && !std::strchr(",]} \t\r\n/", d); d = Peek()) out += static_cast<char>(Get());
            if (out.empty()) throw MalformedJson();
            return;
        } else {
            out += static_cast<char>(Get());
        }
        if (open.empty()) return;
    }
}

bool JsonScanner::StartObject() {
    // A byte order mark, as Windows editors write one, is not part of the JSON.
    if (Peek() == 0xEF) {
        std::string mark;
        for (int i = 0; i < 3 && Peek() != EOF; ++i) mark += static_cast<char>(Get());
        if (mark != "\xEF\xBB\xBF") throw MalformedJson();
    }
    SkipSpace();
    if (Peek() != '{') return false;
    Get();
    firstKey_ = true;
    return true;
}

std::string JsonScanner::Rest() {
    std::string text;
    for (int c = Get(); c != EOF; c = Get()) text += static_cast<char>(c);
    return text;
}

bool JsonScanner::NextItem(char close, bool& first) {
    SkipSpace();
    if (Peek() == close) {
        Get();
        return false;
    }
    if (!first) {
        Expect(',');
        SkipSpace();
    }
    first = false;
    return true;
}

bool JsonScanner::NextKey(std::string& key) {
    if (!NextItem('}', firstKey_)) return false;
    if (Peek() != '"') throw MalformedJson();
    std::string token;
    CopyString(token);
    try {
        key = nlohmann::json::parse(token).get<std::string>();
    } catch (const nlohmann::json::exception&) {
        throw MalformedJson();
    }
    Expect(':');
    return true;
}

bool JsonScanner::ValueIsArray() {
    SkipSpace();
    if (Peek() != '[') return false;
    Get();
    firstElement_ = true;
    return true;
}

std::string JsonScanner::ValueText() {
    std::string text;
    CopyValue(text);
    return text;
}

bool JsonScanner::NextElement(std::string& text) {
    if (!NextItem(']', firstElement_)) return false;
    text.clear();
    CopyValue(text);
    return true;
}

void JsonScanner::End() {
    SkipSpace();
    if (Peek() != EOF) throw MalformedJson();
}

}  // namespace bwpass
