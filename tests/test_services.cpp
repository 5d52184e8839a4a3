// Registry, path and module-identity services against the test prefix's real registry and file
// system.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "diag/Services.h"
#include "sim/LogCapture.h"
#include "sim/RegistryGuard.h"

using namespace qv::diag;

namespace {

const wchar_t kKey[] = L"Software\\Veltrane\\Orvane\\ServiceTest";

std::vector<BYTE> Bytes(std::initializer_list<int> values) {
    std::vector<BYTE> out;
    for (int v : values) out.push_back(static_cast<BYTE>(v));
    return out;
}

std::vector<BYTE> Wide(const std::wstring& text, bool withNul) {
    const BYTE* p = reinterpret_cast<const BYTE*>(text.c_str());
    return std::vector<BYTE>(p, p + (text.size() + (withNul ? 1 : 0)) * sizeof(wchar_t));
}

struct StoredValue {
    const char* what;
    DWORD type;
    std::vector<BYTE> data;
};

void Store(sim::RegistryGuard& registry, const StoredValue& v) {
    registry.SetRaw(HKEY_CURRENT_USER, kKey, L"v", v.type, v.data.data(),
                    static_cast<DWORD>(v.data.size()));
}

// Sets an environment variable for the scope of a test.
class ScopedEnv {
public:
    ScopedEnv(const wchar_t* name, const std::wstring& value) : name_(name) {
        wchar_t old[32768];
        DWORD n = GetEnvironmentVariableW(name, old, 32768);
        had_ = n > 0 && n < 32768;
        if (had_) old_.assign(old, n);
        SetEnvironmentVariableW(name, value.c_str());
    }
    ~ScopedEnv() { SetEnvironmentVariableW(name_, had_ ? old_.c_str() : nullptr); }

private:
    const wchar_t* name_;
    bool had_ = false;
    std::wstring old_;
};

// A folder under the real temporary folder whose path, with GetTempPath's trailing backslash,
// is exactly length characters long.
std::wstring FolderOfLength(const std::wstring& parent, size_t length) {
    std::wstring folder = parent + L"\\qv";
    folder.append(length - 1 - folder.size(), L'x');
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

}  // namespace

TEST(RegGetString, ReadsTheBytesAsCodePageTextUpToTheFirstNul) {
    const std::wstring longText(1000, L'p');
    struct Case {
        StoredValue value;
        std::wstring expected;
    };
    const Case cases[] = {
        {{"string", REG_SZ, Wide(L"C:\\Logs", true)}, L"C:\\Logs"},
        {{"empty string is not the default", REG_SZ, Wide(L"", true)}, L""},
        {{"longer than MAX_PATH", REG_SZ, Wide(longText, true)}, longText},
        {{"code page character", REG_SZ, Wide(L"Gr\u00fc\u00dfe", true)}, L"Gr\u00fc\u00dfe"},
        {{"expandable, not expanded", REG_EXPAND_SZ, Wide(L"%TEMP%\\x", true)}, L"%TEMP%\\x"},
        {{"multi-string", REG_MULTI_SZ, Wide(std::wstring(L"a\0b\0", 4), true)}, L"a"},
        {{"binary with NUL", REG_BINARY, Bytes({'a', 'b', 0, 'c'})}, L"ab"},
        {{"binary without NUL", REG_BINARY, Bytes({'a', 'b'})}, L"<def>"},
        {{"empty binary", REG_BINARY, {}}, L"<def>"},
        {{"dword whose bytes hold a NUL", REG_DWORD, Bytes({'1', 0, 0, 0})}, L"1"},
        {{"dword without NUL", REG_DWORD, Bytes({'A', 'B', 'C', 'D'})}, L"<def>"},
    };
    for (const Case& c : cases) {
        sim::RegistryGuard registry;
        Store(registry, c.value);
        EXPECT_EQ(RegGetString(kHkeyCurrentUser, kKey, L"v", L"<def>"), c.expected) << c.value.what;
    }
    // A string type stored without its NUL: whether the ANSI registry call terminates it when
    // converting depends on the room it finds (Wine differs from run to run). Either way the
    // result is the text or the default, never bytes beyond the value.
    sim::RegistryGuard registry;
    Store(registry, {"string stored without NUL", REG_SZ, Wide(L"C:\\Logs", false)});
    const std::wstring unterminated = RegGetString(kHkeyCurrentUser, kKey, L"v", L"<def>");
    EXPECT_TRUE(unterminated == L"C:\\Logs" || unterminated == L"<def>");
}

TEST(RegGetString, MissingValueOrKeyGivesTheDefault) {
    sim::RegistryGuard registry;
    registry.SetString(HKEY_CURRENT_USER, kKey, L"other", L"x");
    EXPECT_EQ(RegGetString(kHkeyCurrentUser, kKey, L"v", L"def"), L"def");
    EXPECT_EQ(RegGetString(kHkeyCurrentUser, std::wstring(kKey) + L"\\Missing", L"v", L"def"), L"def");
    EXPECT_EQ(RegGetString(kHkeyLocalMachine, std::wstring(kKey) + L"\\Missing", L"v", L""), L"");
    EXPECT_EQ(RegGetString(0x12345, kKey, L"v", L"bad root"), L"bad root");
}

TEST(RegGetDword, TakesTheRawBytesWhateverTheType) {
    struct Case {
        StoredValue value;
        long result;
        long status;
    };
    const Case cases[] = {
        {{"dword 1", REG_DWORD, Bytes({1, 0, 0, 0})}, 1, ERROR_SUCCESS},
        {{"dword -1", REG_DWORD, Bytes({0xFF, 0xFF, 0xFF, 0xFF})}, -1, ERROR_SUCCESS},
        {{"little-endian", REG_DWORD, Bytes({0x78, 0x56, 0x34, 0x12})}, 0x12345678, ERROR_SUCCESS},
        {{"string \"1\" reads its code", REG_SZ, Wide(L"1", true)}, 49, ERROR_SUCCESS},
        {{"one byte", REG_BINARY, Bytes({1})}, 1, ERROR_SUCCESS},
        {{"five bytes", REG_BINARY, Bytes({1, 0, 0, 0, 0})}, -7, ERROR_MORE_DATA},
        {{"qword", REG_QWORD, Bytes({1, 0, 0, 0, 0, 0, 0, 0})}, -7, ERROR_MORE_DATA},
        {{"long string", REG_SZ, Wide(L"C:\\Logs", true)}, -7, ERROR_MORE_DATA},
    };
    for (const Case& c : cases) {
        sim::RegistryGuard registry;
        Store(registry, c.value);
        long status = -1;
        EXPECT_EQ(RegGetDword(kHkeyCurrentUser, kKey, L"v", -7, &status), c.result) << c.value.what;
        EXPECT_EQ(status, c.status) << c.value.what;
    }
}

TEST(RegGetDword, MissingValueOrKeyGivesTheDefaultAndFileNotFound) {
    sim::RegistryGuard registry;
    registry.SetDword(HKEY_CURRENT_USER, kKey, L"other", 1);
    long status = -1;
    EXPECT_EQ(RegGetDword(kHkeyCurrentUser, kKey, L"v", 5, &status), 5);
    EXPECT_EQ(status, ERROR_FILE_NOT_FOUND);
    status = -1;
    EXPECT_EQ(RegGetDword(kHkeyCurrentUser, std::wstring(kKey) + L"\\Missing", L"v", 0, &status), 0);
    EXPECT_EQ(status, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegGetDword(kHkeyCurrentUser, kKey, L"other", 0), 1);  // status is optional
}

TEST(RegistryGuard, PutsBackValuesAndRemovesTheKeysItCreated) {
    const std::wstring key = std::wstring(kKey) + L"\\Guard\\Deep";
    {
        sim::RegistryGuard outer;
        outer.SetString(HKEY_CURRENT_USER, kKey, L"kept", L"before");
        {
            sim::RegistryGuard inner;
            inner.SetDword(HKEY_CURRENT_USER, key, L"x", 1);
            inner.SetString(HKEY_CURRENT_USER, kKey, L"kept", L"changed");
            inner.Delete(HKEY_CURRENT_USER, kKey, L"kept");
            EXPECT_EQ(RegGetString(kHkeyCurrentUser, kKey, L"kept", L"gone"), L"gone");
        }
        EXPECT_EQ(RegGetString(kHkeyCurrentUser, kKey, L"kept", L""), L"before");
        long status = 0;
        RegGetDword(kHkeyCurrentUser, std::wstring(kKey) + L"\\Guard", L"x", 0, &status);
        EXPECT_EQ(status, ERROR_FILE_NOT_FOUND) << "created keys removed";
    }
    HKEY h;
    EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &h), ERROR_SUCCESS);
}

TEST(PathCombine, JoinsWithSingleBackslashes) {
    struct Case {
        std::wstring result, expected;
    } cases[] = {
        {PathCombine(L"C:\\Temp\\\\", L"\\log.txt"), L"C:\\Temp\\log.txt"},
        {PathCombine(L"C:\\", L"x"), L"C:\\x"},
        {PathCombine(L"\\", L"x"), L"x"},
        {PathCombine(L"", L"x"), L"x"},
        {PathCombine(L"", L"\\\\x"), L"x"},
        {PathCombine(L"C:\\a", L"b\\\\c\\", L"d"), L"C:\\a\\b\\\\c\\d"},
        {PathCombine(L"C:\\a", L""), L"C:\\a"},
        {PathCombine(L"C:\\a\\", L""), L"C:\\a\\"},
        {PathCombine(L"C:\\a", PathList{}), L"C:\\a"},
        {PathCombine(L"C:\\a", PathList{PathList{}, L""}), L"C:\\a"},
        {PathCombine(L"C:\\a"), L"C:\\a"},
        {PathCombine(L"C:/a", L"b/c"), L"C:/a\\b/c"},
        {PathCombine(L"C:", PathList{L"a", PathList{L"b", PathList{L"\\c"}}, L"d"}, L"e"),
         L"C:\\a\\b\\c\\d\\e"},
        {PathCombine(L"C:", L"\\"), L"C:\\"},
        {PathCombine(std::wstring(L"base")), L"base"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.result, c.expected);
}

TEST(Folders, TempFolderHasNoTrailingBackslashAndExists) {
    std::wstring temp = TempFolder();
    ASSERT_FALSE(temp.empty());
    EXPECT_NE(temp.back(), L'\\');
    EXPECT_TRUE(FolderExists(temp));
    char reported[MAX_PATH + 1];
    DWORD n = GetTempPathA(MAX_PATH + 1, reported);
    EXPECT_EQ(ToAnsi(temp) + "\\", std::string(reported, n));
    std::wstring windows = WindowsFolder();
    EXPECT_TRUE(FolderExists(windows));
    EXPECT_NE(windows.back(), L'\\');
}

TEST(Folders, TempFolderGrowsItsBufferForLongPaths) {
    const std::wstring parent = TempFolder();
    for (size_t length : {parent.size() + 5, size_t(78), size_t(79), size_t(80), size_t(81),
                          size_t(159), size_t(160), size_t(230)}) {
        if (length < parent.size() + 5) continue;
        std::wstring folder = FolderOfLength(parent, length);
        {
            ScopedEnv tmp(L"TMP", folder + L"\\");
            EXPECT_EQ(TempFolder(), folder) << length;
        }
        RemoveDirectoryW(folder.c_str());
    }
}

TEST(Folders, MissingTempFolderFallsBackToTheWindowsFolder) {
    ScopedEnv tmp(L"TMP", L"C:\\no\\such\\temp\\");
    ScopedEnv temp(L"TEMP", L"C:\\no\\such\\temp\\");
    std::wstring windows = WindowsFolder();
    ASSERT_FALSE(windows.empty());
    if (windows.back() == L'\\') windows.pop_back();
    EXPECT_EQ(TempFolder(), windows);
}

TEST(Files, ExistenceByAttributes) {
    sim::LogCapture scratch;  // a fresh folder that goes again
    const std::wstring folder = scratch.Folder();
    const std::wstring file = folder + L"\\file.txt";
    HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    struct Case {
        std::wstring path;
        bool file, folder;
    } cases[] = {
        {L"", false, false},
        {file, true, false},
        {folder, false, true},
        {folder + L"\\", false, true},
        {folder + L"\\missing.txt", false, false},
        {folder + L"\\file.txt\\x", false, false},
        {L"C:\\a<>b|c", false, false},
        {folder + L"\\\u4e2d", false, false},  // not in the code page: becomes "?"
        {std::wstring(400, L'x'), false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FileExists(c.path), c.file) << ToAnsi(c.path);
        EXPECT_EQ(FolderExists(c.path), c.folder) << ToAnsi(c.path);
    }
}

TEST(ModuleIdentity, NamesTheProgramThatHoldsTheCode) {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring full = path;
    EXPECT_EQ(ModuleName(), L"test_services");
    EXPECT_EQ(ModuleFolder(), full.substr(0, full.find_last_of(L'\\')));
}

// The services inside a DLL name the DLL, before its entry point has handed over its module
// handle: a copy under another name and folder shows that nothing comes from the program. The
// log inside it writes QV_ + the DLL's name, and survives the DLL's unload on a thread that used
// it.
TEST(ModuleIdentity, NamesTheLoadedDllNotTheProgram) {
    sim::LogCapture scratch(true, L"probe.copy");  // two runs, one file
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring built = exe;
    built = built.substr(0, built.find_last_of(L'\\')) + L"\\diagprobe.dll";
    const std::wstring copy = scratch.Folder() + L"\\probe.copy.dll";
    ASSERT_TRUE(CopyFileW(built.c_str(), copy.c_str(), FALSE)) << GetLastError();

    HMODULE dll = LoadLibraryW(copy.c_str());
    ASSERT_NE(dll, nullptr);
    using Identity = void (*)(wchar_t*, wchar_t*, int);
    using Log = void (*)(const wchar_t*);
    auto identity = reinterpret_cast<Identity>(GetProcAddress(dll, "ProbeModuleIdentity"));
    auto log = reinterpret_cast<Log>(GetProcAddress(dll, "ProbeLogInfo"));
    ASSERT_NE(identity, nullptr);
    ASSERT_NE(log, nullptr);
    wchar_t name[MAX_PATH] = L"", folder[MAX_PATH] = L"";
    identity(name, folder, MAX_PATH);
    EXPECT_STREQ(name, L"probe.copy");
    EXPECT_EQ(std::wstring(folder), scratch.Folder());
    EXPECT_EQ(ModuleName(), L"test_services") << "the program's own code still names the program";

    sim::RunOnFreshThread([&] { log(L"from a thread"); });
    log(L"from the loading thread");
    FreeLibrary(dll);
    EXPECT_EQ(scratch.Lines(), (std::vector<std::wstring>{L"from a thread", L"from the loading thread"}));
}

TEST(ModuleIdentity, TheEntryPointsHandleTakesPrecedence) {
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    SetModuleInstance(kernel);
    EXPECT_EQ(ModuleName(), L"kernel32");
    SetModuleInstance(nullptr);
    EXPECT_EQ(ModuleName(), L"test_services");
}
