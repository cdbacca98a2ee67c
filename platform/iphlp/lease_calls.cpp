// IpReleaseAddress and IpRenewAddress: the adapter is the map entry's Index;
// the provider does the work and blocks until it is done or has timed out.
#include "platform/iphlp/iphlpapi.h"
#include "platform/iphlp/provider.h"

DWORD IpReleaseAddress(PIP_ADAPTER_INDEX_MAP adapterInfo) {
  if (!adapterInfo) return ERROR_INVALID_PARAMETER;
  return lorvane::iphlp::CurrentProvider().Release(adapterInfo->Index);
}

DWORD IpRenewAddress(PIP_ADAPTER_INDEX_MAP adapterInfo) {
  if (!adapterInfo) return ERROR_INVALID_PARAMETER;
  return lorvane::iphlp::CurrentProvider().Renew(adapterInfo->Index);
}
