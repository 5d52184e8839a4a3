// The embedded type library, the _IID_ records and the version resource, read back with the
// system's own calls.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <cstring>
#include <vector>

#include "plugin/ClassIds.h"
#include "com/ComSupport.h"
#include "ServerTestSupport.h"

using qv::Bstr;
using qv::ComPtr;
using namespace servertest;

namespace {

const GUID kLibQvkrnl1{0x0E14B926, 0x8DC9, 0x11D5, {0xAD, 0x68, 0x8E, 0xAA, 0x22, 0xBF, 0x7E, 0x06}};
const GUID kLibStdole{0x00020430, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

class TypeAttr {
public:
    explicit TypeAttr(ITypeInfo* info) : info_(info) { EXPECT_EQ(info->GetTypeAttr(&attr_), S_OK); }
    ~TypeAttr() { if (attr_) info_->ReleaseTypeAttr(attr_); }
    const TYPEATTR* operator->() const { return attr_; }

private:
    ITypeInfo* info_;
    TYPEATTR* attr_ = nullptr;
};

std::wstring NameOf(ITypeInfo* info) {
    Bstr name;
    EXPECT_EQ(info->GetDocumentation(MEMBERID_NIL, name.Receive(), nullptr, nullptr, nullptr), S_OK);
    return name.str();
}

// The type a coclass's k-th entry or an interface's base refers to, and the library holding it.
ComPtr<ITypeInfo> ImplType(ITypeInfo* info, UINT k, TLIBATTR* libOut) {
    HREFTYPE ref = 0;
    ComPtr<ITypeInfo> target;
    EXPECT_EQ(info->GetRefTypeOfImplType(k, &ref), S_OK);
    EXPECT_EQ(info->GetRefTypeInfo(ref, target.Receive()), S_OK);
    if (!target) return target;
    ComPtr<ITypeLib> lib;
    UINT index = 0;
    EXPECT_EQ(target->GetContainingTypeLib(lib.Receive(), &index), S_OK);
    TLIBATTR* attr = nullptr;
    EXPECT_EQ(lib->GetLibAttr(&attr), S_OK);
    *libOut = *attr;
    lib->ReleaseTLibAttr(attr);
    return target;
}

class EmbeddedTypeLibrary : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // The host registers its qvkrnl1.tlb; here the build's stand-in of it is.
        ComPtr<ITypeLib> host;
        ASSERT_EQ(LoadTypeLibEx(GenPath(L"qvkrnl1.tlb").c_str(), REGKIND_REGISTER, host.Receive()), S_OK);
    }
    void SetUp() override { ASSERT_EQ(LoadTypeLibEx(DllPath().c_str(), REGKIND_NONE, lib_.Receive()), S_OK); }

    ComPtr<ITypeInfo> Type(UINT index) {
        ComPtr<ITypeInfo> info;
        EXPECT_EQ(lib_->GetTypeInfo(index, info.Receive()), S_OK);
        return info;
    }

    ComPtr<ITypeLib> lib_;
};

}  // namespace

TEST_F(EmbeddedTypeLibrary, LibraryIdentity) {
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(lib_->GetLibAttr(&attr), S_OK);
    EXPECT_TRUE(IsEqualGUID(attr->guid, qv::ids::LIBID_QVCHBW01));
    EXPECT_EQ(attr->lcid, 0u);
    EXPECT_EQ(attr->syskind, qv::ids::kTypeLibPlatform);
    EXPECT_EQ(attr->wMajorVerNum, 1);
    EXPECT_EQ(attr->wMinorVerNum, 0);
    lib_->ReleaseTLibAttr(attr);
    Bstr name, doc, helpFile;
    ASSERT_EQ(lib_->GetDocumentation(-1, name.Receive(), doc.Receive(), nullptr, helpFile.Receive()), S_OK);
    EXPECT_EQ(name.str(), L"QVCHBW01");
    EXPECT_EQ(doc.str(), L"Veltrane Quillon Charthandler (X) PlugIn for PowerPoint");
    EXPECT_EQ(helpFile.length(), 0u);
}

TEST_F(EmbeddedTypeLibrary, TypesInOrderWithTheirAttributes) {
    const WORD interfaceFlags = TYPEFLAG_FHIDDEN | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDUAL | TYPEFLAG_FDISPATCHABLE;
    const struct {
        const wchar_t* name;
        const GUID& guid;
        TYPEKIND kind;
        WORD flags;
    } types[] = {
        {L"_ExcelChartHandler", qv::ids::IID__ExcelChartHandler, TKIND_DISPATCH, interfaceFlags},
        {L"ExcelChartHandler", qv::ids::CLSID_ExcelChartHandler, TKIND_COCLASS, TYPEFLAG_FCANCREATE},
        {L"_ChartHandler", qv::ids::IID__ChartHandler, TKIND_DISPATCH, interfaceFlags},
        {L"ChartHandler", qv::ids::CLSID_ChartHandler, TKIND_COCLASS, TYPEFLAG_FCANCREATE},
        {L"_GraphChartHandler", qv::ids::IID__GraphChartHandler, TKIND_DISPATCH, interfaceFlags},
        {L"GraphChartHandler", qv::ids::CLSID_GraphChartHandler, TKIND_COCLASS, TYPEFLAG_FCANCREATE},
    };
    ASSERT_EQ(lib_->GetTypeInfoCount(), 6u);
    for (UINT i = 0; i < 6; ++i) {
        SCOPED_TRACE(testing::Message() << types[i].name);
        ComPtr<ITypeInfo> info = Type(i);
        TypeAttr attr(info.get());
        EXPECT_EQ(NameOf(info.get()), types[i].name);
        EXPECT_TRUE(IsEqualGUID(attr->guid, types[i].guid));
        EXPECT_EQ(attr->typekind, types[i].kind);
        EXPECT_EQ(attr->wTypeFlags, types[i].flags);
        EXPECT_EQ(attr->wMajorVerNum, 1);
        EXPECT_EQ(attr->wMinorVerNum, 0);
        if (attr->typekind != TKIND_DISPATCH) continue;
        // The vtable part: derived from stdole2's IDispatch and marked oleautomation.
        HREFTYPE ref = 0;
        ComPtr<ITypeInfo> vtable;
        ASSERT_EQ(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref), S_OK);
        ASSERT_EQ(info->GetRefTypeInfo(ref, vtable.Receive()), S_OK);
        TypeAttr vattr(vtable.get());
        EXPECT_EQ(vattr->typekind, TKIND_INTERFACE);
        EXPECT_EQ(vattr->wTypeFlags, interfaceFlags | TYPEFLAG_FOLEAUTOMATION);
        // Seven slots of IUnknown and IDispatch (and _ChartHandler's method), a pointer each.
        EXPECT_EQ(vattr->cbSizeVft, static_cast<WORD>((i == 2 ? 8 : 7) * sizeof(void*)));
        TLIBATTR base{};
        ComPtr<ITypeInfo> dispatch = ImplType(vtable.get(), 0, &base);
        ASSERT_TRUE(dispatch);
        EXPECT_EQ(NameOf(dispatch.get()), L"IDispatch");
        EXPECT_TRUE(IsEqualGUID(base.guid, kLibStdole));
        EXPECT_EQ(base.wMajorVerNum, 2);
    }
}

TEST_F(EmbeddedTypeLibrary, CoclassesListTheirDefaultInterfaceFirst) {
    const struct {
        UINT index;
        std::vector<const wchar_t*> interfaces;
        std::vector<const GUID*> libraries;
    } classes[] = {
        {1, {L"_ExcelChartHandler", L"IPlugIn", L"IChild", L"IOLEObjectHandler"},
         {&qv::ids::LIBID_QVCHBW01, &kLibQvkrnl1, &kLibQvkrnl1, &kLibQvkrnl1}},
        {3, {L"_ChartHandler"}, {&qv::ids::LIBID_QVCHBW01}},
        {5, {L"_GraphChartHandler"}, {&qv::ids::LIBID_QVCHBW01}},
    };
    for (const auto& c : classes) {
        ComPtr<ITypeInfo> coclass = Type(c.index);
        SCOPED_TRACE(testing::Message() << NameOf(coclass.get()));
        ASSERT_EQ(TypeAttr(coclass.get())->cImplTypes, c.interfaces.size());
        for (UINT k = 0; k < c.interfaces.size(); ++k) {
            INT flags = -1;
            ASSERT_EQ(coclass->GetImplTypeFlags(k, &flags), S_OK);
            EXPECT_EQ(flags, k == 0 ? IMPLTYPEFLAG_FDEFAULT : 0) << k;  // no event source
            TLIBATTR lib{};
            ComPtr<ITypeInfo> iface = ImplType(coclass.get(), k, &lib);
            ASSERT_TRUE(iface);
            EXPECT_EQ(NameOf(iface.get()), c.interfaces[k]);
            EXPECT_TRUE(IsEqualGUID(lib.guid, *c.libraries[k])) << k;
            EXPECT_EQ(lib.wMajorVerNum, 1);
            EXPECT_EQ(lib.wMinorVerNum, 0);
        }
    }
}

TEST_F(EmbeddedTypeLibrary, ChartHandlerMemberInTheFirstSlotAfterIDispatch) {
    ComPtr<ITypeInfo> dispatch = Type(2), vtable;
    HREFTYPE ref = 0;
    ASSERT_EQ(dispatch->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref), S_OK);
    ASSERT_EQ(dispatch->GetRefTypeInfo(ref, vtable.Receive()), S_OK);
    ASSERT_EQ(TypeAttr(vtable.get())->cFuncs, 1);
    FUNCDESC* f = nullptr;
    ASSERT_EQ(vtable->GetFuncDesc(0, &f), S_OK);
    EXPECT_EQ(f->memid, 0x60030000);
    EXPECT_EQ(f->funckind, FUNC_PUREVIRTUAL);
    EXPECT_EQ(f->invkind, INVOKE_FUNC);
    EXPECT_EQ(f->callconv, CC_STDCALL);
    EXPECT_EQ(f->oVft, static_cast<SHORT>(7 * sizeof(void*)));
    EXPECT_EQ(f->elemdescFunc.tdesc.vt, VT_HRESULT);
    ASSERT_EQ(f->cParams, 1);
    EXPECT_EQ(f->lprgelemdescParam[0].tdesc.vt, VT_DISPATCH);
    EXPECT_EQ(f->lprgelemdescParam[0].paramdesc.wParamFlags, PARAMFLAG_FIN);
    vtable->ReleaseFuncDesc(f);
    BSTR names[3] = {};
    UINT count = 0;
    ASSERT_EQ(vtable->GetNames(0x60030000, names, 3, &count), S_OK);
    ASSERT_EQ(count, 2u);
    EXPECT_STREQ(names[0], L"OLEObjectHandler_BWPrintNoConfig");
    EXPECT_STREQ(names[1], L"Object");
    for (BSTR b : names) SysFreeString(b);
    for (UINT i : {0u, 4u}) EXPECT_EQ(TypeAttr(Type(i).get())->cFuncs, 7) << "IDispatch's seven only";
}

TEST(Resources, InterfaceRecordsHoldLengthAndIid) {
    ServerDll dll(DllPath());
    ASSERT_TRUE(dll.module);
    const struct {
        const wchar_t* type;
        const IID& iid;
    } records[] = {
        {L"_IID_CHARTHANDLER", qv::ids::IID__ChartHandler},
        {L"_IID_EXCELCHARTHANDLER", qv::ids::IID__ExcelChartHandler},
        {L"_IID_GRAPHCHARTHANDLER", qv::ids::IID__GraphChartHandler},
    };
    const WORD neutral = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
    for (const auto& r : records) {
        HRSRC found = FindResourceExW(dll.module, r.type, MAKEINTRESOURCEW(1), neutral);
        ASSERT_TRUE(found) << r.type;
        ASSERT_EQ(SizeofResource(dll.module, found), 20u) << r.type;
        const auto* bytes = static_cast<const unsigned char*>(LockResource(LoadResource(dll.module, found)));
        const unsigned char length[4] = {16, 0, 0, 0};
        EXPECT_EQ(std::memcmp(bytes, length, 4), 0) << r.type;
        EXPECT_EQ(std::memcmp(bytes + 4, &r.iid, 16), 0) << r.type;
    }
    EXPECT_TRUE(FindResourceExW(dll.module, L"TYPELIB", MAKEINTRESOURCEW(1), neutral));
    EXPECT_TRUE(FindResourceExW(dll.module, MAKEINTRESOURCEW(16), MAKEINTRESOURCEW(1), MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN)));
}

TEST(Resources, VersionInformation) {
    const std::wstring path = DllPath();
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT len = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &len));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(310, 9));
    EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(1, 0));
    EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(310, 9));
    EXPECT_EQ(fixed->dwProductVersionLS, MAKELONG(1, 0));
    EXPECT_EQ(fixed->dwFileFlagsMask, 0u);
    EXPECT_EQ(fixed->dwFileFlags, 0u);
    EXPECT_EQ(fixed->dwFileOS, 4u);
    EXPECT_EQ(fixed->dwFileType, 2u);
    EXPECT_EQ(fixed->dwFileSubtype, 0u);

    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &len));
    ASSERT_EQ(len, 4u);
    EXPECT_EQ(translation[0], 0x0407);
    EXPECT_EQ(translation[1], 1200);

    const struct {
        const wchar_t* name;
        const wchar_t* value;
    } strings[] = {
        {L"Comments", L"Compatibility layer for Microsoft Excel 8.0"},
        {L"CompanyName", L"Veltrane"},
        {L"ProductName", L"QVCHBW01"},
        {L"FileVersion", L"9.310.0001"},
        {L"ProductVersion", L"9.310.0001"},
        {L"InternalName", L"QVCHBW01"},
        {L"OriginalFilename", L"QVCHBW01.dll"},
        {L"OLESelfRegister", L""},
    };
    for (const auto& s : strings) {
        const std::wstring query = std::wstring(L"\\StringFileInfo\\040704B0\\") + s.name;
        wchar_t* value = nullptr;
        ASSERT_TRUE(VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &len)) << s.name;
        EXPECT_EQ(std::wstring(value, wcsnlen(value, len)), s.value) << s.name;
    }
}
