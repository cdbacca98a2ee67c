// The provider that answers from this machine: links, addresses and default
// routes from rtnetlink, descriptions from the hardware database or the
// driver, DHCP state and lease operations from the DHCP client, DNS servers
// from the client's lease or else from the resolver configuration.
//
// Every query opens its own netlink socket, so it sees the network namespace
// of the calling thread: a test may setns() a thread into a namespace of its
// own and query the live provider there.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/kernel/identity.h"
#include "platform/iphlp/dhcp_client.h"
#include "platform/iphlp/provider.h"

namespace lorvane::iphlp {

class HardwareDatabase;

inline constexpr const char* kResolvConfPath = "/etc/resolv.conf";

class LiveProvider : public Provider {
 public:
  // Tests pass a DHCP client of their own (lease dir, namespace) and a
  // resolver configuration file of their own.
  explicit LiveProvider(std::unique_ptr<DhcpClient> dhcpClient = MakeSystemDhcpClient(),
                        std::string resolvConfPath = kResolvConfPath);
  ~LiveProvider() override;

  DWORD Adapters(std::vector<AdapterRecord>& out) override;
  // From the links alone: no descriptions, addresses or DHCP state.
  DWORD InterfaceTable(std::vector<AdapterRecord>& out) override;
  DWORD DnsServers(std::uint32_t index, std::vector<std::string>& out) override;
  // Release and renew go to the DHCP client by interface name;
  // ERROR_NOT_FOUND when there is no such link, ERROR_INVALID_PARAMETER when
  // its name is not one that may be handed to another program.
  DWORD Release(std::uint32_t index) override;
  DWORD Renew(std::uint32_t index) override;

 private:
  // Each link's DNS servers as the last Adapters query found them, for the
  // one DnsServers call that follows it at once (an adapter's details after
  // the list), which would otherwise ask every DHCP client again.
  struct RecentDns {
    kernel::FileId netNamespace;  // links are per namespace
    std::chrono::steady_clock::time_point when;
    std::map<std::string, std::vector<std::string>> servers;  // by link name
  };

  DWORD NameOf(std::uint32_t index, std::string& name);

  std::mutex mutex_;  // the DHCP client, the hardware database and recentDns_
  std::unique_ptr<DhcpClient> dhcp_;
  std::optional<RecentDns> recentDns_;
  std::string resolvConfPath_;
  std::unique_ptr<HardwareDatabase> hardware_;
};

}  // namespace lorvane::iphlp
