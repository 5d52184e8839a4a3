// The client's side of the Excel stand-in's local server: starts it (one server process per
// RemoteExcel), hands it deck objects and reads back what became of them. The workbook it returns
// is a proxy to an object in the server's process, so every call on it and on what it yields
// crosses processes as a call to Excel does.
#pragma once

#include "tools/simexcel/Wire.h"

#include "sim/ExcelModel.h"

#include <oaidl.h>

#include <stdexcept>

#include <string>
#include <vector>

namespace simexcel {

// The server beside the running program (QVSimExcelServer.exe in its folder).
std::wstring ServerPathBesideThisProgram();

// Registers the server for as long as it lives, unless the same server is registered already;
// leaves the registry as it found it.
class ServerRegistration {
public:
    ServerRegistration() = default;
    ~ServerRegistration();
    ServerRegistration(const ServerRegistration&) = delete;
    ServerRegistration& operator=(const ServerRegistration&) = delete;
    // False with the reason in error when the server is missing or cannot be registered.
    bool Ensure(const std::wstring& exePath, std::string& error);
    bool registeredHere() const { return registeredHere_; }

private:
    std::wstring path_;
    bool registeredHere_ = false;
};

class RemoteExcel {
public:
    RemoteExcel() = default;
    ~RemoteExcel();
    RemoteExcel(const RemoteExcel&) = delete;
    RemoteExcel& operator=(const RemoteExcel&) = delete;

    // Starts a server process (CoCreateInstance, CLSCTX_LOCAL_SERVER) on the calling apartment,
    // and tells it this process, so that it ends when this one does, released or not.
    HRESULT Start();
    bool started() const { return server_ != nullptr; }
    // Ends it: releases the Server object. Instances not dropped are let go with it.
    void Stop();

    // An Excel instance in the server over the model (moved there); its id.
    long Load(sim::ApplicationModel&& application, int embeddedWorkbook, const std::wstring& name = L"object",
              const std::wstring& progId = L"Excel.Sheet.12", long flags = 512);
    // The embedded workbook, as a proxy the caller owns.
    IDispatch* NewWorkbookRef(long id);
    // The instance's model now.
    sim::ApplicationModel Model(long id);
    std::vector<sim::CallRecord> Calls(long id);
    long CallCount(long id);
    void ClearCalls(long id);
    void AddFault(long id, const sim::FaultRule& rule);
    // References left, objects released too often, workbooks saved; empty when none.
    std::vector<std::wstring> Balance(long id);
    long OutstandingRefs(long id = 0);
    void Drop(long id);

    // The server's message filter: from now on accept this many calls, then answer every
    // further one with answer (SERVERCALL_RETRYLATER, SERVERCALL_REJECTED); SERVERCALL_ISHANDLED
    // accepts everything again.
    void Refuse(DWORD answer, long acceptFirst = 0);
    RoundTripCounts RoundTrips();
    void ResetRoundTrips();
    void Ping();
    DWORD ProcessId();

private:
    VARIANT CallMember(const wchar_t* name, std::initializer_list<VARIANT> args);
    IDispatch* server_ = nullptr;
};

// A failed call of the server's own members (not of the Excel objects).
class RemoteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace simexcel
