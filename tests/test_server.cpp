// The COM server end to end: registration by Wine's regsvr32 (the ctest fixture
// server_registered), activation by ProgID, the class factories, QueryInterface, IDispatch from
// the embedded type library, and the unload contract.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <ocidl.h>
#include <oleauto.h>

#include "QVCHBW01.h"
#include "plugin/ClassIds.h"
#include "com/ComSupport.h"
#include "plugin/HostInterfaces.h"
#include "server/ServerTestSupport.h"

using qv::Bstr;
using qv::ComPtr;
using namespace servertest;

namespace {

class ComEnvironment : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)); }
    void TearDown() override { CoUninitialize(); }
};
const auto* const kCom = ::testing::AddGlobalTestEnvironment(new ComEnvironment);

struct ClassCase {
    const wchar_t* progId;
    const CLSID& clsid;
    const IID& defaultIid;
    bool host;  // implements the host's interfaces
};
const ClassCase kClasses[] = {
    {L"QVCHBW01.ExcelChartHandler", qv::ids::CLSID_ExcelChartHandler, qv::ids::IID__ExcelChartHandler, true},
    {L"QVCHBW01.ChartHandler", qv::ids::CLSID_ChartHandler, qv::ids::IID__ChartHandler, false},
    {L"QVCHBW01.GraphChartHandler", qv::ids::CLSID_GraphChartHandler, qv::ids::IID__GraphChartHandler, false},
};

// Creates the class through COM's activation by its ProgID.
HRESULT CreateByProgId(const ClassCase& c, ComPtr<IUnknown>& out) {
    CLSID clsid{};
    HRESULT hr = CLSIDFromProgID(c.progId, &clsid);
    if (FAILED(hr)) return hr;
    EXPECT_TRUE(IsEqualCLSID(clsid, c.clsid)) << c.progId;
    return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, out.ReceiveVoid());
}

void ExpectRegistered(const ClassCase& c) {
    const std::wstring clsid = GuidString(c.clsid), clsidKey = L"CLSID\\" + clsid;
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, std::wstring(c.progId) + L"\\CLSID"), clsid) << c.progId;
    const std::optional<std::wstring> path = ReadString(HKEY_CLASSES_ROOT, clsidKey + L"\\InprocServer32");
    ASSERT_TRUE(path) << c.progId;
    EXPECT_EQ(CompareStringOrdinal(path->c_str(), -1, DllPath().c_str(), -1, TRUE), CSTR_EQUAL) << *path;
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, clsidKey + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, clsidKey + L"\\ProgID"), c.progId);
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, clsidKey + L"\\TypeLib"), GuidString(qv::ids::LIBID_QVCHBW01));
    // The type library's registration makes the default interface a dual one marshalled by
    // the OLE Automation marshaller.
    const std::wstring iface = L"Interface\\" + GuidString(c.defaultIid);
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, iface + L"\\ProxyStubClsid32"), L"{00020424-0000-0000-C000-000000000046}");
}

std::map<std::wstring, std::wstring> RegistrationState() {
    std::map<std::wstring, std::wstring> all;
    const std::wstring lib = L"TypeLib\\" + GuidString(qv::ids::LIBID_QVCHBW01);
    for (const ClassCase& c : kClasses) {
        all.merge(Snapshot(HKEY_CLASSES_ROOT, c.progId));
        all.merge(Snapshot(HKEY_CLASSES_ROOT, L"CLSID\\" + GuidString(c.clsid)));
        all.merge(Snapshot(HKEY_CLASSES_ROOT, L"Interface\\" + GuidString(c.defaultIid)));
    }
    all.merge(Snapshot(HKEY_CLASSES_ROOT, lib));
    return all;
}

bool AnyRegistrationLeft() {
    for (const ClassCase& c : kClasses) {
        if (KeyExists(HKEY_CLASSES_ROOT, c.progId)) return true;
        if (KeyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + GuidString(c.clsid))) return true;
        if (KeyExists(HKEY_CLASSES_ROOT, L"Interface\\" + GuidString(c.defaultIid))) return true;
    }
    return KeyExists(HKEY_CLASSES_ROOT, L"TypeLib\\" + GuidString(qv::ids::LIBID_QVCHBW01));
}

}  // namespace

TEST(Registration, Regsvr32WroteEveryClassAndTheTypeLibrary) {
    for (const ClassCase& c : kClasses) ExpectRegistered(c);
    const std::wstring lib = L"TypeLib\\" + GuidString(qv::ids::LIBID_QVCHBW01) + L"\\1.0";
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, lib), L"Veltrane Quillon Charthandler (X) PlugIn for PowerPoint");
    const std::optional<std::wstring> path = ReadString(HKEY_CLASSES_ROOT, lib + L"\\0\\" + qv::ids::kTypeLibPlatformKey);
    ASSERT_TRUE(path);
    EXPECT_EQ(CompareStringOrdinal(path->c_str(), -1, DllPath().c_str(), -1, TRUE), CSTR_EQUAL) << *path;
}

TEST(Registration, TwiceLeavesTheSameEntriesAndUnregisterRemovesThem) {
    ServerDll dll(DllPath());
    ASSERT_TRUE(dll.registerServer && dll.unregisterServer);
    const auto before = RegistrationState();
    ASSERT_EQ(dll.registerServer(), S_OK);
    EXPECT_EQ(RegistrationState(), before);

    ASSERT_EQ(dll.unregisterServer(), S_OK);
    EXPECT_FALSE(AnyRegistrationLeft());
    for (const ClassCase& c : kClasses) {
        CLSID clsid{};
        EXPECT_HRESULT_FAILED(CLSIDFromProgID(c.progId, &clsid)) << c.progId;
    }
    EXPECT_EQ(dll.unregisterServer(), S_OK) << "unregistering what is not there";

    ASSERT_EQ(dll.registerServer(), S_OK);
    EXPECT_EQ(RegistrationState(), before);
}

// A copy of the DLL whose type library is damaged fails at the last step of the registration; the
// class keys written before must be gone again. HKEY_CLASSES_ROOT is redirected to a scratch key
// so that the real registration stays as it is.
TEST(Registration, AFailedStepRollsBackWhatWasWritten) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring copy = std::wstring(temp) + L"QVCHBW01_badtypelib.dll";
    ASSERT_TRUE(CopyFileW(DllPath().c_str(), copy.c_str(), FALSE));
    HANDLE update = BeginUpdateResourceW(copy.c_str(), FALSE);
    ASSERT_TRUE(update);
    char garbage[] = "not a type library";
    ASSERT_TRUE(UpdateResourceW(update, L"TYPELIB", MAKEINTRESOURCEW(1), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                                garbage, sizeof garbage));
    ASSERT_TRUE(EndUpdateResourceW(update, FALSE));

    const wchar_t* scratch = L"Software\\QVCHBW01Test\\Classes";
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\QVCHBW01Test");
    HKEY root = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, scratch, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root, nullptr), ERROR_SUCCESS);
    ASSERT_EQ(RegOverridePredefKey(HKEY_CLASSES_ROOT, root), ERROR_SUCCESS);
    HRESULT hr = S_OK;
    {
        ServerDll dll(copy);
        ASSERT_TRUE(dll.registerServer);
        hr = dll.registerServer();
    }
    RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    const auto left = Snapshot(root, L"");
    RegCloseKey(root);
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\QVCHBW01Test");
    DeleteFileW(copy.c_str());

    EXPECT_HRESULT_FAILED(hr);
    for (const auto& [name, value] : left) {
        for (const ClassCase& c : kClasses) {
            EXPECT_EQ(name.find(c.progId), std::wstring::npos) << "left behind: " << name;
            EXPECT_EQ(name.find(GuidString(c.clsid)), std::wstring::npos) << "left behind: " << name;
        }
    }
    for (const ClassCase& c : kClasses) ExpectRegistered(c);  // the real registration is untouched
}

TEST(Activation, EachClassByProgIdAnswersItsInterfaces) {
    for (const ClassCase& c : kClasses) {
        SCOPED_TRACE(testing::Message() << c.progId);
        ComPtr<IUnknown> object;
        ASSERT_EQ(CreateByProgId(c, object), S_OK);
        const struct {
            const IID& iid;
            bool expected;
        } queries[] = {
            {IID_IUnknown, true},        {IID_IDispatch, true},          {c.defaultIid, true},
            {IID_IPlugIn, c.host},       {IID_IChild, c.host},           {IID_IOLEObjectHandler, c.host},
            {qv::ids::IID__ChartHandler, IsEqualIID(c.defaultIid, qv::ids::IID__ChartHandler) != 0},
            {IID_IClassFactory, false},  {IID_IConnectionPointContainer, false},
        };
        for (const auto& q : queries) {
            ComPtr<IUnknown> iface;
            const HRESULT hr = object->QueryInterface(q.iid, iface.ReceiveVoid());
            EXPECT_EQ(hr, q.expected ? S_OK : E_NOINTERFACE) << GuidString(q.iid);
            if (!q.expected) {
                EXPECT_FALSE(iface);
                continue;
            }
            // COM identity: every interface leads back to the same IUnknown.
            ComPtr<IUnknown> identity;
            ASSERT_EQ(iface->QueryInterface(IID_IUnknown, identity.ReceiveVoid()), S_OK);
            EXPECT_EQ(identity.get(), object.get());
        }
        ComPtr<IUnknown> second;
        ASSERT_EQ(CreateByProgId(c, second), S_OK);
        EXPECT_NE(second.get(), object.get()) << "a new object for every request";
    }
}

TEST(Dispatch, ChartHandlerNamesItsMemberFromTheTypeLibrary) {
    ComPtr<IUnknown> object;
    ASSERT_EQ(CreateByProgId(kClasses[1], object), S_OK);
    ComPtr<IDispatch> disp;
    ASSERT_EQ(object->QueryInterface(IID_IDispatch, disp.ReceiveVoid()), S_OK);

    const struct {
        const wchar_t* name;
        HRESULT hr;
        DISPID id;
    } names[] = {
        {L"OLEObjectHandler_BWPrintNoConfig", S_OK, 0x60030000},
        {L"oleobjecthandler_bwprintnoconfig", S_OK, 0x60030000},
        {L"BWPrintNoConfig", DISP_E_UNKNOWNNAME, DISPID_UNKNOWN},
        {L"QueryInterface", DISP_E_UNKNOWNNAME, DISPID_UNKNOWN},
        {L"Invoke", DISP_E_UNKNOWNNAME, DISPID_UNKNOWN},
    };
    for (const auto& n : names) {
        LPOLESTR name = const_cast<LPOLESTR>(n.name);
        DISPID id = 12345;
        EXPECT_EQ(disp->GetIDsOfNames(IID_NULL, &name, 1, 1033, &id), n.hr) << n.name;
        EXPECT_EQ(id, n.id) << n.name;
    }
    LPOLESTR withParam[] = {const_cast<LPOLESTR>(L"OLEObjectHandler_BWPrintNoConfig"), const_cast<LPOLESTR>(L"Object")};
    DISPID ids[2] = {};
    ASSERT_EQ(disp->GetIDsOfNames(IID_NULL, withParam, 2, 1033, ids), S_OK);
    EXPECT_EQ(ids[0], qv::ids::DISPID_BWPrintNoConfig);
    EXPECT_EQ(ids[1], 0);

    UINT count = 0;
    ASSERT_EQ(disp->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(disp->GetTypeInfo(0, 1033, info.Receive()), S_OK);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
    EXPECT_TRUE(IsEqualGUID(attr->guid, qv::ids::IID__ChartHandler));
    info->ReleaseTypeAttr(attr);
    ComPtr<ITypeInfo> none;
    EXPECT_EQ(disp->GetTypeInfo(1, 1033, none.Receive()), DISP_E_BADINDEX);
}

TEST(Dispatch, ChartHandlerConvertsThroughInvokeAndThroughItsVtable) {
    ComPtr<IUnknown> object;
    ASSERT_EQ(CreateByProgId(kClasses[1], object), S_OK);
    ComPtr<IDispatch> disp;
    ASSERT_EQ(object->QueryInterface(IID_IDispatch, disp.ReceiveVoid()), S_OK);

    // Late bound, with Nothing: the conversion skips what it cannot do and reports success.
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_DISPATCH;
    arg.pdispVal = nullptr;
    DISPPARAMS params{&arg, nullptr, 1, 0};
    EXPECT_EQ(disp->Invoke(qv::ids::DISPID_BWPrintNoConfig, IID_NULL, 1033, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr), S_OK);
    // A missing argument and a wrong interface id are the dispatch layer's errors.
    DISPPARAMS empty{nullptr, nullptr, 0, 0};
    EXPECT_EQ(disp->Invoke(qv::ids::DISPID_BWPrintNoConfig, IID_NULL, 1033, DISPATCH_METHOD, &empty, nullptr, nullptr, nullptr),
              DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(disp->Invoke(qv::ids::DISPID_BWPrintNoConfig, IID_IUnknown, 1033, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
              DISP_E_UNKNOWNINTERFACE);
    EXPECT_EQ(disp->Invoke(0x60030001, IID_NULL, 1033, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr), DISP_E_MEMBERNOTFOUND);

    ComPtr<_ChartHandler> early;
    ASSERT_EQ(object->QueryInterface(qv::ids::IID__ChartHandler, early.ReceiveVoid()), S_OK);
    EXPECT_EQ(early->OLEObjectHandler_BWPrintNoConfig(nullptr), S_OK);
}

// Neither default interface without members (_GraphChartHandler, _ExcelChartHandler) names
// anything, not even the methods every interface inherits.
TEST(Dispatch, MemberlessDefaultInterfacesKnowNoNames) {
    for (const ClassCase* c : {&kClasses[2], &kClasses[0]}) {
        ComPtr<IUnknown> object;
        ASSERT_EQ(CreateByProgId(*c, object), S_OK) << c->progId;
        ComPtr<IDispatch> disp;
        ASSERT_EQ(object->QueryInterface(IID_IDispatch, disp.ReceiveVoid()), S_OK);
        for (const wchar_t* n : {L"OLEObjectHandler_BWPrintNoConfig", L"Name", L"QueryInterface", L"GetTypeInfo", L"x"}) {
            LPOLESTR name = const_cast<LPOLESTR>(n);
            DISPID id = 0;
            EXPECT_EQ(disp->GetIDsOfNames(IID_NULL, &name, 1, 1033, &id), DISP_E_UNKNOWNNAME) << c->progId << n;
            EXPECT_EQ(id, DISPID_UNKNOWN) << n;
        }
        DISPPARAMS empty{nullptr, nullptr, 0, 0};
        for (DISPID member : {qv::ids::DISPID_BWPrintNoConfig, DISPID(1), DISPID(0x60000000)})
            EXPECT_EQ(disp->Invoke(member, IID_NULL, 1033, DISPATCH_METHOD, &empty, nullptr, nullptr, nullptr),
                      DISP_E_MEMBERNOTFOUND) << c->progId;
    }
}

TEST(ClassFactory, RefusesUnknownClassesAndAggregation) {
    ServerDll dll(DllPath());
    ASSERT_TRUE(dll.getClassObject);
    const CLSID unknown{0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
    for (const CLSID* clsid : {&unknown, &qv::ids::LIBID_QVCHBW01, &qv::ids::IID__ChartHandler}) {
        void* p = reinterpret_cast<void*>(1);
        EXPECT_EQ(dll.getClassObject(*clsid, IID_IClassFactory, &p), CLASS_E_CLASSNOTAVAILABLE);
        EXPECT_EQ(p, nullptr);
    }
    for (const ClassCase& c : kClasses) {
        ComPtr<IClassFactory> factory;
        ASSERT_EQ(dll.getClassObject(c.clsid, IID_IClassFactory, factory.ReceiveVoid()), S_OK) << c.progId;
        ComPtr<IUnknown> outer, inner;
        ASSERT_EQ(CreateByProgId(kClasses[2], outer), S_OK);
        void* p = reinterpret_cast<void*>(1);
        EXPECT_EQ(factory->CreateInstance(outer.get(), IID_IUnknown, &p), CLASS_E_NOAGGREGATION) << c.progId;
        EXPECT_EQ(p, nullptr);
        ComPtr<IDispatch> notAFactory;
        EXPECT_EQ(dll.getClassObject(c.clsid, IID_IDispatch, notAFactory.ReceiveVoid()), E_NOINTERFACE);
    }
}

TEST(ClassFactory, CanUnloadOnlyWhenNoObjectAndNoLockLives) {
    ServerDll dll(DllPath());
    ASSERT_TRUE(dll.getClassObject && dll.canUnloadNow);
    ASSERT_EQ(dll.canUnloadNow(), S_OK) << "an earlier test left an object alive";
    for (const ClassCase& c : kClasses) {
        SCOPED_TRACE(testing::Message() << c.progId);
        ComPtr<IClassFactory> factory;
        ASSERT_EQ(dll.getClassObject(c.clsid, IID_IClassFactory, factory.ReceiveVoid()), S_OK);
        EXPECT_EQ(dll.canUnloadNow(), S_OK) << "a factory reference alone does not count";

        ASSERT_EQ(factory->LockServer(TRUE), S_OK);
        EXPECT_EQ(dll.canUnloadNow(), S_FALSE);
        ASSERT_EQ(factory->LockServer(FALSE), S_OK);
        EXPECT_EQ(dll.canUnloadNow(), S_OK);
        EXPECT_EQ(factory->LockServer(FALSE), E_UNEXPECTED) << "no lock to give back";

        ComPtr<IUnknown> object;
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, object.ReceiveVoid()), S_OK);
        ComPtr<IDispatch> second;
        ASSERT_EQ(object->QueryInterface(IID_IDispatch, second.ReceiveVoid()), S_OK);
        EXPECT_EQ(dll.canUnloadNow(), S_FALSE);
        object.reset();
        EXPECT_EQ(dll.canUnloadNow(), S_FALSE) << "one interface is still held";
        EXPECT_EQ(factory->LockServer(FALSE), E_UNEXPECTED);
        EXPECT_EQ(dll.canUnloadNow(), S_FALSE) << "a stray unlock cancelled a live object";
        second.reset();
        EXPECT_EQ(dll.canUnloadNow(), S_OK);
    }
}
