// The five IP Helper calls the program makes. The three queries follow the
// two-call size protocol: with a buffer too small (or none) they store the
// size needed and answer ERROR_BUFFER_OVERFLOW (ERROR_INSUFFICIENT_BUFFER for
// GetInterfaceInfo), with a buffer of that size they fill it and answer
// NO_ERROR.
#pragma once

#include "platform/base/errors.h"
#include "platform/iphlp/records.h"

DWORD GetAdaptersInfo(PIP_ADAPTER_INFO adapterInfo, PULONG sizePointer);
DWORD GetPerAdapterInfo(ULONG ifIndex, PIP_PER_ADAPTER_INFO perAdapterInfo, PULONG sizePointer);
DWORD GetInterfaceInfo(PIP_INTERFACE_INFO ifTable, PULONG outBufLen);
DWORD IpReleaseAddress(PIP_ADAPTER_INDEX_MAP adapterInfo);
DWORD IpRenewAddress(PIP_ADAPTER_INDEX_MAP adapterInfo);
