// The DHCP client for links that NetworkManager manages, over the system bus.
// A link is DHCP-enabled when NetworkManager manages its device and holds a
// DHCPv4 configuration for it, or could activate a connection for it whose
// IPv4 method is automatic; so a disconnected device stays enabled. Release
// disconnects the device (NetworkManager sends no DHCPRELEASE); renew
// activates its connection again. See docs/architecture.md, "DHCP client".
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/iphlp/dhcp/bus.h"
#include "platform/iphlp/dhcp_client.h"

namespace lorvane::iphlp {

struct NetworkManagerOptions {
  std::string busAddress = dhcp::kSystemBus;
  std::string procDir = "/proc";
  // Each question; a daemon that does not answer in this time is not asked
  // again in the same query.
  std::chrono::milliseconds callTimeout{1000};
  // The device's disconnect; measured at about 0.1 s.
  std::chrono::milliseconds releaseTimeout{5000};
  // Activation up to a DHCP lease: an offer and an acknowledgement.
  std::chrono::milliseconds renewTimeout{10000};
  // Seconds since 1970; empty: the system clock.
  std::function<std::int64_t()> now;
};

class NetworkManagerClient : public DhcpClient {
 public:
  explicit NetworkManagerClient(NetworkManagerOptions options = {});

  DhcpState State(const std::string& interfaceName) override;
  std::vector<DhcpState> States(const std::vector<std::string>& interfaceNames) override;
  // ERROR_INVALID_PARAMETER for a name that cannot be handed on,
  // ERROR_NOT_FOUND when NetworkManager does not manage the link with DHCP,
  // ERROR_TIMEOUT, ERROR_ACCESS_DENIED, ERROR_GEN_FAILURE.
  DWORD Release(const std::string& interfaceName) override;
  DWORD Renew(const std::string& interfaceName) override;

 private:
  struct Device {
    std::string path;
    std::string dhcp4Config;  // "/" when none
    bool enabled = false;
  };

  std::unique_ptr<dhcp::Bus> Connect(std::chrono::milliseconds timeout) const;
  std::optional<Device> Find(dhcp::Bus& bus, const std::string& name) const;
  DhcpState Lease(dhcp::Bus& bus, const Device& device) const;
  std::string ConnectionFor(dhcp::Bus& bus, const Device& device) const;
  std::int64_t Now() const;

  NetworkManagerOptions options_;
};

}  // namespace lorvane::iphlp
