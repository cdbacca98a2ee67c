// The DHCP client for links that systemd-networkd manages, over the system
// bus. A link is DHCP-enabled when networkd configures it from a .network
// file that turns DHCPv4 on, with a lease or not. The lease is what the
// link's description says networkd configured from DHCPv4 (address, server,
// expiry, DNS), with the lease time from networkd's lease file. Release takes
// the link down, as `networkctl down` does, which networkd answers by
// dropping the lease (it sends no DHCPRELEASE); renew brings it up again, or
// asks networkd to renew a link that is up. See docs/architecture.md, "DHCP
// client".
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/iphlp/dhcp/bus.h"
#include "platform/iphlp/dhcp/json.h"
#include "platform/iphlp/dhcp_client.h"

namespace lorvane::iphlp {

struct NetworkdOptions {
  std::string busAddress = dhcp::kSystemBus;
  std::string procDir = "/proc";
  // Where networkd looks for .network files and keeps its leases, as the
  // daemon sees them: they are read through its own root.
  std::vector<std::string> networkDirs = {"/etc/systemd/network", "/run/systemd/network",
                                          "/usr/lib/systemd/network", "/lib/systemd/network"};
  std::string leaseDir = "/run/systemd/netif/leases";
  std::chrono::milliseconds callTimeout{1000};
  // networkd drops the lease as soon as it sees the link go down.
  std::chrono::milliseconds releaseTimeout{5000};
  // An offer and an acknowledgement, as for the other clients.
  std::chrono::milliseconds renewTimeout{10000};
  // Seconds since 1970; empty: the system clock.
  std::function<std::int64_t()> now;
};

class NetworkdClient : public DhcpClient {
 public:
  explicit NetworkdClient(NetworkdOptions options = {});

  DhcpState State(const std::string& interfaceName) override;
  std::vector<DhcpState> States(const std::vector<std::string>& interfaceNames) override;
  // ERROR_INVALID_PARAMETER for a name that cannot be handed on,
  // ERROR_NOT_FOUND when networkd does not run DHCPv4 on the link,
  // ERROR_TIMEOUT, ERROR_ACCESS_DENIED, ERROR_GEN_FAILURE.
  DWORD Release(const std::string& interfaceName) override;
  DWORD Renew(const std::string& interfaceName) override;

 private:
  struct Link {
    int index = 0;
    std::string path;
    bool enabled = false;
    std::string address;             // the DHCPv4 address, empty when none
    std::uint64_t validUntil = 0;    // CLOCK_BOOTTIME microseconds
    DhcpState state;
  };
  struct Session {
    std::unique_ptr<dhcp::Bus> bus;
    dhcp::Bus::Daemon daemon;
  };

  std::optional<Session> Connect(std::chrono::milliseconds timeout) const;
  std::optional<Link> Find(Session& s, const std::string& name) const;
  std::optional<Link> Described(const Session& s, const std::string& name,
                                const dhcp::JsonValue& doc, Link link) const;
  bool DhcpConfigured(const Session& s, const std::string& networkFile) const;
  void LeaseTimes(const Session& s, Link& link) const;
  std::string InDaemonRoot(const Session& s, const std::string& path) const;
  std::int64_t Now() const;

  NetworkdOptions options_;
};

}  // namespace lorvane::iphlp
