// The DLL as COM loads and unloads it while host threads that used it live on: a plug-in is
// created through the registry on a thread, parented and initialised (its start-up line goes to
// the debugger tool), released, and then CoFreeUnusedLibraries runs. The host objects that the
// thread's state holds must never be left referenced by a DLL that is gone: the thread gives
// them back before the DLL unloads, or the DLL stays loaded while another thread holds them.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <future>
#include <string>
#include <thread>
#include <vector>

#include "plugin/ClassIds.h"
#include "com/ComSupport.h"
#include "sim/SimDebugger.h"
#include "sim/SimHost.h"
#include "tests/server/ServerTestSupport.h"

using qv::ComPtr;
using Held = std::vector<std::wstring>;

namespace {

bool ServerLoaded() { return GetModuleHandleW(servertest::DllPath().c_str()) != nullptr; }

// On a thread in a single-threaded apartment: a plug-in through COM's activation, started with
// the host's objects unless told not to, then released.
void CreateAndRelease(sim::Host& host, bool start) {
    ComPtr<IUnknown> plugin;
    ASSERT_EQ(CoCreateInstance(qv::ids::CLSID_ExcelChartHandler, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               plugin.ReceiveVoid()),
              S_OK);
    if (start) {
        EXPECT_EQ(sim::StartPlugIn(plugin.get(), host).initializeHr, S_OK);
    }
}

// A thread in a single-threaded apartment for the length of body.
template <class F>
void OnApartmentThread(F body) {
    std::thread([&] {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        body();
        CoUninitialize();
    }).join();
}

bool DebuggerGot(const sim::SimDebugger& debugger, const std::wstring& message) {
    for (const sim::DebuggerCall& call : debugger.Calls())
        if (call.member == L"DebugMsg" && call.args.size() == 3 && call.args[1].value == message) return true;
    return false;
}

const Held kPublished = {L"parent: 1", L"powerPoint: 1"};

}  // namespace

// The thread that holds the references is the one that frees the unused libraries: it gives
// them back, and the DLL goes.
TEST(Unload, TheHoldingThreadGivesItsReferencesBackBeforeTheDllGoes) {
    ASSERT_FALSE(ServerLoaded());
    sim::SimDebugger debugger;
    sim::Host host;
    Held heldBeforeFree, heldAfterFree;
    bool loadedAfterFree = true;
    OnApartmentThread([&] {
        CreateAndRelease(host, true);
        heldBeforeFree = host.objectsWithRefs();
        CoFreeUnusedLibraries();
        loadedAfterFree = ServerLoaded();
        heldAfterFree = host.objectsWithRefs();
    });
    EXPECT_TRUE(DebuggerGot(debugger, L"IPlugIn_Initialize: ExcelChartHandler"));
    EXPECT_EQ(heldBeforeFree, kPublished);
    EXPECT_FALSE(loadedAfterFree);
    EXPECT_EQ(heldAfterFree, Held{});
    EXPECT_EQ(host.objectsWithRefs(), Held{});
    EXPECT_EQ(host.overReleased(), Held{});
}

// Another thread, still in COM, holds references: the DLL stays loaded while it does. A thread
// that leaves COM gives them back (COM asks the DLL whether it can unload as the apartment
// ends); one that ends without leaving COM gives them up with its end, never released from a
// thread that is not its own, under the loader lock. Either way the DLL goes at the next
// CoFreeUnusedLibraries after the thread has ended.
TEST(Unload, AnotherThreadsReferencesKeepTheDllLoadedWhileItHoldsThem) {
    struct Case {
        const char* name;
        bool leavesCom;
        Held heldAtEnd;
    } cases[] = {
        {"the holder leaves COM, then ends", true, {}},
        {"the holder ends in COM", false, kPublished},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(ServerLoaded());
        sim::SimDebugger debugger;
        sim::Host holdingHost, otherHost;
        std::promise<void> started, end;
        Held heldWhileInCom;
        std::thread holder([&] {
            const bool inCom = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED) == S_OK;
            if (inCom) CreateAndRelease(holdingHost, true);
            heldWhileInCom = holdingHost.objectsWithRefs();
            started.set_value();
            end.get_future().wait();
            if (inCom && c.leavesCom) CoUninitialize();
        });
        started.get_future().wait();

        bool loadedWhileHeld = false, loadedAfterEnd = true;
        OnApartmentThread([&] {
            CreateAndRelease(otherHost, false);
            CoFreeUnusedLibraries();
            loadedWhileHeld = ServerLoaded();
            end.set_value();
            holder.join();
            CoFreeUnusedLibraries();
            loadedAfterEnd = ServerLoaded();
        });
        if (holder.joinable()) {
            end.set_value();
            holder.join();
        }
        EXPECT_TRUE(DebuggerGot(debugger, L"IPlugIn_Initialize: ExcelChartHandler"));
        EXPECT_EQ(heldWhileInCom, kPublished);
        EXPECT_TRUE(loadedWhileHeld);
        EXPECT_FALSE(loadedAfterEnd);
        EXPECT_EQ(holdingHost.objectsWithRefs(), c.heldAtEnd);
        EXPECT_EQ(holdingHost.overReleased(), Held{});
        EXPECT_EQ(otherHost.objectsWithRefs(), Held{});
    }
}
