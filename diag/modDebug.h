// The diagnostic log: information and error lines, switched on in the registry, to a log file
// or to the maker's debugger tool when it runs. Never raises, never returns anything.
#pragma once

#include <string>
#include <type_traits>

namespace qv::modDebug {

constexpr long kLevelInfo = 1;
constexpr long kLevelError = 3;

// A message as the log takes it: a finished text, or a function that makes it. The log makes the
// text only once it knows that the message goes somewhere, so that a call site that puts a
// message together, written as LogInfo([&] { return L"..." + value; }), costs nothing more than
// a finished one while logging is off. Refers to what it was made from: it lives for one call.
class Message {
public:
    Message(const wchar_t* text) : source_(text), make_(&FromChars) {}
    Message(const std::wstring& text) : source_(&text), make_(&FromString) {}
    template <class Make,
              class = std::enable_if_t<std::is_invocable_r_v<std::wstring, const Make&>>>
    Message(const Make& make) : source_(&make), make_(&FromFunction<Make>) {}

    std::wstring Text() const { return make_(source_); }

private:
    static std::wstring FromChars(const void* s) { return static_cast<const wchar_t*>(s); }
    static std::wstring FromString(const void* s) { return *static_cast<const std::wstring*>(s); }
    template <class Make>
    static std::wstring FromFunction(const void* s) { return (*static_cast<const Make*>(s))(); }

    const void* source_;
    std::wstring (*make_)(const void*);
};

void LogInfo(const Message& message) noexcept;
// Writes "*** Error ***: " + message at the error level.
void LogError(const Message& message) noexcept;
void WriteLog(const Message& message, long level) noexcept;

// Gives the calling thread's reference to the debugger tool back; its next message looks the
// tool up again. The rest of the thread's run (its settings, its file) stays as it is. Call it
// on the thread, with COM still initialised there.
void ReleaseDebugger() noexcept;

}  // namespace qv::modDebug
