// The clients a system may run, asked in this order: a link that a network
// manager runs is its own, whatever a stand-alone client's old files say,
// and those files yield to a lease held elsewhere (managing_client.h).
#include "platform/iphlp/dhcp/dhclient_client.h"
#include "platform/iphlp/dhcp/dhcpcd_client.h"
#include "platform/iphlp/dhcp/managing_client.h"
#include "platform/iphlp/dhcp/network_manager_client.h"
#include "platform/iphlp/dhcp/networkd_client.h"

namespace lorvane::iphlp {

std::unique_ptr<DhcpClient> MakeSystemDhcpClient() {
  std::vector<std::unique_ptr<DhcpClient>> clients;
  clients.push_back(std::make_unique<NetworkManagerClient>());
  clients.push_back(std::make_unique<NetworkdClient>());
  clients.push_back(std::make_unique<DhcpcdClient>());
  clients.push_back(std::make_unique<DhclientClient>());
  return std::make_unique<ManagingClient>(std::move(clients));
}

}  // namespace lorvane::iphlp
