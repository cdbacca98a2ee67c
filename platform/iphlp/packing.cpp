#include "platform/iphlp/packing.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>

#include "platform/base/errors.h"

namespace lorvane::iphlp {
namespace {

constexpr std::string_view kNoAddress = "0.0.0.0";

std::size_t ExtraEntries(const std::vector<AddressEntry>& list) { return list.empty() ? 0 : list.size() - 1; }

bool Aligned(const void* p, std::size_t alignment) {
  return reinterpret_cast<std::uintptr_t>(p) % alignment == 0;
}

void FillEntry(IP_ADDR_STRING& entry, std::string_view address, std::string_view mask) {
  entry.Next = nullptr;
  CopyField(entry.IpAddress.String, sizeof entry.IpAddress.String, address);
  CopyField(entry.IpMask.String, sizeof entry.IpMask.String, mask);
  entry.Context = 0;
}

// Writes a list's first entry into the record's own slot and the rest into
// the extra entries at `next`, chaining them. An empty list reads as
// 0.0.0.0 / `emptyMask`.
void FillList(IP_ADDR_STRING& head, const std::vector<AddressEntry>& list, IP_ADDR_STRING*& next,
              std::string_view emptyMask) {
  if (list.empty()) {
    FillEntry(head, kNoAddress, emptyMask);
    return;
  }
  FillEntry(head, list[0].address, list[0].mask);
  IP_ADDR_STRING* tail = &head;
  for (std::size_t i = 1; i < list.size(); ++i) {
    IP_ADDR_STRING* entry = new (next++) IP_ADDR_STRING;
    FillEntry(*entry, list[i].address, list[i].mask);
    tail->Next = entry;
    tail = entry;
  }
}

void FillAdapter(IP_ADAPTER_INFO& info, const AdapterRecord& record, IP_ADDR_STRING*& next) {
  info.Next = nullptr;
  info.ComboIndex = record.index;
  CopyField(info.AdapterName, sizeof info.AdapterName, record.name);
  CopyField(info.Description, sizeof info.Description, record.description);
  // The true length is kept, so a reader knows when the address was longer
  // than the field.
  info.AddressLength = static_cast<UINT>(std::min<std::size_t>(record.hardwareAddress.size(), 0xffffffffu));
  std::memset(info.Address, 0, sizeof info.Address);
  std::copy_n(record.hardwareAddress.begin(), std::min(record.hardwareAddress.size(), sizeof info.Address),
              info.Address);
  info.Index = record.index;
  info.Type = record.type;
  info.DhcpEnabled = record.dhcpEnabled ? 1 : 0;
  // As the platform does in practice: readers take IpAddressList.
  info.CurrentIpAddress = nullptr;
  FillList(info.IpAddressList, record.addresses, next, kNoAddress);
  FillList(info.GatewayList, record.gateways, next, kNoAddress);
  FillEntry(info.DhcpServer, record.dhcpServer, "");
  info.HaveWins = record.haveWins ? TRUE : FALSE;
  FillEntry(info.PrimaryWinsServer, record.primaryWins, "");
  FillEntry(info.SecondaryWinsServer, record.secondaryWins, "");
  info.LeaseObtained = ToLeaseTime(record.leaseObtained);
  info.LeaseExpires = ToLeaseTime(record.leaseExpires);
}

}  // namespace

ULONG AdaptersInfoSize(const std::vector<AdapterRecord>& adapters) {
  std::uint64_t bytes = 0;
  for (const auto& a : adapters) {
    bytes += sizeof(IP_ADAPTER_INFO);
    bytes += (ExtraEntries(a.addresses) + ExtraEntries(a.gateways)) * sizeof(IP_ADDR_STRING);
  }
  return bytes > std::numeric_limits<ULONG>::max() ? 0 : static_cast<ULONG>(bytes);
}

ULONG InterfaceInfoSize(const std::vector<AdapterRecord>& adapters) {
  std::uint64_t listed = 0;
  for (const auto& a : adapters) listed += a.canHoldLease ? 1 : 0;
  std::uint64_t bytes =
      offsetof(IP_INTERFACE_INFO, Adapter) + listed * sizeof(IP_ADAPTER_INDEX_MAP);
  return bytes > std::numeric_limits<ULONG>::max() ? 0 : static_cast<ULONG>(bytes);
}

ULONG PerAdapterInfoSize(const std::vector<std::string>& dnsServers) {
  std::uint64_t extra = dnsServers.empty() ? 0 : dnsServers.size() - 1;
  std::uint64_t bytes = sizeof(IP_PER_ADAPTER_INFO) + extra * sizeof(IP_ADDR_STRING);
  return bytes > std::numeric_limits<ULONG>::max() ? 0 : static_cast<ULONG>(bytes);
}

DWORD PackAdaptersInfo(const std::vector<AdapterRecord>& adapters, PIP_ADAPTER_INFO buffer, PULONG size) {
  if (size == nullptr) return ERROR_INVALID_PARAMETER;
  if (adapters.empty()) return ERROR_NO_DATA;
  ULONG needed = AdaptersInfoSize(adapters);
  if (needed == 0) return ERROR_NOT_ENOUGH_MEMORY;
  if (buffer == nullptr || *size < needed) {
    *size = needed;
    return ERROR_BUFFER_OVERFLOW;
  }
  if (!Aligned(buffer, alignof(IP_ADAPTER_INFO))) return ERROR_INVALID_PARAMETER;

  auto* records = buffer;
  auto* next = reinterpret_cast<IP_ADDR_STRING*>(records + adapters.size());
  for (std::size_t i = 0; i < adapters.size(); ++i) {
    IP_ADAPTER_INFO* info = new (records + i) IP_ADAPTER_INFO;
    FillAdapter(*info, adapters[i], next);
    if (i > 0) records[i - 1].Next = info;
  }
  return NO_ERROR;
}

DWORD PackPerAdapterInfo(const std::vector<std::string>& dnsServers, PIP_PER_ADAPTER_INFO buffer, PULONG size) {
  if (size == nullptr) return ERROR_INVALID_PARAMETER;
  ULONG needed = PerAdapterInfoSize(dnsServers);
  if (needed == 0) return ERROR_NOT_ENOUGH_MEMORY;
  if (buffer == nullptr || *size < needed) {
    *size = needed;
    return ERROR_BUFFER_OVERFLOW;
  }
  if (!Aligned(buffer, alignof(IP_PER_ADAPTER_INFO))) return ERROR_INVALID_PARAMETER;

  IP_PER_ADAPTER_INFO* info = new (buffer) IP_PER_ADAPTER_INFO;
  info->AutoconfigEnabled = 0;
  info->AutoconfigActive = 0;
  info->CurrentDnsServer = nullptr;
  // With no server the list still has its first entry, empty.
  FillEntry(info->DnsServerList, dnsServers.empty() ? std::string_view{} : std::string_view{dnsServers[0]}, "");
  IP_ADDR_STRING* tail = &info->DnsServerList;
  auto* next = reinterpret_cast<IP_ADDR_STRING*>(info + 1);
  for (std::size_t i = 1; i < dnsServers.size(); ++i) {
    IP_ADDR_STRING* entry = new (next++) IP_ADDR_STRING;
    FillEntry(*entry, dnsServers[i], "");
    tail->Next = entry;
    tail = entry;
  }
  return NO_ERROR;
}

DWORD PackInterfaceInfo(const std::vector<AdapterRecord>& adapters, PIP_INTERFACE_INFO buffer,
                        PULONG size) {
  if (size == nullptr) return ERROR_INVALID_PARAMETER;
  std::vector<const AdapterRecord*> listed;
  for (const auto& a : adapters) {
    if (a.canHoldLease) listed.push_back(&a);
  }
  if (listed.empty()) return ERROR_NO_DATA;
  ULONG needed = InterfaceInfoSize(adapters);
  if (needed == 0) return ERROR_NOT_ENOUGH_MEMORY;
  if (buffer == nullptr || *size < needed) {
    *size = needed;
    return ERROR_INSUFFICIENT_BUFFER;
  }
  std::memset(buffer, 0, needed);
  buffer->NumAdapters = static_cast<LONG>(listed.size());
  // Adapter[] is declared with one entry; the rest follow it in the caller's
  // buffer, which `needed` has checked.
  auto* entries = reinterpret_cast<IP_ADAPTER_INDEX_MAP*>(reinterpret_cast<BYTE*>(buffer) +
                                                          offsetof(IP_INTERFACE_INFO, Adapter));
  for (std::size_t i = 0; i < listed.size(); ++i) {
    entries[i].Index = listed[i]->index;
    // Interface names are ASCII: each byte widens to one WCHAR; cut to fit.
    const std::string& name = listed[i]->name;
    std::size_t n = std::min<std::size_t>(name.size(), MAX_ADAPTER_NAME - 1);
    for (std::size_t c = 0; c < n; ++c) entries[i].Name[c] = static_cast<unsigned char>(name[c]);
  }
  return NO_ERROR;
}

void CopyField(char* field, std::size_t capacity, std::string_view text) {
  if (capacity == 0) return;
  std::size_t length = std::min(text.size(), capacity - 1);
  // Cut before the lead byte of a sequence the field cannot hold whole.
  if (length < text.size()) {
    std::size_t cut = length;
    while (cut > 0 && length - cut < 3 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    if ((static_cast<unsigned char>(text[cut]) & 0xC0) == 0xC0) length = cut;
  }
  std::copy_n(text.begin(), length, field);
  std::memset(field + length, 0, capacity - length);
}

LEASE_TIME ToLeaseTime(std::int64_t seconds) {
  constexpr std::int64_t kLow = std::numeric_limits<LEASE_TIME>::min();
  constexpr std::int64_t kHigh = std::numeric_limits<LEASE_TIME>::max();
  return static_cast<LEASE_TIME>(std::clamp(seconds, kLow, kHigh));
}

}  // namespace lorvane::iphlp
