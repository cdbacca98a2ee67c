// The clients a system may run, asked in this order: a link a manager of its
// own (dhcpcd here) runs is not dhclient's, whatever old files say of it.
#include "platform/iphlp/dhcp/dhclient_client.h"
#include "platform/iphlp/dhcp/dhcpcd_client.h"
#include "platform/iphlp/dhcp/managing_client.h"

namespace lorvane::iphlp {

std::unique_ptr<DhcpClient> MakeSystemDhcpClient() {
  std::vector<std::unique_ptr<DhcpClient>> clients;
  clients.push_back(std::make_unique<DhcpcdClient>());
  clients.push_back(std::make_unique<DhclientClient>());
  return std::make_unique<ManagingClient>(std::move(clients));
}

}  // namespace lorvane::iphlp
