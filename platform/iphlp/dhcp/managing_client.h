// One DHCP client made of several: each link is served by the client that
// really manages it, and only by that one, so that no client is ever started
// on a link another one manages.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/iphlp/dhcp/running_clients.h"
#include "platform/iphlp/dhcp_client.h"

namespace lorvane::iphlp {

class ManagingClient : public DhcpClient {
 public:
  // In the order they are asked. Of those that say they manage a link (only
  // those that run for it, when any does): the first that holds a lease for
  // it; else the one that last held one here (a released link is still its
  // client's); else the first. A client that throws answers for nothing.
  explicit ManagingClient(std::vector<std::unique_ptr<DhcpClient>> clients);

  std::vector<DhcpState> States(const std::vector<std::string>& interfaceNames) override;
  // ERROR_NOT_FOUND when no client manages the link; else the manager's answer.
  DWORD Release(const std::string& interfaceName) override;
  DWORD Renew(const std::string& interfaceName) override;

 private:
  using Link = std::pair<kernel::FileId, std::string>;  // namespace, name
  DhcpClient* Manager(const std::string& interfaceName);
  DWORD Act(const std::string& interfaceName, DWORD (DhcpClient::*act)(const std::string&));
  int Pick(const Link& link, const std::vector<std::vector<DhcpState>>& each, std::size_t at);

  std::vector<std::unique_ptr<DhcpClient>> clients_;
  std::mutex mutex_;
  std::map<Link, int> lastHolder_;
};

}  // namespace lorvane::iphlp
