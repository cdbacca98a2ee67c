// Packing plain adapter values into the published records, inside a buffer
// the caller owns: the records first, then the extra list entries they point
// at. Nothing outside [buffer, buffer + size) is ever written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/iphlp/adapter_record.h"
#include "platform/iphlp/records.h"

namespace lorvane::iphlp {

// Bytes GetAdaptersInfo needs for these adapters; 0 when more than a ULONG
// can say.
ULONG AdaptersInfoSize(const std::vector<AdapterRecord>& adapters);
// Bytes GetPerAdapterInfo needs for these DNS servers.
ULONG PerAdapterInfoSize(const std::vector<std::string>& dnsServers);
// Bytes GetInterfaceInfo needs for the adapters among these that can hold a
// lease.
ULONG InterfaceInfoSize(const std::vector<AdapterRecord>& adapters);

// The two-call protocol over one snapshot: ERROR_INVALID_PARAMETER without a
// size, or with a buffer not aligned for the records; ERROR_NO_DATA with no
// adapter (size untouched); ERROR_BUFFER_OVERFLOW with the size needed stored
// when the buffer is null or short (buffer untouched); NO_ERROR with the
// chain written.
DWORD PackAdaptersInfo(const std::vector<AdapterRecord>& adapters, PIP_ADAPTER_INFO buffer, PULONG size);
DWORD PackPerAdapterInfo(const std::vector<std::string>& dnsServers, PIP_PER_ADAPTER_INFO buffer, PULONG size);
// The same for the adapters that can hold a lease, each named by its
// interface name widened to WCHAR, except that a short buffer gets
// ERROR_INSUFFICIENT_BUFFER and no such adapter ERROR_NO_DATA.
DWORD PackInterfaceInfo(const std::vector<AdapterRecord>& adapters, PIP_INTERFACE_INFO buffer,
                        PULONG size);

// Copies text into a fixed field of `capacity` bytes, cut to fit and always
// NUL-terminated; a cut never splits a UTF-8 sequence.
void CopyField(char* field, std::size_t capacity, std::string_view text);

// Lease times held as 64 bits, clamped into the 32-bit field.
LEASE_TIME ToLeaseTime(std::int64_t seconds);

}  // namespace lorvane::iphlp
