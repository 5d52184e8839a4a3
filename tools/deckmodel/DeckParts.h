// The deck file's reader and writer in pieces: one object of the objects array, one top-level
// property, the syntax check of a whole file. The streamed reader and writer (DeckStream.h) cut
// the file into these pieces so that neither holds more than one object; the checks and
// messages are ParseDeck's own.
#pragma once

#include "tools/deckmodel/Deck.h"

#include <cstdio>
#include <string>

namespace bwpass::detail {

// A piece of text that is not JSON. The streamed reader names the place by checking the whole
// file's syntax again (SyntaxErrorOf), so that the message is ParseDeck's.
struct MalformedJson {};

// objects[index] from its JSON text, checked as ParseDeck checks it. Throws DeckError or
// MalformedJson.
DeckObject ParseDeckObject(const std::string& text, const std::string& sourceName, size_t index);

// A top-level property other than objects: deckFormat is checked, title read. False for a
// property the format does not know. Throws DeckError or MalformedJson.
bool ReadDeckMember(const std::string& key, const std::string& valueText, const std::string& sourceName,
                    std::wstring& title);

[[noreturn]] void FailObjectsNotAnArray(const std::string& valueText, const std::string& sourceName);
// "FILE: (top level): problem".
[[noreturn]] void FailTopLevel(const std::string& sourceName, const std::string& problem);
std::string UnknownDeckProperty(const std::string& key);

// ParseDeck's message for the file's first syntax error or repeated property, read from the
// file's current position; empty when there is none.
std::string SyntaxErrorOf(std::FILE* file, const std::string& sourceName);

// One object as the deck writer writes it, indented as at the top level.
std::string DeckObjectJson(const DeckObject& object);

// A string as a JSON string literal.
std::string JsonText(const std::string& s);

}  // namespace bwpass::detail
