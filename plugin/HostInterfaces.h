// The host's plug-in interfaces (generated from plugin/qvkrnl1.idl) and the identities of the
// host's and PowerPoint's objects that the plug-in knows only by IID.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include "qvkrnl1.h"

namespace qv::host {

// The object handed to IChild::Parent must offer this; its first member yields the parent link.
inline constexpr IID IID_ParentSource{0x0BBBD37D, 0xBCA5, 0x4400, {0x86, 0x16, 0x4C, 0xA0, 0x70, 0x7B, 0xCA, 0xF7}};
// The parent link; its first member yields the parent.
inline constexpr IID IID_ParentLink{0x8C46BB43, 0x574B, 0x4710, {0xBC, 0xD1, 0x39, 0x35, 0x66, 0x36, 0xAA, 0xC3}};
// The host object, as the parent is viewed for the environment.
inline constexpr IID IID_HostObject{0x1A873BEF, 0x5AF0, 0x40AF, {0x82, 0x83, 0xA6, 0x56, 0xF6, 0x06, 0xF8, 0x5D}};
// IPlugIn::Initialize's Owner must offer this.
inline constexpr IID IID_Owner{0xD2C108A6, 0xA612, 0x4EC7, {0xAD, 0x90, 0xA5, 0x04, 0xF0, 0x9D, 0x76, 0x0A}};
// Declared types of the environment's second and third slot.
inline constexpr IID IID_EnvSecond{0x188E8DD7, 0xD54C, 0x4041, {0xBF, 0xC1, 0x6C, 0xAC, 0x99, 0x1E, 0xC9, 0x1A}};
inline constexpr IID IID_EnvThird{0xFD4351D6, 0x57CD, 0x4DED, {0x91, 0x2B, 0x5B, 0xAF, 0xCE, 0xE9, 0xB2, 0x63}};

// The parent-source and parent-link interfaces as far as the plug-in uses them: IDispatch's seven
// slots, then their first member, a property get returning an object. The host's library is not
// ours, so the member is reached by its vtable slot, which holds whatever dispatch identifier that
// library gave it; the host's objects need not answer the member through Invoke at all.
// The object comes back as IDispatch: whatever interface the host declares for it is dual, and
// the plug-in views it through QueryInterface before using it.
struct IHostFirstMember : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_First(IDispatch** Result) = 0;
};

// PowerPoint's _Application: the App given to IPlugIn::Initialize must offer it.
inline constexpr IID IID_PowerPointApplication{0x91493442, 0x5A91, 0x11CF, {0x87, 0x00, 0x00, 0xAA, 0x00, 0x60, 0x26, 0x3B}};

}  // namespace qv::host
