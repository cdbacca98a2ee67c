#include "platform/iphlp/netlink.h"

#include <linux/rtnetlink.h>
#include <net/if.h>
#include <netinet/in.h>
#include <netlink/attr.h>
#include <netlink/errno.h>
#include <netlink/msg.h>
#include <netlink/netlink.h>
#include <netlink/route/link.h>
#include <netlink/socket.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <unordered_set>

#include "platform/base/errors.h"

namespace lorvane::iphlp::netlink {
namespace {

// A dump that the kernel marks as interrupted (links changed while it ran)
// is taken again; after this many tries the query fails rather than answer
// with a torn view.
constexpr int kDumpTries = 5;
constexpr std::size_t kDumpBuffer = 32 * 1024;

struct SocketDeleter {
  void operator()(nl_sock* s) const { nl_socket_free(s); }
};
struct LinkDeleter {
  void operator()(rtnl_link* l) const { rtnl_link_put(l); }
};
using SocketPtr = std::unique_ptr<nl_sock, SocketDeleter>;
using LinkPtr = std::unique_ptr<rtnl_link, LinkDeleter>;
struct MessageDeleter {
  void operator()(nl_msg* m) const { nlmsg_free(m); }
};
using MessagePtr = std::unique_ptr<nl_msg, MessageDeleter>;

DWORD Connect(SocketPtr& out) {
  SocketPtr sock(nl_socket_alloc());
  if (!sock) return ERROR_NOT_ENOUGH_MEMORY;
  int err = nl_connect(sock.get(), NETLINK_ROUTE);
  if (err < 0) return Win32FromNlError(err);
  out = std::move(sock);
  return NO_ERROR;
}

Link LinkOf(rtnl_link* link) {
  Link out;
  out.index = static_cast<std::uint32_t>(rtnl_link_get_ifindex(link));
  if (const char* name = rtnl_link_get_name(link)) out.name = name;
  if (const char* kind = rtnl_link_get_type(link)) out.kind = kind;
  out.arpType = rtnl_link_get_arptype(link);
  out.flags = rtnl_link_get_flags(link);
  if (nl_addr* hw = rtnl_link_get_addr(link)) {
    auto* bytes = static_cast<const std::uint8_t*>(nl_addr_get_binary_addr(hw));
    out.hardwareAddress.assign(bytes, bytes + nl_addr_get_len(hw));
  }
  return out;
}

std::vector<std::uint8_t> BytesOf(nlattr* attribute) {
  if (attribute == nullptr) return {};
  auto* bytes = static_cast<const std::uint8_t*>(nla_data(attribute));
  return {bytes, bytes + nla_len(attribute)};
}

// libnl has no accessor for IFLA_PERM_ADDRESS, so the reply is parsed here.
int ParseLinkState(nl_msg* message, void* arg) {
  nlmsghdr* header = nlmsg_hdr(message);
  if (header->nlmsg_type != RTM_NEWLINK) return NL_SKIP;
  nlattr* attributes[IFLA_MAX + 1] = {};
  if (nlmsg_parse(header, sizeof(ifinfomsg), attributes, IFLA_MAX, nullptr) < 0) return NL_SKIP;
  const auto* info = static_cast<const ifinfomsg*>(nlmsg_data(header));
  auto& out = *static_cast<LinkState*>(arg);
  out.index = static_cast<std::uint32_t>(info->ifi_index);
  out.flags = info->ifi_flags;
  if (attributes[IFLA_IFNAME] != nullptr) {
    // Bounded by the attribute, whether or not the kernel put a NUL in it.
    const auto* name = static_cast<const char*>(nla_data(attributes[IFLA_IFNAME]));
    out.name.assign(name,
                    strnlen(name, static_cast<std::size_t>(nla_len(attributes[IFLA_IFNAME]))));
  }
  out.address = BytesOf(attributes[IFLA_ADDRESS]);
  out.permanentAddress = BytesOf(attributes[IFLA_PERM_ADDRESS]);
  return NL_OK;
}

DWORD QueryLinkState(std::uint32_t index, const std::string* name, LinkState& out) {
  SocketPtr sock;
  if (DWORD err = Connect(sock); err != NO_ERROR) return err;
  nl_socket_disable_auto_ack(sock.get());
  MessagePtr request(nlmsg_alloc_simple(RTM_GETLINK, 0));
  if (!request) return ERROR_NOT_ENOUGH_MEMORY;
  ifinfomsg info{};
  info.ifi_family = AF_UNSPEC;
  info.ifi_index = static_cast<int>(index);
  int err = nlmsg_append(request.get(), &info, sizeof info, NLMSG_ALIGNTO);
  if (err >= 0 && name != nullptr) err = nla_put_string(request.get(), IFLA_IFNAME, name->c_str());
  if (err >= 0) err = nla_put_u32(request.get(), IFLA_EXT_MASK, RTEXT_FILTER_SKIP_STATS);
  if (err >= 0) err = nl_send_auto(sock.get(), request.get());
  LinkState state;
  if (err >= 0)
    err = nl_socket_modify_cb(sock.get(), NL_CB_VALID, NL_CB_CUSTOM, ParseLinkState, &state);
  if (err >= 0) err = nl_recvmsgs_default(sock.get());
  if (err < 0) return Win32FromNlError(err);
  if (state.index == 0) return ERROR_NOT_FOUND;
  out = std::move(state);
  return NO_ERROR;
}

DWORD ChangeLink(std::uint32_t index, unsigned flags, unsigned change,
                 const std::vector<std::uint8_t>* address) {
  if (index == 0 || index > 0x7fffffffu) return ERROR_NOT_FOUND;
  SocketPtr sock;
  if (DWORD err = Connect(sock); err != NO_ERROR) return err;
  MessagePtr request(nlmsg_alloc_simple(RTM_SETLINK, 0));
  if (!request) return ERROR_NOT_ENOUGH_MEMORY;
  ifinfomsg info{};
  info.ifi_family = AF_UNSPEC;
  info.ifi_index = static_cast<int>(index);
  info.ifi_flags = flags;
  info.ifi_change = change;
  int err = nlmsg_append(request.get(), &info, sizeof info, NLMSG_ALIGNTO);
  if (err >= 0 && address != nullptr)
    err = nla_put(request.get(), IFLA_ADDRESS, static_cast<int>(address->size()), address->data());
  if (err >= 0) err = nl_send_auto(sock.get(), request.get());
  if (err >= 0) err = nl_wait_for_ack(sock.get());
  return err < 0 ? Win32FromNlError(err) : NO_ERROR;
}

// The three dumps of a snapshot, parsed straight from the kernel's messages:
// only IPv4 addresses and routes are asked for, and links come without their
// counters, which a query never shows.
template <typename Parse>
DWORD DumpWith(nl_sock* sock, MessagePtr (*request)(), Parse parse) {
  int err = 0;
  for (int attempt = 0; attempt < kDumpTries; ++attempt) {
    MessagePtr message = request();
    if (!message) return ERROR_NOT_ENOUGH_MEMORY;
    parse.Reset();
    err = nl_send_auto(sock, message.get());
    if (err >= 0) {
      auto callback = [](nl_msg* m, void* arg) { return static_cast<Parse*>(arg)->Add(nlmsg_hdr(m)); };
      err = nl_socket_modify_cb(sock, NL_CB_VALID, NL_CB_CUSTOM, callback, &parse);
    }
    if (err >= 0) err = nl_recvmsgs_default(sock);
    if (err >= 0) {
      parse.Finish();
      return NO_ERROR;
    }
    if (err != -NLE_DUMP_INTR) break;
  }
  return Win32FromNlError(err);
}

MessagePtr LinkRequest() {
  MessagePtr m(nlmsg_alloc_simple(RTM_GETLINK, NLM_F_DUMP));
  ifinfomsg info{};
  info.ifi_family = AF_UNSPEC;
  if (m && (nlmsg_append(m.get(), &info, sizeof info, NLMSG_ALIGNTO) < 0 ||
            nla_put_u32(m.get(), IFLA_EXT_MASK, RTEXT_FILTER_SKIP_STATS) < 0))
    m.reset();
  return m;
}

MessagePtr AddressRequest() {
  MessagePtr m(nlmsg_alloc_simple(RTM_GETADDR, NLM_F_DUMP));
  ifaddrmsg info{};
  info.ifa_family = AF_INET;
  if (m && nlmsg_append(m.get(), &info, sizeof info, NLMSG_ALIGNTO) < 0) m.reset();
  return m;
}

MessagePtr RouteRequest() {
  MessagePtr m(nlmsg_alloc_simple(RTM_GETROUTE, NLM_F_DUMP));
  rtmsg info{};
  info.rtm_family = AF_INET;
  if (m && nlmsg_append(m.get(), &info, sizeof info, NLMSG_ALIGNTO) < 0) m.reset();
  return m;
}

std::uint32_t Ipv4Attribute(nlattr* attribute) {
  if (attribute == nullptr || nla_len(attribute) != 4) return 0;
  std::uint32_t value;
  std::memcpy(&value, nla_data(attribute), 4);
  return value;
}

std::string StringAttribute(nlattr* attribute) {
  const auto* text = static_cast<const char*>(nla_data(attribute));
  return {text, strnlen(text, static_cast<std::size_t>(nla_len(attribute)))};
}

struct LinkParse {
  std::vector<Link>& out;
  std::vector<Link> links;
  void Reset() { links.clear(); }
  void Finish() { out = std::move(links); }
  int Add(nlmsghdr* header) {
    nlattr* a[IFLA_MAX + 1] = {};
    if (header->nlmsg_type != RTM_NEWLINK ||
        nlmsg_parse(header, sizeof(ifinfomsg), a, IFLA_MAX, nullptr) < 0)
      return NL_SKIP;
    const auto* info = static_cast<const ifinfomsg*>(nlmsg_data(header));
    Link link;
    link.index = static_cast<std::uint32_t>(info->ifi_index);
    link.arpType = info->ifi_type;
    link.flags = info->ifi_flags;
    if (a[IFLA_IFNAME] != nullptr) link.name = StringAttribute(a[IFLA_IFNAME]);
    link.hardwareAddress = BytesOf(a[IFLA_ADDRESS]);
    nlattr* info_[IFLA_INFO_MAX + 1] = {};
    if (a[IFLA_LINKINFO] != nullptr &&
        nla_parse_nested(info_, IFLA_INFO_MAX, a[IFLA_LINKINFO], nullptr) >= 0 &&
        info_[IFLA_INFO_KIND] != nullptr)
      link.kind = StringAttribute(info_[IFLA_INFO_KIND]);
    links.push_back(std::move(link));
    return NL_OK;
  }
};

struct AddressParse {
  std::vector<Address>& out;
  std::vector<Address> addresses;
  void Reset() { addresses.clear(); }
  void Finish() { out = std::move(addresses); }
  int Add(nlmsghdr* header) {
    nlattr* a[IFA_MAX + 1] = {};
    if (header->nlmsg_type != RTM_NEWADDR ||
        nlmsg_parse(header, sizeof(ifaddrmsg), a, IFA_MAX, nullptr) < 0)
      return NL_SKIP;
    const auto* info = static_cast<const ifaddrmsg*>(nlmsg_data(header));
    if (info->ifa_family != AF_INET) return NL_SKIP;
    // The local end; on a point-to-point link IFA_ADDRESS is the peer.
    nlattr* local = a[IFA_LOCAL] != nullptr ? a[IFA_LOCAL] : a[IFA_ADDRESS];
    addresses.push_back({static_cast<std::uint32_t>(info->ifa_index), Ipv4Attribute(local),
                         info->ifa_prefixlen});
    return NL_OK;
  }
};

struct GatewayParse {
  std::vector<Gateway>& out;
  std::vector<Gateway> gateways;
  void Reset() { gateways.clear(); }
  void Finish() { out = std::move(gateways); }
  int Add(nlmsghdr* header) {
    nlattr* a[RTA_MAX + 1] = {};
    if (header->nlmsg_type != RTM_NEWROUTE ||
        nlmsg_parse(header, sizeof(rtmsg), a, RTA_MAX, nullptr) < 0)
      return NL_SKIP;
    const auto* info = static_cast<const rtmsg*>(nlmsg_data(header));
    std::uint32_t table = a[RTA_TABLE] != nullptr ? nla_get_u32(a[RTA_TABLE]) : info->rtm_table;
    if (info->rtm_family != AF_INET || table != RT_TABLE_MAIN || info->rtm_type != RTN_UNICAST ||
        info->rtm_dst_len != 0)
      return NL_SKIP;
    std::uint32_t metric = a[RTA_PRIORITY] != nullptr ? nla_get_u32(a[RTA_PRIORITY]) : 0;
    // A default route straight out of a link (ppp) names no gateway.
    auto add = [&](int index, nlattr* gateway) {
      std::uint32_t address = Ipv4Attribute(gateway);
      if (address != 0 && index > 0)
        gateways.push_back({static_cast<std::uint32_t>(index), address, metric});
    };
    if (a[RTA_MULTIPATH] == nullptr) {
      add(a[RTA_OIF] != nullptr ? static_cast<int>(nla_get_u32(a[RTA_OIF])) : 0, a[RTA_GATEWAY]);
      return NL_OK;
    }
    auto* hop = static_cast<rtnexthop*>(nla_data(a[RTA_MULTIPATH]));
    int left = nla_len(a[RTA_MULTIPATH]);
    while (left >= static_cast<int>(sizeof(rtnexthop)) && hop->rtnh_len >= sizeof(rtnexthop) &&
           hop->rtnh_len <= left) {
      nlattr* h[RTA_MAX + 1] = {};
      int inner = hop->rtnh_len - static_cast<int>(RTNH_LENGTH(0));
      if (nla_parse(h, RTA_MAX, reinterpret_cast<nlattr*>(RTNH_DATA(hop)), inner, nullptr) >= 0)
        add(hop->rtnh_ifindex, h[RTA_GATEWAY]);
      left -= static_cast<int>(RTNH_ALIGN(hop->rtnh_len));
      hop = RTNH_NEXT(hop);
    }
    return NL_OK;
  }
};

DWORD DumpLinks(nl_sock* sock, std::vector<Link>& out) {
  return DumpWith(sock, LinkRequest, LinkParse{out, {}});
}
DWORD DumpAddresses(nl_sock* sock, std::vector<Address>& out) {
  return DumpWith(sock, AddressRequest, AddressParse{out, {}});
}
DWORD DumpGateways(nl_sock* sock, std::vector<Gateway>& out) {
  return DumpWith(sock, RouteRequest, GatewayParse{out, {}});
}

}  // namespace

DWORD ReadSnapshot(Snapshot& out) {
  SocketPtr sock;
  if (DWORD err = Connect(sock); err != NO_ERROR) return err;
  nl_socket_disable_auto_ack(sock.get());
  // One large read a batch, as the kernel fills a batch up to the largest
  // read it has seen: far fewer round trips over hundreds of links.
  nl_socket_disable_msg_peek(sock.get());
  if (nl_socket_set_msg_buf_size(sock.get(), kDumpBuffer) < 0) return ERROR_NOT_ENOUGH_MEMORY;
  Snapshot snap;
  DWORD err = DumpLinks(sock.get(), snap.links);
  if (err == NO_ERROR) err = DumpAddresses(sock.get(), snap.addresses);
  if (err == NO_ERROR) err = DumpGateways(sock.get(), snap.gateways);
  if (err != NO_ERROR) return err;

  // Addresses and routes of a link that came after the link dump are left
  // out, so that every record speaks of a link the snapshot holds.
  std::unordered_set<std::uint32_t> known;
  for (const auto& link : snap.links) known.insert(link.index);
  std::erase_if(snap.addresses, [&](const Address& a) { return !known.count(a.index); });
  std::erase_if(snap.gateways, [&](const Gateway& g) { return !known.count(g.index); });
  std::stable_sort(snap.gateways.begin(), snap.gateways.end(),
                   [](const Gateway& a, const Gateway& b) { return a.metric < b.metric; });
  out = std::move(snap);
  return NO_ERROR;
}

DWORD ReadLink(std::uint32_t index, Link& out) {
  if (index == 0 || index > 0x7fffffffu) return ERROR_NOT_FOUND;
  SocketPtr sock;
  if (DWORD err = Connect(sock); err != NO_ERROR) return err;
  rtnl_link* raw = nullptr;
  int err = rtnl_link_get_kernel(sock.get(), static_cast<int>(index), nullptr, &raw);
  LinkPtr link(raw);
  if (err < 0) return Win32FromNlError(err);
  if (!link) return ERROR_NOT_FOUND;
  out = LinkOf(link.get());
  return NO_ERROR;
}

DWORD ReadLinkState(const std::string& name, LinkState& out) {
  // The kernel would look a longer name up by its first bytes.
  if (name.empty() || name.size() >= IFNAMSIZ) return ERROR_NOT_FOUND;
  return QueryLinkState(0, &name, out);
}

DWORD ReadLinkState(std::uint32_t index, LinkState& out) {
  if (index == 0 || index > 0x7fffffffu) return ERROR_NOT_FOUND;
  return QueryLinkState(index, nullptr, out);
}

DWORD SetLinkAddress(std::uint32_t index, const std::vector<std::uint8_t>& address) {
  return ChangeLink(index, 0, 0, &address);
}

DWORD SetLinkUp(std::uint32_t index, bool up) {
  return ChangeLink(index, up ? IFF_UP : 0, IFF_UP, nullptr);
}

DWORD Win32FromErrno(int error) {
  switch (error) {
    case 0:
      return NO_ERROR;
    case ENOMEM:
    case ENOBUFS:
      return ERROR_NOT_ENOUGH_MEMORY;
    case EPERM:
    case EACCES:
      return ERROR_ACCESS_DENIED;
    case ENODEV:
    case ENXIO:
    case ENOENT:
      return ERROR_NOT_FOUND;
    case EAFNOSUPPORT:
    case EPROTONOSUPPORT:
    case EOPNOTSUPP:
      return ERROR_NOT_SUPPORTED;
    case EINVAL:
      return ERROR_INVALID_PARAMETER;
    case ETIMEDOUT:
      return ERROR_TIMEOUT;
    case EBUSY:
      return ERROR_BUSY;
    default:
      return ERROR_GEN_FAILURE;
  }
}

DWORD Win32FromNlError(int nlError) {
  switch (nlError < 0 ? -nlError : nlError) {
    case NLE_SUCCESS:
      return NO_ERROR;
    case NLE_NOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    case NLE_NOACCESS:
    case NLE_PERM:
      return ERROR_ACCESS_DENIED;
    case NLE_OBJ_NOTFOUND:
    case NLE_NODEV:
      return ERROR_NOT_FOUND;
    case NLE_OPNOTSUPP:
    case NLE_AF_NOSUPPORT:
    case NLE_PROTO_MISMATCH:
    case NLE_MSGTYPE_NOSUPPORT:
      return ERROR_NOT_SUPPORTED;
    case NLE_INVAL:
    case NLE_RANGE:
      return ERROR_INVALID_PARAMETER;
    case NLE_MSG_OVERFLOW:
    case NLE_MSG_TRUNC:
    case NLE_MSG_TOOSHORT:
    case NLE_PARSE_ERR:
    case NLE_ATTRSIZE:
      return ERROR_INVALID_DATA;
    case NLE_BAD_SOCK:
      return ERROR_INVALID_HANDLE;
    case NLE_BUSY:
      return ERROR_BUSY;
    default:
      return ERROR_GEN_FAILURE;
  }
}

}  // namespace lorvane::iphlp::netlink
