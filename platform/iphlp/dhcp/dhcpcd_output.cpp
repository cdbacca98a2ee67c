#include "platform/iphlp/dhcp/dhcpcd_output.h"

#include <map>

#include "platform/iphlp/dhcp/lease_file.h"

namespace lorvane::iphlp::dhcp {
namespace {

constexpr std::size_t kMaxLines = 512;
constexpr std::size_t kMaxName = 64;
constexpr std::size_t kMaxValue = 4096;
constexpr std::size_t kMaxAddresses = 63;  // what one option can hold
constexpr std::int64_t kInfinite = 0xffffffffLL;

bool IsName(std::string_view name) {
  if (name.empty() || name.size() > kMaxName || !(name[0] >= 'a' && name[0] <= 'z')) return false;
  for (char c : name) {
    if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_')) return false;
  }
  return true;
}

// dhcpcd escapes every byte its hooks could trip over, so anything outside
// printable ASCII was not written by it.
bool IsPrintable(std::string_view value) {
  for (char c : value) {
    if (c < 0x20 || c > 0x7e) return false;
  }
  return true;
}

bool IsReason(std::string_view reason) {
  if (reason.empty() || reason.size() > 16) return false;
  for (char c : reason) {
    if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
  }
  return true;
}

// Reasons for which dhcpcd holds the lease it prints.
bool Holds(std::string_view reason) {
  return reason == "BOUND" || reason == "RENEW" || reason == "REBIND" || reason == "REBOOT";
}

}  // namespace

std::optional<DhcpcdReport> ParseDhcpcdOutput(std::string_view text,
                                              std::string_view interfaceName) {
  if (text.empty() || text.size() > kMaxDhcpcdOutputBytes || text.back() != '\n') return {};
  std::map<std::string_view, std::string_view> vars;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    std::size_t equals = line.find('=');
    if (equals == std::string_view::npos || vars.size() == kMaxLines) return {};
    std::string_view name = line.substr(0, equals);
    std::string_view value = line.substr(equals + 1);
    if (!IsName(name) || value.size() > kMaxValue || !IsPrintable(value)) return {};
    if (!vars.emplace(name, value).second) return {};
  }
  auto get = [&](std::string_view name) -> std::optional<std::string_view> {
    auto it = vars.find(name);
    if (it == vars.end()) return std::nullopt;
    return it->second;
  };
  auto interface = get("interface");
  auto reason = get("reason");
  if (!interface || *interface != interfaceName || !reason || !IsReason(*reason)) return {};
  // IPv6, IPv4LL or a static address: not this interface's DHCP state.
  auto protocol = get("protocol");
  if (protocol && *protocol != "dhcp") return {};

  DhcpcdReport report;
  report.reason = std::string(*reason);
  if (!Holds(*reason)) return report;
  auto address = get("ip_address");
  auto leaseTime = get("dhcp_lease_time");
  if (!protocol || !address || !IsDottedQuad(*address) || !leaseTime ||
      !ParseLeaseSeconds(*leaseTime, report.leaseTime))
    return {};
  report.address = std::string(*address);
  if (auto server = get("dhcp_server_identifier")) {
    if (!IsDottedQuad(*server)) return {};
    report.server = std::string(*server);
  }
  if (auto dns = get("domain_name_servers"); dns && !ParseAddressList(*dns, report.dnsServers))
    return {};
  if (auto wins = get("netbios_name_servers"); wins && !ParseAddressList(*wins, report.winsServers))
    return {};
  report.leased = true;
  return report;
}

bool ParseAddressList(std::string_view text, std::vector<std::string>& out) {
  out.clear();
  std::size_t start = 0;
  for (;;) {
    std::size_t end = text.find(' ', start);
    std::string_view one = text.substr(start, end == std::string_view::npos ? text.npos : end - start);
    if (!IsDottedQuad(one) || out.size() == kMaxAddresses) return false;
    out.emplace_back(one);
    if (end == std::string_view::npos) return true;
    start = end + 1;
  }
}

bool ParseLeaseSeconds(std::string_view text, std::int64_t& out) {
  if (text.empty() || text.size() > 10 || (text.size() > 1 && text[0] == '0')) return false;
  std::int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  if (value > kInfinite) return false;
  out = value == kInfinite ? kNever : value;
  return true;
}

}  // namespace lorvane::iphlp::dhcp
