// The diagnostic log: information and error lines, switched on in the registry, to a log file
// or to the maker's debugger tool when it runs. Never raises, never returns anything.
#pragma once

#include <string>

namespace qv::modDebug {

constexpr long kLevelInfo = 1;
constexpr long kLevelError = 3;

void LogInfo(const std::wstring& message) noexcept;
// Writes "*** Error ***: " + message at the error level.
void LogError(const std::wstring& message) noexcept;
void WriteLog(const std::wstring& message, long level) noexcept;

}  // namespace qv::modDebug
