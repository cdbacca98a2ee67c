// The links of this system are managed by dhclient where they are managed at
// all; other clients can join here behind the same interface.
#include "platform/iphlp/dhcp/dhclient_client.h"

namespace lorvane::iphlp {

std::unique_ptr<DhcpClient> MakeSystemDhcpClient() { return std::make_unique<DhclientClient>(); }

}  // namespace lorvane::iphlp
