// dhclient's lease database as plain values. The file is untrusted text: the
// parser never trusts a length or a nesting it has not checked, and a block it
// cannot read with certainty is marked rather than half-believed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lorvane::iphlp::dhcp {

// dhclient rewrites its file every few leases, so real ones stay a few KiB.
inline constexpr std::size_t kMaxLeaseFileBytes = 1 << 20;
// An expiry of "never".
inline constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::max();

struct Lease {
  // Empty when the block names no interface it could be sure of.
  std::string interfaceName;
  // False for a block with anything unreadable, missing or repeated in it: its
  // values are then not to be used, only the fact that it was there.
  bool wellFormed = false;
  std::string address;  // fixed-address
  std::string server;   // dhcp-server-identifier, empty when absent
  std::vector<std::string> dnsServers;
  std::vector<std::string> winsServers;
  std::int64_t leaseTime = -1;  // dhcp-lease-time in seconds, -1 when absent
  std::int64_t renew = 0;       // seconds since 1970 (UTC); kNever; 0 when absent
  std::int64_t rebind = 0;
  std::int64_t expire = 0;
};

struct LeaseFile {
  std::vector<Lease> leases;  // every lease block, in file order
  // The text could not be followed to its end (bad token, stray or missing
  // brace, over a size cap): blocks after the damage are unknown, so no lease
  // from this file can be taken as the latest.
  bool damaged = false;
};

LeaseFile ParseLeaseFile(std::string_view text);

// The interfaces a dhclient configuration file gives a block of their own
// (`interface "eth0" { ... }`); the configuration shares the lease file's
// grammar. Damaged text yields the names read before the damage.
std::vector<std::string> ConfiguredInterfaces(std::string_view text);

// "a.b.c.d" with each part 0 to 255 written without leading zeros.
bool IsDottedQuad(std::string_view text);

// Values as dhcpcd, networkd and NetworkManager write them. A list: at most
// 63 strict dotted quads separated by single spaces. A lease time: decimal
// seconds that fit 32 bits, no leading zero; 4294967295 (infinite) gives
// kNever.
bool ParseAddressList(std::string_view text, std::vector<std::string>& out);
bool ParseLeaseSeconds(std::string_view text, std::int64_t& out);

// Decimal digits worth at most `max` (no sign, no leading zero unless
// `zeros`); nullopt for anything else.
std::optional<std::int64_t> Decimal(std::string_view text, std::int64_t max, bool zeros = false);

// Calls `each` with every line of `text` (every part between `separator`s),
// without its newline.
void ForEachLine(std::string_view text, const std::function<void(std::string_view)>& each,
                 char separator = '\n');


// dhcpcd's lease file (/var/lib/dhcpcd/IFACE.lease): the server's DHCPACK
// exactly as it came off the wire, rewritten at each acknowledgement. The
// bytes came from the network: nothing is believed that is not a whole,
// well formed acknowledgement.

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
