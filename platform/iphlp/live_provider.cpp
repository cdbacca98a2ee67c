#include "platform/iphlp/live_provider.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <netinet/in.h>

#include <unordered_map>
#include <utility>

#include "platform/base/errors.h"
#include "platform/iphlp/description.h"
#include "platform/iphlp/device_info.h"
#include "platform/iphlp/hwdb.h"
#include "platform/iphlp/interface_name.h"
#include "platform/iphlp/netlink.h"
#include "platform/iphlp/resolv_conf.h"

namespace lorvane::iphlp {
namespace {

// A gateway is one host; its mask field says so.
constexpr const char* kGatewayMask = "255.255.255.255";

std::string Dotted(std::uint32_t networkOrder) {
  in_addr addr{};
  addr.s_addr = networkOrder;
  char text[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &addr, text, sizeof text);
  return text;
}

std::string MaskOf(int prefixLength) {
  if (prefixLength <= 0) return Dotted(0);
  if (prefixLength >= 32) return Dotted(0xffffffffu);
  return Dotted(htonl(0xffffffffu << (32 - prefixLength)));
}

// Windows leaves the loopback out of its adapters, and so does this.
bool IsLoopback(const netlink::Link& link) {
  return (link.flags & IFF_LOOPBACK) != 0 || link.arpType == ARPHRD_LOOPBACK;
}

// Links a DHCP client can configure: broadcast, Ethernet-like, not
// point-to-point. Whether DHCP is on does not matter: a released link still
// holds its place in the interface table.
bool CanHoldLease(const netlink::Link& link) {
  bool ethernetLike = link.arpType == ARPHRD_ETHER || link.arpType == ARPHRD_EETHER ||
                      link.arpType == ARPHRD_IEEE802;
  return ethernetLike && (link.flags & IFF_BROADCAST) != 0 && (link.flags & IFF_POINTOPOINT) == 0;
}

}  // namespace

LiveProvider::LiveProvider(std::unique_ptr<DhcpClient> dhcpClient, std::string resolvConfPath)
    : dhcp_(std::move(dhcpClient)),
      resolvConfPath_(std::move(resolvConfPath)),
      hardware_(std::make_unique<HardwareDatabase>()) {}

LiveProvider::~LiveProvider() = default;

DWORD LiveProvider::Adapters(std::vector<AdapterRecord>& out) {
  netlink::Snapshot snapshot;
  if (DWORD err = netlink::ReadSnapshot(snapshot); err != NO_ERROR) return err;

  std::unordered_map<std::uint32_t, std::vector<AddressEntry>> addresses, gateways;
  for (const auto& a : snapshot.addresses) {
    addresses[a.index].push_back({Dotted(a.address), MaskOf(a.prefixLength)});
  }
  for (const auto& g : snapshot.gateways)
    gateways[g.index].push_back({Dotted(g.address), kGatewayMask});

  std::vector<AdapterRecord> adapters;
  DeviceProber prober;
  std::lock_guard lock(mutex_);
  for (const auto& link : snapshot.links) {
    if (IsLoopback(link)) continue;
    AdapterRecord r;
    r.index = link.index;
    r.name = link.name;
    r.hardwareAddress = link.hardwareAddress;
    // A virtual link has no device to probe; its kind names it.
    DeviceFacts facts = link.kind.empty() ? prober.Probe(link.name, link.index) : DeviceFacts{};
    const std::string model =
        facts.bus ? hardware_->ModelName(*facts.bus, facts.vendor, facts.device) : std::string();
    r.description = AdapterDescription(link, facts, model);
    r.type = AdapterType(link, facts);
    r.addresses = std::move(addresses[link.index]);
    r.gateways = std::move(gateways[link.index]);
    r.canHoldLease = CanHoldLease(link);
    adapters.push_back(std::move(r));
  }
  hardware_->Close();
  recentDns_.reset();
  if (dhcp_ && !adapters.empty()) {
    std::vector<std::string> names;
    for (const auto& r : adapters) names.push_back(r.name);
    std::vector<DhcpState> states = dhcp_->States(names);
    recentDns_.emplace(RecentDns{{}, std::chrono::steady_clock::now(), {}});
    kernel::ThisNamespace("/proc", recentDns_->netNamespace);
    for (std::size_t i = 0; i < adapters.size() && i < states.size(); ++i) {
      AdapterRecord& r = adapters[i];
      DhcpState& state = states[i];
      recentDns_->servers[r.name] = std::move(state.dnsServers);
      r.dhcpEnabled = state.enabled;
      r.dhcpServer = std::move(state.server);
      r.leaseObtained = state.leaseObtained;
      r.leaseExpires = state.leaseExpires;
      r.haveWins = !state.winsServers.empty();
      if (state.winsServers.size() > 0) r.primaryWins = state.winsServers[0];
      if (state.winsServers.size() > 1) r.secondaryWins = state.winsServers[1];
    }
  }
  out = std::move(adapters);
  return NO_ERROR;
}

DWORD LiveProvider::InterfaceTable(std::vector<AdapterRecord>& out) {
  netlink::Snapshot snapshot;
  if (DWORD err = netlink::ReadSnapshot(snapshot); err != NO_ERROR) return err;
  std::vector<AdapterRecord> adapters;
  for (const auto& link : snapshot.links) {
    if (IsLoopback(link)) continue;
    AdapterRecord r;
    r.index = link.index;
    r.name = link.name;
    r.canHoldLease = CanHoldLease(link);
    adapters.push_back(std::move(r));
  }
  out = std::move(adapters);
  return NO_ERROR;
}

DWORD LiveProvider::DnsServers(std::uint32_t index, std::vector<std::string>& out) {
  std::string name;
  if (DWORD err = NameOf(index, name); err != NO_ERROR) return err;
  std::vector<std::string> servers;
  {
    std::lock_guard lock(mutex_);
    const std::optional<RecentDns> recent = std::exchange(recentDns_, std::nullopt);
    const std::vector<std::string>* kept = nullptr;
    kernel::FileId here;
    kernel::ThisNamespace("/proc", here);
    if (recent && recent->netNamespace == here &&
        std::chrono::steady_clock::now() - recent->when <= kMeasuredLifetime) {
      auto found = recent->servers.find(name);
      if (found != recent->servers.end()) kept = &found->second;
    }
    if (kept != nullptr) {
      servers = *kept;
    } else if (dhcp_) {
      servers = dhcp_->State(name).dnsServers;
    }
  }
  if (servers.empty()) servers = ReadResolvConf(resolvConfPath_);
  out = std::move(servers);
  return NO_ERROR;
}

DWORD LiveProvider::Release(std::uint32_t index) {
  std::string name;
  if (DWORD err = NameOf(index, name); err != NO_ERROR) return err;
  if (!IsSafeInterfaceName(name)) return ERROR_INVALID_PARAMETER;
  std::lock_guard lock(mutex_);
  recentDns_.reset();
  return dhcp_ ? dhcp_->Release(name) : ERROR_NOT_SUPPORTED;
}

DWORD LiveProvider::Renew(std::uint32_t index) {
  std::string name;
  if (DWORD err = NameOf(index, name); err != NO_ERROR) return err;
  if (!IsSafeInterfaceName(name)) return ERROR_INVALID_PARAMETER;
  std::lock_guard lock(mutex_);
  recentDns_.reset();
  return dhcp_ ? dhcp_->Renew(name) : ERROR_NOT_SUPPORTED;
}

DWORD LiveProvider::NameOf(std::uint32_t index, std::string& name) {
  netlink::Link link;
  if (DWORD err = netlink::ReadLink(index, link); err != NO_ERROR) return err;
  if (IsLoopback(link)) return ERROR_NOT_FOUND;
  name = link.name;
  return NO_ERROR;
}

}  // namespace lorvane::iphlp
