// networkd's description of every link, as any text the bus could carry:
// each link it yields has a usable index, and an address, server and DNS
// servers that are whole dotted quads, or none.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/iphlp/dhcp/lease_file.h"
#include "platform/iphlp/dhcp/replies.h"

using namespace lorvane::iphlp::dhcp;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto links = ReadNetworkdLinks(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!links) return 0;
  for (const auto& [name, link] : *links) {
    if (link.index <= 0) __builtin_trap();
    if (!link.address.empty() && !IsDottedQuad(link.address)) __builtin_trap();
    if (link.address.empty() && (link.validUntil != 0 || !link.server.empty())) __builtin_trap();
    if (!link.server.empty() && !IsDottedQuad(link.server)) __builtin_trap();
    if (link.dnsServers.size() > 63) __builtin_trap();
    for (const auto& a : link.dnsServers)
      if (!IsDottedQuad(a)) __builtin_trap();
  }
  return 0;
}
