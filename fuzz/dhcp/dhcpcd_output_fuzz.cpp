// dhcpcd's dump carries what a DHCP server sent: the parser must survive any
// bytes, and a report it gives must hold only values fit to be shown.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/iphlp/dhcp/dhcpcd_output.h"
#include "platform/iphlp/dhcp/lease_file.h"

using namespace lorvane::iphlp::dhcp;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  auto report = ParseDhcpcdOutput(text, "lvc0");
  if (!report) return 0;
  if (report->reason.empty()) __builtin_trap();
  if (!report->leased) {
    if (!report->address.empty() || !report->dnsServers.empty()) __builtin_trap();
    return 0;
  }
  if (!IsDottedQuad(report->address)) __builtin_trap();
  if (!report->server.empty() && !IsDottedQuad(report->server)) __builtin_trap();
  if (report->leaseTime < 0 || (report->leaseTime > 0xffffffffLL && report->leaseTime != kNever))
    __builtin_trap();
  if (report->dnsServers.size() > 63 || report->winsServers.size() > 63) __builtin_trap();
  for (const auto& s : report->dnsServers) {
    if (!IsDottedQuad(s)) __builtin_trap();
  }
  for (const auto& s : report->winsServers) {
    if (!IsDottedQuad(s)) __builtin_trap();
  }
  return 0;
}
