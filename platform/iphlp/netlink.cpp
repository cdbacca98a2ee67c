#include "platform/iphlp/netlink.h"

#include <linux/rtnetlink.h>
#include <net/if.h>
#include <netinet/in.h>
#include <netlink/addr.h>
#include <netlink/cache.h>
#include <netlink/attr.h>
#include <netlink/errno.h>
#include <netlink/msg.h>
#include <netlink/netlink.h>
#include <netlink/route/addr.h>
#include <netlink/route/link.h>
#include <netlink/route/nexthop.h>
#include <netlink/route/route.h>
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

struct SocketDeleter {
  void operator()(nl_sock* s) const { nl_socket_free(s); }
};
struct CacheDeleter {
  void operator()(nl_cache* c) const { nl_cache_free(c); }
};
struct LinkDeleter {
  void operator()(rtnl_link* l) const { rtnl_link_put(l); }
};
using SocketPtr = std::unique_ptr<nl_sock, SocketDeleter>;
using CachePtr = std::unique_ptr<nl_cache, CacheDeleter>;
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

template <typename Fill>
DWORD Dump(Fill fill, CachePtr& out) {
  int err = 0;
  for (int attempt = 0; attempt < kDumpTries; ++attempt) {
    nl_cache* cache = nullptr;
    err = fill(&cache);
    if (err >= 0) {
      out.reset(cache);
      return NO_ERROR;
    }
    if (cache != nullptr) nl_cache_free(cache);
    if (err != -NLE_DUMP_INTR) break;
  }
  return Win32FromNlError(err);
}

std::uint32_t Ipv4Of(nl_addr* addr) {
  if (addr == nullptr || nl_addr_get_family(addr) != AF_INET || nl_addr_get_len(addr) != 4) return 0;
  std::uint32_t value;
  std::memcpy(&value, nl_addr_get_binary_addr(addr), 4);
  return value;
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

}  // namespace

DWORD ReadSnapshot(Snapshot& out) {
  SocketPtr sock;
  if (DWORD err = Connect(sock); err != NO_ERROR) return err;

  CachePtr links, addresses, routes;
  DWORD err = Dump([&](nl_cache** c) { return rtnl_link_alloc_cache(sock.get(), AF_UNSPEC, c); }, links);
  if (err == NO_ERROR) err = Dump([&](nl_cache** c) { return rtnl_addr_alloc_cache(sock.get(), c); }, addresses);
  if (err == NO_ERROR) {
    err = Dump([&](nl_cache** c) { return rtnl_route_alloc_cache(sock.get(), AF_INET, 0, c); }, routes);
  }
  if (err != NO_ERROR) return err;

  Snapshot snap;
  std::unordered_set<std::uint32_t> known;
  for (nl_object* o = nl_cache_get_first(links.get()); o != nullptr; o = nl_cache_get_next(o)) {
    snap.links.push_back(LinkOf(reinterpret_cast<rtnl_link*>(o)));
    known.insert(snap.links.back().index);
  }
  for (nl_object* o = nl_cache_get_first(addresses.get()); o != nullptr; o = nl_cache_get_next(o)) {
    auto* a = reinterpret_cast<rtnl_addr*>(o);
    if (rtnl_addr_get_family(a) != AF_INET) continue;
    auto index = static_cast<std::uint32_t>(rtnl_addr_get_ifindex(a));
    if (!known.count(index)) continue;
    snap.addresses.push_back({index, Ipv4Of(rtnl_addr_get_local(a)), rtnl_addr_get_prefixlen(a)});
  }
  for (nl_object* o = nl_cache_get_first(routes.get()); o != nullptr; o = nl_cache_get_next(o)) {
    auto* r = reinterpret_cast<rtnl_route*>(o);
    nl_addr* dst = rtnl_route_get_dst(r);
    if (rtnl_route_get_table(r) != RT_TABLE_MAIN || rtnl_route_get_type(r) != RTN_UNICAST) continue;
    if (dst != nullptr && nl_addr_get_prefixlen(dst) != 0) continue;
    for (int i = 0; i < rtnl_route_get_nnexthops(r); ++i) {
      rtnl_nexthop* nh = rtnl_route_nexthop_n(r, i);
      auto index = static_cast<std::uint32_t>(rtnl_route_nh_get_ifindex(nh));
      std::uint32_t gateway = Ipv4Of(rtnl_route_nh_get_gateway(nh));
      // A default route straight out of a link (ppp) names no gateway.
      if (gateway == 0 || !known.count(index)) continue;
      snap.gateways.push_back({index, gateway, rtnl_route_get_priority(r)});
    }
  }
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
