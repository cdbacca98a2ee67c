// GetInterfaceInfo: the adapters that can hold a DHCP lease, keyed by the same
// index as GetAdaptersInfo, named by their interface name. Its two calls make
// one query, as GetAdaptersInfo's do.
#include <vector>

#include "platform/iphlp/iphlpapi.h"
#include "platform/iphlp/packing.h"
#include "platform/iphlp/provider.h"

DWORD GetInterfaceInfo(PIP_INTERFACE_INFO ifTable, PULONG outBufLen) {
  using lorvane::iphlp::AdapterRecord;
  if (!outBufLen) return ERROR_INVALID_PARAMETER;
  thread_local lorvane::iphlp::Measured<std::vector<AdapterRecord>> measured;
  auto kept = measured.Take();
  if (kept && ifTable && *outBufLen >= lorvane::iphlp::InterfaceInfoSize(*kept)) {
    return lorvane::iphlp::PackInterfaceInfo(*kept, ifTable, outBufLen);
  }
  const std::uint64_t generation = lorvane::iphlp::ProviderGeneration();
  std::vector<AdapterRecord> adapters;
  DWORD error = lorvane::iphlp::CurrentProvider().InterfaceTable(adapters);
  if (error != NO_ERROR) return error;
  DWORD result = lorvane::iphlp::PackInterfaceInfo(adapters, ifTable, outBufLen);
  if (result == ERROR_INSUFFICIENT_BUFFER) measured.Keep(std::move(adapters), generation);
  return result;
}
