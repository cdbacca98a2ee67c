#include "platform/iphlp/dhcp/networkd_client.h"

#include <glob.h>
#include <systemd/sd-bus.h>
#include <net/if.h>
#include <time.h>

#include <algorithm>
#include <map>
#include <set>

#include "platform/base/errors.h"
#include "platform/iphlp/dhcp/lease_file.h"
#include "platform/iphlp/netlink.h"
#include "platform/kernel/trusted_files.h"

namespace lorvane::iphlp {
namespace {

using dhcp::CallStatus;
using dhcp::JsonValue;

constexpr const char* kNetworkdService = "org.freedesktop.network1";
constexpr const char* kNetworkdManagerPath = "/org/freedesktop/network1";
constexpr const char* kManager = "org.freedesktop.network1.Manager";
constexpr const char* kSystemUser = "systemd-network";
constexpr std::size_t kMaxNetworkFile = 64 * 1024;
constexpr std::size_t kMaxDropIns = 32;
constexpr std::uint64_t kInfinity = UINT64_MAX;

// Four bytes of an "Address" array as a dotted quad; false for anything else.
bool DottedQuad(const JsonValue* bytes, std::string& out) {
  if (!bytes || bytes->kind != JsonValue::Kind::Array || bytes->array.size() != 4) return false;
  out.clear();
  for (const auto& b : bytes->array) {
    if (!b.isUnsigned || b.unsignedValue > 255) return false;
    if (!out.empty()) out += '.';
    out += std::to_string(b.unsignedValue);
  }
  return true;
}

bool FromDhcp4(const JsonValue& entry) {
  std::uint64_t family = 0;
  const std::string* source = entry.String("ConfigSource");
  return entry.Unsigned("Family", family) && family == 2 /* AF_INET */ && source &&
         *source == "DHCPv4";
}

std::uint64_t BootTimeMicros() {
  timespec ts{};
  clock_gettime(CLOCK_BOOTTIME, &ts);
  return static_cast<std::uint64_t>(ts.tv_sec) * 1000000 +
         static_cast<std::uint64_t>(ts.tv_nsec) / 1000;
}

// "yes", "ipv4" and the like turn DHCPv4 on; "no" and "ipv6" leave it off.
std::optional<bool> DhcpValue(std::string_view v) {
  for (const char* on : {"yes", "true", "on", "1", "ipv4", "both", "v4"}) {
    if (v == on) return true;
  }
  for (const char* off : {"no", "false", "off", "0", "ipv6", "v6", "none"}) {
    if (v == off) return false;
  }
  return std::nullopt;
}

// The last DHCP= of a [Network] section in one file, if any.
void ScanNetworkFile(const std::string& text, std::optional<bool>& dhcp) {
  std::string section;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    auto first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos || line[first] == '#' || line[first] == ';') continue;
    auto last = line.find_last_not_of(" \t\r");
    line = line.substr(first, last - first + 1);
    if (line.front() == '[') {
      section = line;
      continue;
    }
    auto equals = line.find('=');
    if (section != "[Network]" || equals == std::string::npos) continue;
    std::string key = line.substr(0, equals);
    key.erase(key.find_last_not_of(" \t") + 1);
    if (key != "DHCP") continue;
    std::string value = line.substr(equals + 1);
    value.erase(0, value.find_first_not_of(" \t"));
    if (auto v = DhcpValue(value)) dhcp = v;
  }
}

}  // namespace

NetworkdClient::NetworkdClient(NetworkdOptions options)
    : ClientBase(options), options_(std::move(options)) {}

std::optional<NetworkdClient::Session> NetworkdClient::Connect(
    std::chrono::milliseconds timeout) const {
  Session s;
  s.bus = dhcp::Bus::Open(options_.busAddress, timeout);
  if (!s.bus) return std::nullopt;
  auto daemon = s.bus->DaemonHere(kNetworkdService, options_.procDir, kSystemUser);
  if (!daemon) return std::nullopt;
  s.daemon = *daemon;
  return s;
}

// networkd may run with mounts of its own: its files are read as it sees them.
std::string NetworkdClient::InDaemonRoot(const Session& s, const std::string& path) const {
  return options_.procDir + "/" + std::to_string(s.daemon.pid) + "/root" + path;
}

// The .network file networkd names, and its drop-ins, where only root (or
// networkd) could have put them.
bool NetworkdClient::DhcpConfigured(const Session& s, const std::string& networkFile) const {
  auto slash = networkFile.rfind('/');
  if (slash == std::string::npos || networkFile.find("/.") != std::string::npos ||
      networkFile.size() < 9 || networkFile.compare(networkFile.size() - 8, 8, ".network") != 0)
    return false;
  std::string dir = networkFile.substr(0, slash);
  std::string base = networkFile.substr(slash + 1);
  if (std::find(options_.networkDirs.begin(), options_.networkDirs.end(), dir) ==
      options_.networkDirs.end())
    return false;
  std::optional<bool> dhcp;
  std::string text;
  if (!kernel::ReadTrustedFile(InDaemonRoot(s, networkFile), kMaxNetworkFile, text)) return false;
  ScanNetworkFile(text, dhcp);
  // Drop-ins by name across the folders, the first folder's winning, read
  // in the order of their names.
  std::map<std::string, std::string> dropIns;
  for (const auto& d : options_.networkDirs) {
    glob_t g{};
    std::string pattern = InDaemonRoot(s, d + "/" + base + ".d/*.conf");
    if (glob(pattern.c_str(), 0, nullptr, &g) == 0) {
      for (std::size_t i = 0; i < g.gl_pathc && dropIns.size() < kMaxDropIns; ++i) {
        std::string path = g.gl_pathv[i];
        dropIns.emplace(path.substr(path.rfind('/') + 1), path);
      }
    }
    globfree(&g);
  }
  for (const auto& [name, path] : dropIns) {
    if (kernel::ReadTrustedFile(path, kMaxNetworkFile, text)) ScanNetworkFile(text, dhcp);
  }
  return dhcp.value_or(false);
}

std::optional<std::map<std::string, const JsonValue*>> NetworkdClient::Describe(
    Session& s, std::optional<JsonValue>& doc) const {
  auto described = s.bus->Call(kNetworkdService, kNetworkdManagerPath, kManager, "Describe");
  std::string json;
  if (described.status != CallStatus::Ok ||
      !dhcp::ReadString(described.reply.get(), json, dhcp::kMaxManyJsonBytes))
    return std::nullopt;
  doc = dhcp::ParseJson(json, dhcp::kMaxManyJsonBytes);
  const JsonValue* links = doc ? doc->Find("Interfaces") : nullptr;
  if (!links || links->kind != JsonValue::Kind::Array) return std::nullopt;
  std::map<std::string, const JsonValue*> byName;
  std::set<std::string> twice;
  for (const auto& entry : links->array) {
    const std::string* name = entry.String("Name");
    if (name && !byName.emplace(*name, &entry).second) twice.insert(*name);
  }
  for (const auto& name : twice) byName.erase(name);
  return byName;
}

std::optional<NetworkdClient::Link> NetworkdClient::Find(Session& s,
                                                         const std::string& name) const {
  std::optional<JsonValue> doc;
  auto links = Describe(s, doc);
  if (!links || !links->count(name)) return std::nullopt;
  return Described(s, name, *links->at(name));
}

// A link as networkd describes it, if the description is of `name`.
std::optional<NetworkdClient::Link> NetworkdClient::Described(const Session& s,
                                                              const std::string& name,
                                                              const JsonValue& doc) const {
  Link link;
  std::uint64_t index = 0;
  const std::string* describedName = doc.String("Name");
  if (!describedName || *describedName != name || !doc.Unsigned("Index", index) ||
      index == 0 || index > 0x7fffffff)
    return std::nullopt;
  link.index = static_cast<int>(index);
  const std::string* networkFile = doc.String("NetworkFile");
  link.enabled = networkFile && DhcpConfigured(s, *networkFile);
  if (!link.enabled) return link;
  link.state.enabled = link.state.running = true;

  const JsonValue* addresses = doc.Find("Addresses");
  if (!addresses || addresses->kind != JsonValue::Kind::Array) return link;
  for (const auto& a : addresses->array) {
    std::string address, server;
    std::uint64_t valid = 0;
    if (!FromDhcp4(a) || !DottedQuad(a.Find("Address"), address) ||
        !a.Unsigned("ValidLifetimeUsec", valid))
      continue;
    if (a.Find("ConfigProvider") && !DottedQuad(a.Find("ConfigProvider"), server)) continue;
    link.address = address;
    link.validUntil = valid;
    link.state.server = server;
    break;
  }
  if (link.address.empty()) return link;
  if (const JsonValue* dns = doc.Find("DNS"); dns && dns->kind == JsonValue::Kind::Array) {
    for (const auto& d : dns->array) {
      std::string server;
      if (FromDhcp4(d) && DottedQuad(d.Find("Address"), server) &&
          link.state.dnsServers.size() < 63)
        link.state.dnsServers.push_back(server);
    }
  }
  LeaseTimes(s, link);
  return link;
}

// The expiry is on the boot clock; the lease time, which the description
// lacks, is in networkd's lease file for the link, believed only when it
// speaks of the same address.
void NetworkdClient::LeaseTimes(const Session& s, Link& link) const {
  if (link.validUntil == kInfinity) {
    link.state.leaseExpires = dhcp::kNever;
    return;
  }
  std::uint64_t boot = BootTimeMicros();
  std::int64_t expires =
      Now() + (static_cast<std::int64_t>(link.validUntil) - static_cast<std::int64_t>(boot)) /
                  1000000;
  if (link.validUntil <= boot || expires <= Now()) {
    link.state = DhcpState{};
    link.state.enabled = link.state.running = true;
    link.address.clear();
    return;
  }
  link.state.leaseExpires = expires;
  std::string text;
  if (!kernel::ReadTrustedFile(
          InDaemonRoot(s, options_.leaseDir + "/" + std::to_string(link.index)), kMaxNetworkFile,
          text, nullptr, s.daemon.uid))
    return;
  std::string address;
  std::int64_t lifetime = -1;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + start, end - start);
    start = end + 1;
    if (line.rfind("ADDRESS=", 0) == 0) address = line.substr(8);
    if (line.rfind("LIFETIME=", 0) == 0 && !dhcp::ParseLeaseSeconds(line.substr(9), lifetime))
      return;
  }
  if (address != link.address || lifetime < 0 || lifetime == dhcp::kNever) return;
  link.state.leaseObtained = expires - lifetime;
}

std::vector<DhcpState> NetworkdClient::Query(const std::vector<std::string>& names) {
  std::vector<DhcpState> out(names.size());
  auto session = Connect(options_.queryTimeout);
  std::optional<JsonValue> doc;
  auto links = session ? Describe(*session, doc) : std::nullopt;
  if (!links) return out;
  for (std::size_t i = 0; i < names.size(); ++i) {
    auto found = links->find(names[i]);
    if (found == links->end()) continue;
    if (auto link = Described(*session, names[i], *found->second); link && link->enabled)
      out[i] = link->state;
  }
  return out;
}

DWORD NetworkdClient::DoRelease(const std::string& name) {
  const auto start = std::chrono::steady_clock::now();
  auto session = Connect(options_.releaseTimeout);
  auto link = session ? Find(*session, name) : std::nullopt;
  if (!link || !link->enabled) return ERROR_NOT_FOUND;
  if (link->address.empty()) return NO_ERROR;  // nothing held
  // networkd 252 offers no call that stops one link's DHCP client; taking the
  // link down is what `networkctl down` does.
  if (DWORD error = netlink::SetLinkUp(static_cast<std::uint32_t>(link->index), false);
      error != NO_ERROR)
    return error;
  return PollUntil(start, options_.releaseTimeout, [&]() -> std::optional<DWORD> {
    link = Find(*session, name);
    if (!link) return ERROR_GEN_FAILURE;
    if (link->address.empty()) return NO_ERROR;
    return std::nullopt;
  });
}

DWORD NetworkdClient::DoRenew(const std::string& name) {
  const auto start = std::chrono::steady_clock::now();
  auto session = Connect(options_.renewTimeout);
  auto link = session ? Find(*session, name) : std::nullopt;
  if (!link || !link->enabled) return ERROR_NOT_FOUND;
  netlink::LinkState kernel;
  if (DWORD error = netlink::ReadLinkState(static_cast<std::uint32_t>(link->index), kernel);
      error != NO_ERROR)
    return error;
  std::uint64_t before = link->validUntil;
  if ((kernel.flags & IFF_UP) == 0) {
    // Up again, networkd starts the link's DHCP client by itself.
    if (DWORD error = netlink::SetLinkUp(static_cast<std::uint32_t>(link->index), true);
        error != NO_ERROR)
      return error;
  } else {
    auto r = session->bus->Call(kNetworkdService, kNetworkdManagerPath, kManager, "RenewLink", "i", link->index);
    if (r.status != CallStatus::Ok) return dhcp::ErrorOf(r);
  }
  // Done when the link holds a lease granted after the call: its address's
  // lifetime ends later than before.
  return PollUntil(start, options_.renewTimeout, [&]() -> std::optional<DWORD> {
    link = Find(*session, name);
    if (!link) return ERROR_GEN_FAILURE;
    if (!link->address.empty() && link->validUntil > before) return NO_ERROR;
    return std::nullopt;
  });
}

}  // namespace lorvane::iphlp
