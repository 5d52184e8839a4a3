#include "tools/simexcel/ServerObject.h"

#include "tools/deckmodel/Deck.h"
#include "tools/deckmodel/Text.h"
#include "sim/StandInServer.h"

#include <oleauto.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace simexcel {

CallGate& Gate() {
    static CallGate gate;
    return gate;
}

namespace {

enum Id : DISPID {
    kLoad = 1, kWorkbook, kModel, kCalls, kCallCount, kClearCalls, kAddFault, kBalance, kOutstandingRefs,
    kDrop, kRefuse, kRoundTrips, kResetRoundTrips, kPing, kProcessId, kWatchClient,
};
const sim::MemberName kMembers[] = {
    {member::Load, kLoad}, {member::Workbook, kWorkbook}, {member::Model, kModel}, {member::Calls, kCalls},
    {member::CallCount, kCallCount}, {member::ClearCalls, kClearCalls}, {member::AddFault, kAddFault},
    {member::Balance, kBalance}, {member::OutstandingRefs, kOutstandingRefs}, {member::Drop, kDrop},
    {member::Refuse, kRefuse}, {member::RoundTrips, kRoundTrips}, {member::ResetRoundTrips, kResetRoundTrips},
    {member::Ping, kPing}, {member::ProcessId, kProcessId}, {member::WatchClient, kWatchClient},
};

// One deck object's Excel instance.
struct Instance {
    std::unique_ptr<sim::Excel> excel;
    std::wstring name, progId;  // the deck object's, for its JSON
    int32_t flags = 0;
    int embedded = 0;
};

// A failed member: its HRESULT and the text for EXCEPINFO.
struct Failure {
    HRESULT hr;
    std::wstring text;
};

class Args {
public:
    explicit Args(DISPPARAMS* params) : params_(params) {}
    size_t count() const { return params_ ? params_->cArgs : 0; }
    // Argument i in call order.
    long Long(size_t i) const { return Coerced(i, VT_I4).lVal; }
    std::wstring String(size_t i) const {
        VARIANT v = Coerced(i, VT_BSTR);
        std::wstring s(v.bstrVal ? v.bstrVal : L"", SysStringLen(v.bstrVal));
        VariantClear(&v);
        return s;
    }

private:
    VARIANT Coerced(size_t i, VARTYPE vt) const {
        if (i >= count()) throw Failure{DISP_E_BADPARAMCOUNT, L"missing argument"};
        VARIANT out;
        VariantInit(&out);
        const HRESULT hr = VariantChangeType(&out, &params_->rgvarg[count() - 1 - i], 0, vt);
        if (FAILED(hr)) throw Failure{hr, L"argument " + std::to_wstring(i + 1) + L" has the wrong type"};
        return out;
    }
    DISPPARAMS* params_;
};

class Server final : public sim::LateBoundObject {
public:
    explicit Server(std::function<void()> onLastRelease)
        : LateBoundObject(kMembers), onLastRelease_(std::move(onLastRelease)) {}

    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* info, UINT*) override {
        VARIANT value;
        VariantInit(&value);
        try {
            value = Call(id, Args(params));
        } catch (const Failure& f) {
            return Fail(f, info);
        } catch (const std::exception& e) {
            return Fail(Failure{E_FAIL, bwpass::Wide(e.what())}, info);
        } catch (...) {
            return Fail(Failure{E_UNEXPECTED, L"unexpected failure"}, info);
        }
        if (result) {
            *result = value;
        } else {
            VariantClear(&value);
        }
        return S_OK;
    }

private:
    ~Server() override {
        Gate().failEveryCallAsBusy = nullptr;
        // An instance still referenced from the other process is left alive: its objects must
        // outlive their holders (the server reported them as outstanding).
        for (auto& [id, instance] : instances_)
            if (instance.excel && instance.excel->outstandingRefs() != 0) (void)instance.excel.release();
        if (onLastRelease_) onLastRelease_();
    }

    static HRESULT Fail(const Failure& f, EXCEPINFO* info) {
        if (!info) return f.hr;
        *info = EXCEPINFO{};
        info->scode = f.hr;
        info->bstrSource = SysAllocString(kServerProgId);
        info->bstrDescription = SysAllocString(f.text.c_str());
        return DISP_E_EXCEPTION;
    }

    Instance& Find(long id) {
        auto it = instances_.find(id);
        if (it == instances_.end() || !it->second.excel) throw Failure{E_INVALIDARG, L"no instance " + std::to_wstring(id)};
        return it->second;
    }

    VARIANT Call(DISPID id, const Args& a) {
        switch (id) {
        case kLoad: return LongVariant(Load(a.String(0)));
        case kWorkbook: {
            Instance& in = Find(a.Long(0));
            VARIANT v;
            VariantInit(&v);
            v.vt = VT_DISPATCH;
            v.pdispVal = in.excel->NewWorkbookRef(*in.excel->model().workbooks.at(in.embedded));
            return v;
        }
        case kModel: return StringVariant(Model(Find(a.Long(0))));
        case kCalls: return StringVariant(CallsToText(Find(a.Long(0)).excel->calls()));
        case kCallCount: return LongVariant(Find(a.Long(0)).excel->callCount());
        case kClearCalls: Find(a.Long(0)).excel->clearCalls(); return LongVariant(0);
        case kAddFault: Find(a.Long(0)).excel->addFault(FaultFromText(a.String(1))); return LongVariant(0);
        case kBalance: return StringVariant(Balance(*Find(a.Long(0)).excel));
        case kOutstandingRefs: return LongVariant(OutstandingRefs(a.count() ? a.Long(0) : 0));
        case kDrop: Drop(a.Long(0)); return LongVariant(0);
        case kRefuse: Refuse(static_cast<DWORD>(a.Long(0)), a.Long(1)); return LongVariant(0);
        case kRoundTrips: return StringVariant(RoundTripsToText(Gate().counts));
        case kResetRoundTrips: Gate().counts = RoundTripCounts{}; return LongVariant(0);
        case kPing: return LongVariant(0);
        case kProcessId: return LongVariant(static_cast<long>(GetCurrentProcessId()));
        case kWatchClient: Gate().clientProcessId = static_cast<DWORD>(a.Long(0)); return LongVariant(0);
        default: throw Failure{DISP_E_MEMBERNOTFOUND, L"no such member"};
        }
    }

    long Load(const std::wstring& json) {
        bwpass::Deck deck = bwpass::ParseDeck(bwpass::Utf8(json), "the client's deck");
        if (deck.objects.size() != 1 || !deck.objects[0].excel)
            throw Failure{E_INVALIDARG, L"Load takes a deck of one Excel object"};
        bwpass::DeckObject& o = deck.objects[0];
        Instance in;
        in.name = o.name;
        in.progId = o.progId;
        in.flags = o.bwFlagSet;
        in.embedded = o.excel->embeddedWorkbook;
        in.excel = std::make_unique<sim::Excel>(std::move(o.excel->application));
        const long id = ++lastId_;
        instances_.emplace(id, std::move(in));
        return id;
    }

    // The model leaves the Excel for the writing and comes back: its nodes keep their addresses.
    static std::wstring Model(Instance& in) {
        bwpass::Deck deck;
        deck.objects.emplace_back();
        deck.objects[0].name = in.name;
        deck.objects[0].progId = in.progId;
        deck.objects[0].bwFlagSet = in.flags;
        deck.objects[0].excel = bwpass::ExcelInstance{std::move(in.excel->model()), in.embedded};
        std::string json;
        try {
            json = bwpass::DeckToJson(deck);
        } catch (...) {
            in.excel->model() = std::move(deck.objects[0].excel->application);
            throw;
        }
        in.excel->model() = std::move(deck.objects[0].excel->application);
        return bwpass::Wide(json);
    }

    static std::wstring Balance(sim::Excel& excel) {
        std::wstring lines;
        for (const std::wstring& held : excel.objectsWithRefs()) lines += L"reference left on " + held + L"\n";
        for (const std::wstring& over : excel.overReleased()) lines += L"released once too often: " + over + L"\n";
        for (const auto& book : excel.model().workbooks)
            if (book->saved || book->closedWithSaveChanges) lines += L"workbook saved: " + book->name + L"\n";
        return lines;
    }

    void Refuse(DWORD answer, long acceptFirst) {
        CallGate& gate = Gate();
        if (gate.failingAsBusy) {
            for (auto& [key, instance] : instances_)
                if (instance.excel) instance.excel->clearFaults();
            gate.failingAsBusy = false;
        }
        gate.answer = answer;
        gate.acceptBeforeRefusing = answer == SERVERCALL_ISHANDLED ? -1 : acceptFirst;
        gate.failEveryCallAsBusy = [this] {
            sim::FaultRule busy;
            busy.fault.kind = sim::FaultKind::Error;
            busy.fault.scode = RPC_E_SERVERCALL_RETRYLATER;
            busy.fault.description = L"The message filter indicated that the application is busy.";
            for (auto& [key, instance] : instances_)
                if (instance.excel) instance.excel->addFault(busy);
        };
    }

    long OutstandingRefs(long id) {
        if (id != 0) return Find(id).excel->outstandingRefs();
        long total = 0;
        for (auto& [key, instance] : instances_)
            if (instance.excel) total += instance.excel->outstandingRefs();
        return total;
    }

    void Drop(long id) {
        Instance& in = Find(id);
        if (in.excel->outstandingRefs() != 0) (void)in.excel.release();
        instances_.erase(id);
    }

    long lastId_ = 0;
    std::map<long, Instance> instances_;
    std::function<void()> onLastRelease_;
};

}  // namespace

IDispatch* NewServerObject(std::function<void()> onLastRelease) {
    Server* server = new Server(std::move(onLastRelease));
    Gate().control = server;
    return server;
}

}  // namespace simexcel
