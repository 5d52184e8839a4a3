// Test support for the diagnostic log.
//
// A LogCapture switches file logging on for the current user (HKCU\Software\Veltrane\Orvane\Log:
// "*" = 1, "$LOGPATH" = a fresh folder of its own, "$KEEPLOGFILES" as asked) and puts the earlier
// values back when it goes, together with the folder and the files in it.
//
// The log reads its settings once per thread, at the thread's first message: run the scenario
// whose lines you want with RunOnFreshThread after the capture exists.
//
//     sim::LogCapture log;
//     sim::RunOnFreshThread([&] { handler->IPlugIn_Initialize(...); });
//     EXPECT_EQ(log.Lines(), (std::vector<std::wstring>{L"..."}));
#pragma once

#include "sim/RegistryGuard.h"

#include <functional>
#include <string>
#include <vector>

namespace sim {

class LogCapture {
public:
    // moduleName is the name the log file is made from ("QV_" + name + ".log"): the test
    // program's own name when the code under test is linked into it (the default), "QVCHBW01"
    // when the messages come from the loaded DLL.
    explicit LogCapture(bool keepLogFiles = false, std::wstring moduleName = std::wstring());
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    const std::wstring& Folder() const { return folder_; }
    const std::wstring& FilePath() const { return file_; }
    bool FileExists() const;
    // The file's bytes as written (ANSI code page, CR LF line ends); empty when there is none.
    std::string RawBytes() const;
    // The messages of the log file, each without its timestamp and the three spaces after it.
    // A physical line without a timestamp continues the message before it (joined with CR LF).
    // Throws std::runtime_error when the file does not start with a well-formed timestamp or
    // its last line is not ended by CR LF.
    std::vector<std::wstring> Lines() const;
    // Removes the log file, so that the next lines start a fresh one.
    void Clear() const;

    // The registry guard, for further settings a test wants undone with the capture.
    RegistryGuard& Registry() { return registry_; }

private:
    RegistryGuard registry_;
    std::wstring folder_;
    std::wstring file_;
};

// True when text starts with "dd.mm.yy hh:mm:ss" and three spaces (valid ranges, one time
// separator used twice).
bool HasLogTimestamp(const std::wstring& text);
constexpr size_t kLogTimestampLength = 20;  // with the three spaces

// Runs scenario on a new thread that has called CoInitialize, and waits for it; whatever the
// scenario throws is rethrown here. Each such thread starts a fresh run of the log.
void RunOnFreshThread(const std::function<void()>& scenario);

// The base name of the running program, without folder and extension.
std::wstring ProgramName();

}  // namespace sim
