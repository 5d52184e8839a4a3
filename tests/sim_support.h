// Small helpers shared by the tests that drive the Excel stand-in.
#pragma once

#include "com/Automation.h"
#include "sim/SimExcel.h"

#include <string>
#include <vector>

namespace simtest {

inline std::string Narrow(const std::wstring& w) {
    std::string s;
    for (wchar_t c : w) s += c < 128 ? static_cast<char>(c) : '?';
    return s;
}

// An Invoke made by hand, for the calling conventions the calling layer never produces.
struct RawResult {
    HRESULT hr;
    qv::Variant value;
    HRESULT scode = S_OK;
    std::wstring description;
    UINT argErr = 0;
};

// args in call order; a put passes its value (the last arg) as the named argument
// DISPID_PROPERTYPUT unless namedPut is false.
inline RawResult RawInvoke(IDispatch* object, DISPID id, WORD flags, std::vector<qv::Variant> args = {},
                           bool namedPut = true, LCID lcid = 1033) {
    std::vector<VARIANTARG> reversed;
    for (auto it = args.rbegin(); it != args.rend(); ++it) reversed.push_back(it->get());
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), nullptr,
                      static_cast<UINT>(reversed.size()), 0};
    const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    if (put && namedPut) {
        params.rgdispidNamedArgs = &putId;
        params.cNamedArgs = 1;
    }
    RawResult r{};
    EXCEPINFO info{};
    r.hr = object->Invoke(id, IID_NULL, lcid, flags, &params, r.value.Receive(), &info, &r.argErr);
    r.scode = info.scode;
    qv::Bstr description = qv::Bstr::Attach(info.bstrDescription);
    qv::Bstr source = qv::Bstr::Attach(info.bstrSource);
    qv::Bstr help = qv::Bstr::Attach(info.bstrHelpFile);
    r.description = description.str();
    return r;
}

// Follows a chain of object-returning members from root, each called as the calling layer
// calls object members (gets as gets, the rest as method|get).
inline qv::Dispatch Walk(IDispatch* root, std::initializer_list<qv::DispMember> members) {
    qv::Dispatch current(root);
    for (const qv::DispMember& m : members) current = qv::CallObject(current.get(), m);
    return current;
}

}  // namespace simtest
