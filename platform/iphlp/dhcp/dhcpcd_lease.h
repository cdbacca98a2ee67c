// dhcpcd's lease file (/var/lib/dhcpcd/IFACE.lease): the server's DHCPACK
// exactly as it came off the wire, rewritten at each acknowledgement. The
// bytes came from the network: nothing is believed that is not a whole,
// well formed acknowledgement.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lorvane::iphlp::dhcp {

// A DHCP message fits one Ethernet frame; dhcpcd takes at most 64 KiB.
inline constexpr std::size_t kMaxDhcpcdLeaseBytes = 64 * 1024;

struct DhcpcdLease {
  std::string address;   // yiaddr
  std::string server;    // option 54, empty when absent
  std::int64_t leaseTime = 0;  // option 51 in seconds; kNever (lease_file.h) for infinite
  std::vector<std::string> dnsServers;   // option 6, in order
  std::vector<std::string> winsServers;  // option 44, in order
};

// nullopt unless `bytes` is one BOOTREPLY carrying a DHCPACK with an address
// and a lease time, every option whole and given once, nothing but padding
// after the end option, and no option overload into the file or sname
// fields.
std::optional<DhcpcdLease> ParseDhcpcdLease(std::string_view bytes);

}  // namespace lorvane::iphlp::dhcp
