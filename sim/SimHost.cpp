#include "sim/SimHost.h"

#include "plugin/HostInterfaces.h"

#include <algorithm>
#include <cwchar>
#include <stdexcept>

namespace sim {

namespace {

using qv::host::IHostFirstMember;

class HostObject;

// What an object's first member does.
struct FirstMember {
    HostObject* result = nullptr;    // Nothing when null
    HRESULT fault = S_OK;
    bool notAnObject = false;
    long calls = 0;
};

class HostObject final : public IHostFirstMember {
public:
    HostObject(std::wstring name, std::vector<IID> iids, std::shared_ptr<std::vector<std::wstring>> unexpected)
        : name_(std::move(name)), iids_(std::move(iids)), unexpected_(std::move(unexpected)) {}

    const std::wstring& name() const { return name_; }
    long refs() const { return refs_; }
    bool overReleased() const { return overReleased_; }
    FirstMember& first() { return first_; }

    // The Host lets go of the object; it lives on while references are out.
    void Detach() {
        first_.result = nullptr;
        detached_ = true;
        if (refs_ <= 0) delete this;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        const bool known = IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
                           std::any_of(iids_.begin(), iids_.end(),
                                       [&](const IID& iid) { return IsEqualIID(iid, riid) != 0; });
        if (!known) return E_NOINTERFACE;
        *ppv = static_cast<IHostFirstMember*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        long left = --refs_;
        if (left < 0) overReleased_ = true;
        if (left == 0 && detached_) delete this;
        return static_cast<ULONG>(left < 0 ? 0 : left);
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info) *info = nullptr;
        Unexpected(L"GetTypeInfo");
        return DISP_E_BADINDEX;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        for (UINT i = 0; ids && i < count; ++i) ids[i] = DISPID_UNKNOWN;
        Unexpected(std::wstring(L"GetIDsOfNames ") + (names && count ? names[0] : L"?"));
        return DISP_E_UNKNOWNNAME;
    }
    // A host library need not make its members reachable through Invoke; these objects answer
    // their first member only through the vtable, so a caller that guesses a dispatch identifier
    // fails here.
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result,
                                     EXCEPINFO*, UINT*) override {
        if (result) VariantInit(result);
        Unexpected(L"Invoke " + std::to_wstring(id) + L" flags " + std::to_wstring(flags));
        return DISP_E_MEMBERNOTFOUND;
    }

    HRESULT STDMETHODCALLTYPE get_First(IDispatch** result) override {
        if (!result) return E_POINTER;
        *result = nullptr;
        ++first_.calls;
        if (FAILED(first_.fault)) return first_.fault;
        if (first_.notAnObject) return DISP_E_TYPEMISMATCH;
        if (first_.result) {
            *result = first_.result;
            first_.result->AddRef();
        }
        return S_OK;
    }

private:
    ~HostObject() = default;
    void Unexpected(const std::wstring& what) { unexpected_->push_back(name_ + L": " + what); }

    std::wstring name_;
    std::vector<IID> iids_;
    std::shared_ptr<std::vector<std::wstring>> unexpected_;
    long refs_ = 0;
    bool detached_ = false;
    bool overReleased_ = false;
    FirstMember first_;
};

}  // namespace

struct Host::Impl {
    std::shared_ptr<std::vector<std::wstring>> unexpected = std::make_shared<std::vector<std::wstring>>();
    std::vector<HostObject*> objects;
    HostObject* parentSource = nullptr;
    HostObject* parentLink = nullptr;
    HostObject* parent = nullptr;
    HostObject* owner = nullptr;
    HostObject* powerPoint = nullptr;
    HostObject* plain = nullptr;

    HostObject* Add(const std::wstring& name, std::vector<IID> iids) {
        objects.push_back(new HostObject(name, std::move(iids), unexpected));
        return objects.back();
    }
    HostObject* Find(IDispatch* object) const {
        for (HostObject* o : objects)
            if (static_cast<IDispatch*>(o) == object) return o;
        return nullptr;
    }
    HostObject& Get(IDispatch* object) const {
        HostObject* o = Find(object);
        if (!o) throw std::invalid_argument("not an object of this Host");
        return *o;
    }
};

Host::Host() : impl_(std::make_unique<Impl>()) {
    using namespace qv::host;
    impl_->parentSource = impl_->Add(L"parentSource", {IID_ParentSource});
    impl_->parentLink = impl_->Add(L"parentLink", {IID_ParentLink});
    impl_->parent = impl_->Add(L"parent", {IID_HostObject});
    impl_->owner = impl_->Add(L"owner", {IID_Owner});
    impl_->powerPoint = impl_->Add(L"powerPoint", {IID_PowerPointApplication});
    impl_->plain = impl_->Add(L"plain", {});
    impl_->parentSource->first().result = impl_->parentLink;
    impl_->parentLink->first().result = impl_->parent;
}

Host::~Host() {
    for (HostObject* o : impl_->objects) o->Detach();
}

IDispatch* Host::parentSource() const { return impl_->parentSource; }
IDispatch* Host::parentLink() const { return impl_->parentLink; }
IDispatch* Host::parent() const { return impl_->parent; }
IDispatch* Host::owner() const { return impl_->owner; }
IDispatch* Host::powerPoint() const { return impl_->powerPoint; }
IDispatch* Host::plain() const { return impl_->plain; }

IDispatch* Host::NewObject(const std::wstring& name, const std::vector<IID>& iids) {
    return impl_->Add(name, iids);
}

void Host::SetFirstMember(IDispatch* object, IDispatch* result) {
    impl_->Get(object).first().result = result ? &impl_->Get(result) : nullptr;
}

void Host::SetFirstMemberFault(IDispatch* object, HRESULT hr) { impl_->Get(object).first().fault = hr; }

void Host::SetFirstMemberNotAnObject(IDispatch* object) { impl_->Get(object).first().notAnObject = true; }

long Host::firstMemberCalls(IDispatch* object) const { return impl_->Get(object).first().calls; }

std::wstring Host::nameOf(IDispatch* object) const {
    HostObject* o = impl_->Find(object);
    return o ? o->name() : L"(not a host object)";
}

long Host::outstandingRefs() const {
    long total = 0;
    for (HostObject* o : impl_->objects) total += o->refs();
    return total;
}

long Host::refsOf(IDispatch* object) const { return impl_->Get(object).refs(); }

std::vector<std::wstring> Host::objectsWithRefs() const {
    std::vector<std::wstring> held;
    for (HostObject* o : impl_->objects)
        if (o->refs() != 0) held.push_back(o->name() + L": " + std::to_wstring(o->refs()));
    return held;
}

std::vector<std::wstring> Host::overReleased() const {
    std::vector<std::wstring> names;
    for (HostObject* o : impl_->objects)
        if (o->overReleased()) names.push_back(o->name());
    return names;
}

std::vector<std::wstring> Host::unexpectedCalls() const { return *impl_->unexpected; }

// ---- the driver ------------------------------------------------------------------------------

namespace {

template <class I>
HRESULT QueryHostInterface(IUnknown* plugin, REFIID iid, I** out) {
    *out = nullptr;
    if (!plugin) return E_POINTER;
    return plugin->QueryInterface(iid, reinterpret_cast<void**>(out));
}

// Releases on scope exit.
template <class I>
struct Held {
    I* p = nullptr;
    ~Held() { if (p) p->Release(); }
};

ObjectAnswer OfferObject(IOLEObjectHandler* handler, const OfferedObject& offered) {
    ObjectAnswer answer;
    BSTR progId = SysAllocStringLen(offered.progId.data(), static_cast<UINT>(offered.progId.size()));
    BSTR const progIdSent = progId;
    LONG flags = offered.flags;
    answer.handleHr = handler->HandleObject(&progId, &flags, &answer.handled);
    answer.byRefWritten = progId != progIdSent || flags != offered.flags ||
                          std::wstring(progId ? progId : L"", SysStringLen(progId)) != offered.progId;
    if (SUCCEEDED(answer.handleHr) && answer.handled != VARIANT_FALSE) {
        answer.converted = true;
        answer.convertHr = handler->ChangeToBWNoConfig(offered.object, &flags);
        answer.byRefWritten = answer.byRefWritten || flags != offered.flags;
    }
    SysFreeString(progId);
    answer.transactionHr = handler->TransactionOnObjectComplete(offered.object, &answer.transactionResult);
    return answer;
}

}  // namespace

StartResult StartPlugIn(IUnknown* plugin, IDispatch* parentSource, IDispatch* app, IDispatch* owner) {
    StartResult result;
    if (parentSource) {
        Held<IChild> child;
        result.parentHr = QueryHostInterface(plugin, IID_IChild, &child.p);
        if (SUCCEEDED(result.parentHr)) result.parentHr = child.p->putref_Parent(parentSource);
    } else {
        result.parentHr = S_FALSE;
    }
    Held<IPlugIn> plugIn;
    result.initializeHr = QueryHostInterface(plugin, IID_IPlugIn, &plugIn.p);
    if (SUCCEEDED(result.initializeHr))
        result.initializeHr = plugIn.p->Initialize(app, owner, &result.initialized);
    return result;
}

StartResult StartPlugIn(IUnknown* plugin, const Host& host) {
    return StartPlugIn(plugin, host.parentSource(), host.powerPoint(), host.owner());
}

PassResult RunPass(IUnknown* plugin, const std::vector<OfferedObject>& objects, PassOptions options) {
    PassResult result;
    Held<IOLEObjectHandler> handler;
    result.queryHr = QueryHostInterface(plugin, IID_IOLEObjectHandler, &handler.p);
    if (FAILED(result.queryHr)) return result;
    for (const OfferedObject& offered : objects) result.objects.push_back(OfferObject(handler.p, offered));
    if (options.allComplete)
        result.allCompleteHr = handler.p->ProcessingOfAllObjectsComplete(&result.allComplete);
    if (options.terminate) {
        Held<IPlugIn> plugIn;
        result.terminateHr = QueryHostInterface(plugin, IID_IPlugIn, &plugIn.p);
        if (SUCCEEDED(result.terminateHr)) result.terminateHr = plugIn.p->Terminate();
    }
    return result;
}

std::wstring HResultText(HRESULT hr) {
    wchar_t text[16];
    swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

}  // namespace sim
