#include "platform/iphlp/dhcp/dhcpcd_lease.h"

#include <array>
#include <bitset>

#include "platform/iphlp/dhcp/lease_file.h"

namespace lorvane::iphlp::dhcp {
namespace {

constexpr std::size_t kOptionsAt = 240;  // after the fixed part and the magic cookie
constexpr std::size_t kAddressAt = 16;   // yiaddr
constexpr unsigned char kCookie[4] = {99, 130, 83, 99};
enum : unsigned char {
  kPad = 0, kDns = 6, kWins = 44, kLeaseTime = 51, kOverload = 52, kType = 53,
  kServer = 54, kEnd = 255,
};
constexpr unsigned char kAck = 5;

std::string Quad(const unsigned char* b) {
  return std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." +
         std::to_string(b[3]);
}

bool Quads(std::string_view data, std::vector<std::string>& out) {
  if (data.empty() || data.size() % 4 != 0) return false;
  for (std::size_t i = 0; i < data.size(); i += 4)
    out.push_back(Quad(reinterpret_cast<const unsigned char*>(data.data() + i)));
  return true;
}

}  // namespace

std::optional<DhcpcdLease> ParseDhcpcdLease(std::string_view bytes) {
  const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
  if (bytes.size() < kOptionsAt || bytes.size() > kMaxDhcpcdLeaseBytes || b[0] != 2 /* BOOTREPLY */)
    return std::nullopt;
  for (int i = 0; i < 4; ++i) {
    if (b[236 + i] != kCookie[i]) return std::nullopt;
  }
  DhcpcdLease lease;
  lease.address = Quad(b + kAddressAt);
  std::bitset<256> seen;
  bool ended = false, haveTime = false;
  unsigned char type = 0;
  std::size_t at = kOptionsAt;
  while (at < bytes.size()) {
    const unsigned char code = b[at];
    if (ended || code == kPad) {
      if (code != kPad) return std::nullopt;  // nothing but padding after the end
      ++at;
      continue;
    }
    if (code == kEnd) {
      ended = true;
      ++at;
      continue;
    }
    if (at + 2 > bytes.size() || at + 2 + b[at + 1] > bytes.size()) return std::nullopt;
    std::string_view data = bytes.substr(at + 2, b[at + 1]);
    at += 2 + data.size();
    if (seen[code]) return std::nullopt;
    seen[code] = true;
    const auto* d = reinterpret_cast<const unsigned char*>(data.data());
    bool ok = true;
    switch (code) {
      case kOverload:
        return std::nullopt;
      case kType:
        ok = data.size() == 1;
        if (ok) type = d[0];
        break;
      case kLeaseTime:
        ok = haveTime = data.size() == 4;
        if (ok) {
          std::uint32_t t = (std::uint32_t{d[0]} << 24) | (std::uint32_t{d[1]} << 16) |
                            (std::uint32_t{d[2]} << 8) | d[3];
          lease.leaseTime = t == 0xffffffffu ? kNever : std::int64_t{t};
        }
        break;
      case kServer:
        ok = data.size() == 4;
        if (ok) lease.server = Quad(d);
        break;
      case kDns:
        ok = Quads(data, lease.dnsServers);
        break;
      case kWins:
        ok = Quads(data, lease.winsServers);
        break;
      default:
        break;
    }
    if (!ok) return std::nullopt;
  }
  if (!ended || type != kAck || !haveTime || lease.address == "0.0.0.0") return std::nullopt;
  return lease;
}

}  // namespace lorvane::iphlp::dhcp
