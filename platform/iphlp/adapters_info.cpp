// GetAdaptersInfo and GetPerAdapterInfo: one snapshot from the provider per
// call, packed into the caller's buffer.
#include "platform/base/errors.h"
#include "platform/iphlp/iphlpapi.h"
#include "platform/iphlp/packing.h"
#include "platform/iphlp/provider.h"

using lorvane::iphlp::AdapterRecord;
using lorvane::iphlp::CurrentProvider;

DWORD GetAdaptersInfo(PIP_ADAPTER_INFO adapterInfo, PULONG sizePointer) {
  if (sizePointer == nullptr) return ERROR_INVALID_PARAMETER;
  // Links may come and go between the two calls of the protocol; each call
  // packs the snapshot it took, and a second call that finds more than the
  // first one sized for answers ERROR_BUFFER_OVERFLOW again.
  std::vector<AdapterRecord> adapters;
  if (DWORD err = CurrentProvider().Adapters(adapters); err != NO_ERROR) return err;
  return lorvane::iphlp::PackAdaptersInfo(adapters, adapterInfo, sizePointer);
}

DWORD GetPerAdapterInfo(ULONG ifIndex, PIP_PER_ADAPTER_INFO perAdapterInfo, PULONG sizePointer) {
  if (sizePointer == nullptr) return ERROR_INVALID_PARAMETER;
  std::vector<std::string> servers;
  DWORD err = CurrentProvider().DnsServers(ifIndex, servers);
  if (err == ERROR_NOT_FOUND) return ERROR_NO_DATA;
  if (err != NO_ERROR) return err;
  return lorvane::iphlp::PackPerAdapterInfo(servers, perAdapterInfo, sizePointer);
}
