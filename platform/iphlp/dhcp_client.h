// The DHCP client that manages a link, seen by the live provider: what it
// holds for the link, and release and renew through it. NetworkManager,
// systemd-networkd, dhcpcd and dhclient each sit behind this interface
// (dhcp/), and one of them is chosen per link (dhcp/managing_client.h).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/types.h"

namespace lorvane::iphlp {

struct DhcpState {
  bool enabled = false;             // the link is configured for DHCP
  // The client runs for the link now (or this program released it through
  // the client); false where only its configuration or old files name it.
  bool running = false;
  std::string server;               // dotted decimal, empty when unknown
  std::int64_t leaseObtained = 0;   // seconds since 1970, 0 when no lease
  std::int64_t leaseExpires = 0;
  std::vector<std::string> dnsServers;   // from the lease, in order
  std::vector<std::string> winsServers;  // option 44, in order
};

class DhcpClient {
 public:
  virtual ~DhcpClient() = default;
  // The state of many links at once, in the order given: one adapter query
  // asks for every link, so that a client reads its files or asks its daemon
  // once, not once per link. enabled is false where it does not manage one.
  virtual std::vector<DhcpState> States(const std::vector<std::string>& interfaceNames) = 0;
  DhcpState State(const std::string& interfaceName) { return States({interfaceName}).front(); }
  virtual DWORD Release(const std::string& interfaceName) = 0;
  virtual DWORD Renew(const std::string& interfaceName) = 0;
};

// The client that manages links on this system.
std::unique_ptr<DhcpClient> MakeSystemDhcpClient();

}  // namespace lorvane::iphlp
