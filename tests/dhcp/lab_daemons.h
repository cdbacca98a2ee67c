// The lab's links managed by a daemon other than dhclient, with files of its
// own: each daemon runs in a mount namespace where the lab's folders stand
// for the fixed paths it keeps its state in, so nothing of the machine's is
// read or written. Shared by the tests and bench/dhcp.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dhcp_lab.h"
#include "support/network_manager.h"
#include "support/process.h"

namespace lorvane::test {

// systemd-networkd on a bus of its own, running DHCPv4 on client links
// [0, dhcpLinks), and, when `staticLink`, a static address (DHCP for IPv6
// only) on link dhcpLinks. Returns once every DHCP link is bound.
class LabNetworkd {
 public:
  static std::string UnavailableReason();
  LabNetworkd(DhcpLab& lab, int dhcpLinks, bool staticLink, const std::string& privateMounts);
  ~LabNetworkd();

  std::string BusAddress() const { return "unix:path=" + folder_ + "/bus"; }

 private:
  std::string folder_;
  ChildProcess* bus_ = nullptr;
  std::unique_ptr<ChildProcess> networkd_;
};

// dhcpcd, one daemon per link, on client links [0, links). Returns once
// every link is bound.
class LabDhcpcd {
 public:
  static std::string UnavailableReason();
  LabDhcpcd(DhcpLab& lab, int links, const std::string& privateMounts);
  ~LabDhcpcd();  // stops every link's daemon without a release

  // argv in the holder's mount namespace and the lab's network namespace.
  std::vector<std::string> Inside(std::vector<std::string> argv) const;
  // fn on a thread in the lab's client namespace and the holder's mounts.
  template <typename F>
  void InLab(F fn) {
    lab_.client().RunInside([&] {
      EnterMountsOf(holder_->pid());
      fn();
    });
  }

 private:
  DhcpLab& lab_;
  ChildProcess* holder_ = nullptr;
};

// NetworkManager managing client links [0, links), each by a DHCP connection
// of its own, activated. Returns once every link is bound.
std::unique_ptr<PrivateNetworkManager> StartLabNetworkManager(DhcpLab& lab, int links,
                                                               const std::string& privateMounts);

}  // namespace lorvane::test
