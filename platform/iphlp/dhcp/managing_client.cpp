#include "platform/iphlp/dhcp/managing_client.h"

#include "platform/base/errors.h"
#include "platform/iphlp/dhcp/dhclient_client.h"
#include "platform/iphlp/dhcp/dhcpcd_client.h"
#include "platform/iphlp/dhcp/network_manager_client.h"
#include "platform/iphlp/dhcp/networkd_client.h"

namespace lorvane::iphlp {
namespace {

bool Holds(const DhcpState& s) { return s.enabled && s.leaseExpires != 0; }

// A client that fails in any way answers for no link, and the others still
// answer: it must never cost the adapter list.
std::vector<DhcpState> Ask(DhcpClient& client, const std::vector<std::string>& names) {
  try {
    std::vector<DhcpState> states = client.States(names);
    if (states.size() == names.size()) return states;
  } catch (...) {
  }
  return std::vector<DhcpState>(names.size());
}

kernel::FileId ThisNamespace() {
  kernel::FileId ns;
  kernel::ThisNamespace("/proc", ns);
  return ns;
}

}  // namespace

ManagingClient::ManagingClient(std::vector<std::unique_ptr<DhcpClient>> clients)
    : clients_(std::move(clients)) {}

// Another client's files may still name a link it gave up long ago: where
// any client runs for the link, the others' claims from files and
// configuration count for nothing. The one that held the lease keeps the
// link through a release, so that the renewal goes to it and not to a second
// client started beside it.
int ManagingClient::Pick(const Link& link, const std::vector<std::vector<DhcpState>>& each,
                         std::size_t at) {
  bool anyRunning = false;
  for (const auto& states : each) anyRunning |= states[at].enabled && states[at].running;
  auto claims = [&](std::size_t i) {
    return each[i][at].enabled && (each[i][at].running || !anyRunning);
  };
  std::lock_guard<std::mutex> lock(mutex_);
  for (std::size_t i = 0; i < each.size(); ++i) {
    if (claims(i) && Holds(each[i][at])) {
      lastHolder_[link] = static_cast<int>(i);
      return static_cast<int>(i);
    }
  }
  auto last = lastHolder_.find(link);
  if (last != lastHolder_.end()) {
    if (claims(last->second)) return last->second;
    lastHolder_.erase(last);
  }
  for (std::size_t i = 0; i < each.size(); ++i) {
    if (claims(i)) return static_cast<int>(i);
  }
  return -1;
}

// A link that a client runs for and holds a lease on is that client's
// whatever the later ones say (see Pick), so they are asked only for the
// other links, and not at all once none is left: every client asked costs a
// bus round trip, a folder listing or a walk of the process table.
std::vector<DhcpState> ManagingClient::States(const std::vector<std::string>& interfaceNames) {
  std::vector<std::vector<DhcpState>> each;
  std::vector<bool> settled(interfaceNames.size(), false);
  for (auto& client : clients_) {
    std::vector<std::string> open;
    std::vector<std::size_t> where;
    for (std::size_t i = 0; i < interfaceNames.size(); ++i) {
      if (settled[i]) continue;
      open.push_back(interfaceNames[i]);
      where.push_back(i);
    }
    std::vector<DhcpState> states(interfaceNames.size());
    if (!open.empty()) {
      std::vector<DhcpState> answers = Ask(*client, open);
      for (std::size_t k = 0; k < where.size(); ++k) states[where[k]] = std::move(answers[k]);
    }
    for (std::size_t i = 0; i < states.size(); ++i)
      settled[i] = settled[i] || (states[i].running && Holds(states[i]));
    each.push_back(std::move(states));
  }
  kernel::FileId ns = ThisNamespace();
  std::vector<DhcpState> out(interfaceNames.size());
  for (std::size_t link = 0; link < interfaceNames.size(); ++link) {
    if (int chosen = Pick({ns, interfaceNames[link]}, each, link); chosen >= 0)
      out[link] = std::move(each[chosen][link]);
  }
  return out;
}

DhcpClient* ManagingClient::Manager(const std::string& interfaceName) {
  std::vector<std::vector<DhcpState>> each;
  for (auto& client : clients_) each.push_back(Ask(*client, {interfaceName}));
  int chosen = Pick({ThisNamespace(), interfaceName}, each, 0);
  return chosen < 0 ? nullptr : clients_[chosen].get();
}

DWORD ManagingClient::Release(const std::string& interfaceName) {
  return Act(interfaceName, &DhcpClient::Release);
}

DWORD ManagingClient::Renew(const std::string& interfaceName) {
  return Act(interfaceName, &DhcpClient::Renew);
}

DWORD ManagingClient::Act(const std::string& interfaceName,
                          DWORD (DhcpClient::*act)(const std::string&)) {
  DhcpClient* manager = Manager(interfaceName);
  if (!manager) return ERROR_NOT_FOUND;
  try {
    return (manager->*act)(interfaceName);
  } catch (...) {
    return ERROR_GEN_FAILURE;
  }
}

// The clients a system may run, asked in this order: a link that a network
// manager runs is its own, whatever a stand-alone client's old files say,
// and those files yield to a lease held elsewhere.
std::unique_ptr<DhcpClient> MakeSystemDhcpClient() {
  std::vector<std::unique_ptr<DhcpClient>> clients;
  clients.push_back(std::make_unique<NetworkManagerClient>());
  clients.push_back(std::make_unique<NetworkdClient>());
  clients.push_back(std::make_unique<DhcpcdClient>());
  clients.push_back(std::make_unique<DhclientClient>());
  return std::make_unique<ManagingClient>(std::move(clients));
}

}  // namespace lorvane::iphlp
