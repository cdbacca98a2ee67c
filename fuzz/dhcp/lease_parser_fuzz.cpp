// Lease files are written by a root daemon but can be edited, cut short or
// planted: the parser must survive any bytes, and whatever it calls well
// formed must hold only values fit to be shown.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/iphlp/dhcp/lease_file.h"
#include "platform/iphlp/interface_name.h"

using namespace lorvane::iphlp;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  dhcp::LeaseFile file = dhcp::ParseLeaseFile(text);
  for (const auto& lease : file.leases) {
    if (!lease.interfaceName.empty() && !IsSafeInterfaceName(lease.interfaceName)) __builtin_trap();
    if (!lease.wellFormed) {
      if (!lease.address.empty() || !lease.server.empty() || !lease.dnsServers.empty())
        __builtin_trap();
      continue;
    }
    if (!dhcp::IsDottedQuad(lease.address)) __builtin_trap();
    if (!lease.server.empty() && !dhcp::IsDottedQuad(lease.server)) __builtin_trap();
    if (lease.dnsServers.size() > 63 || lease.winsServers.size() > 63) __builtin_trap();
    for (const auto& s : lease.dnsServers) {
      if (!dhcp::IsDottedQuad(s)) __builtin_trap();
    }
    for (const auto& s : lease.winsServers) {
      if (!dhcp::IsDottedQuad(s)) __builtin_trap();
    }
    if (lease.expire != dhcp::kNever && lease.leaseTime > lease.expire) __builtin_trap();
  }
  for (const auto& name : dhcp::ConfiguredInterfaces(text)) {
    if (!IsSafeInterfaceName(name)) __builtin_trap();
  }
  return 0;
}
