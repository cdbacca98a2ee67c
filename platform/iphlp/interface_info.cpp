// GetInterfaceInfo: the adapters that can hold a DHCP lease, keyed by the same
// index as GetAdaptersInfo, named by their interface name.
#include <vector>

#include "platform/iphlp/iphlpapi.h"
#include "platform/iphlp/packing.h"
#include "platform/iphlp/provider.h"

DWORD GetInterfaceInfo(PIP_INTERFACE_INFO ifTable, PULONG outBufLen) {
  if (!outBufLen) return ERROR_INVALID_PARAMETER;
  std::vector<lorvane::iphlp::AdapterRecord> adapters;
  DWORD error = lorvane::iphlp::CurrentProvider().Adapters(adapters);
  if (error != NO_ERROR) return error;
  return lorvane::iphlp::PackInterfaceInfo(adapters, ifTable, outBufLen);
}
