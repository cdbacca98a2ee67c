// Placeholder until the dhclient client lands: reports every link as not
// managed by DHCP and refuses lease operations.
#include "platform/base/errors.h"
#include "platform/iphlp/dhcp_client.h"

namespace lorvane::iphlp {
namespace {
class NoDhcpClient : public DhcpClient {
 public:
  DhcpState State(const std::string&) override { return {}; }
  DWORD Release(const std::string&) override { return ERROR_NOT_SUPPORTED; }
  DWORD Renew(const std::string&) override { return ERROR_NOT_SUPPORTED; }
};
}  // namespace

std::unique_ptr<DhcpClient> MakeSystemDhcpClient() { return std::make_unique<NoDhcpClient>(); }
}  // namespace lorvane::iphlp
