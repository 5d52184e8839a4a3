#include "tools/simexcel/Wire.h"

#include "sim/StandInServer.h"

#include <oleauto.h>

#include <sstream>

namespace simexcel {

const CLSID CLSID_Server{0x4d0a8e31, 0x6b2c, 0x4f57, {0x9a, 0x1e, 0x52, 0xc3, 0x7d, 0x90, 0x1b, 0x84}};

namespace {

// Fields and records are separated by control characters that no path, member name, value
// text or description of the stand-in contains.
constexpr wchar_t kField = L'\x1F';
constexpr wchar_t kArg = L'\x1E';
constexpr wchar_t kRecord = L'\n';

std::vector<std::wstring> Split(const std::wstring& text, wchar_t separator) {
    std::vector<std::wstring> parts;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
        if (end == std::wstring::npos) return parts;
        start = end + 1;
    }
}

long Number(const std::wstring& text) { return std::wcstol(text.c_str(), nullptr, 10); }
unsigned long Unsigned(const std::wstring& text) { return std::wcstoul(text.c_str(), nullptr, 10); }

template <class... T>
std::wstring Fields(const T&... values) {
    std::wostringstream out;
    bool first = true;
    ((out << (first ? L"" : std::wstring(1, kField)) << values, first = false), ...);
    return out.str();
}

}  // namespace

VARIANT LongVariant(long n) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = n;
    return v;
}

VARIANT StringVariant(const std::wstring& s) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
    return v;
}

std::wstring RoundTripsToText(const RoundTripCounts& c) {
    return std::to_wstring(c.invoke) + L" " + std::to_wstring(c.names) + L" " + std::to_wstring(c.query) + L" " +
           std::to_wstring(c.addRef) + L" " + std::to_wstring(c.release) + L" " + std::to_wstring(c.other);
}

RoundTripCounts RoundTripsFromText(const std::wstring& text) {
    RoundTripCounts c;
    std::wistringstream in(text);
    in >> c.invoke >> c.names >> c.query >> c.addRef >> c.release >> c.other;
    return c;
}

std::wstring CallsToText(const std::vector<sim::CallRecord>& calls) {
    std::wstring text;
    for (const sim::CallRecord& c : calls) {
        std::wstring args;
        for (const sim::ArgRecord& a : c.args)
            args += (args.empty() ? L"" : std::wstring(1, kArg)) + std::to_wstring(a.vt) + L"=" + a.value;
        text += Fields(c.index, c.path, c.object, c.member, c.dispid, static_cast<int>(c.kind), c.flags,
                       c.byName ? 1 : 0, c.lcid, static_cast<unsigned long>(c.result), c.resultText, c.errorText,
                       c.args.size(), args);
        text += kRecord;
    }
    return text;
}

std::vector<sim::CallRecord> CallsFromText(const std::wstring& text) {
    std::vector<sim::CallRecord> calls;
    for (const std::wstring& line : Split(text, kRecord)) {
        const std::vector<std::wstring> f = Split(line, kField);
        if (f.size() < 14) continue;
        sim::CallRecord c{};
        c.index = Number(f[0]);
        c.path = f[1];
        c.object = f[2];
        c.member = f[3];
        c.dispid = Number(f[4]);
        c.kind = static_cast<sim::CallKind>(Number(f[5]));
        c.flags = static_cast<WORD>(Number(f[6]));
        c.byName = f[7] == L"1";
        c.lcid = Unsigned(f[8]);
        c.result = static_cast<HRESULT>(Unsigned(f[9]));
        c.resultText = f[10];
        c.errorText = f[11];
        if (Number(f[12]) > 0) {
            for (const std::wstring& a : Split(f[13], kArg)) {
                const size_t eq = a.find(L'=');
                c.args.push_back(sim::ArgRecord{static_cast<VARTYPE>(Number(a.substr(0, eq))), a.substr(eq + 1)});
            }
        }
        calls.push_back(std::move(c));
    }
    return calls;
}

std::wstring FaultToText(const sim::FaultRule& r) {
    return Fields(r.callIndex, r.member, r.object, r.pathContains, r.kind, static_cast<int>(r.fault.kind),
                  static_cast<unsigned long>(r.fault.scode), r.fault.description, r.times);
}

sim::FaultRule FaultFromText(const std::wstring& text) {
    const std::vector<std::wstring> f = Split(text, kField);
    sim::FaultRule r;
    if (f.size() < 9) return r;
    r.callIndex = Number(f[0]);
    r.member = f[1];
    r.object = f[2];
    r.pathContains = f[3];
    r.kind = static_cast<int>(Number(f[4]));
    r.fault.kind = static_cast<sim::FaultKind>(Number(f[5]));
    r.fault.scode = static_cast<HRESULT>(Unsigned(f[6]));
    r.fault.description = f[7];
    r.times = static_cast<int>(Number(f[8]));
    return r;
}

// ---- registration ----------------------------------------------------------------------------

namespace {

std::wstring GuidText(REFGUID guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

std::wstring ClsidKey() { return sim::ClassKey(CLSID_Server); }

}  // namespace

HRESULT RegisterServer(const std::wstring& exePath) {
    const LSTATUS results[] = {
        sim::SetClassesRootValue(std::wstring(kServerProgId) + L"\\CLSID", nullptr, GuidText(CLSID_Server)),
        sim::SetClassesRootValue(ClsidKey(), nullptr, L"Excel stand-in, out of process"),
        sim::SetClassesRootValue(ClsidKey() + L"\\LocalServer32", nullptr, L"\"" + exePath + L"\""),
        sim::SetClassesRootValue(ClsidKey() + L"\\ProgID", nullptr, kServerProgId),
    };
    for (LSTATUS status : results)
        if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
    // Registering the embedded library writes Interface\{iid} for every interface in it, with
    // the type-library marshaller as proxy and stub.
    ITypeLib* lib = nullptr;
    const HRESULT hr = LoadTypeLibEx(exePath.c_str(), REGKIND_REGISTER, &lib);
    if (lib) lib->Release();
    return hr;
}

HRESULT UnregisterServer(const std::wstring& exePath) {
    ITypeLib* lib = nullptr;
    if (SUCCEEDED(LoadTypeLibEx(exePath.c_str(), REGKIND_NONE, &lib))) {
        TLIBATTR* attr = nullptr;
        if (SUCCEEDED(lib->GetLibAttr(&attr))) {
            UnRegisterTypeLib(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid, attr->syskind);
            lib->ReleaseTLibAttr(attr);
        }
        lib->Release();
    }
    RegDeleteTreeW(HKEY_CLASSES_ROOT, ClsidKey().c_str());
    RegDeleteTreeW(HKEY_CLASSES_ROOT, kServerProgId);
    return S_OK;
}

std::wstring RegisteredServerPath() {
    wchar_t value[MAX_PATH * 2] = {};
    LONG size = sizeof value;
    if (RegQueryValueW(HKEY_CLASSES_ROOT, (ClsidKey() + L"\\LocalServer32").c_str(), value, &size) != ERROR_SUCCESS)
        return L"";
    std::wstring path = value;
    if (path.size() >= 2 && path.front() == L'"') path = path.substr(1, path.find(L'"', 1) - 1);
    return path;
}

}  // namespace simexcel
