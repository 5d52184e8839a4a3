// The add-in host stand-in: the host's objects a plug-in meets, a PowerPoint application, and a
// driver that makes the host's calls in the host's order.
//
// Objects. Each is one COM object with an IDispatch vtable plus one more slot, the first member
// of the host's parent-source and parent-link interfaces (a property get returning an object,
// qv::host::IHostFirstMember), reachable only by vtable: Invoke knows no members. It answers
// QueryInterface for IUnknown, IDispatch and the interface ids it was given, all on the same
// pointer. Like the Excel stand-in, its reference count counts only the references handed out,
// so a test can prove that a call left none behind; an object still referenced when the Host
// goes away lives on until its last release. Any other member call is recorded as unexpected
// and fails with DISP_E_MEMBERNOTFOUND.
//
// Driver. StartPlugIn parents and initialises a plug-in; RunPass offers it objects one by one
// (HandleObject, ChangeToBWNoConfig when accepted, TransactionOnObjectComplete), then calls
// ProcessingOfAllObjectsComplete and Terminate, recording every answer and HRESULT. Both call
// through the host interfaces' vtables, as the host does.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <memory>
#include <string>
#include <vector>

namespace sim {

class Host {
public:
    // The standard set: parentSource's first member yields parentLink, whose first member
    // yields parent (a host object); owner, powerPoint and plain besides.
    Host();
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // Borrowed pointers: no reference is handed out. Pass them to the plug-in's members.
    IDispatch* parentSource() const;  // answers qv::host::IID_ParentSource
    IDispatch* parentLink() const;    // answers qv::host::IID_ParentLink
    IDispatch* parent() const;        // answers qv::host::IID_HostObject
    IDispatch* owner() const;         // answers qv::host::IID_Owner
    IDispatch* powerPoint() const;    // answers qv::host::IID_PowerPointApplication
    IDispatch* plain() const;         // answers none of the host's or PowerPoint's interfaces

    // A further object, owned by the Host, answering the given interface ids; its first
    // member yields Nothing until set.
    IDispatch* NewObject(const std::wstring& name, const std::vector<IID>& iids);
    // What object's first member yields: another object of this Host, or Nothing (nullptr).
    void SetFirstMember(IDispatch* object, IDispatch* result);
    // Makes object's first member fail with hr (S_OK undoes it).
    void SetFirstMemberFault(IDispatch* object, HRESULT hr);
    // Makes object's first member fail as a get of a value that is not an object does
    // (DISP_E_TYPEMISMATCH).
    void SetFirstMemberNotAnObject(IDispatch* object);
    long firstMemberCalls(IDispatch* object) const;

    // The object's name, for messages ("parentSource", "parentLink", ...).
    std::wstring nameOf(IDispatch* object) const;
    // References handed out and not yet released, over every object / of one object.
    long outstandingRefs() const;
    long refsOf(IDispatch* object) const;
    // "name: n" for each object that holds references; empty when none.
    std::vector<std::wstring> objectsWithRefs() const;
    // Objects released once too often; empty when none.
    std::vector<std::wstring> overReleased() const;
    // "name: member" for every call an object did not expect; empty when none.
    std::vector<std::wstring> unexpectedCalls() const;

    struct Impl;
private:
    std::unique_ptr<Impl> impl_;
};

// ---- the driver ------------------------------------------------------------------------------

struct StartResult {
    HRESULT parentHr = E_FAIL;       // IChild::Parent put (E_NOINTERFACE: no IChild)
    HRESULT initializeHr = E_FAIL;   // IPlugIn::Initialize (E_NOINTERFACE: no IPlugIn)
    VARIANT_BOOL initialized = VARIANT_FALSE;
};

// The host's start-up: IChild::Parent put with parentSource (skipped when it is null), then
// IPlugIn::Initialize(app, owner).
StartResult StartPlugIn(IUnknown* plugin, IDispatch* parentSource, IDispatch* app, IDispatch* owner);
// The same with a Host's standard objects.
StartResult StartPlugIn(IUnknown* plugin, const Host& host);

struct OfferedObject {
    std::wstring progId;
    long flags = 0;                  // BWFlagSet
    IDispatch* object = nullptr;     // borrowed; may be Nothing
};

struct ObjectAnswer {
    HRESULT handleHr = E_FAIL;
    VARIANT_BOOL handled = VARIANT_FALSE;
    bool converted = false;          // ChangeToBWNoConfig was called (the object was taken)
    HRESULT convertHr = S_OK;
    HRESULT transactionHr = E_FAIL;
    VARIANT_BOOL transactionResult = VARIANT_FALSE;
    bool byRefWritten = false;       // a by-reference argument came back changed
};

struct PassOptions {
    bool allComplete = true;         // call ProcessingOfAllObjectsComplete after the objects
    bool terminate = true;           // and IPlugIn::Terminate at the end
};

struct PassResult {
    HRESULT queryHr = E_FAIL;        // QueryInterface for IOLEObjectHandler
    std::vector<ObjectAnswer> objects;
    HRESULT allCompleteHr = E_FAIL;
    VARIANT_BOOL allComplete = VARIANT_FALSE;
    HRESULT terminateHr = E_FAIL;    // E_NOINTERFACE when the plug-in has no IPlugIn
};

// One pass over objects, in order. For each: HandleObject(progId, flags); ChangeToBWNoConfig
// (object, flags) when it answered True; TransactionOnObjectComplete(object) in every case.
PassResult RunPass(IUnknown* plugin, const std::vector<OfferedObject>& objects,
                   PassOptions options = {});

// "0x800A000D" style text of an HRESULT, for messages.
std::wstring HResultText(HRESULT hr);

}  // namespace sim
