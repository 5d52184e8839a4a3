// Helpers shared by the plug-in object's tests.
#pragma once

#include <gtest/gtest.h>

#include "plugin/ComSupport.h"
#include "plugin/ExcelChartHandler.h"
#include "plugin/HostInterfaces.h"
#include "plugin/modPublic.h"
#include "plugin/modResAndEnv.h"
#include "sim/SimHost.h"

#include <string>
#include <vector>

namespace plugintest {

using qv::ComPtr;
using Lines = std::vector<std::wstring>;
using Held = std::vector<std::wstring>;  // "name: references" as the stand-ins list them

// The automation runtime's type mismatch (error 13), as a failed interface query reports it.
constexpr HRESULT kTypeMismatch = static_cast<HRESULT>(0x800A000D);

template <class I>
ComPtr<I> NewPlugIn(REFIID iid) {
    ComPtr<I> object;
    EXPECT_EQ(qv::CreateExcelChartHandler(iid, object.ReceiveVoid()), S_OK);
    return object;
}

template <class I, class U>
ComPtr<I> As(const ComPtr<U>& object, REFIID iid) {
    ComPtr<I> view;
    EXPECT_EQ(object.As(iid, view), S_OK);
    return view;
}

// The thread's slots keep their references past the thread's end by design; a scenario that
// wants to prove the balance of everything else empties them at its end with this.
struct ApartmentCleanup {
    ApartmentCleanup() = default;
    ApartmentCleanup(const ApartmentCleanup&) = delete;
    ApartmentCleanup& operator=(const ApartmentCleanup&) = delete;
    ~ApartmentCleanup() {
        qv::modPublic::gHostApplication.reset();
        qv::modResAndEnv::gEnvHost.reset();
        qv::modResAndEnv::gEnvSecond.reset();
        qv::modResAndEnv::gEnvThird.reset();
    }
};

inline std::wstring NameOf(IPlugIn* plugIn) {
    qv::Bstr name;
    EXPECT_EQ(plugIn->get_Name(name.Receive()), S_OK);
    return name.str();
}

// Every reference the host stand-in handed out came back, none twice, and the plug-in called
// nothing on the host's objects but their first members.
inline void ExpectNoHostRefs(const sim::Host& host) {
    EXPECT_EQ(host.objectsWithRefs(), Held{});
    EXPECT_EQ(host.overReleased(), Held{});
    EXPECT_EQ(host.unexpectedCalls(), Held{});
}

}  // namespace plugintest
