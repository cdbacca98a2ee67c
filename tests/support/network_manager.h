// NetworkManager of a test's own: a system bus, the dispatcher and
// NetworkManager, in a network namespace of the test's and one mount
// namespace where the test's folders stand for /run, /var/lib and the
// dispatcher's folder, with /sys read-only (there is no udev to wait for).
// Only the devices named are managed; nothing of the machine's is touched.
#pragma once

#include <list>
#include <string>
#include <utility>
#include <vector>

#include "support/netns.h"
#include "support/process.h"

namespace lorvane::test {

// A system bus of a test's own, listening on `folder`/bus, that anyone may
// use: `launcher` (private_mounts and its folders, say) runs dbus-daemon in
// `ns`. Returns once the bus is there.
ChildProcess& StartPrivateBus(NetNamespace& ns, const std::string& folder,
                              std::vector<std::string> launcher);

class PrivateNetworkManager {
 public:
  // Why it cannot run here (a program missing), or empty.
  static std::string UnavailableReason();

  // Files go below `folder` (the dispatcher's scripts in
  // `folder`/dispatcher/pre-up.d); `devices` is a device match's interface
  // name ("lv0", "lvc*"); `connections` are keyfiles by connection name.
  // Returns once every connection's device is there to be activated.
  PrivateNetworkManager(NetNamespace& ns, const std::string& folder, const std::string& devices,
                        const std::vector<std::pair<std::string, std::string>>& connections,
                        const std::string& privateMounts);
  ~PrivateNetworkManager();  // stops NetworkManager, the dispatcher and the bus

  // What a client of the bus connects to.
  std::string BusAddress() const { return "unix:path=" + folder_ + "/bus"; }
  // argv in the bus's mount and network namespaces, talking to the bus.
  std::vector<std::string> Inside(const std::vector<std::string>& argv) const;
  CommandResult Nmcli(std::vector<std::string> args) const;

 private:
  std::string folder_;
  ChildProcess* bus_ = nullptr;
  std::list<ChildProcess> daemons_;
};

}  // namespace lorvane::test
