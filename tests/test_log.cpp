// The diagnostic log against the real registry and file system of the test prefix. Each
// scenario runs on a fresh thread, so that it starts a run of its own.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "diag/Services.h"
#include "diag/modDebug.h"
#include "sim/LogCapture.h"
#include "sim/SimDebugger.h"

using namespace qv::modDebug;
using qv::diag::ModuleFolder;
using qv::diag::ModuleName;
using qv::diag::TempFolder;
using sim::RunOnFreshThread;
using Lines = std::vector<std::wstring>;

namespace {

const wchar_t kLogKey[] = L"Software\\Veltrane\\Orvane\\Log";
HKEY const HKCU = HKEY_CURRENT_USER;
HKEY const HKLM = HKEY_LOCAL_MACHINE;

// Leaves only what a test sets: no switch, folder or keep flag in either root.
void ClearSettings(sim::RegistryGuard& registry, bool keepUserFolder = true) {
    for (HKEY root : {HKCU, HKLM}) {
        registry.Delete(root, kLogKey, L"*");
        registry.Delete(root, kLogKey, ModuleName());
        registry.Delete(root, kLogKey, L"$KEEPLOGFILES");
        if (root == HKLM || !keepUserFolder) registry.Delete(root, kLogKey, L"$LOGPATH");
    }
}

// The log file in the temporary folder, removed before and after a test that may write it.
class TempLogFile {
public:
    TempLogFile() : path_(TempFolder() + L"\\QV_" + ModuleName() + L".log") { Remove(); }
    ~TempLogFile() { Remove(); }
    const std::wstring& path() const { return path_; }
    bool exists() const { return qv::diag::FileExists(path_); }
    void Remove() const { DeleteFileW(path_.c_str()); }

private:
    std::wstring path_;
};

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(f);
}

std::vector<std::string> SplitCrLf(const std::string& bytes) {
    std::vector<std::string> lines;
    size_t pos = 0, end;
    while ((end = bytes.find("\r\n", pos)) != std::string::npos) {
        lines.push_back(bytes.substr(pos, end - pos));
        pos = end + 2;
    }
    EXPECT_EQ(pos, bytes.size()) << "every line ends with CR LF";
    return lines;
}

std::wstring Widen(const std::string& ansi) { return qv::diag::FromAnsi(ansi.data(), ansi.size()); }

}  // namespace

TEST(Log, NothingSwitchedOnDropsMessagesAndCreatesNoFile) {
    sim::RegistryGuard registry;
    ClearSettings(registry, false);
    TempLogFile temp;
    RunOnFreshThread([] {
        LogInfo(L"dropped");
        LogError(L"dropped too");
    });
    EXPECT_FALSE(temp.exists());
}

// A message given as the function that makes it is made only when the log delivers it (never
// while logging is off, not even for the thread's first message), once, and gives the same line
// as the finished text.
TEST(Log, AMessageIsMadeOnlyWhenItGoesSomewhere) {
    enum class Route { Off, File, Debugger };
    struct Case { const char* what; Route route; int made; } cases[] = {
        {"logging off", Route::Off, 0},
        {"file", Route::File, 6},
        {"debugger tool", Route::Debugger, 6},
    };
    for (const Case& c : cases) {
        sim::LogCapture log;
        if (c.route == Route::Off) ClearSettings(log.Registry());
        std::unique_ptr<sim::SimDebugger> tool;
        if (c.route == Route::Debugger) tool = std::make_unique<sim::SimDebugger>(9);
        int made = 0;
        RunOnFreshThread([&] {
            for (int round = 0; round < 2; ++round) {
                const int flags = 512 + round;
                LogInfo([&] { ++made; return L"BWFlagSet=" + std::to_wstring(flags); });
                LogError([&] { ++made; return std::wstring(L"Handle series raised a ") + L"Type mismatch"; });
                WriteLog([&] { ++made; return std::wstring(L"custom"); }, 2);
            }
        });
        EXPECT_EQ(made, c.made) << c.what;
        const Lines expected{L"BWFlagSet=512", L"*** Error ***: Handle series raised a Type mismatch", L"custom",
                             L"BWFlagSet=513", L"*** Error ***: Handle series raised a Type mismatch", L"custom"};
        if (c.route == Route::File) {
            EXPECT_EQ(log.Lines(), expected);
        }
        if (c.route == Route::Off) {
            EXPECT_FALSE(log.FileExists());
        }
        if (tool) {
            std::vector<sim::DebuggerCall> calls = tool->Calls();
            ASSERT_EQ(calls.size(), 8u);  // RegisterModule, the folder, six messages
            for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(calls[i + 2].args[1].value, expected[i]);
        }
    }
}

TEST(Log, SwitchIsOnOnlyWhenItReadsAsTheNumberOne) {
    const std::wstring module = ModuleName();
    const DWORD qwordOne[2] = {1, 0};
    const BYTE byteOne = 1;
    struct Case {
        const char* what;
        std::function<void(sim::RegistryGuard&)> set;
        bool on;
    } cases[] = {
        {"user *", [](auto& r) { r.SetDword(HKCU, kLogKey, L"*", 1); }, true},
        {"user module", [&](auto& r) { r.SetDword(HKCU, kLogKey, module, 1); }, true},
        {"machine * on, user * off",
         [](auto& r) {
             r.SetDword(HKLM, kLogKey, L"*", 1);
             r.SetDword(HKCU, kLogKey, L"*", 0);
         },
         true},
        {"machine module on, user module off",
         [&](auto& r) {
             r.SetDword(HKLM, kLogKey, module, 1);
             r.SetDword(HKCU, kLogKey, module, 0);
         },
         true},
        {"string 1", [](auto& r) { r.SetString(HKCU, kLogKey, L"*", L"1"); }, false},
        {"number 2", [](auto& r) { r.SetDword(HKCU, kLogKey, L"*", 2); }, false},
        {"number -1", [](auto& r) { r.SetDword(HKCU, kLogKey, L"*", 0xFFFFFFFF); }, false},
        {"64-bit 1 does not fit", [&](auto& r) { r.SetRaw(HKCU, kLogKey, L"*", REG_QWORD, qwordOne, 8); },
         false},
        {"one byte 1 reads as 1", [&](auto& r) { r.SetRaw(HKCU, kLogKey, L"*", REG_BINARY, &byteOne, 1); },
         true},
        {"another component's name", [](auto& r) { r.SetDword(HKCU, kLogKey, L"QVOTHER01", 1); }, false},
    };
    for (const Case& c : cases) {
        sim::LogCapture log;
        ClearSettings(log.Registry());
        c.set(log.Registry());
        RunOnFreshThread([] { LogInfo(L"probe"); });
        EXPECT_EQ(log.FileExists(), c.on) << c.what;
        if (c.on) {
            EXPECT_EQ(log.Lines(), Lines{L"probe"}) << c.what;
        }
    }
}

TEST(Log, FolderFromTheUserThenTheMachineElseTheTemporaryFolder) {
    sim::LogCapture log;
    const std::wstring user = log.Folder();
    const std::wstring machine = user + L"\\machine";
    ASSERT_TRUE(CreateDirectoryW(machine.c_str(), nullptr));
    const std::wstring aFile = user + L"\\a file";
    WriteFileBytes(aFile, "x");
    const std::wstring temp = TempFolder();
    const std::string userAnsi = qv::diag::ToAnsi(user);
    const DWORD number = 1;

    struct Case {
        const char* what;
        std::function<void(sim::RegistryGuard&)> set;
        std::wstring folder;
    } cases[] = {
        {"user folder", [&](auto& r) { r.SetString(HKCU, kLogKey, L"$LOGPATH", user); }, user},
        {"user folder with trailing backslashes",
         [&](auto& r) { r.SetString(HKCU, kLogKey, L"$LOGPATH", user + L"\\\\"); }, user},
        {"no user value: machine folder",
         [&](auto& r) { r.SetString(HKLM, kLogKey, L"$LOGPATH", machine); }, machine},
        {"empty user value: machine folder",
         [&](auto& r) {
             r.SetString(HKCU, kLogKey, L"$LOGPATH", L"");
             r.SetString(HKLM, kLogKey, L"$LOGPATH", machine);
         },
         machine},
        {"missing user folder: temporary, machine not consulted",
         [&](auto& r) {
             r.SetString(HKCU, kLogKey, L"$LOGPATH", L"C:\\no\\such\\folder");
             r.SetString(HKLM, kLogKey, L"$LOGPATH", machine);
         },
         temp},
        {"user value names a file", [&](auto& r) { r.SetString(HKCU, kLogKey, L"$LOGPATH", aFile); },
         temp},
        {"user value longer than MAX_PATH",
         [&](auto& r) { r.SetString(HKCU, kLogKey, L"$LOGPATH", user + L"\\" + std::wstring(300, L'd')); },
         temp},
        {"user value without NUL counts as none",
         [&](auto& r) {
             r.SetRaw(HKCU, kLogKey, L"$LOGPATH", REG_BINARY, userAnsi.data(),
                      static_cast<DWORD>(userAnsi.size()));
             r.SetString(HKLM, kLogKey, L"$LOGPATH", machine);
         },
         machine},
        {"user value of the wrong type",
         [&](auto& r) { r.SetDword(HKCU, kLogKey, L"$LOGPATH", number); }, temp},
        {"environment variables are not expanded",
         [&](auto& r) { r.SetString(HKCU, kLogKey, L"$LOGPATH", L"%TEMP%"); }, temp},
    };
    for (const Case& c : cases) {
        TempLogFile tempLog;
        sim::RegistryGuard registry;
        ClearSettings(registry, false);
        registry.SetDword(HKCU, kLogKey, L"*", 1);
        c.set(registry);
        RunOnFreshThread([] { LogInfo(L"where"); });
        const std::wstring file = c.folder + L"\\QV_" + ModuleName() + L".log";
        EXPECT_TRUE(qv::diag::FileExists(file)) << c.what;
        DeleteFileW(file.c_str());
    }
}

TEST(Log, EarlierRunsFileIsDeletedAtTheFirstLineUnlessKept) {
    struct Case {
        const char* what;
        std::function<void(sim::RegistryGuard&)> set;
        Lines expected;
    } cases[] = {
        {"not kept", [](auto&) {}, {L"second", L"third"}},
        {"user keeps", [](auto& r) { r.SetDword(HKCU, kLogKey, L"$KEEPLOGFILES", 1); },
         {L"first", L"second", L"third"}},
        {"machine keeps, user does not",
         [](auto& r) {
             r.SetDword(HKCU, kLogKey, L"$KEEPLOGFILES", 0);
             r.SetDword(HKLM, kLogKey, L"$KEEPLOGFILES", 1);
         },
         {L"first", L"second", L"third"}},
        {"string 1 does not keep", [](auto& r) { r.SetString(HKCU, kLogKey, L"$KEEPLOGFILES", L"1"); },
         {L"second", L"third"}},
    };
    for (const Case& c : cases) {
        sim::LogCapture log;
        ClearSettings(log.Registry());
        log.Registry().SetDword(HKCU, kLogKey, L"*", 1);
        c.set(log.Registry());
        RunOnFreshThread([] { LogInfo(L"first"); });
        RunOnFreshThread([] {});  // a run without messages leaves the file alone
        EXPECT_EQ(log.Lines(), Lines{L"first"}) << c.what;
        RunOnFreshThread([] {
            LogInfo(L"second");
            LogInfo(L"third");
        });
        EXPECT_EQ(log.Lines(), c.expected) << c.what;
    }
}

TEST(Log, LineIsTimestampThreeSpacesAndTheMessageInTheCodePage) {
    sim::LogCapture log;
    SYSTEMTIME before, after;
    GetLocalTime(&before);
    RunOnFreshThread([] {
        LogInfo(L"first\r\nsecond");
        LogError(L"Sheet 2 not found");
        LogInfo(L"Gr\u00fc\u00dfe");
        LogInfo(L"");
    });
    GetLocalTime(&after);

    std::vector<std::string> lines = SplitCrLf(log.RawBytes());
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[1], "second") << "only the first physical line carries the timestamp";
    const std::string messages[] = {"first", "*** Error ***: Sheet 2 not found", "Gr\xFC\xDF" "e", ""};
    const size_t stamped[] = {0, 2, 3, 4};
    for (size_t i = 0; i < 4; ++i) {
        const std::string& line = lines[stamped[i]];
        ASSERT_GE(line.size(), sim::kLogTimestampLength);
        EXPECT_TRUE(sim::HasLogTimestamp(Widen(line))) << line;
        EXPECT_EQ(line.substr(sim::kLogTimestampLength), messages[i]);
    }
    // The date is today's (either side of the run, in case midnight passed).
    char today[16], later[16];
    snprintf(today, sizeof today, "%02u.%02u.%02u ", before.wDay, before.wMonth, before.wYear % 100);
    snprintf(later, sizeof later, "%02u.%02u.%02u ", after.wDay, after.wMonth, after.wYear % 100);
    EXPECT_TRUE(lines[0].compare(0, 9, today) == 0 || lines[0].compare(0, 9, later) == 0) << lines[0];
    EXPECT_EQ(log.Lines(), (Lines{L"first\r\nsecond", L"*** Error ***: Sheet 2 not found",
                                  L"Gr\u00fc\u00dfe", L""}));
}

TEST(Log, SettingsAndPathAreFixedForTheThreadAtItsFirstMessage) {
    sim::LogCapture log;
    const std::wstring other = log.Folder() + L"\\other";
    ASSERT_TRUE(CreateDirectoryW(other.c_str(), nullptr));
    RunOnFreshThread([&] {
        LogInfo(L"one");
        log.Registry().SetDword(HKCU, kLogKey, L"*", 0);
        log.Registry().SetString(HKCU, kLogKey, L"$LOGPATH", other);
        LogInfo(L"two");
    });
    EXPECT_EQ(log.Lines(), (Lines{L"one", L"two"}));
    RunOnFreshThread([] { LogInfo(L"three"); });
    EXPECT_EQ(log.Lines(), (Lines{L"one", L"two"}));
    EXPECT_FALSE(qv::diag::FileExists(other + L"\\QV_" + ModuleName() + L".log"));

    // Off at the first message stays off.
    RunOnFreshThread([&] {
        LogInfo(L"dropped");
        log.Registry().SetDword(HKCU, kLogKey, L"*", 1);
        log.Registry().SetString(HKCU, kLogKey, L"$LOGPATH", log.Folder());
        LogInfo(L"dropped too");
    });
    EXPECT_EQ(log.Lines(), (Lines{L"one", L"two"}));
}

// ---- the debugger tool ---------------------------------------------------------------------

namespace {

struct ExpectedCall {
    std::wstring member;
    std::vector<sim::DebuggerArg> args;
};

void ExpectCalls(const std::vector<sim::DebuggerCall>& calls, const std::vector<ExpectedCall>& expected) {
    ASSERT_EQ(calls.size(), expected.size());
    for (size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].member, expected[i].member) << i;
        EXPECT_TRUE(calls[i].flags & DISPATCH_METHOD) << i;
        ASSERT_EQ(calls[i].args.size(), expected[i].args.size()) << i;
        for (size_t a = 0; a < calls[i].args.size(); ++a) {
            EXPECT_EQ(calls[i].args[a].vt, expected[i].args[a].vt) << "call " << i << " arg " << a;
            EXPECT_EQ(calls[i].args[a].value, expected[i].args[a].value) << "call " << i << " arg " << a;
        }
    }
}

const VARTYPE kRefStr = VT_BYREF | VT_BSTR;

ExpectedCall Msg(const std::wstring& id, const std::wstring& text, const std::wstring& level) {
    return {L"DebugMsg", {{VT_BYREF | VT_I4, id}, {kRefStr, text}, {VT_I4, level}}};
}

}  // namespace

TEST(LogDebugger, RunningToolTakesEveryMessageWithItsLevelAndTheFileIsUntouched) {
    sim::LogCapture log;  // file logging on: the tool still wins
    const std::string earlier = "01.01.20 10:00:00   earlier run\r\n";
    WriteFileBytes(log.FilePath(), earlier);
    sim::SimDebugger tool(42);
    RunOnFreshThread([] {
        LogInfo(L"info");
        LogError(L"bad");
        WriteLog(L"custom", 2);
    });
    const std::wstring folder = ModuleFolder();
    ExpectCalls(tool.Calls(), {
        {L"RegisterModule", {{kRefStr, ModuleName()}, {kRefStr, folder}, {VT_BYREF | VT_I2, L"1"}}},
        Msg(L"42", folder, L"1"),
        Msg(L"42", L"info", L"1"),
        Msg(L"42", L"*** Error ***: bad", L"3"),
        Msg(L"42", L"custom", L"2"),
    });
    EXPECT_EQ(log.RawBytes(), earlier);
}

TEST(LogDebugger, ToolStartedAfterTheFirstMessageIsNotLookedUpAgain) {
    sim::LogCapture log;
    RunOnFreshThread([] {
        LogInfo(L"before");
        sim::SimDebugger tool;
        LogInfo(L"after");
        EXPECT_TRUE(tool.Calls().empty());
    });
    EXPECT_EQ(log.Lines(), (Lines{L"before", L"after"}));
}

TEST(LogDebugger, FailingToolLosesMessagesWithoutFallingBackToTheFile) {
    sim::LogCapture log;
    {
        sim::SimDebugger tool(42);
        tool.SetFailing(true);  // RegisterModule fails too: the module id stays 0
        RunOnFreshThread([] { LogInfo(L"lost"); });
        const std::wstring folder = ModuleFolder();
        std::vector<sim::DebuggerCall> calls = tool.Calls();
        ASSERT_EQ(calls.size(), 3u);
        EXPECT_EQ(calls[1].args[0].value, L"0");
        EXPECT_EQ(calls[2].args[1].value, L"lost");
    }
    {
        sim::SimDebugger tool(7);
        RunOnFreshThread([&] {
            LogInfo(L"delivered");
            tool.SetFailing(true);
            LogError(L"lost");
        });
        std::vector<sim::DebuggerCall> calls = tool.Calls();
        ASSERT_EQ(calls.size(), 4u);
        EXPECT_EQ(calls[3].args[1].value, L"*** Error ***: lost");
    }
    EXPECT_FALSE(log.FileExists());
}

// Two threads at once: one attached to the tool, which then closes (its messages are lost, the
// file is no fallback); one that started after the tool was gone and writes the file.
TEST(LogDebugger, EachThreadKeepsItsOwnRoute) {
    sim::LogCapture log;
    auto tool = std::make_unique<sim::SimDebugger>(5);
    std::promise<void> attached, toolClosed;
    std::thread first([&] {
        sim::RunOnFreshThread([&] {
            LogInfo(L"to the tool");
            attached.set_value();
            toolClosed.get_future().wait();
            LogInfo(L"lost with the tool");
        });
    });
    attached.get_future().wait();
    std::vector<sim::DebuggerCall> calls = tool->Calls();
    tool.reset();
    RunOnFreshThread([] { LogInfo(L"to the file"); });
    toolClosed.set_value();
    first.join();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[2].args[1].value, L"to the tool");
    EXPECT_EQ(log.Lines(), Lines{L"to the file"});
}

// ---- faults --------------------------------------------------------------------------------

TEST(LogFaults, LineThatCannotBeWrittenIsLostAndTheNextTriesAgain) {
    struct Case {
        const char* what;
        std::function<void(sim::LogCapture&)> block, unblock;
        Lines expected;
    };
    HANDLE held = INVALID_HANDLE_VALUE;
    auto hold = [&](DWORD share) {
        return [&held, share](sim::LogCapture& log) {
            held = CreateFileW(log.FilePath().c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr,
                               OPEN_ALWAYS, 0, nullptr);
            ASSERT_NE(held, INVALID_HANDLE_VALUE);
        };
    };
    auto release = [&](sim::LogCapture&) { CloseHandle(held); };
    Case cases[] = {
        {"file held exclusively", hold(0), release, {L"kept"}},
        {"a folder where the file should be",
         [](sim::LogCapture& log) { ASSERT_TRUE(CreateDirectoryW(log.FilePath().c_str(), nullptr)); },
         [](sim::LogCapture& log) { RemoveDirectoryW(log.FilePath().c_str()); },
         {L"kept"}},
        {"log folder gone after the path was worked out",
         [](sim::LogCapture& log) {
             log.Clear();
             RemoveDirectoryW(log.Folder().c_str());
         },
         [](sim::LogCapture& log) { CreateDirectoryW(log.Folder().c_str(), nullptr); },
         {L"kept"}},
    };
    for (Case& c : cases) {
        sim::LogCapture log;
        RunOnFreshThread([&] {
            LogInfo(L"first");
            log.Clear();
            c.block(log);
            LogInfo(L"lost");
            LogError(L"lost");
            c.unblock(log);
            LogInfo(L"kept");
        });
        EXPECT_EQ(log.Lines(), c.expected) << c.what;
    }
}

TEST(LogFaults, EarlierFileThatCannotBeDeletedIsAppendedTo) {
    sim::LogCapture log;
    const std::string earlier = "01.01.20 10:00:00   earlier run\r\n";
    WriteFileBytes(log.FilePath(), earlier);
    // Open without delete sharing: the deletion at the first line fails, the append does not.
    HANDLE held = CreateFileW(log.FilePath().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    RunOnFreshThread([] { LogInfo(L"new run"); });
    CloseHandle(held);
    EXPECT_EQ(log.Lines(), (Lines{L"earlier run", L"new run"}));
}
