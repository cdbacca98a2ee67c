// The one module that talks rtnetlink, over a socket of its own: it believes
// only the kernel's answer to its own request, retries interrupted dumps and
// turns the kernel's errors into Win32 errors. Callers get plain values.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/base/types.h"

namespace lorvane::iphlp::netlink {

struct Link {
  std::uint32_t index = 0;
  std::string name;
  std::string kind;          // IFLA_INFO_KIND ("veth", "bridge"), empty for hardware
  unsigned arpType = 0;      // ARPHRD_*
  unsigned flags = 0;        // IFF_*
  std::vector<std::uint8_t> hardwareAddress;
  std::vector<std::uint8_t> permanentAddress;  // empty where the kernel reports none
};

struct Address {
  std::uint32_t index = 0;
  std::uint32_t address = 0;  // IPv4, network byte order
  int prefixLength = 0;
};

struct Gateway {
  std::uint32_t index = 0;    // the link the default route leaves by
  std::uint32_t address = 0;  // IPv4, network byte order
  std::uint32_t metric = 0;
};

struct Snapshot {
  std::vector<Link> links;          // kernel order
  std::vector<Address> addresses;   // IPv4 only, kernel order (primary first)
  std::vector<Gateway> gateways;    // main table, 0.0.0.0/0, by metric
};

// Links, then IPv4 addresses, then IPv4 default routes, from the calling
// thread's network namespace. Addresses and routes of links that were not in
// the link dump are dropped, so the three always agree.
DWORD ReadSnapshot(Snapshot& out);

// One link by index; ERROR_NOT_FOUND when there is none.
DWORD ReadLink(std::uint32_t index, Link& out);

// What the adapter command needs of one link, read in one request.
struct LinkState {
  std::uint32_t index = 0;
  std::string name;
  unsigned flags = 0;  // IFF_*
  std::vector<std::uint8_t> address;
  std::vector<std::uint8_t> permanentAddress;  // empty where the kernel reports none
};

// One link of the calling thread's network namespace, by name or by index;
// ERROR_NOT_FOUND when there is none.
DWORD ReadLinkState(const std::string& name, LinkState& out);
DWORD ReadLinkState(std::uint32_t index, LinkState& out);

// ERROR_BUSY when the driver takes a new address only while the link is down.
DWORD SetLinkAddress(std::uint32_t index, const std::vector<std::uint8_t>& address);
DWORD SetLinkUp(std::uint32_t index, bool up);

DWORD Win32FromErrno(int error);

}  // namespace lorvane::iphlp::netlink
