// The DHCP client for links that dhcpcd manages. A query reads, for every
// link at once, dhcpcd's folders, the pid file of each link's daemon and the
// lease file it keeps (the server's acknowledgement, lease_file.h): no
// process is started to ask. Release is `dhcpcd -4 -k` (a real
// DHCPRELEASE) and renew `dhcpcd -4 -n`, which starts a daemon for the link
// when none runs. A link stays enabled after a release, with its lease gone.
// See docs/architecture.md, "DHCP client".
#pragma once

#include <mutex>
#include <set>
#include <utility>

#include "platform/iphlp/dhcp/client_base.h"
#include "platform/kernel/identity.h"

namespace lorvane::iphlp {

struct DhcpcdOptions : dhcp::ClientOptions {
  // The program; empty: the first of /usr/sbin/dhcpcd and /sbin/dhcpcd.
  std::string program;
  // dhcpcd's own places, fixed when it was built.
  std::string runDir = "/run/dhcpcd";
  std::string leaseDir = "/var/lib/dhcpcd";
};

// ERROR_NOT_FOUND when dhcpcd does not manage the link, ERROR_FILE_NOT_FOUND
// when there is no dhcpcd, ERROR_TIMEOUT, and ERROR_GEN_FAILURE when dhcpcd
// failed. A renewal returns once the link shows a lease that a server
// acknowledged after it began, or ERROR_TIMEOUT when none came in time.
class DhcpcdClient : public dhcp::ClientBase {
 public:
  explicit DhcpcdClient(DhcpcdOptions options = {});

 private:
  using Namespace = kernel::FileId;
  struct Look {
    bool daemon = false;     // a dhcpcd of this namespace runs for the link
    std::int64_t written = 0;  // the file's time in nanoseconds: which acknowledgement
    DhcpState state;
  };

  std::vector<DhcpState> Query(const std::vector<std::string>& names) override;

  std::string Program() const;
  std::set<std::string> NamedIn(const std::string& dir) const;
  bool Daemon(const std::string& name, const Namespace& ns, const kernel::FileId& program) const;
  Look LookAt(const std::string& name, const Namespace& ns);
  DWORD Act(const std::string& name, bool renew) override;

  DhcpcdOptions options_;
  std::mutex mutex_;
  // Links this object released, so that they stay enabled for a renewal.
  std::set<std::pair<Namespace, std::string>> released_;
};

}  // namespace lorvane::iphlp
