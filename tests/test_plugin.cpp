// The plug-in object through the host's interfaces: its COM identity, its lifecycle with the host
// stand-in, and the answers and log lines of the host's calls. Every scenario runs on a fresh
// apartment thread, since the objects the plug-in publishes belong to the thread and are let go
// when it ends. The stand-ins count the references they hand out, so each scenario checks what
// the plug-in still holds after each call.
#include <gtest/gtest.h>

#include "com/Automation.h"
#include "plugin/ClassIds.h"
#include "plugin/ExcelChartHandler.h"
#include "plugin/HostInterfaces.h"
#include "plugin/ModuleLock.h"
#include "plugin/modPublic.h"
#include "plugin/modResAndEnv.h"
#include "sim/LogCapture.h"
#include "sim/SimHost.h"
#include "tests/plugin/PlugInTesting.h"

using namespace plugintest;
using sim::RunOnFreshThread;

TEST(PlugInObject, AnswersItsInterfacesOnOneIdentity) {
    const LONG usage = qv::ModuleUsage();
    {
        ComPtr<IUnknown> root;
        ASSERT_EQ(qv::CreateExcelChartHandler(IID_IUnknown, root.ReceiveVoid()), S_OK);
        EXPECT_EQ(qv::ModuleUsage(), usage + 1);
        const IID* answered[] = {&IID_IUnknown, &IID_IDispatch, &qv::ids::IID__ExcelChartHandler,
                                 &IID_IPlugIn, &IID_IChild, &IID_IOLEObjectHandler};
        for (const IID* iid : answered) {
            ComPtr<IUnknown> view, identity;
            ASSERT_EQ(root->QueryInterface(*iid, view.ReceiveVoid()), S_OK);
            ASSERT_EQ(view->QueryInterface(IID_IUnknown, identity.ReceiveVoid()), S_OK);
            EXPECT_EQ(identity.get(), root.get());
            // Every view answers every other interface (symmetry and transitivity).
            ComPtr<IOLEObjectHandler> handler;
            EXPECT_EQ(view->QueryInterface(IID_IOLEObjectHandler, handler.ReceiveVoid()), S_OK);
        }
        void* none = reinterpret_cast<void*>(1);
        EXPECT_EQ(root->QueryInterface(IID_IClassFactory, &none), E_NOINTERFACE);
        EXPECT_EQ(none, nullptr);
        EXPECT_EQ(root->AddRef(), 2u);
        EXPECT_EQ(root->Release(), 1u);
    }
    EXPECT_EQ(qv::ModuleUsage(), usage);

    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(qv::CreateExcelChartHandler(IID_IClassFactory, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(qv::ModuleUsage(), usage);
}

// The test program links the code without the DLL's type library, so late binding finds
// nothing, and says so with the dispatch errors rather than failing otherwise.
TEST(PlugInObject, DispatchWithoutItsTypeLibrary) {
    ComPtr<IDispatch> dispatch = NewPlugIn<IDispatch>(IID_IDispatch);
    UINT count = 0;
    EXPECT_EQ(dispatch->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    ComPtr<ITypeInfo> info;
    EXPECT_EQ(dispatch->GetTypeInfo(1, 1033, info.Receive()), DISP_E_BADINDEX);
    wchar_t name[] = L"Name";
    LPOLESTR names[] = {name};
    DISPID id = 0;
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 1, 1033, &id), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(id, DISPID_UNKNOWN);
    DISPPARAMS none{};
    qv::Variant result;
    EXPECT_EQ(dispatch->Invoke(0x60030002, IID_NULL, 1033, DISPATCH_PROPERTYGET, &none,
                               result.Receive(), nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
}

TEST(PlugInLifecycle, MembersWithNothingToDo) {
    sim::Host host;
    RunOnFreshThread([&] {
        ApartmentCleanup cleanup;
        ComPtr<IPlugIn> plugIn = NewPlugIn<IPlugIn>(IID_IPlugIn);
        EXPECT_EQ(NameOf(plugIn.get()), L"ExcelChartHandler");
        VARIANT_BOOL started = VARIANT_FALSE;
        EXPECT_EQ(plugIn->OnStartUpComplete(&started), S_OK);
        EXPECT_EQ(started, VARIANT_TRUE);

        qv::Variant parameter = qv::Variant::Dispatch(host.plain());
        EXPECT_EQ(plugIn->OnPluginChange(host.parentSource(), parameter.get()), S_OK);
        qv::Bstr callback(L"OnPrint");
        qv::Bstr answer;
        EXPECT_EQ(plugIn->OnRibbonCallback(callback.get(), parameter.get(), answer.Receive()), S_OK);
        ASSERT_NE(answer.get(), nullptr);  // "" is a string, not a null BSTR
        EXPECT_EQ(answer.length(), 0u);
        EXPECT_EQ(host.objectsWithRefs(), (Held{L"plain: 1"}));  // only our own parameter

        ASSERT_EQ(sim::StartPlugIn(plugIn.get(), host).initializeHr, S_OK);
        EXPECT_EQ(NameOf(plugIn.get()), L"ExcelChartHandler");
        EXPECT_EQ(plugIn->Terminate(), S_OK);
        EXPECT_EQ(plugIn->Terminate(), S_OK);
        EXPECT_EQ(NameOf(plugIn.get()), L"ExcelChartHandler");
    });
    ExpectNoHostRefs(host);
}

TEST(PlugInLifecycle, InitializePublishesTheHostObjectsAndLogsOnce) {
    sim::Host host;
    sim::LogCapture log;
    RunOnFreshThread([&] {
        ApartmentCleanup cleanup;
        ComPtr<IUnknown> plugIn = NewPlugIn<IUnknown>(IID_IUnknown);
        sim::StartResult start = sim::StartPlugIn(plugIn.get(), host);
        EXPECT_EQ(start.parentHr, S_OK);
        EXPECT_EQ(start.initializeHr, S_OK);
        EXPECT_EQ(start.initialized, VARIANT_TRUE);
        EXPECT_TRUE(qv::SameObject(qv::modPublic::gHostApplication.get(), host.powerPoint()));
        // The parent the link yields, viewed as the host object; the owner is only checked.
        EXPECT_TRUE(qv::SameObject(qv::modResAndEnv::gEnvHost.get(), host.parent()));
        EXPECT_FALSE(qv::modResAndEnv::gEnvSecond);
        EXPECT_FALSE(qv::modResAndEnv::gEnvThird);
        EXPECT_EQ(host.objectsWithRefs(), (Held{L"parentLink: 1", L"parent: 1", L"powerPoint: 1"}));

        plugIn.reset();
        // The thread's slots outlive the plug-in object.
        EXPECT_EQ(host.objectsWithRefs(), (Held{L"parent: 1", L"powerPoint: 1"}));
    });
    ExpectNoHostRefs(host);
    EXPECT_EQ(log.Lines(), (Lines{L"IPlugIn_Initialize: ExcelChartHandler"}));
}

// Steps 1 to 5 of IPlugIn_Initialize are untrapped: a failed interface query ends the member
// with a type mismatch, False and no log line; the steps before it stay done.
TEST(PlugInLifecycle, InitializeChecksOwnerThenApplication) {
    struct Case {
        const char* name;
        IDispatch* (sim::Host::*app)() const;
        IDispatch* (sim::Host::*owner)() const;
        HRESULT hr;
        bool published;      // gHostApplication is the app
        Lines log;
    } cases[] = {
        {"app is not PowerPoint", &sim::Host::plain, &sim::Host::owner, kTypeMismatch, false, {}},
        {"owner is not an owner", &sim::Host::powerPoint, &sim::Host::plain, kTypeMismatch, false, {}},
        {"PowerPoint as the owner", &sim::Host::powerPoint, &sim::Host::powerPoint, kTypeMismatch, false, {}},
        {"both right", &sim::Host::powerPoint, &sim::Host::owner, S_OK, true,
         {L"IPlugIn_Initialize: ExcelChartHandler"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim::Host host;
        sim::LogCapture log;
        RunOnFreshThread([&] {
            ApartmentCleanup cleanup;
            ComPtr<IUnknown> plugIn = NewPlugIn<IUnknown>(IID_IUnknown);
            sim::StartResult start =
                sim::StartPlugIn(plugIn.get(), host.parentSource(), (host.*c.app)(), (host.*c.owner)());
            EXPECT_EQ(start.initializeHr, c.hr) << sim::HResultText(start.initializeHr);
            EXPECT_EQ(start.initialized, c.hr == S_OK ? VARIANT_TRUE : VARIANT_FALSE);
            EXPECT_EQ(qv::SameObject(qv::modPublic::gHostApplication.get(), host.powerPoint()), c.published);
            EXPECT_EQ(static_cast<bool>(qv::modResAndEnv::gEnvHost), c.hr == S_OK);
        });
        ExpectNoHostRefs(host);
        EXPECT_EQ(log.Lines(), c.log);
    }
}

TEST(PlugInLifecycle, InitializeAcceptsNothingForAppAndOwner) {
    sim::Host host;
    RunOnFreshThread([&] {
        ApartmentCleanup cleanup;
        ComPtr<IUnknown> plugIn = NewPlugIn<IUnknown>(IID_IUnknown);
        ASSERT_EQ(sim::StartPlugIn(plugIn.get(), host).initializeHr, S_OK);
        // A second Initialize writes the slots again: Nothing replaces PowerPoint.
        sim::StartResult again = sim::StartPlugIn(plugIn.get(), nullptr, nullptr, nullptr);
        EXPECT_EQ(again.initializeHr, S_OK);
        EXPECT_EQ(again.initialized, VARIANT_TRUE);
        EXPECT_FALSE(qv::modPublic::gHostApplication);
        EXPECT_TRUE(qv::SameObject(qv::modResAndEnv::gEnvHost.get(), host.parent()));
    });
    ExpectNoHostRefs(host);
}

TEST(PlugInLifecycle, FailedInitializeKeepsWhatTheLastOnePublished) {
    sim::Host host;
    RunOnFreshThread([&] {
        ApartmentCleanup cleanup;
        ComPtr<IUnknown> plugIn = NewPlugIn<IUnknown>(IID_IUnknown);
        ASSERT_EQ(sim::StartPlugIn(plugIn.get(), host).initializeHr, S_OK);
        sim::StartResult wrong = sim::StartPlugIn(plugIn.get(), nullptr, host.plain(), host.owner());
        EXPECT_EQ(wrong.initializeHr, kTypeMismatch);
        EXPECT_TRUE(qv::SameObject(qv::modPublic::gHostApplication.get(), host.powerPoint()));
    });
    ExpectNoHostRefs(host);
}

// Without a parent (or with one that is not a host object) the environment keeps its host
// object; the second and third slots are written with Nothing every time.
TEST(PlugInLifecycle, InitializeWithoutHostParentKeepsTheEnvironmentsHost) {
    sim::Host host;
    IDispatch* earlier = host.NewObject(L"earlierHost", {qv::host::IID_HostObject});
    IDispatch* notAHost = host.NewObject(L"notAHost", {});
    IDispatch* linkToNotAHost = host.NewObject(L"linkToNotAHost", {qv::host::IID_ParentLink});
    IDispatch* sourceOfNotAHost = host.NewObject(L"sourceOfNotAHost", {qv::host::IID_ParentSource});
    host.SetFirstMember(linkToNotAHost, notAHost);
    host.SetFirstMember(sourceOfNotAHost, linkToNotAHost);
    IDispatch* brokenLink = host.NewObject(L"brokenLink", {qv::host::IID_ParentLink});
    IDispatch* sourceOfBroken = host.NewObject(L"sourceOfBroken", {qv::host::IID_ParentSource});
    host.SetFirstMember(sourceOfBroken, brokenLink);

    for (IDispatch* parentSource : {static_cast<IDispatch*>(nullptr), sourceOfNotAHost, sourceOfBroken}) {
        SCOPED_TRACE(host.nameOf(parentSource));
        RunOnFreshThread([&] {
            ApartmentCleanup cleanup;
            qv::modResAndEnv::gEnvHost = qv::Dispatch(earlier);
            qv::modResAndEnv::gEnvSecond = qv::Dispatch(host.plain());
            qv::modResAndEnv::gEnvThird = qv::Dispatch(host.plain());
            ComPtr<IUnknown> plugIn = NewPlugIn<IUnknown>(IID_IUnknown);
            if (parentSource == sourceOfBroken) host.SetFirstMemberFault(brokenLink, E_FAIL);
            sim::StartResult start = sim::StartPlugIn(plugIn.get(), parentSource, host.powerPoint(), host.owner());
            host.SetFirstMemberFault(brokenLink, S_OK);
            EXPECT_EQ(start.initializeHr, S_OK);
            EXPECT_EQ(qv::modResAndEnv::gEnvHost.get(), earlier);
            EXPECT_FALSE(qv::modResAndEnv::gEnvSecond);
            EXPECT_FALSE(qv::modResAndEnv::gEnvThird);
        });
        ExpectNoHostRefs(host);
    }
}

// IChild::Parent keeps the link its parent source yields and answers with what the link yields;
// a put that fails keeps the link that was there.
TEST(PlugInLifecycle, ParentPutAndGet) {
    sim::Host host;
    IDispatch* nothingSource = host.NewObject(L"nothingSource", {qv::host::IID_ParentSource});
    IDispatch* failingSource = host.NewObject(L"failingSource", {qv::host::IID_ParentSource});
    host.SetFirstMemberFault(failingSource, E_FAIL);
    IDispatch* valueSource = host.NewObject(L"valueSource", {qv::host::IID_ParentSource});
    host.SetFirstMemberNotAnObject(valueSource);
    IDispatch* sourceOfPlain = host.NewObject(L"sourceOfPlain", {qv::host::IID_ParentSource});
    host.SetFirstMember(sourceOfPlain, host.plain());

    struct Case {
        const char* name;
        IDispatch* second;        // put after a put of the standard parent source
        HRESULT putHr;
        IDispatch* got;           // what a get answers afterwards
        Held refs;                // what the plug-in holds afterwards
    } cases[] = {
        {"Nothing empties the link", nullptr, S_OK, nullptr, {}},
        {"no parent-source interface", host.plain(), kTypeMismatch, host.parent(), {L"parentLink: 1"}},
        {"source yields no link", sourceOfPlain, kTypeMismatch, host.parent(), {L"parentLink: 1"}},
        {"source fails", failingSource, E_FAIL, host.parent(), {L"parentLink: 1"}},
        {"source yields a value", valueSource, kTypeMismatch, host.parent(), {L"parentLink: 1"}},
        {"source yields Nothing", nothingSource, S_OK, nullptr, {}},
        {"the same source again", host.parentSource(), S_OK, host.parent(), {L"parentLink: 1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RunOnFreshThread([&] {
            ApartmentCleanup cleanup;
            ComPtr<IChild> child = NewPlugIn<IChild>(IID_IChild);
            ComPtr<IDispatch> before;
            EXPECT_EQ(child->get_Parent(before.Receive()), S_OK);
            EXPECT_FALSE(before);
            ASSERT_EQ(child->putref_Parent(host.parentSource()), S_OK);
            EXPECT_EQ(host.objectsWithRefs(), (Held{L"parentLink: 1"}));
            EXPECT_EQ(child->putref_Parent(c.second), c.putHr) << sim::HResultText(c.putHr);
            EXPECT_EQ(host.objectsWithRefs(), c.refs);
            ComPtr<IDispatch> got;
            EXPECT_EQ(child->get_Parent(got.Receive()), S_OK);
            EXPECT_EQ(got.get(), c.got);
        });
        ExpectNoHostRefs(host);
    }
}

TEST(PlugInLifecycle, ParentGetReportsTheLinksError) {
    sim::Host host;
    RunOnFreshThread([&] {
        ApartmentCleanup cleanup;
        ComPtr<IChild> child = NewPlugIn<IChild>(IID_IChild);
        ASSERT_EQ(child->putref_Parent(host.parentSource()), S_OK);
        host.SetFirstMemberFault(host.parentLink(), E_FAIL);
        IDispatch* got = reinterpret_cast<IDispatch*>(1);
        EXPECT_EQ(child->get_Parent(&got), E_FAIL);
        EXPECT_EQ(got, nullptr);
        host.SetFirstMemberFault(host.parentLink(), S_OK);
        host.SetFirstMember(host.parentLink(), nullptr);
        EXPECT_EQ(child->get_Parent(&got), S_OK);
        EXPECT_EQ(got, nullptr);
    });
    ExpectNoHostRefs(host);
    EXPECT_EQ(host.unexpectedCalls(), Held{});
}

// The first member is reached by the vtable slot after IDispatch's, once per put and per get,
// and never through Invoke: the host stand-in's objects know no dispatch identifiers, as a host
// library's need not.
TEST(PlugInLifecycle, ParentReachesTheFirstMemberByVtableOnly) {
    sim::Host host;
    RunOnFreshThread([&] {
        ApartmentCleanup cleanup;
        ComPtr<IChild> child = NewPlugIn<IChild>(IID_IChild);
        ASSERT_EQ(child->putref_Parent(host.parentSource()), S_OK);
        ComPtr<IDispatch> got;
        ASSERT_EQ(child->get_Parent(got.Receive()), S_OK);
        EXPECT_EQ(got.get(), host.parent());
        EXPECT_EQ(host.firstMemberCalls(host.parentSource()), 1);
        EXPECT_EQ(host.firstMemberCalls(host.parentLink()), 1);
    });
    ExpectNoHostRefs(host);
    EXPECT_EQ(host.unexpectedCalls(), Held{});
}

namespace {

// A host object whose parent-source interface is a separate vtable (a tear-off): the member is
// only where QueryInterface for the interface id points. The object's own IDispatch has the slot
// too, but answering there is a caller's mistake and fails.
class TearOffSource final : public qv::host::IHostFirstMember {
public:
    explicit TearOffSource(IDispatch* link) : link_(link), view_(*this) {}
    int wrongViewCalls = 0;
    LONG refs = 0;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        *ppv = nullptr;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch))
            *ppv = static_cast<IHostFirstMember*>(this);
        else if (IsEqualIID(riid, qv::host::IID_ParentSource))
            *ppv = static_cast<IHostFirstMember*>(&view_);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override { *n = 0; return S_OK; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE get_First(IDispatch** result) override {
        *result = nullptr;
        ++wrongViewCalls;
        return E_UNEXPECTED;
    }

private:
    struct View final : public IHostFirstMember {
        explicit View(TearOffSource& owner) : owner_(owner) {}
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override { return owner_.QueryInterface(riid, ppv); }
        ULONG STDMETHODCALLTYPE AddRef() override { return owner_.AddRef(); }
        ULONG STDMETHODCALLTYPE Release() override { return owner_.Release(); }
        HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override { return owner_.GetTypeInfoCount(n); }
        HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT i, LCID l, ITypeInfo** t) override { return owner_.GetTypeInfo(i, l, t); }
        HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID r, LPOLESTR* n, UINT c, LCID l, DISPID* d) override {
            return owner_.GetIDsOfNames(r, n, c, l, d);
        }
        HRESULT STDMETHODCALLTYPE Invoke(DISPID d, REFIID r, LCID l, WORD f, DISPPARAMS* p, VARIANT* v, EXCEPINFO* e,
                                         UINT* a) override {
            return owner_.Invoke(d, r, l, f, p, v, e, a);
        }
        HRESULT STDMETHODCALLTYPE get_First(IDispatch** result) override {
            *result = owner_.link_;
            owner_.link_->AddRef();
            return S_OK;
        }
        TearOffSource& owner_;
    };
    IDispatch* link_;
    View view_;
};

}  // namespace

TEST(PlugInLifecycle, ParentCallsTheMemberOnTheQueriedInterface) {
    sim::Host host;
    TearOffSource source(host.parentLink());
    RunOnFreshThread([&] {
        ApartmentCleanup cleanup;
        ComPtr<IChild> child = NewPlugIn<IChild>(IID_IChild);
        ASSERT_EQ(child->putref_Parent(&source), S_OK);
        ComPtr<IDispatch> got;
        ASSERT_EQ(child->get_Parent(got.Receive()), S_OK);
        EXPECT_EQ(got.get(), host.parent());
    });
    EXPECT_EQ(source.wrongViewCalls, 0);
    EXPECT_EQ(source.refs, 0);
    ExpectNoHostRefs(host);
}

// Each apartment thread has its own slots. They are given up, not released, when the thread
// ends: by then the objects' modules may be unloaded.
TEST(PlugInLifecycle, PublishedObjectsBelongToTheirThread) {
    sim::Host host;
    RunOnFreshThread([&] {
        ComPtr<IUnknown> plugIn = NewPlugIn<IUnknown>(IID_IUnknown);
        ASSERT_EQ(sim::StartPlugIn(plugIn.get(), host).initializeHr, S_OK);
        RunOnFreshThread([] {
            EXPECT_FALSE(qv::modPublic::gHostApplication);
            EXPECT_FALSE(qv::modResAndEnv::gEnvHost);
        });
        EXPECT_TRUE(qv::modPublic::gHostApplication);
    });
    EXPECT_EQ(host.objectsWithRefs(), (Held{L"parent: 1", L"powerPoint: 1"}));
    EXPECT_EQ(host.overReleased(), Held{});
}

TEST(PlugInLifecycle, NullResultPointersAreRefused) {
    ComPtr<IUnknown> root = NewPlugIn<IUnknown>(IID_IUnknown);
    ComPtr<IPlugIn> plugIn = As<IPlugIn>(root, IID_IPlugIn);
    ComPtr<IChild> child = As<IChild>(root, IID_IChild);
    ComPtr<IOLEObjectHandler> handler = As<IOLEObjectHandler>(root, IID_IOLEObjectHandler);
    qv::Bstr progId(L"Excel.Chart.8");
    BSTR progIdRef = progId.get();
    LONG flags = 512;
    VARIANT_BOOL result;
    VARIANT empty;
    VariantInit(&empty);
    EXPECT_EQ(plugIn->Initialize(nullptr, nullptr, nullptr), E_POINTER);
    EXPECT_EQ(plugIn->OnStartUpComplete(nullptr), E_POINTER);
    EXPECT_EQ(plugIn->get_Name(nullptr), E_POINTER);
    EXPECT_EQ(plugIn->OnRibbonCallback(nullptr, empty, nullptr), E_POINTER);
    EXPECT_EQ(child->get_Parent(nullptr), E_POINTER);
    EXPECT_EQ(handler->HandleObject(nullptr, &flags, &result), E_POINTER);
    EXPECT_EQ(handler->HandleObject(&progIdRef, nullptr, &result), E_POINTER);
    EXPECT_EQ(handler->HandleObject(&progIdRef, &flags, nullptr), E_POINTER);
    EXPECT_EQ(handler->TransactionOnObjectComplete(nullptr, nullptr), E_POINTER);
    EXPECT_EQ(handler->ProcessingOfAllObjectsComplete(nullptr), E_POINTER);
}

// The host's question for every object: an Excel object is one whose ProgID contains "EXCEL"
// in any case; it is taken when bit 512 is set, and logged either way.
TEST(ObjectHandling, ProgIdAndFlagTable) {
    struct Case {
        const wchar_t* progId;
        long flags;
        VARIANT_BOOL taken;
        const wchar_t* logged;   // the line, or null
    } cases[] = {
        {L"Excel.Chart.8", 512, VARIANT_TRUE, L"Converting Excel Chart. BWFlagSet=512"},
        {L"Excel.Chart.8", 0, VARIANT_FALSE, L"Converting Excel Chart. BWFlagSet=0"},
        {L"MSGraph.Chart.8", 512, VARIANT_FALSE, nullptr},
        {L"excel.sheet.12", 512, VARIANT_TRUE, L"Converting Excel Chart. BWFlagSet=512"},
        {L"Excel.Sheet.12", -1, VARIANT_TRUE, L"Converting Excel Chart. BWFlagSet=-1"},
        {L"Excel.Sheet.8", 511, VARIANT_FALSE, L"Converting Excel Chart. BWFlagSet=511"},
        {L"Excel.Sheet.8", 1024, VARIANT_FALSE, L"Converting Excel Chart. BWFlagSet=1024"},
        {L"Excel.Sheet.8", 513, VARIANT_TRUE, L"Converting Excel Chart. BWFlagSet=513"},
        {L"NotExcelReally", 512, VARIANT_TRUE, L"Converting Excel Chart. BWFlagSet=512"},
        {L"Exce.l", 512, VARIANT_FALSE, nullptr},
        {L"", 512, VARIANT_FALSE, nullptr},
        {L"Word.Document.8", -1, VARIANT_FALSE, nullptr},
    };
    sim::LogCapture log;
    std::vector<sim::OfferedObject> objects;
    Lines expectedLog;
    for (const Case& c : cases) {
        objects.push_back({c.progId, c.flags, nullptr});
        if (c.logged) expectedLog.push_back(c.logged);
    }
    sim::PassResult pass;
    RunOnFreshThread([&] { ApartmentCleanup cleanup; pass = sim::RunPass(NewPlugIn<IUnknown>(IID_IUnknown).get(), objects); });
    ASSERT_EQ(pass.queryHr, S_OK);
    ASSERT_EQ(pass.objects.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        const sim::ObjectAnswer& answer = pass.objects[i];
        SCOPED_TRACE(testing::Message() << i << ": " << testing::PrintToString(std::wstring(cases[i].progId)));
        EXPECT_EQ(answer.handleHr, S_OK);
        EXPECT_EQ(answer.handled, cases[i].taken);
        EXPECT_EQ(answer.converted, cases[i].taken == VARIANT_TRUE);
        EXPECT_EQ(answer.convertHr, S_OK);
        EXPECT_FALSE(answer.byRefWritten);
        // Nothing to close: False, and no error.
        EXPECT_EQ(answer.transactionHr, S_OK);
        EXPECT_EQ(answer.transactionResult, VARIANT_FALSE);
    }
    EXPECT_EQ(pass.allCompleteHr, S_OK);
    EXPECT_EQ(pass.allComplete, VARIANT_TRUE);
    EXPECT_EQ(pass.terminateHr, S_OK);
    // A conversion of Nothing does nothing at all, ReorderSheets included.
    EXPECT_EQ(log.Lines(), expectedLog);
}

TEST(ObjectHandling, AllObjectsCompleteAnswersTrueAtAnyTime) {
    ComPtr<IOLEObjectHandler> handler = NewPlugIn<IOLEObjectHandler>(IID_IOLEObjectHandler);
    VARIANT_BOOL done = VARIANT_FALSE;
    EXPECT_EQ(handler->ProcessingOfAllObjectsComplete(&done), S_OK);
    EXPECT_EQ(done, VARIANT_TRUE);
}
