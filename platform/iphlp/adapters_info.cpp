// GetAdaptersInfo and GetPerAdapterInfo: one snapshot from the provider per
// query, packed into the caller's buffer.
#include "platform/base/errors.h"
#include "platform/iphlp/iphlpapi.h"
#include "platform/iphlp/packing.h"
#include "platform/iphlp/provider.h"

using lorvane::iphlp::AdapterRecord;
using lorvane::iphlp::CurrentProvider;
using lorvane::iphlp::Measured;
using lorvane::iphlp::ProviderGeneration;

// Links may come and go between the two calls of a query. The first call
// keeps the snapshot it measured, and the second fills the buffer from that
// one when it fits; otherwise a call takes a snapshot of its own, as a lone
// call does.
DWORD GetAdaptersInfo(PIP_ADAPTER_INFO adapterInfo, PULONG sizePointer) {
  if (sizePointer == nullptr) return ERROR_INVALID_PARAMETER;
  thread_local Measured<std::vector<AdapterRecord>> measured;
  auto kept = measured.Take();
  if (kept && adapterInfo != nullptr && *sizePointer >= lorvane::iphlp::AdaptersInfoSize(*kept)) {
    return lorvane::iphlp::PackAdaptersInfo(*kept, adapterInfo, sizePointer);
  }
  const std::uint64_t generation = ProviderGeneration();
  std::vector<AdapterRecord> adapters;
  if (DWORD err = CurrentProvider().Adapters(adapters); err != NO_ERROR) return err;
  DWORD result = lorvane::iphlp::PackAdaptersInfo(adapters, adapterInfo, sizePointer);
  if (result == ERROR_BUFFER_OVERFLOW) measured.Keep(std::move(adapters), generation);
  return result;
}

DWORD GetPerAdapterInfo(ULONG ifIndex, PIP_PER_ADAPTER_INFO perAdapterInfo, PULONG sizePointer) {
  if (sizePointer == nullptr) return ERROR_INVALID_PARAMETER;
  thread_local Measured<std::vector<std::string>> measured;
  auto kept = measured.Take(ifIndex);
  if (kept && perAdapterInfo != nullptr &&
      *sizePointer >= lorvane::iphlp::PerAdapterInfoSize(*kept)) {
    return lorvane::iphlp::PackPerAdapterInfo(*kept, perAdapterInfo, sizePointer);
  }
  const std::uint64_t generation = ProviderGeneration();
  std::vector<std::string> servers;
  DWORD err = CurrentProvider().DnsServers(ifIndex, servers);
  if (err == ERROR_NOT_FOUND) return ERROR_NO_DATA;
  if (err != NO_ERROR) return err;
  DWORD result = lorvane::iphlp::PackPerAdapterInfo(servers, perAdapterInfo, sizePointer);
  if (result == ERROR_BUFFER_OVERFLOW) measured.Keep(std::move(servers), generation, ifIndex);
  return result;
}
