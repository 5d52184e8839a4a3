// Helpers shared by the plug-in object's tests.
#pragma once

#include <gtest/gtest.h>

#include "com/ComSupport.h"
#include "plugin/ExcelChartHandler.h"
#include "plugin/HostInterfaces.h"
#include "plugin/ThreadState.h"
#include "plugin/modPublic.h"
#include "plugin/modResAndEnv.h"
#include "sim/SimHost.h"

#include <algorithm>
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
        qv::ReleasePublishedHostObjects();
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

#include "sim/SimExcel.h"

namespace plugintest {

// A plug-in object as the host holds it during a pass, for scenarios that look between the
// host's calls. Create it on the scenario's thread; it empties the thread's slots when it goes.
class Session {
public:
    // Parents and initialises the plug-in with the host's standard objects unless told not to.
    explicit Session(const sim::Host& host, bool initialize = true) {
        root_ = NewPlugIn<IUnknown>(IID_IUnknown);
        handler_ = As<IOLEObjectHandler>(root_, IID_IOLEObjectHandler);
        plugIn_ = As<IPlugIn>(root_, IID_IPlugIn);
        if (initialize) {
            EXPECT_EQ(sim::StartPlugIn(root_.get(), host).initializeHr, S_OK);
        }
    }

    IUnknown* root() const { return root_.get(); }
    IPlugIn* plugIn() const { return plugIn_.get(); }

    // ChangeToBWNoConfig(object, 512).
    HRESULT Convert(IDispatch* object) {
        LONG flags = 512;
        return handler_->ChangeToBWNoConfig(object, &flags);
    }
    struct Answer {
        HRESULT hr;
        VARIANT_BOOL result;
    };
    Answer Complete(IDispatch* object) {
        Answer a{E_FAIL, 1};
        a.hr = handler_->TransactionOnObjectComplete(object, &a.result);
        return a;
    }

private:
    ApartmentCleanup cleanup_;
    ComPtr<IUnknown> root_;
    ComPtr<IOLEObjectHandler> handler_;
    ComPtr<IPlugIn> plugIn_;
};

inline ComPtr<IDispatch> WorkbookRef(sim::Excel& excel, size_t index = 0) {
    return ComPtr<IDispatch>::Attach(excel.NewWorkbookRef(*excel.model().workbooks.at(index)));
}

// The call that started the conversion of the chart at chartPath (its first call on the chart or
// below it, other than a sheet's Name and Move), or 0 when it was not converted.
inline long ConversionStart(const sim::Excel& excel, const std::wstring& chartPath) {
    for (const sim::CallRecord& call : excel.calls()) {
        const bool below = call.path.compare(0, chartPath.size() + 1, chartPath + L"/") == 0;
        const bool on = call.path == chartPath && call.member != L"Name" && call.member != L"Move";
        if (below || on) return call.index;
    }
    return 0;
}

// The charts among candidates that were converted, in the order their conversions started.
inline std::vector<std::wstring> ConvertedCharts(const sim::Excel& excel,
                                                 const std::vector<std::wstring>& candidates) {
    std::vector<std::pair<long, std::wstring>> started;
    for (const std::wstring& path : candidates)
        if (long index = ConversionStart(excel, path)) started.push_back({index, path});
    std::sort(started.begin(), started.end());
    std::vector<std::wstring> order;
    for (auto& s : started) order.push_back(s.second);
    return order;
}

// Calls of one member, in order.
inline std::vector<sim::CallRecord> CallsOf(const sim::Excel& excel, const std::wstring& member) {
    std::vector<sim::CallRecord> found;
    for (const sim::CallRecord& call : excel.calls())
        if (call.member == member) found.push_back(call);
    return found;
}

inline std::vector<std::wstring> SheetOrder(const sim::WorkbookModel& workbook) {
    std::vector<std::wstring> names;
    for (auto& sheet : workbook.sheets) names.push_back(sheet->name);
    return names;
}

// Nothing left referenced in Excel but what is listed, nothing released twice, nothing saved.
inline void ExpectExcelBalanced(sim::Excel& excel, const Held& held = {}) {
    EXPECT_EQ(excel.objectsWithRefs(), held);
    EXPECT_EQ(excel.overReleased(), Held{});
    for (auto& workbook : excel.model().workbooks) {
        EXPECT_FALSE(workbook->saved) << testing::PrintToString(workbook->name);
        EXPECT_FALSE(workbook->closedWithSaveChanges) << testing::PrintToString(workbook->name);
    }
}

}  // namespace plugintest
