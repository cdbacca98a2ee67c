#include "platform/iphlp/description.h"

#include <net/if_arp.h>

#include <string_view>

#include "platform/iphlp/records.h"

namespace lorvane::iphlp {
namespace {

struct KindName {
  std::string_view kind;
  std::string_view name;
};

constexpr KindName kKindNames[] = {
    {"veth", "Virtual Ethernet Adapter"},
    {"bridge", "Bridge Adapter"},
    {"bond", "Bonded Adapter"},
    {"team", "Team Adapter"},
    {"vlan", "VLAN Adapter"},
    {"macvlan", "MACVLAN Adapter"},
    {"macvtap", "MACVTAP Adapter"},
    {"ipvlan", "IPVLAN Adapter"},
    {"dummy", "Dummy Adapter"},
    {"tun", "TUN/TAP Adapter"},
    {"vxlan", "VXLAN Tunnel Adapter"},
    {"geneve", "Geneve Tunnel Adapter"},
    {"wireguard", "WireGuard Tunnel Adapter"},
    {"gre", "GRE Tunnel Adapter"},
    {"gretap", "GRE Tunnel Adapter"},
    {"ipip", "IP-in-IP Tunnel Adapter"},
    {"sit", "IPv6-in-IPv4 Tunnel Adapter"},
    {"ifb", "Intermediate Functional Block Adapter"},
    {"vrf", "VRF Adapter"},
};

std::string KindDescription(const std::string& kind) {
  for (const auto& k : kKindNames) {
    if (k.kind == kind) return std::string(k.name);
  }
  return kind + " Adapter";
}

std::string TypeDescription(std::uint32_t type) {
  switch (type) {
    case MIB_IF_TYPE_ETHERNET:
      return "Ethernet Adapter";
    case IF_TYPE_IEEE80211:
      return "Wireless Adapter";
    case MIB_IF_TYPE_PPP:
      return "PPP Adapter";
    case MIB_IF_TYPE_SLIP:
      return "SLIP Adapter";
    case MIB_IF_TYPE_TOKENRING:
      return "Token Ring Adapter";
    case IF_TYPE_TUNNEL:
      return "Tunnel Adapter";
    default:
      return "Network Adapter";
  }
}

}  // namespace

std::string AdapterDescription(const netlink::Link& link, const DeviceFacts& facts,
                               const std::string& modelName) {
  if (!modelName.empty()) return modelName;
  // A virtual link's driver is its kind under another spelling; the kind
  // reads better.
  if (!link.kind.empty()) return KindDescription(link.kind);
  if (!facts.driver.empty()) return facts.driver;
  return TypeDescription(AdapterType(link, facts));
}

std::uint32_t AdapterType(const netlink::Link& link, const DeviceFacts& facts) {
  switch (link.arpType) {
    case ARPHRD_ETHER:
      return facts.wireless ? IF_TYPE_IEEE80211 : MIB_IF_TYPE_ETHERNET;
    case ARPHRD_IEEE80211:
    case ARPHRD_IEEE80211_PRISM:
    case ARPHRD_IEEE80211_RADIOTAP:
      return IF_TYPE_IEEE80211;
    case ARPHRD_PPP:
      return MIB_IF_TYPE_PPP;
    case ARPHRD_SLIP:
    case ARPHRD_CSLIP:
    case ARPHRD_SLIP6:
    case ARPHRD_CSLIP6:
      return MIB_IF_TYPE_SLIP;
    case ARPHRD_IEEE802_TR:
    case ARPHRD_IEEE802:
      return MIB_IF_TYPE_TOKENRING;
    case ARPHRD_LOOPBACK:
      return MIB_IF_TYPE_LOOPBACK;
    case ARPHRD_TUNNEL:
    case ARPHRD_TUNNEL6:
    case ARPHRD_SIT:
    case ARPHRD_IPGRE:
    case ARPHRD_NONE:
    case ARPHRD_VOID:
      return IF_TYPE_TUNNEL;
    default:
      return MIB_IF_TYPE_OTHER;
  }
}

}  // namespace lorvane::iphlp
