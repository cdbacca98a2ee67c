#include "platform/iphlp/dhcp/managing_client.h"

#include "platform/base/errors.h"

namespace lorvane::iphlp {
namespace {

bool Holds(const DhcpState& s) { return s.enabled && s.leaseExpires != 0; }

dhcp::FileId ThisNamespace() {
  dhcp::FileId ns;
  dhcp::ThisNamespace("/proc", ns);
  return ns;
}

}  // namespace

ManagingClient::ManagingClient(std::vector<std::unique_ptr<DhcpClient>> clients)
    : clients_(std::move(clients)) {}

// Another client's files may still name a link it gave up long ago; the one
// that held the lease keeps the link through a release, so that the renewal
// goes to it and not to a second client started beside it.
int ManagingClient::Pick(const Link& link, const std::vector<const DhcpState*>& states) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (std::size_t i = 0; i < states.size(); ++i) {
    if (Holds(*states[i])) {
      lastHolder_[link] = static_cast<int>(i);
      return static_cast<int>(i);
    }
  }
  auto last = lastHolder_.find(link);
  if (last != lastHolder_.end()) {
    if (states[last->second]->enabled) return last->second;
    lastHolder_.erase(last);
  }
  for (std::size_t i = 0; i < states.size(); ++i) {
    if (states[i]->enabled) return static_cast<int>(i);
  }
  return -1;
}

DhcpState ManagingClient::State(const std::string& interfaceName) {
  return States({interfaceName}).front();
}

std::vector<DhcpState> ManagingClient::States(const std::vector<std::string>& interfaceNames) {
  std::vector<std::vector<DhcpState>> each;
  each.reserve(clients_.size());
  for (auto& client : clients_) each.push_back(client->States(interfaceNames));
  dhcp::FileId ns = ThisNamespace();
  std::vector<DhcpState> out(interfaceNames.size());
  for (std::size_t link = 0; link < interfaceNames.size(); ++link) {
    std::vector<const DhcpState*> states;
    for (const auto& client : each) states.push_back(&client[link]);
    if (int chosen = Pick({ns, interfaceNames[link]}, states); chosen >= 0)
      out[link] = std::move(each[chosen][link]);
  }
  return out;
}

DhcpClient* ManagingClient::Manager(const std::string& interfaceName) {
  std::vector<DhcpState> states;
  for (auto& client : clients_) states.push_back(client->State(interfaceName));
  std::vector<const DhcpState*> pointers;
  for (const auto& s : states) pointers.push_back(&s);
  int chosen = Pick({ThisNamespace(), interfaceName}, pointers);
  return chosen < 0 ? nullptr : clients_[chosen].get();
}

DWORD ManagingClient::Release(const std::string& interfaceName) {
  DhcpClient* manager = Manager(interfaceName);
  return manager ? manager->Release(interfaceName) : ERROR_NOT_FOUND;
}

DWORD ManagingClient::Renew(const std::string& interfaceName) {
  DhcpClient* manager = Manager(interfaceName);
  return manager ? manager->Renew(interfaceName) : ERROR_NOT_FOUND;
}

}  // namespace lorvane::iphlp
