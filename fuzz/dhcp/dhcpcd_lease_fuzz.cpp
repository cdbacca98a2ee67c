// dhcpcd's lease file is a server's acknowledgement as it came off the wire:
// the parser must survive any bytes, and a lease it gives must hold only
// values fit to be shown.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/iphlp/dhcp/lease_file.h"

using namespace lorvane::iphlp::dhcp;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto lease = ParseDhcpcdLease(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!lease) return 0;
  if (!IsDottedQuad(lease->address) || lease->address == "0.0.0.0") __builtin_trap();
  if (!lease->server.empty() && !IsDottedQuad(lease->server)) __builtin_trap();
  if (lease->leaseTime < 0 || (lease->leaseTime > 0xffffffffLL && lease->leaseTime != kNever))
    __builtin_trap();
  if (lease->dnsServers.size() > 63 || lease->winsServers.size() > 63) __builtin_trap();
  for (const auto* list : {&lease->dnsServers, &lease->winsServers}) {
    for (const auto& s : *list) {
      if (!IsDottedQuad(s)) __builtin_trap();
    }
  }
  return 0;
}
