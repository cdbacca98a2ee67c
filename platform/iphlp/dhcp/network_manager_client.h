// The DHCP client for links that NetworkManager manages, over the system bus.
// A link is DHCP-enabled when NetworkManager manages its device and holds a
// DHCPv4 configuration for it, or could activate a connection for it whose
// IPv4 method is automatic; so a disconnected device stays enabled. One
// query is one call for every device and its configuration (the object
// manager's GetManagedObjects). Release disconnects the device
// (NetworkManager sends no DHCPRELEASE); renew activates its connection
// again. See docs/architecture.md, "DHCP client".
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/iphlp/dhcp/bus.h"
#include "platform/iphlp/dhcp/client_base.h"

namespace lorvane::iphlp {

struct NetworkManagerOptions : dhcp::ClientOptions {
  std::string busAddress = dhcp::kSystemBus;
};

namespace dhcp {

struct NmDevice {
  std::string path;
  std::string interface;
  bool managed = false;
  unsigned state = 0;
  std::string dhcp4Config = "/";
  std::string active = "/";
  std::vector<std::string> available;
};

// Everything NetworkManager holds, as one GetManagedObjects reply gave it.
struct NmObjects {
  std::map<std::string, NmDevice> devices;                          // by path
  std::map<std::string, std::map<std::string, std::string>> dhcp4;  // options by path
  std::map<std::string, std::string> connectionOf;  // active connection's settings
  // The managed device of that name; nullptr when none is, or two claim it.
  const NmDevice* Find(const std::string& name) const;
};

// nullopt for a reply of another shape or with a property of a wrong type.
std::optional<NmObjects> ReadNmObjects(sd_bus_message* reply);
// A managed device's state: enabled, with the lease its DHCP configuration
// holds at `now` only when every value of it is whole.
DhcpState NmLease(const NmObjects& objects, const NmDevice& device, std::int64_t now);

}  // namespace dhcp

// ERROR_NOT_FOUND when NetworkManager does not manage the link with DHCP,
// ERROR_TIMEOUT, ERROR_ACCESS_DENIED, ERROR_GEN_FAILURE.
class NetworkManagerClient : public dhcp::ClientBase {
 public:
  explicit NetworkManagerClient(NetworkManagerOptions options = {});

 private:
  std::vector<DhcpState> Query(const std::vector<std::string>& names) override;
  DWORD DoRelease(const std::string& name) override;
  DWORD DoRenew(const std::string& name) override;

  std::unique_ptr<dhcp::Bus> Connect(std::chrono::milliseconds timeout) const;
  std::optional<dhcp::NmObjects> Read(dhcp::Bus& bus) const;
  std::string ConnectionFor(dhcp::Bus& bus, const dhcp::NmObjects& objects,
                            const dhcp::NmDevice& device) const;

  NetworkManagerOptions options_;
};

}  // namespace lorvane::iphlp
