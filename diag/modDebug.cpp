#include "diag/modDebug.h"

namespace qv::modDebug {

void LogInfo(const std::wstring& message) noexcept { WriteLog(message, kLevelInfo); }
void LogError(const std::wstring& message) noexcept { WriteLog(L"*** Error ***: " + message, kLevelError); }
void WriteLog(const std::wstring&, long) noexcept {}

}  // namespace qv::modDebug
