// The DHCP client for links that ISC dhclient manages. A link is DHCP-enabled
// while a dhclient runs for it, after this object released it (with its
// lease gone, so that a renewal can follow), or where the system's
// configuration gives it to dhclient. A lease file alone enables nothing:
// machines keep them for years after moving to another client. See docs/architecture.md, "DHCP client".
#pragma once

#include <map>
#include <mutex>
#include <set>

#include "platform/iphlp/dhcp/lease_file.h"
#include "platform/iphlp/dhcp/running_clients.h"
#include "platform/iphlp/dhcp/client_base.h"
#include "platform/kernel/trusted_files.h"

namespace lorvane::iphlp {

// Where a network namespace name is looked up, as `ip netns` keeps them.
inline constexpr const char* kNetnsDir = "/run/netns";

struct DhclientOptions : dhcp::ClientOptions {
  // The client program; empty: the first of /usr/sbin/dhclient and
  // /sbin/dhclient that exists. Only running clients of this executable are
  // believed, and it is run only from a place no one else can change.
  std::string program;
  // Where lease files (dhclient*.leases) are kept; the first also receives
  // the lease file of a client started for a link that has none.
  std::vector<std::string> leaseDirs = {"/var/lib/dhcp", "/var/lib/dhclient"};
  std::vector<std::string> configFiles = {"/etc/dhcp/dhclient.conf", "/etc/dhclient.conf"};
  std::string interfacesFile = "/etc/network/interfaces";
  // Pid files of clients started for links that had no client before.
  std::string runDir = "/run";
  // The script (-sf) and configuration (-cf) of every client this object
  // runs; empty: dhclient's own. Never those of another command line.
  std::string script;
  std::string clientConfig;
  // A namespace name (kNetnsDir/name) whose links this client serves and
  // whose clients it starts; empty: the calling thread's namespace.
  std::string netns;
};

// ERROR_NOT_FOUND when dhclient does not manage the link,
// ERROR_DEV_NOT_EXIST when the link or namespace is gone,
// ERROR_FILE_NOT_FOUND when there is no dhclient to run,
// ERROR_TIMEOUT when it did not finish in time (it is killed),
// ERROR_GEN_FAILURE when it failed or obtained no lease.
class DhclientClient : public dhcp::ClientBase {
 public:
  explicit DhclientClient(DhclientOptions options = {});

 private:
  std::vector<DhcpState> Query(const std::vector<std::string>& interfaceNames) override;
  DWORD Act(const std::string& name, bool renew) override;

  using Namespace = kernel::FileId;
  using Process = dhcp::RunningClient;
  // A lease file as it was read, kept while its stamp says nothing changed.
  struct LeaseFileEntry {
    std::string path;
    kernel::FileStamp stamp;
    std::shared_ptr<const dhcp::LeaseFile> parsed;
  };
  // The running clients, lease files and configuration of one namespace, as
  // read at one moment: each query takes one and answers every link from
  // it, so the process table and each file are read at most once a query.
  struct Snapshot {
    bool haveProgram = false;
    kernel::FileId program;                 // the executable clients must run
    std::vector<Process> clients;         // every IPv4 dhclient running there
    std::vector<LeaseFileEntry> leases;   // every lease file, parsed, by path
    // For each link, the lease files that speak of it (indexes into leases).
    std::map<std::string, std::vector<std::size_t>, std::less<>> speaking;
    std::set<std::string> configured;
  };
  // All that was gathered about one link.
  struct View {
    bool enabled = false;
    bool running = false;
    std::vector<Process> clients;  // running for the link
    const LeaseFileEntry* file = nullptr;  // where its current lease lives
    std::optional<dhcp::Lease> lease;  // the latest, when well formed
  };
  // What was read before, kept while the stamps say nothing has changed.
  struct CachedFolder {
    kernel::FileStamp stamp;
    std::vector<std::string> files;
  };
  struct CachedConfiguration {
    std::vector<std::pair<std::string, kernel::FileStamp>> read;  // files and folders
    std::set<std::string> configured;
  };

  bool TargetNamespace(Namespace& out) const;
  Snapshot Take(const Namespace& ns);
  View Gather(const std::string& name, const Namespace& ns, const Snapshot& snapshot) const;
  DhcpState StateOf(const std::string& name, const Namespace& ns, const Snapshot& snapshot) const;
  const LeaseFileEntry* Parse(const std::string& path);
  const std::vector<std::string>& LeaseFilesIn(const std::string& dir);
  const std::set<std::string>& ConfiguredLinks();
  std::string Program() const;
  DWORD Run(bool renew, const dhcp::DhclientCommand& c);
  DWORD CommandFor(const std::string& name, const View& view, const Namespace& ns,
                   dhcp::DhclientCommand& c);

  DhclientOptions options_;
  std::mutex mutex_;
  std::map<std::string, LeaseFileEntry> cache_;  // parsed lease files by path
  std::map<std::string, CachedFolder> folders_;
  CachedConfiguration configuration_;
  // The command lines of clients this object stopped, so that a renewal
  // starts the next one with the same files.
  std::map<std::pair<Namespace, std::string>, dhcp::DhclientCommand> remembered_;
};

}  // namespace lorvane::iphlp
