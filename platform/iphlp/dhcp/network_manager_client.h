// The DHCP client for links that NetworkManager manages, over the system bus.
// A link is DHCP-enabled when NetworkManager manages its device and holds a
// DHCPv4 configuration for it, or could activate a connection for it whose
// IPv4 method is automatic; so a disconnected device stays enabled. A
// query asks for every device's properties at once, then for those of
// their DHCP configurations. Release disconnects the device
// (NetworkManager sends no DHCPRELEASE); renew activates its connection
// again. See docs/architecture.md, "DHCP client".
#pragma once

#include "platform/iphlp/dhcp/bus.h"
#include "platform/iphlp/dhcp/client_base.h"
#include "platform/iphlp/dhcp/replies.h"

namespace lorvane::iphlp {

struct NetworkManagerOptions : dhcp::ClientOptions {
  std::string busAddress = dhcp::kSystemBus;
};

// ERROR_NOT_FOUND when NetworkManager does not manage the link with DHCP,
// ERROR_TIMEOUT, ERROR_ACCESS_DENIED, ERROR_GEN_FAILURE.
class NetworkManagerClient : public dhcp::ClientBase {
 public:
  explicit NetworkManagerClient(NetworkManagerOptions options = {});

 private:
  std::vector<DhcpState> Query(const std::vector<std::string>& names) override;
  DWORD Act(const std::string& name, bool renew) override;

  std::unique_ptr<dhcp::Bus> Connect(std::chrono::milliseconds timeout) const;
  std::optional<dhcp::NmObjects> Read(dhcp::Bus& bus, bool connections = false) const;
  std::string ConnectionFor(dhcp::Bus& bus, const dhcp::NmObjects& objects,
                            const dhcp::NmDevice& device) const;

  NetworkManagerOptions options_;
};

}  // namespace lorvane::iphlp
