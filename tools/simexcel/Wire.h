// What crosses between the Excel stand-in's local server (QVSimExcelServer.exe) and its clients
// besides the automation objects themselves: the server's identity, and the call log and fault
// rules of an Excel instance as text, so that tests and tools in the client's process can read
// and set them as they do with an Excel in their own process.
#pragma once

#include "sim/SimExcel.h"

#include <windows.h>

#include <string>
#include <vector>

namespace simexcel {

// QVSimExcel.Server: the local server's one class, created with CLSCTX_LOCAL_SERVER.
extern const CLSID CLSID_Server;
constexpr wchar_t kServerProgId[] = L"QVSimExcel.Server";
constexpr wchar_t kServerExe[] = L"QVSimExcelServer.exe";

// The Server object's members, called late-bound by these names.
namespace member {
constexpr wchar_t Load[] = L"Load";                    // (deck JSON of one object) -> instance id
constexpr wchar_t Workbook[] = L"Workbook";            // (id) -> the embedded workbook
constexpr wchar_t Model[] = L"Model";                  // (id) -> deck JSON of the object now
constexpr wchar_t Calls[] = L"Calls";                  // (id) -> the call log as text
constexpr wchar_t CallCount[] = L"CallCount";          // (id) -> calls made
constexpr wchar_t ClearCalls[] = L"ClearCalls";        // (id)
constexpr wchar_t AddFault[] = L"AddFault";            // (id, rule as text)
constexpr wchar_t Balance[] = L"Balance";              // (id) -> problems, one a line; "" when none
constexpr wchar_t OutstandingRefs[] = L"OutstandingRefs";  // (id, 0 for every instance) -> count
constexpr wchar_t Drop[] = L"Drop";                    // (id): let the instance go
constexpr wchar_t Refuse[] = L"Refuse";                // (SERVERCALL_* answer, calls still accepted)
constexpr wchar_t RoundTrips[] = L"RoundTrips";        // -> "invoke names query addref release other"
constexpr wchar_t ResetRoundTrips[] = L"ResetRoundTrips";
constexpr wchar_t Ping[] = L"Ping";                    // does nothing: one round trip
constexpr wchar_t ProcessId[] = L"ProcessId";
constexpr wchar_t WatchClient[] = L"WatchClient";      // (client's process id): end with it
}  // namespace member

// The arguments and results of those members, made alike on both sides: the caller owns the
// VARIANT (VariantClear frees the string).
VARIANT LongVariant(long n);
VARIANT StringVariant(const std::wstring& s);

// Calls the server received from the other process since the last reset, as its message filter
// saw them; the Server object's own calls are not counted.
struct RoundTripCounts {
    long invoke = 0;          // IDispatch::Invoke
    long names = 0;           // IDispatch::GetIDsOfNames
    long query = 0;           // IRemUnknown::RemQueryInterface (a proxy's query for a new interface)
    long addRef = 0;          // IRemUnknown::RemAddRef
    long release = 0;         // IRemUnknown::RemRelease
    long other = 0;
};
std::wstring RoundTripsToText(const RoundTripCounts& counts);
RoundTripCounts RoundTripsFromText(const std::wstring& text);

std::wstring CallsToText(const std::vector<sim::CallRecord>& calls);
std::vector<sim::CallRecord> CallsFromText(const std::wstring& text);

// FaultRule without Fault::wrongValue: a WrongType fault returns the stand-in's default value.
std::wstring FaultToText(const sim::FaultRule& rule);
sim::FaultRule FaultFromText(const std::wstring& text);

// Registers the server at exePath (a Windows path) in HKEY_CLASSES_ROOT: its class
// with LocalServer32, its ProgID and the type library embedded in it, which makes COM marshal
// Excel's interfaces. Unregister takes all of it away again.
HRESULT RegisterServer(const std::wstring& exePath);
HRESULT UnregisterServer(const std::wstring& exePath);
// The server registered in HKCR now, or "" when none.
std::wstring RegisteredServerPath();

}  // namespace simexcel
