// A DHCP network of a test's own: a server namespace whose bridge joins one
// veth pair per client link and where dnsmasq hands out leases (a router
// apart from the server, two DNS servers, two NetBIOS name servers, two-minute
// leases), and a client namespace holding the other ends, where dhclient runs
// with its lease and pid files in a temporary directory and a script that
// only sets the address and the default route. Nothing outside the two namespaces and the directory is
// touched; everything goes when the lab does.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "platform/iphlp/dhcp/dhclient_client.h"
#include "support/netns.h"

namespace lorvane::test {

// A small file's text; empty when it cannot be read.
std::string FileText(const std::string& path);

class DhcpLab {
 public:
  // Every field its own value, and lists out of numeric order, so that a
  // value taken from the wrong field or sorted shows.
  static constexpr const char* kServer = "10.77.0.1";
  static constexpr const char* kRouter = "10.77.0.9";
  static constexpr const char* kDns1 = "10.77.0.3";
  static constexpr const char* kDns2 = "10.77.0.2";
  static constexpr const char* kWins1 = "10.77.0.5";
  static constexpr const char* kWins2 = "10.77.0.4";
  static constexpr int kLeaseSeconds = 120;  // the least dnsmasq grants

  // Why the lab cannot be built here (no namespaces, a program missing), or
  // empty.
  static std::string UnavailableReason();

  explicit DhcpLab(int links = 1);
  ~DhcpLab();
  DhcpLab(const DhcpLab&) = delete;
  DhcpLab& operator=(const DhcpLab&) = delete;

  NetNamespace& client() { return *client_; }
  static std::string Link(int i) { return "lvc" + std::to_string(i); }
  const std::string& dir() const { return dir_; }

  // Starts dhclient on client link i as a system would (-lf, -pf in the
  // lab's directory, the lab's script) and waits for it to be bound.
  void StartClient(int i);
  // Starts dhclient on every link at once, then waits until all are bound.
  void StartAllClients();
  // Waits until client links [0, count) hold an address from the server;
  // throws std::runtime_error past `limit`.
  void WaitBound(int count, std::chrono::seconds limit) const;
  // Options that point the platform's client at the lab.
  iphlp::DhclientOptions ClientOptions() const;
  // How many dhclients run there now.
  int RunningClients() const;
  // Stops the server where it stands (packets wait for it), or lets it go on.
  void HoldServer(bool held);
  int links() const { return links_; }
  // argv behind a check that it runs in the lab's client namespace and not
  // the host's (in_lab_netns): for every daemon the lab starts by a pid.
  std::vector<std::string> Guarded(std::vector<std::string> argv) const;

 private:
  void RunClient(int i, const char* mode) const;

  int links_;
  std::string dir_;
  std::unique_ptr<NetNamespace> server_;
  std::unique_ptr<NetNamespace> client_;
  pid_t serverPid_ = -1;
  std::string clientId_;      // the client namespace, as DEV:INO
  std::string hostRoute_;     // the host's default route when the lab was built
};

}  // namespace lorvane::test
