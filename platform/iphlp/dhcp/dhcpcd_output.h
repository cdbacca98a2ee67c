// What `dhcpcd -4 -U IFACE` prints: one NAME=value line per variable, as
// its hooks see them. The text comes from a daemon that took its values from
// the network: nothing is believed that is not exactly what dhcpcd writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lorvane::iphlp::dhcp {

// A dump is a few dozen short lines; far more is not dhcpcd's.
inline constexpr std::size_t kMaxDhcpcdOutputBytes = 64 * 1024;

struct DhcpcdReport {
  std::string reason;  // BOUND, RENEW, EXPIRE, ...
  // A lease is held: the values below are set (server, lists may be empty).
  bool leased = false;
  std::string address;
  std::string server;
  std::int64_t leaseTime = 0;  // seconds; kNever (lease_file.h) for an infinite lease
  std::vector<std::string> dnsServers;
  std::vector<std::string> winsServers;
};

// The report for `interfaceName`, or nullopt when the text is not a whole,
// well formed dump of that interface's IPv4 DHCP state: a line that is not
// NAME=value in printable ASCII, a name given twice, another interface, a
// value of ours that is not exactly what dhcpcd writes, or text cut short.
std::optional<DhcpcdReport> ParseDhcpcdOutput(std::string_view text,
                                              std::string_view interfaceName);

// Values as dhcpcd and NetworkManager write them. A list: at most 63 strict
// dotted quads separated by single spaces. A lease time: decimal seconds
// that fit 32 bits, no leading zero; 4294967295 (infinite) gives kNever.
bool ParseAddressList(std::string_view text, std::vector<std::string>& out);
bool ParseLeaseSeconds(std::string_view text, std::int64_t& out);

}  // namespace lorvane::iphlp::dhcp
