// Text and file helpers: the model holds wide strings, deck files and reports are UTF-8.
#pragma once

#include <string>

namespace bwpass {

std::string Utf8(const std::wstring& w);
std::wstring Wide(const std::string& utf8);

// Whole-file read; false (and errorText set) when the file cannot be opened or read.
bool ReadWholeFile(const std::wstring& path, std::string& contents, std::string& errorText);

// Writes through a temporary file beside the target and renames it into place, so that a
// failed write never leaves a half-written file under the target's name.
bool WriteWholeFile(const std::wstring& path, const std::string& contents, std::string& errorText);

// True when both names lead to the same file (it need not exist yet).
bool SameFile(const std::wstring& a, const std::wstring& b);

// The text of a system error code (Windows: GetLastError, elsewhere errno), without a line break.
std::string SystemErrorText(unsigned long code);

// Escaped for HTML text and attribute values.
std::string HtmlEscape(const std::string& s);

}  // namespace bwpass
