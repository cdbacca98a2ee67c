// What the program reads of one adapter through the IP Helper calls, copied
// out of their buffers, for the tests that run real DHCP clients.
#pragma once

#include <string>
#include <vector>

#include "platform/iphlp/iphlpapi.h"

namespace lorvane::test {

struct Seen {
  bool found = false;
  DWORD index = 0;
  UINT dhcpEnabled = 0;
  std::string address, gateway, dhcpServer, wins1, wins2;
  BOOL haveWins = FALSE;
  LEASE_TIME obtained = 0, expires = 0;
};

// The adapter of that name in one GetAdaptersInfo query.
Seen Adapter(const std::string& name);
// GetPerAdapterInfo's DNS servers; empty when the call fails.
std::vector<std::string> DnsServers(DWORD index);
// IpReleaseAddress / IpRenewAddress for the adapter of that name (index 0,
// which no adapter has, when there is none).
DWORD Release(const std::string& name);
DWORD Renew(const std::string& name);

// What every client must show of a lab link (dhcp_lab.h), checked with
// gtest: holding a lease from the lab's server, whose length may be off by
// `slack` seconds where a client keeps its times on another clock.
void ExpectLabLease(const Seen& a, int slack = 0);
// Released: still configured for DHCP, with no address, server, lease or
// NetBIOS name servers, and `dns` (the resolver file's) for DNS.
void ExpectReleased(const Seen& released, const std::vector<std::string>& dns = {""});

}  // namespace lorvane::test
