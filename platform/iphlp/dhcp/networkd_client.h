// The DHCP client for links that systemd-networkd manages, over the system
// bus. A link is DHCP-enabled when networkd configures it from a .network
// file that turns DHCPv4 on, with a lease or not. The lease is what the
// link's description says networkd configured from DHCPv4 (address, server,
// expiry, DNS), with the lease time from networkd's lease file. Release takes
// the link down, as `networkctl down` does, which networkd answers by
// dropping the lease (it sends no DHCPRELEASE); renew brings it up again, or
// asks networkd to renew a link that is up. A query is one call: the
// manager's description of every link. See docs/architecture.md, "DHCP
// client".
#pragma once

#include <map>
#include <optional>
#include <set>

#include "platform/iphlp/dhcp/bus.h"
#include "platform/iphlp/dhcp/client_base.h"
#include "platform/iphlp/dhcp/replies.h"
#include "platform/kernel/unique_fd.h"

namespace lorvane::iphlp {

struct NetworkdOptions : dhcp::ClientOptions {
  std::string busAddress = dhcp::kSystemBus;
  // Where networkd looks for .network files and keeps its leases, as the
  // daemon sees them: they are read through its own root.
  std::vector<std::string> networkDirs = {"/etc/systemd/network", "/run/systemd/network",
                                          "/usr/lib/systemd/network", "/lib/systemd/network"};
  std::string leaseDir = "/run/systemd/netif/leases";
};

// ERROR_NOT_FOUND when networkd does not run DHCPv4 on the link,
// ERROR_TIMEOUT, ERROR_ACCESS_DENIED, ERROR_GEN_FAILURE.
class NetworkdClient : public dhcp::ClientBase {
 public:
  explicit NetworkdClient(NetworkdOptions options = {});

 private:
  struct Link : dhcp::NetworkdLink {
    DhcpState state;
  };
  struct Session {
    std::unique_ptr<dhcp::Bus> bus;
    dhcp::Bus::Daemon daemon;
    std::string rootPath;   // the daemon's root folder, where its files are as it sees them
    kernel::UniqueFd root;  // and that folder open
    // The drop-in folders there are (as the daemon sees them) and each
    // .network file's answer, so that links sharing a file read it once and
    // a link without drop-ins costs no folder lookups.
    std::set<std::string> dropInDirs;
    std::map<std::string, bool> configured;
  };

  std::vector<DhcpState> Query(const std::vector<std::string>& names) override;
  DWORD Act(const std::string& name, bool renew) override;

  std::optional<Session> Connect(std::chrono::milliseconds timeout) const;
  std::optional<std::map<std::string, dhcp::NetworkdLink>> Describe(Session& s) const;
  std::optional<Link> Find(Session& s, const std::string& name) const;
  Link Described(Session& s, const dhcp::NetworkdLink& described) const;
  bool DhcpConfigured(Session& s, const std::string& networkFile) const;
  static DWORD SetUp(const Link& link, const std::string& name, bool up);

  NetworkdOptions options_;
};

}  // namespace lorvane::iphlp
