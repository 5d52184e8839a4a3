// mktypelib SOURCE.tlb OUTPUT.tlb IIDDIR IMPORT.tlb...
//
// widl cannot make a coclass list an interface that lives in an imported type library: with
// importlib alone it stops with "referenced but not defined", and with an import of the IDL it
// copies the interface into our library. This program takes the library widl wrote and writes it
// again with the system's own ICreateTypeLib2, type by type and in the same order, leaving out
// every type whose GUID one of the IMPORT libraries defines and making each reference to such a
// type a reference into that library. Everything else (names, GUIDs, versions, flags, help
// strings, functions, parameters, dispatch identifiers) is copied as it stands.
//
// For every coclass it also writes IIDDIR/_IID_<CLASS>.bin: a 32-bit little-endian length (16)
// and the IID of the coclass's default interface, the bytes of the "_IID_..." resources.
//
// Paths are Windows paths or relative ones (run it from the folder that holds the files), since
// it runs under Wine at build time.
#include <windows.h>
#include <oleauto.h>

#include <cstdio>
#include <cwctype>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

template <class T>
struct Releaser {
    void operator()(T* p) const { if (p) p->Release(); }
};
template <class T>
using Ref = std::unique_ptr<T, Releaser<T>>;

struct Failure {
    HRESULT hr;
    std::string what;
};

void Check(HRESULT hr, const std::string& what) {
    if (FAILED(hr)) throw Failure{hr, what};
}

std::string Narrow(const std::wstring& s) {
    std::string r;
    for (wchar_t c : s) r += c < 128 ? static_cast<char>(c) : '?';
    return r;
}

struct BstrHolder {
    BSTR b = nullptr;
    ~BstrHolder() { SysFreeString(b); }
    std::wstring str() const { return b ? std::wstring(b, SysStringLen(b)) : std::wstring(); }
};

// The type attributes of a type info, released with it.
class TypeAttr {
public:
    explicit TypeAttr(ITypeInfo* ti) : ti_(ti) { Check(ti->GetTypeAttr(&attr_), "GetTypeAttr"); }
    ~TypeAttr() { ti_->ReleaseTypeAttr(attr_); }
    const TYPEATTR* operator->() const { return attr_; }

private:
    ITypeInfo* ti_;
    TYPEATTR* attr_ = nullptr;
};

class Relinker {
public:
    Relinker(ITypeLib* source, std::vector<Ref<ITypeLib>> imports)
        : source_(source), imports_(std::move(imports)) {}

    void Write(const wchar_t* output) {
        // The platform is the source's: widl writes SYS_WIN32 for the 32-bit tool chain and
        // SYS_WIN64 for the 64-bit one, and the layout of every vtable follows from it.
        ICreateTypeLib2* raw = nullptr;
        Check(CreateTypeLib2(SourceSysKind(), output, &raw), "CreateTypeLib2");
        target_.reset(raw);
        CopyLibraryAttributes();
        const UINT count = source_->GetTypeInfoCount();
        for (UINT i = 0; i < count; ++i) CreateType(i);
        for (auto& entry : created_) FillType(entry.source.get(), entry.target.get());
        for (auto& entry : created_) Check(entry.target->LayOut(), "LayOut " + entry.name);
        Check(target_->SaveAllChanges(), "SaveAllChanges");
    }

    // (class name, default interface IID) of every coclass.
    std::vector<std::pair<std::wstring, GUID>> DefaultInterfaces() const {
        std::vector<std::pair<std::wstring, GUID>> result;
        for (const auto& entry : created_) {
            TypeAttr attr(entry.source.get());
            if (attr->typekind != TKIND_COCLASS) continue;
            for (UINT i = 0; i < attr->cImplTypes; ++i) {
                INT flags = 0;
                Check(entry.source->GetImplTypeFlags(i, &flags), "GetImplTypeFlags");
                if (!(flags & IMPLTYPEFLAG_FDEFAULT) || (flags & IMPLTYPEFLAG_FSOURCE)) continue;
                Ref<ITypeInfo> ref = RefOfImpl(entry.source.get(), i);
                result.emplace_back(NameOf(entry.source.get()), TypeAttr(ref.get())->guid);
            }
        }
        return result;
    }

private:
    struct Created {
        std::string name;
        Ref<ITypeInfo> source;       // for a dual interface, its vtable part
        Ref<ICreateTypeInfo> target;
    };

    static std::wstring NameOf(ITypeInfo* ti, MEMBERID id = MEMBERID_NIL) {
        BstrHolder name;
        Check(ti->GetDocumentation(id, &name.b, nullptr, nullptr, nullptr), "GetDocumentation");
        return name.str();
    }

    static Ref<ITypeInfo> RefOfImpl(ITypeInfo* ti, UINT index) {
        HREFTYPE href = 0;
        Check(ti->GetRefTypeOfImplType(index, &href), "GetRefTypeOfImplType");
        ITypeInfo* ref = nullptr;
        Check(ti->GetRefTypeInfo(href, &ref), "GetRefTypeInfo");
        return Ref<ITypeInfo>(ref);
    }

    SYSKIND SourceSysKind() const {
        TLIBATTR* attr = nullptr;
        Check(source_->GetLibAttr(&attr), "GetLibAttr");
        const SYSKIND kind = attr->syskind;
        source_->ReleaseTLibAttr(attr);
        return kind;
    }

    void CopyLibraryAttributes() {
        TLIBATTR* attr = nullptr;
        Check(source_->GetLibAttr(&attr), "GetLibAttr");
        const TLIBATTR lib = *attr;
        source_->ReleaseTLibAttr(attr);
        BstrHolder name, doc, helpFile;
        DWORD helpContext = 0;
        Check(source_->GetDocumentation(-1, &name.b, &doc.b, &helpContext, &helpFile.b), "library documentation");
        Check(target_->SetName(name.b), "SetName");
        Check(target_->SetGuid(lib.guid), "SetGuid");
        Check(target_->SetLcid(lib.lcid), "SetLcid");
        Check(target_->SetVersion(lib.wMajorVerNum, lib.wMinorVerNum), "SetVersion");
        Check(target_->SetLibFlags(lib.wLibFlags), "SetLibFlags");
        if (doc.b) Check(target_->SetDocString(doc.b), "SetDocString");
        if (helpFile.b) Check(target_->SetHelpFileName(helpFile.b), "SetHelpFileName");
        Check(target_->SetHelpContext(helpContext), "SetHelpContext");
    }

    // The import library that defines guid, or null.
    ITypeInfo* FindInImports(REFGUID guid, Ref<ITypeInfo>& holder) const {
        for (const auto& lib : imports_) {
            ITypeInfo* ti = nullptr;
            if (SUCCEEDED(lib->GetTypeInfoOfGuid(guid, &ti))) {
                holder.reset(ti);
                return ti;
            }
        }
        return nullptr;
    }

    void CreateType(UINT index) {
        ITypeInfo* raw = nullptr;
        Check(source_->GetTypeInfo(index, &raw), "GetTypeInfo");
        Ref<ITypeInfo> ti(raw);
        TypeAttr attr(ti.get());
        Ref<ITypeInfo> imported;
        if (FindInImports(attr->guid, imported)) return;  // widl's copy of an imported type

        TYPEKIND kind = attr->typekind;
        if (kind == TKIND_DISPATCH && (attr->wTypeFlags & TYPEFLAG_FDUAL)) {
            // Recreated as what the IDL declared: an interface marked dual. Its members are
            // those of the vtable part.
            ti = RefOfImpl(ti.get(), static_cast<UINT>(-1));
            kind = TKIND_INTERFACE;
        }
        const std::wstring name = NameOf(ti.get());
        ICreateTypeInfo* target = nullptr;
        Check(target_->CreateTypeInfo(const_cast<LPOLESTR>(name.c_str()), kind, &target), "CreateTypeInfo");
        Ref<ICreateTypeInfo> created(target);
        TypeAttr vattr(ti.get());
        Check(created->SetGuid(vattr->guid), "SetGuid");
        Check(created->SetVersion(vattr->wMajorVerNum, vattr->wMinorVerNum), "SetVersion");
        BstrHolder doc;
        DWORD helpContext = 0;
        Check(ti->GetDocumentation(MEMBERID_NIL, nullptr, &doc.b, &helpContext, nullptr), "type documentation");
        if (doc.b) Check(created->SetDocString(doc.b), "SetDocString");
        Check(created->SetHelpContext(helpContext), "SetHelpContext");
        ownByGuid_[vattr->guid] = created_.size();
        created_.push_back({Narrow(name), std::move(ti), std::move(created)});
    }

    // Sets the flags after the base interface is known (a dual flag needs IDispatch), then
    // copies implemented interfaces and functions.
    void FillType(ITypeInfo* source, ICreateTypeInfo* target) {
        TypeAttr attr(source);
        for (UINT i = 0; i < attr->cImplTypes; ++i) {
            HREFTYPE srcRef = 0;
            Check(source->GetRefTypeOfImplType(i, &srcRef), "GetRefTypeOfImplType");
            HREFTYPE href = Relink(source, srcRef, target);
            Check(target->AddImplType(i, href), "AddImplType");
            INT flags = 0;
            Check(source->GetImplTypeFlags(i, &flags), "GetImplTypeFlags");
            if (attr->typekind == TKIND_COCLASS) Check(target->SetImplTypeFlags(i, flags), "SetImplTypeFlags");
        }
        Check(target->SetTypeFlags(attr->wTypeFlags), "SetTypeFlags");
        for (UINT i = 0; i < attr->cFuncs; ++i) CopyFunction(source, target, i);
    }

    void CopyFunction(ITypeInfo* source, ICreateTypeInfo* target, UINT index) {
        FUNCDESC* fd = nullptr;
        Check(source->GetFuncDesc(index, &fd), "GetFuncDesc");
        std::unique_ptr<FUNCDESC, std::function<void(FUNCDESC*)>> hold(
            fd, [source](FUNCDESC* p) { source->ReleaseFuncDesc(p); });
        FUNCDESC copy = *fd;
        std::vector<ELEMDESC> params(fd->lprgelemdescParam, fd->lprgelemdescParam + fd->cParams);
        std::vector<std::unique_ptr<TYPEDESC>> storage;
        copy.elemdescFunc.tdesc = RelinkDesc(source, fd->elemdescFunc.tdesc, target, storage);
        for (auto& p : params) p.tdesc = RelinkDesc(source, p.tdesc, target, storage);
        copy.lprgelemdescParam = params.empty() ? nullptr : params.data();
        Check(target->AddFuncDesc(index, &copy), "AddFuncDesc");

        std::vector<BSTR> names(fd->cParams + 1u, nullptr);
        UINT got = 0;
        Check(source->GetNames(fd->memid, names.data(), static_cast<UINT>(names.size()), &got), "GetNames");
        HRESULT hr = target->SetFuncAndParamNames(index, names.data(), got);
        BstrHolder doc;
        DWORD helpContext = 0;
        if (SUCCEEDED(hr)) hr = source->GetDocumentation(fd->memid, nullptr, &doc.b, &helpContext, nullptr);
        for (BSTR b : names) SysFreeString(b);
        Check(hr, "SetFuncAndParamNames");
        if (doc.b) Check(target->SetFuncDocString(index, doc.b), "SetFuncDocString");
        Check(target->SetFuncHelpContext(index, helpContext), "SetFuncHelpContext");
    }

    TYPEDESC RelinkDesc(ITypeInfo* source, const TYPEDESC& desc, ICreateTypeInfo* target,
                        std::vector<std::unique_ptr<TYPEDESC>>& storage) {
        TYPEDESC r = desc;
        if (desc.vt == VT_PTR || desc.vt == VT_SAFEARRAY) {
            storage.push_back(std::make_unique<TYPEDESC>(RelinkDesc(source, *desc.lptdesc, target, storage)));
            r.lptdesc = storage.back().get();
        } else if (desc.vt == VT_USERDEFINED) {
            r.hreftype = Relink(source, desc.hreftype, target);
        } else if (desc.vt == VT_CARRAY) {
            throw Failure{E_NOTIMPL, "fixed-size arrays are not copied"};
        }
        return r;
    }

    // Maps a reference of the source library to one of the target: our own types to their new
    // type infos, widl's copies of imported types to the import library, others as they are.
    HREFTYPE Relink(ITypeInfo* source, HREFTYPE srcRef, ICreateTypeInfo* target) {
        ITypeInfo* raw = nullptr;
        Check(source->GetRefTypeInfo(srcRef, &raw), "GetRefTypeInfo");
        Ref<ITypeInfo> ref(raw);
        ITypeInfo* resolved = ref.get();
        ITypeLib* container = nullptr;
        UINT unused = 0;
        Check(ref->GetContainingTypeLib(&container, &unused), "GetContainingTypeLib");
        Ref<ITypeLib> lib(container);
        Ref<ITypeInfo> holder;
        if (lib.get() == source_) {
            TypeAttr attr(ref.get());
            auto own = ownByGuid_.find(attr->guid);
            if (own != ownByGuid_.end()) {
                Check(created_[own->second].target->QueryInterface(IID_ITypeInfo, reinterpret_cast<void**>(&raw)),
                      "QueryInterface(ITypeInfo)");
                holder.reset(raw);
                resolved = raw;
            } else if (!(resolved = FindInImports(attr->guid, holder))) {
                throw Failure{TYPE_E_ELEMENTNOTFOUND, "unresolved type " + Narrow(NameOf(ref.get()))};
            }
        }
        HREFTYPE href = 0;
        Check(target->AddRefTypeInfo(resolved, &href), "AddRefTypeInfo");
        return href;
    }

    struct GuidLess {
        bool operator()(const GUID& a, const GUID& b) const { return memcmp(&a, &b, sizeof a) < 0; }
    };

    ITypeLib* source_;
    std::vector<Ref<ITypeLib>> imports_;
    Ref<ICreateTypeLib2> target_;
    std::vector<Created> created_;
    std::map<GUID, size_t, GuidLess> ownByGuid_;
};

Ref<ITypeLib> Load(const wchar_t* path) {
    ITypeLib* lib = nullptr;
    Check(LoadTypeLibEx(path, REGKIND_NONE, &lib), "LoadTypeLibEx " + Narrow(path));
    return Ref<ITypeLib>(lib);
}

void WriteIidResource(const std::wstring& folder, const std::wstring& className, const GUID& iid) {
    std::wstring upper;
    for (wchar_t c : className) upper += static_cast<wchar_t>(std::towupper(c));
    const std::wstring path = folder + L"\\_IID_" + upper + L".bin";
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f) throw Failure{E_FAIL, "cannot write " + Narrow(path)};
    const unsigned char length[4] = {16, 0, 0, 0};
    const bool ok = fwrite(length, 1, 4, f) == 4 && fwrite(&iid, 1, 16, f) == 16;
    if (fclose(f) != 0 || !ok) throw Failure{E_FAIL, "cannot write " + Narrow(path)};
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: mktypelib SOURCE.tlb OUTPUT.tlb IIDDIR [IMPORT.tlb...]\n");
        return 2;
    }
    if (FAILED(CoInitialize(nullptr))) return 1;
    int rc = 0;
    try {
        Ref<ITypeLib> source = Load(argv[1]);
        std::vector<Ref<ITypeLib>> imports;
        for (int i = 4; i < argc; ++i) imports.push_back(Load(argv[i]));
        Relinker relinker(source.get(), std::move(imports));
        relinker.Write(argv[2]);
        for (const auto& [name, iid] : relinker.DefaultInterfaces()) WriteIidResource(argv[3], name, iid);
    } catch (const Failure& f) {
        std::fprintf(stderr, "mktypelib: %s failed (0x%08lX)\n", f.what.c_str(), static_cast<unsigned long>(f.hr));
        rc = 1;
    }
    CoUninitialize();
    return rc;
}
