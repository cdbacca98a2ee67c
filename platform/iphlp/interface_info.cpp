// GetInterfaceInfo: the adapters that can hold a DHCP lease, keyed by the same
// index as GetAdaptersInfo, named by their interface name.
#include <cstddef>
#include <cstring>
#include <vector>

#include "platform/iphlp/iphlpapi.h"
#include "platform/iphlp/provider.h"

DWORD GetInterfaceInfo(PIP_INTERFACE_INFO ifTable, PULONG outBufLen) {
  if (!outBufLen) return ERROR_INVALID_PARAMETER;
  std::vector<lorvane::iphlp::AdapterRecord> adapters;
  DWORD error = lorvane::iphlp::CurrentProvider().Adapters(adapters);
  if (error != NO_ERROR) return error;
  std::vector<const lorvane::iphlp::AdapterRecord*> listed;
  for (const auto& a : adapters) {
    if (a.canHoldLease) listed.push_back(&a);
  }
  if (listed.empty()) return ERROR_NO_DATA;

  std::size_t needed =
      offsetof(IP_INTERFACE_INFO, Adapter) + listed.size() * sizeof(IP_ADAPTER_INDEX_MAP);
  if (!ifTable || *outBufLen < needed) {
    *outBufLen = static_cast<ULONG>(needed);
    return ERROR_INSUFFICIENT_BUFFER;
  }
  std::memset(ifTable, 0, needed);
  ifTable->NumAdapters = static_cast<LONG>(listed.size());
  // Adapter[] is declared with one entry; the rest follow it in the caller's
  // buffer, which `needed` has checked.
  auto* entries = reinterpret_cast<IP_ADAPTER_INDEX_MAP*>(reinterpret_cast<BYTE*>(ifTable) +
                                                          offsetof(IP_INTERFACE_INFO, Adapter));
  for (std::size_t i = 0; i < listed.size(); ++i) {
    entries[i].Index = listed[i]->index;
    // Interface names are ASCII: each byte widens to one WCHAR; cut to fit.
    const std::string& name = listed[i]->name;
    std::size_t n = name.size() < MAX_ADAPTER_NAME - 1 ? name.size() : MAX_ADAPTER_NAME - 1;
    for (std::size_t c = 0; c < n; ++c) entries[i].Name[c] = static_cast<unsigned char>(name[c]);
  }
  return NO_ERROR;
}
