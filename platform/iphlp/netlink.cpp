#include "platform/iphlp/netlink.h"

#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <unordered_set>
#include <vector>

#include "platform/base/errors.h"

namespace lorvane::iphlp::netlink {
namespace {

// A dump that the kernel marks as interrupted (links changed while it ran)
// is taken again, after a pause that grows, since links tend to come and go
// in bursts (a host starting containers); a few tries in a row are not
// enough while a burst lasts. The query fails rather than answer with a
// torn view only when links keep changing for this long.
constexpr std::chrono::milliseconds kDumpPatience{1000};
constexpr std::chrono::milliseconds kLongestDumpPause{50};
constexpr std::size_t kDumpBuffer = 32 * 1024;

// One request as the kernel reads it: header, fixed part, attributes, each
// aligned. Every request here is small.
struct Request {
  alignas(nlmsghdr) unsigned char bytes[256] = {};
  std::size_t size = NLMSG_HDRLEN;
  bool fits = true;

  Request(std::uint16_t type, std::uint16_t flags) {
    Header()->nlmsg_type = type;
    Header()->nlmsg_flags = static_cast<std::uint16_t>(NLM_F_REQUEST | flags);
  }
  nlmsghdr* Header() { return reinterpret_cast<nlmsghdr*>(bytes); }
  template <typename Body>
  void Fixed(const Body& body) {
    Append(&body, sizeof body, NLMSG_ALIGN(sizeof body));
  }
  void Attribute(std::uint16_t type, const void* data, std::size_t length) {
    if (length > sizeof bytes) {
      fits = false;
      return;
    }
    rtattr head{};
    head.rta_type = type;
    head.rta_len = static_cast<std::uint16_t>(RTA_LENGTH(length));
    Append(&head, sizeof head, RTA_LENGTH(0));
    Append(data, length, RTA_ALIGN(length));
  }
  void U32(std::uint16_t type, std::uint32_t value) { Attribute(type, &value, sizeof value); }

 private:
  void Append(const void* data, std::size_t length, std::size_t room) {
    if (!fits || size + room > sizeof bytes) {
      fits = false;
      return;
    }
    std::memcpy(bytes + size, data, length);
    size += room;
  }
};

// A route netlink socket that believes only the kernel, and only the answer
// to the request it sent last.
class Socket {
 public:
  Socket() = default;
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  ~Socket() {
    if (fd_ >= 0) ::close(fd_);
  }

  DWORD Open() {
    fd_ = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (fd_ < 0) return Win32FromErrno(errno);
    sockaddr_nl local{};
    local.nl_family = AF_NETLINK;
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local) < 0)
      return Win32FromErrno(errno);
    return NO_ERROR;
  }

  // Sends the request and hands each message of the answer to `take`, until
  // the dump's end, the acknowledgement, or the one answer of a plain
  // request. `interrupted` says whether the kernel marked a dump as torn.
  template <typename Take>
  DWORD Exchange(Request& request, Take&& take, bool& interrupted) {
    interrupted = false;
    if (!request.fits) return ERROR_INVALID_PARAMETER;
    nlmsghdr* sent = request.Header();
    sent->nlmsg_len = static_cast<std::uint32_t>(request.size);
    sent->nlmsg_seq = ++sequence_;
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    if (::sendto(fd_, request.bytes, request.size, 0, reinterpret_cast<sockaddr*>(&kernel),
                 sizeof kernel) < 0)
      return Win32FromErrno(errno);
    const bool single = (sent->nlmsg_flags & (NLM_F_DUMP | NLM_F_ACK)) == 0;
    for (;;) {
      // The next datagram's size first, as iproute2 reads it: a message
      // larger than the buffer grows the buffer instead of failing.
      const ssize_t size = Receive(MSG_PEEK | MSG_TRUNC, nullptr, 0);
      if (size < 0) {
        if (errno == EINTR) continue;
        return Win32FromErrno(errno);
      }
      const std::size_t words = (static_cast<std::size_t>(size) + 3) / 4;
      if (words > buffer_.size()) buffer_.resize(words);
      sockaddr_nl from{};
      const ssize_t got = Receive(0, &from, buffer_.size() * sizeof buffer_[0]);
      if (got < 0) {
        if (errno == EINTR) continue;
        return Win32FromErrno(errno);
      }
      if (from.nl_pid != 0) continue;  // another process, not the kernel
      const auto received = static_cast<std::size_t>(got);
      auto* bytes = reinterpret_cast<unsigned char*>(buffer_.data());
      for (std::size_t at = 0, next = 0; at + sizeof(nlmsghdr) <= received; at = next) {
        auto* h = reinterpret_cast<nlmsghdr*>(bytes + at);
        if (h->nlmsg_len < sizeof(nlmsghdr) || h->nlmsg_len > received - at) break;
        next = at + NLMSG_ALIGN(h->nlmsg_len);
        if (h->nlmsg_seq != sequence_) continue;
        if (h->nlmsg_flags & NLM_F_DUMP_INTR) interrupted = true;
        if (h->nlmsg_type == NLMSG_DONE) {
          int error = 0;
          if (h->nlmsg_len >= NLMSG_LENGTH(sizeof error))
            std::memcpy(&error, NLMSG_DATA(h), sizeof error);
          return error < 0 ? Win32FromErrno(-error) : NO_ERROR;
        }
        if (h->nlmsg_type == NLMSG_ERROR) {
          if (h->nlmsg_len < NLMSG_LENGTH(sizeof(nlmsgerr))) return ERROR_INVALID_DATA;
          int error = 0;
          std::memcpy(&error, NLMSG_DATA(h), sizeof error);
          return error < 0 ? Win32FromErrno(-error) : NO_ERROR;
        }
        if (h->nlmsg_type < NLMSG_MIN_TYPE) continue;
        take(h);
        if (single) return NO_ERROR;
      }
    }
  }

 private:
  ssize_t Receive(int flags, sockaddr_nl* from, std::size_t length) {
    iovec part{buffer_.data(), length};
    msghdr message{};
    message.msg_name = from;
    message.msg_namelen = from ? sizeof *from : 0;
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    return ::recvmsg(fd_, &message, flags);
  }

  int fd_ = -1;
  std::uint32_t sequence_ = 0;
  // One large read a batch, as the kernel fills a batch up to the largest
  // read it has seen: far fewer round trips over hundreds of links.
  std::vector<std::uint32_t> buffer_ = std::vector<std::uint32_t>(kDumpBuffer / 4);
};

// The attributes of one message or nest, by type; a later one of a type
// stands for it.
template <std::size_t Max>
struct Attributes {
  std::array<rtattr*, Max + 1> at{};
  Attributes(rtattr* first, int length) {
    for (rtattr* a = first; RTA_OK(a, length); a = RTA_NEXT(a, length)) {
      const unsigned type = a->rta_type & NLA_TYPE_MASK;
      if (type <= Max) at[type] = a;
    }
  }
  rtattr* operator[](unsigned type) const { return at[type]; }
};

// The fixed part of a message of `type`, or null where the message is
// another or too short to hold it.
template <typename Body>
Body* BodyOf(nlmsghdr* h, std::uint16_t type) {
  if (h->nlmsg_type != type || h->nlmsg_len < NLMSG_LENGTH(sizeof(Body))) return nullptr;
  return static_cast<Body*>(NLMSG_DATA(h));
}

template <std::size_t Max, typename Body>
Attributes<Max> AttributesAfter(nlmsghdr* h, Body*) {
  auto* first = reinterpret_cast<rtattr*>(static_cast<unsigned char*>(NLMSG_DATA(h)) +
                                          NLMSG_ALIGN(sizeof(Body)));
  return Attributes<Max>(first, static_cast<int>(h->nlmsg_len) -
                                    static_cast<int>(NLMSG_SPACE(sizeof(Body))));
}

std::vector<std::uint8_t> BytesOf(const rtattr* attribute) {
  if (attribute == nullptr) return {};
  auto* bytes = static_cast<const std::uint8_t*>(RTA_DATA(attribute));
  return {bytes, bytes + RTA_PAYLOAD(attribute)};
}

std::string StringAttribute(const rtattr* attribute) {
  const auto* text = static_cast<const char*>(RTA_DATA(attribute));
  return {text, strnlen(text, RTA_PAYLOAD(attribute))};
}

std::uint32_t Ipv4Attribute(const rtattr* attribute) {
  if (attribute == nullptr || RTA_PAYLOAD(attribute) != 4) return 0;
  std::uint32_t value;
  std::memcpy(&value, RTA_DATA(attribute), 4);
  return value;
}

// A 32-bit attribute, or `otherwise` where it is missing or of another size.
std::uint32_t U32Attribute(const rtattr* attribute, std::uint32_t otherwise) {
  if (attribute == nullptr || RTA_PAYLOAD(attribute) < 4) return otherwise;
  std::uint32_t value;
  std::memcpy(&value, RTA_DATA(attribute), 4);
  return value;
}

Request LinkRequest(std::uint16_t flags, std::uint32_t index) {
  Request request(RTM_GETLINK, flags);
  ifinfomsg info{};
  info.ifi_family = AF_UNSPEC;
  info.ifi_index = static_cast<int>(index);
  request.Fixed(info);
  request.U32(IFLA_EXT_MASK, RTEXT_FILTER_SKIP_STATS);
  return request;
}

Link LinkOf(nlmsghdr* h, ifinfomsg* info) {
  auto a = AttributesAfter<IFLA_MAX>(h, info);
  Link link;
  link.index = static_cast<std::uint32_t>(info->ifi_index);
  link.arpType = info->ifi_type;
  link.flags = info->ifi_flags;
  if (a[IFLA_IFNAME] != nullptr) link.name = StringAttribute(a[IFLA_IFNAME]);
  link.hardwareAddress = BytesOf(a[IFLA_ADDRESS]);
  link.permanentAddress = BytesOf(a[IFLA_PERM_ADDRESS]);
  if (a[IFLA_LINKINFO] != nullptr) {
    Attributes<IFLA_INFO_MAX> nested(static_cast<rtattr*>(RTA_DATA(a[IFLA_LINKINFO])),
                                     static_cast<int>(RTA_PAYLOAD(a[IFLA_LINKINFO])));
    if (nested[IFLA_INFO_KIND] != nullptr) link.kind = StringAttribute(nested[IFLA_INFO_KIND]);
  }
  return link;
}

// One link by index or by name, in one request.
DWORD QueryLink(std::uint32_t index, const std::string* name, Link& out) {
  Socket sock;
  if (DWORD err = sock.Open(); err != NO_ERROR) return err;
  Request request = LinkRequest(0, index);
  // Bounded by the attribute, whether or not the kernel put a NUL in it.
  if (name != nullptr) request.Attribute(IFLA_IFNAME, name->c_str(), name->size() + 1);
  Link link;
  bool interrupted = false;
  DWORD err = sock.Exchange(
      request,
      [&](nlmsghdr* h) {
        if (auto* info = BodyOf<ifinfomsg>(h, RTM_NEWLINK)) link = LinkOf(h, info);
      },
      interrupted);
  if (err != NO_ERROR) return err;
  if (link.index == 0) return ERROR_NOT_FOUND;
  out = std::move(link);
  return NO_ERROR;
}

DWORD QueryLinkState(std::uint32_t index, const std::string* name, LinkState& out) {
  Link link;
  if (DWORD err = QueryLink(index, name, link); err != NO_ERROR) return err;
  out.index = link.index;
  out.name = std::move(link.name);
  out.flags = link.flags;
  out.address = std::move(link.hardwareAddress);
  out.permanentAddress = std::move(link.permanentAddress);
  return NO_ERROR;
}

DWORD ChangeLink(std::uint32_t index, unsigned flags, unsigned change,
                 const std::vector<std::uint8_t>* address) {
  if (index == 0 || index > 0x7fffffffu) return ERROR_NOT_FOUND;
  Socket sock;
  if (DWORD err = sock.Open(); err != NO_ERROR) return err;
  Request request(RTM_SETLINK, NLM_F_ACK);
  ifinfomsg info{};
  info.ifi_family = AF_UNSPEC;
  info.ifi_index = static_cast<int>(index);
  info.ifi_flags = flags;
  info.ifi_change = change;
  request.Fixed(info);
  if (address != nullptr) request.Attribute(IFLA_ADDRESS, address->data(), address->size());
  bool interrupted = false;
  return sock.Exchange(request, [](nlmsghdr*) {}, interrupted);
}

// The three dumps of a snapshot, parsed straight from the kernel's messages:
// only IPv4 addresses and routes are asked for, and links come without their
// counters, which a query never shows.
template <typename Parse>
DWORD DumpWith(Socket& sock, Request (*request)(), Parse parse) {
  const auto giveUp = std::chrono::steady_clock::now() + kDumpPatience;
  for (std::chrono::milliseconds pause{0};;
       pause = std::min(pause * 2 + std::chrono::milliseconds{1}, kLongestDumpPause)) {
    Request message = request();
    parse.Reset();
    bool interrupted = false;
    DWORD err = sock.Exchange(message, [&](nlmsghdr* h) { parse.Add(h); }, interrupted);
    if (err != NO_ERROR) return err;
    if (!interrupted) {
      parse.Finish();
      return NO_ERROR;
    }
    if (std::chrono::steady_clock::now() + pause > giveUp) return ERROR_GEN_FAILURE;
    std::this_thread::sleep_for(pause);
  }
}

Request LinkDump() { return LinkRequest(NLM_F_DUMP, 0); }

Request AddressDump() {
  Request request(RTM_GETADDR, NLM_F_DUMP);
  ifaddrmsg info{};
  info.ifa_family = AF_INET;
  request.Fixed(info);
  return request;
}

Request RouteDump() {
  Request request(RTM_GETROUTE, NLM_F_DUMP);
  rtmsg info{};
  info.rtm_family = AF_INET;
  request.Fixed(info);
  return request;
}

struct LinkParse {
  std::vector<Link>& out;
  std::vector<Link> links;
  void Reset() { links.clear(); }
  void Finish() { out = std::move(links); }
  void Add(nlmsghdr* h) {
    if (auto* info = BodyOf<ifinfomsg>(h, RTM_NEWLINK)) links.push_back(LinkOf(h, info));
  }
};

struct AddressParse {
  std::vector<Address>& out;
  std::vector<Address> addresses;
  void Reset() { addresses.clear(); }
  void Finish() { out = std::move(addresses); }
  void Add(nlmsghdr* h) {
    auto* info = BodyOf<ifaddrmsg>(h, RTM_NEWADDR);
    if (info == nullptr || info->ifa_family != AF_INET) return;
    auto a = AttributesAfter<IFA_MAX>(h, info);
    // The local end; on a point-to-point link IFA_ADDRESS is the peer.
    const rtattr* local = a[IFA_LOCAL] != nullptr ? a[IFA_LOCAL] : a[IFA_ADDRESS];
    addresses.push_back({static_cast<std::uint32_t>(info->ifa_index), Ipv4Attribute(local),
                         info->ifa_prefixlen});
  }
};

struct GatewayParse {
  std::vector<Gateway>& out;
  std::vector<Gateway> gateways;
  void Reset() { gateways.clear(); }
  void Finish() { out = std::move(gateways); }
  void Add(nlmsghdr* h) {
    auto* info = BodyOf<rtmsg>(h, RTM_NEWROUTE);
    if (info == nullptr) return;
    auto a = AttributesAfter<RTA_MAX>(h, info);
    const std::uint32_t table = U32Attribute(a[RTA_TABLE], info->rtm_table);
    if (info->rtm_family != AF_INET || table != RT_TABLE_MAIN || info->rtm_type != RTN_UNICAST ||
        info->rtm_dst_len != 0)
      return;
    const std::uint32_t metric = U32Attribute(a[RTA_PRIORITY], 0);
    // A default route straight out of a link (ppp) names no gateway.
    auto add = [&](int index, const rtattr* gateway) {
      std::uint32_t address = Ipv4Attribute(gateway);
      if (address != 0 && index > 0)
        gateways.push_back({static_cast<std::uint32_t>(index), address, metric});
    };
    if (a[RTA_MULTIPATH] == nullptr) {
      add(static_cast<int>(U32Attribute(a[RTA_OIF], 0)), a[RTA_GATEWAY]);
      return;
    }
    auto* hop = static_cast<rtnexthop*>(RTA_DATA(a[RTA_MULTIPATH]));
    int left = static_cast<int>(RTA_PAYLOAD(a[RTA_MULTIPATH]));
    while (left >= static_cast<int>(sizeof(rtnexthop)) && hop->rtnh_len >= sizeof(rtnexthop) &&
           hop->rtnh_len <= left) {
      Attributes<RTA_MAX> inner(RTNH_DATA(hop),
                                hop->rtnh_len - static_cast<int>(RTNH_LENGTH(0)));
      add(hop->rtnh_ifindex, inner[RTA_GATEWAY]);
      left -= static_cast<int>(RTNH_ALIGN(hop->rtnh_len));
      hop = RTNH_NEXT(hop);
    }
  }
};

}  // namespace

DWORD ReadSnapshot(Snapshot& out) {
  Socket sock;
  if (DWORD err = sock.Open(); err != NO_ERROR) return err;
  Snapshot snap;
  DWORD err = DumpWith(sock, LinkDump, LinkParse{snap.links, {}});
  if (err == NO_ERROR) err = DumpWith(sock, AddressDump, AddressParse{snap.addresses, {}});
  if (err == NO_ERROR) err = DumpWith(sock, RouteDump, GatewayParse{snap.gateways, {}});
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
  return QueryLink(index, nullptr, out);
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
    case ERANGE:
      return ERROR_INVALID_PARAMETER;
    case ETIMEDOUT:
      return ERROR_TIMEOUT;
    case EBUSY:
      return ERROR_BUSY;
    default:
      return ERROR_GEN_FAILURE;
  }
}

}  // namespace lorvane::iphlp::netlink
