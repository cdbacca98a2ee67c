// The DHCP client for links that dhcpcd manages. dhcpcd itself answers for a
// link (`-4 -U`), releases it (`-4 -k`, a real DHCPRELEASE) and renews it
// (`-4 -n`, which starts a daemon for the link when none runs). A link stays
// enabled after a release, with its lease gone. See docs/architecture.md,
// "DHCP client".
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <utility>

#include "platform/iphlp/dhcp/running_clients.h"
#include "platform/iphlp/dhcp_client.h"

namespace lorvane::iphlp {

struct DhcpcdOptions {
  // The program; empty: the first of /usr/sbin/dhcpcd and /sbin/dhcpcd.
  std::string program;
  // dhcpcd's own places, fixed when it was built.
  std::string runDir = "/run/dhcpcd";
  std::string leaseDir = "/var/lib/dhcpcd";
  std::string procDir = "/proc";
  // Asking a running daemon is a local socket's round trip; the bound is for
  // one that hangs.
  std::chrono::milliseconds stateTimeout{2000};
  // One packet; dhcpcd waits for its daemon to end.
  std::chrono::milliseconds releaseTimeout{5000};
  // An offer and an acknowledgement, as for dhclient.
  std::chrono::milliseconds renewTimeout{10000};
  // Seconds since 1970; empty: the system clock.
  std::function<std::int64_t()> now;
};

class DhcpcdClient : public DhcpClient {
 public:
  explicit DhcpcdClient(DhcpcdOptions options = {});

  DhcpState State(const std::string& interfaceName) override;
  std::vector<DhcpState> States(const std::vector<std::string>& interfaceNames) override;
  // ERROR_INVALID_PARAMETER for a name that cannot be handed on,
  // ERROR_NOT_FOUND when dhcpcd does not manage the link,
  // ERROR_FILE_NOT_FOUND when there is no dhcpcd, ERROR_TIMEOUT, and
  // ERROR_GEN_FAILURE when dhcpcd failed. A renewal returns once the link
  // shows a lease that a server acknowledged after it began, or
  // ERROR_TIMEOUT when none came within renewTimeout.
  DWORD Release(const std::string& interfaceName) override;
  DWORD Renew(const std::string& interfaceName) override;

 private:
  using Namespace = dhcp::FileId;
  struct Look {
    bool daemon = false;      // a dhcpcd of ours runs for the link here
    bool leaseFile = false;   // dhcpcd keeps a lease for it
    std::int64_t leaseFileMtime = 0;
    std::int64_t leaseFileWritten = 0;  // in nanoseconds: which acknowledgement wrote it
  };

  std::string Program() const;
  std::set<std::string> NamedIn(const std::string& dir) const;
  std::int64_t Now() const;
  bool Daemon(const std::string& name, const Namespace& ns, const dhcp::FileId& program) const;
  Look LookAt(const std::string& name, const Namespace& ns, bool& haveProgram);
  DWORD Run(std::vector<std::string> argv, std::chrono::milliseconds timeout,
            std::string* output = nullptr);

  DhcpcdOptions options_;
  std::mutex mutex_;
  // Links this object released, so that they stay enabled for a renewal.
  std::set<std::pair<Namespace, std::string>> released_;
};

}  // namespace lorvane::iphlp
