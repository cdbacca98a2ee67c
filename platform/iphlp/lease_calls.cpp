// IpReleaseAddress and IpRenewAddress: the adapter is the map entry's Index;
// the provider does the work and blocks until it is done or has timed out,
// through RunBlocking, so that a window waiting on it stays alive.
#include <cstdint>

#include "platform/iphlp/iphlpapi.h"
#include "platform/iphlp/provider.h"
#include "platform/kernel/blocking.h"

namespace {

template <class Call>
DWORD Blocking(Call call) {
  DWORD result = ERROR_GEN_FAILURE;
  lorvane::kernel::RunBlocking([&] { result = call(lorvane::iphlp::CurrentProvider()); });
  return result;
}

// Not root: the privileged helper does it, after asking polkit.
DWORD Routed(const lorvane::iphlp::LeaseRoute& route, std::uint32_t index, bool renew) {
  DWORD result = ERROR_GEN_FAILURE;
  lorvane::kernel::RunBlocking([&] { result = route(index, renew); });
  return result;
}

}  // namespace

DWORD IpReleaseAddress(PIP_ADAPTER_INDEX_MAP adapterInfo) {
  if (!adapterInfo) return ERROR_INVALID_PARAMETER;
  const std::uint32_t index = adapterInfo->Index;
  if (const auto route = lorvane::iphlp::CurrentLeaseRoute()) return Routed(route, index, false);
  return Blocking([index](lorvane::iphlp::Provider& provider) { return provider.Release(index); });
}

DWORD IpRenewAddress(PIP_ADAPTER_INDEX_MAP adapterInfo) {
  if (!adapterInfo) return ERROR_INVALID_PARAMETER;
  const std::uint32_t index = adapterInfo->Index;
  if (const auto route = lorvane::iphlp::CurrentLeaseRoute()) return Routed(route, index, true);
  return Blocking([index](lorvane::iphlp::Provider& provider) { return provider.Renew(index); });
}
