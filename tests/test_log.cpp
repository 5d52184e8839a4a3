// The diagnostic log against the real registry and file system of the test prefix. Each
// scenario runs on a fresh thread, so that it starts a run of its own.
#include <gtest/gtest.h>

#include "diag/Services.h"
#include "diag/modDebug.h"
#include "sim/LogCapture.h"
#include "sim/SimDebugger.h"

using namespace qv::modDebug;
using sim::RunOnFreshThread;
using Lines = std::vector<std::wstring>;

namespace {

const wchar_t kLogKey[] = L"Software\\Veltrane\\Orvane\\Log";

}  // namespace

TEST(Log, LinesGoToTheFileWithTimestampAndLevelPrefix) {
    sim::LogCapture log;
    RunOnFreshThread([] {
        LogInfo(L"Converting Excel Chart. BWFlagSet=512");
        LogError(L"Sheet not found");
        WriteLog(L"level two", 2);
    });
    EXPECT_EQ(log.Lines(), (Lines{L"Converting Excel Chart. BWFlagSet=512",
                                 L"*** Error ***: Sheet not found", L"level two"}));
}
