#include "platform/iphlp/dhcp/networkd_client.h"

#include <fcntl.h>
#include <net/if.h>
#include <time.h>

#include <algorithm>

#include "platform/base/errors.h"
#include "platform/iphlp/dhcp/ifupdown.h"
#include "platform/iphlp/dhcp/json.h"
#include "platform/iphlp/dhcp/lease_file.h"
#include "platform/iphlp/netlink.h"
#include "platform/kernel/trusted_files.h"

namespace lorvane::iphlp {
namespace {

using dhcp::CallStatus;

constexpr const char* kNetworkdService = "org.freedesktop.network1";
constexpr const char* kNetworkdManagerPath = "/org/freedesktop/network1";
constexpr const char* kManager = "org.freedesktop.network1.Manager";
constexpr const char* kSystemUser = "systemd-network";
constexpr std::size_t kMaxNetworkFile = 64 * 1024;
constexpr std::size_t kMaxDropIns = 32;
constexpr std::uint64_t kInfinity = UINT64_MAX;

std::uint64_t BootTimeMicros() {
  timespec ts{};
  clock_gettime(CLOCK_BOOTTIME, &ts);
  return static_cast<std::uint64_t>(ts.tv_sec) * 1000000 +
         static_cast<std::uint64_t>(ts.tv_nsec) / 1000;
}

// "yes", "ipv4" and the like turn DHCPv4 on; "no" and "ipv6" leave it off.
std::optional<bool> DhcpValue(std::string_view v) {
  static const std::map<std::string_view, bool> kValues = {
      {"yes", true}, {"true", true}, {"on", true}, {"1", true}, {"ipv4", true}, {"both", true},
      {"v4", true}, {"no", false}, {"false", false}, {"off", false}, {"0", false},
      {"ipv6", false}, {"v6", false}, {"none", false}};
  auto found = kValues.find(v);
  return found == kValues.end() ? std::nullopt : std::optional<bool>(found->second);
}

// The last DHCP= of a [Network] section in one file, if any.
void ScanNetworkFile(const std::string& text, std::optional<bool>& dhcp) {
  std::string section;
  dhcp::ForEachLine(text, [&](std::string_view line) {
    auto first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos || line[first] == '#' || line[first] == ';') return;
    line = line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
    if (line.front() == '[') {
      section = line;
      return;
    }
    auto equals = line.find('=');
    if (section != "[Network]" || equals == std::string::npos) return;
    std::string_view key = line.substr(0, equals), value = line.substr(equals + 1);
    key = key.substr(0, key.find_last_not_of(" \t") + 1);
    value.remove_prefix(std::min(value.size(), value.find_first_not_of(" \t")));
    if (key != "DHCP") return;
    if (auto v = DhcpValue(value)) dhcp = v;
  });
}

}  // namespace

NetworkdClient::NetworkdClient(NetworkdOptions options)
    : ClientBase(options), options_(std::move(options)) {}

// networkd may run with mounts of its own: its files are read as it sees
// them, from its root folder opened once, and its drop-in folders are listed
// once instead of looked up per link and folder.
std::optional<NetworkdClient::Session> NetworkdClient::Connect(
    std::chrono::milliseconds timeout) const {
  Session s;
  s.bus = dhcp::Bus::Open(options_.busAddress, timeout);
  auto daemon = s.bus ? s.bus->DaemonHere(kNetworkdService, options_.procDir, kSystemUser) : std::nullopt;
  if (!daemon) return std::nullopt;
  s.daemon = *daemon;
  s.rootPath = options_.procDir + "/" + std::to_string(s.daemon.pid) + "/root";
  s.root.reset(open(s.rootPath.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  for (const auto& d : options_.networkDirs) {
    for (auto& path : dhcp::Glob(s.rootPath + d + "/*.network.d"))
      s.dropInDirs.insert(path.substr(s.rootPath.size()));
  }
  return s;
}

// The .network file networkd names, and its drop-ins, where only root (or
// networkd) could have put them; each file once a session.
bool NetworkdClient::DhcpConfigured(Session& s, const std::string& networkFile) const {
  auto [known, fresh] = s.configured.try_emplace(networkFile, false);
  if (!fresh) return known->second;
  auto slash = networkFile.rfind('/');
  if (slash == std::string::npos || networkFile.find("/.") != std::string::npos ||
      networkFile.size() < 9 || !networkFile.ends_with(".network"))
    return false;
  std::string dir = networkFile.substr(0, slash);
  std::string base = networkFile.substr(slash + 1);
  if (std::find(options_.networkDirs.begin(), options_.networkDirs.end(), dir) ==
      options_.networkDirs.end())
    return false;
  std::optional<bool> dhcp;
  std::string text;
  if (!kernel::ReadTrustedFileAt(s.root.get(), networkFile, kMaxNetworkFile, text)) return false;
  ScanNetworkFile(text, dhcp);
  // Drop-ins by name across the folders, the first folder's winning, read
  // in the order of their names.
  std::map<std::string, std::string> dropIns;
  for (const auto& d : options_.networkDirs) {
    const std::string dropInDir = d + "/" + base + ".d";
    if (!s.dropInDirs.count(dropInDir)) continue;
    for (auto& path : dhcp::Glob(s.rootPath + dropInDir + "/*.conf")) {
      const std::string name = path.substr(path.rfind('/') + 1);
      if (dropIns.size() < kMaxDropIns) dropIns.emplace(name, dropInDir + "/" + name);
    }
  }
  for (const auto& [name, path] : dropIns) {
    if (kernel::ReadTrustedFileAt(s.root.get(), path, kMaxNetworkFile, text))
      ScanNetworkFile(text, dhcp);
  }
  return known->second = dhcp.value_or(false);
}

std::optional<std::map<std::string, dhcp::NetworkdLink>> NetworkdClient::Describe(
    Session& s) const {
  auto described = s.bus->Call(kNetworkdService, kNetworkdManagerPath, kManager, "Describe");
  std::string json;
  if (described.status != CallStatus::Ok ||
      !dhcp::ReadString(described.reply.get(), json, dhcp::kMaxManyJsonBytes))
    return std::nullopt;
  return dhcp::ReadNetworkdLinks(json);
}

std::optional<NetworkdClient::Link> NetworkdClient::Find(Session& s,
                                                         const std::string& name) const {
  auto links = Describe(s);
  if (!links || !links->count(name)) return std::nullopt;
  return Described(s, links->at(name));
}

// A link as networkd describes it, with its files read. The expiry is on
// the boot clock; the lease time, which the description lacks, is in
// networkd's lease file for the link, believed only when it speaks of the
// same address.
NetworkdClient::Link NetworkdClient::Described(Session& s,
                                               const dhcp::NetworkdLink& described) const {
  Link link;
  static_cast<dhcp::NetworkdLink&>(link) = described;
  link.state.enabled = !link.networkFile.empty() && DhcpConfigured(s, link.networkFile);
  link.state.running = link.state.enabled;
  if (!link.state.enabled) return link;
  const std::uint64_t boot = BootTimeMicros();
  const std::int64_t expires =
      Now() + (static_cast<std::int64_t>(link.validUntil) - static_cast<std::int64_t>(boot)) / 1000000;
  if (link.address.empty() || (link.validUntil != kInfinity && (link.validUntil <= boot || expires <= Now()))) {
    link.address.clear();
    return link;
  }
  link.state.server = link.server;
  link.state.dnsServers = link.dnsServers;
  if (link.validUntil == kInfinity) {
    link.state.leaseExpires = dhcp::kNever;
    return link;
  }
  link.state.leaseExpires = expires;
  std::string text, address;
  if (!kernel::ReadTrustedFileAt(s.root.get(), options_.leaseDir + "/" + std::to_string(link.index),
                                 kMaxNetworkFile, text, s.daemon.uid))
    return link;
  std::int64_t lifetime = -1;
  bool bad = false;
  dhcp::ForEachLine(text, [&](std::string_view line) {
    if (line.rfind("ADDRESS=", 0) == 0) address = line.substr(8);
    if (line.rfind("LIFETIME=", 0) == 0) bad |= !dhcp::ParseLeaseSeconds(line.substr(9), lifetime);
  });
  if (!bad && address == link.address && lifetime >= 0 && lifetime != dhcp::kNever)
    link.state.leaseObtained = expires - lifetime;
  return link;
}

// The kernel's link of that name must be the one networkd described, in the
// caller's own namespace, before it is changed: an index alone could name
// another namespace's link. ERROR_BUSY when it is already as asked.
DWORD NetworkdClient::SetUp(const Link& link, const std::string& name, bool up) {
  netlink::LinkState kernel;
  if (DWORD error = netlink::ReadLinkState(name, kernel); error != NO_ERROR) return error;
  if (kernel.index != static_cast<std::uint32_t>(link.index)) return ERROR_DEV_NOT_EXIST;
  if (((kernel.flags & IFF_UP) != 0) == up) return up ? ERROR_BUSY : NO_ERROR;
  return netlink::SetLinkUp(kernel.index, up);
}

std::vector<DhcpState> NetworkdClient::Query(const std::vector<std::string>& names) {
  std::vector<DhcpState> out(names.size());
  auto session = Connect(options_.queryTimeout);
  auto links = session ? Describe(*session) : std::nullopt;
  for (std::size_t i = 0; links && i < names.size(); ++i) {
    if (auto found = links->find(names[i]); found != links->end())
      out[i] = Described(*session, found->second).state;
  }
  return out;
}

// networkd 252 offers no call that stops one link's DHCP client: a release
// takes the link down, as `networkctl down` does. A renewal brings it up, and
// networkd starts the link's client by itself; a link up already is renewed
// through networkd.
DWORD NetworkdClient::Act(const std::string& name, bool renew) {
  const auto start = std::chrono::steady_clock::now();
  const auto timeout = renew ? options_.renewTimeout : options_.releaseTimeout;
  auto session = Connect(timeout);
  auto link = session ? Find(*session, name) : std::nullopt;
  if (!link || !link->state.enabled) return ERROR_NOT_FOUND;
  if (!renew && link->address.empty()) return NO_ERROR;  // nothing held
  const std::uint64_t before = link->validUntil;
  if (DWORD error = SetUp(*link, name, renew); error == ERROR_BUSY) {
    auto r = session->bus->Call(kNetworkdService, kNetworkdManagerPath, kManager, "RenewLink", "i",
                                link->index);
    if (r.status != CallStatus::Ok) return dhcp::ErrorOf(r);
  } else if (error != NO_ERROR) {
    return error;
  }
  // Done when the lease is gone, or when the link holds one granted after
  // the call: its address's lifetime ends later than before.
  return PollUntil(start, timeout, [&]() -> std::optional<DWORD> {
    link = Find(*session, name);
    if (!link) return ERROR_GEN_FAILURE;
    if (renew ? !link->address.empty() && link->validUntil > before : link->address.empty())
      return NO_ERROR;
    return std::nullopt;
  });
}

}  // namespace lorvane::iphlp
