#include "platform/iphlp/dhcp/dhclient_client.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>

#include "platform/base/errors.h"
#include "platform/iphlp/dhcp/ifupdown.h"
#include "platform/kernel/trusted_files.h"
#include "platform/kernel/unique_fd.h"

namespace lorvane::iphlp {

DhclientClient::DhclientClient(DhclientOptions options)
    : ClientBase(options), options_(std::move(options)) {}

std::string DhclientClient::Program() const {
  return FindProgram(options_.program, {"/usr/sbin/dhclient", "/sbin/dhclient"});
}

bool DhclientClient::TargetNamespace(Namespace& out) const {
  return options_.netns.empty() ? kernel::ThisNamespace(options_.procDir, out)
                                : kernel::IdentityOf(std::string(kNetnsDir) + "/" + options_.netns, out);
}

// A file whose stamp is what it was when it was last read is not read again;
// anything else is opened before anything is believed of it, so whatever
// another user swaps in at the path is refused without blocking.
const DhclientClient::LeaseFileEntry* DhclientClient::Parse(const std::string& path) {
  auto cached = cache_.find(path);
  if (cached == cache_.end() || !(kernel::StampAt(path) == cached->second.stamp)) {
    struct stat st;
    kernel::UniqueFd fd(kernel::OpenTrustedFile(path, &st));
    if (fd.get() < 0) {
      cache_.erase(path);
      return nullptr;
    }
    auto parsed = std::make_shared<dhcp::LeaseFile>();
    std::string text;
    if (static_cast<std::uint64_t>(st.st_size) <= dhcp::kMaxLeaseFileBytes &&
        kernel::ReadAtMost(fd.get(), dhcp::kMaxLeaseFileBytes, text)) {
      *parsed = dhcp::ParseLeaseFile(text);
    } else {
      parsed->damaged = true;  // too big to be one of dhclient's
    }
    cached = cache_.insert_or_assign(path, LeaseFileEntry{path, kernel::StampOf(st), parsed}).first;
  }
  return &cached->second;
}

// A folder's list of names changes only with its own stamp.
const std::vector<std::string>& DhclientClient::LeaseFilesIn(const std::string& dir) {
  kernel::FileStamp now = dhcp::FolderStamp(dir);
  CachedFolder& folder = folders_[dir];
  if (!(folder.stamp == now) || now == kernel::FileStamp{}) {
    folder.stamp = now;
    folder.files.clear();
    for (auto& file : dhcp::Glob(dir + "/dhclient*.leases")) {
      if (file.substr(file.rfind('/') + 1).rfind("dhclient6", 0) != 0)
        folder.files.push_back(std::move(file));
    }
  }
  return folder.files;
}

const std::set<std::string>& DhclientClient::ConfiguredLinks() {
  const auto& read = configuration_.read;
  if (!read.empty() && std::all_of(read.begin(), read.end(), [](const auto& r) {
        return kernel::StampAt(r.first) == r.second;
      }))
    return configuration_.configured;
  CachedConfiguration fresh;
  fresh.configured = dhcp::DhcpInterfaces(options_.interfacesFile, fresh.read);
  for (const auto& file : options_.configFiles) {
    fresh.read.emplace_back(file, kernel::StampAt(file));
    std::string text;
    if (!kernel::ReadTrustedFile(file, dhcp::kMaxLeaseFileBytes, text)) continue;
    for (auto& name : dhcp::ConfiguredInterfaces(text)) fresh.configured.insert(std::move(name));
  }
  configuration_ = std::move(fresh);
  return configuration_.configured;
}

DhclientClient::Snapshot DhclientClient::Take(const Namespace& ns) {
  Snapshot s;
  const std::string program = Program();
  s.haveProgram = !program.empty() && kernel::IdentityOf(program, s.program);
  if (s.haveProgram) s.clients = dhcp::FindRunningClients(options_.procDir, ns, s.program);
  std::set<std::string> files;
  for (auto& c : s.clients) {
    // The files dhclient uses when its command line names none.
    if (c.command.leaseFile.empty() && !options_.leaseDirs.empty())
      c.command.leaseFile = options_.leaseDirs[0] + "/dhclient.leases";
    if (c.command.pidFile.empty() && !c.command.noPidFile)
      c.command.pidFile = options_.runDir + "/dhclient.pid";
    if (!c.command.leaseFile.empty()) files.insert(c.command.leaseFile);
  }
  for (const auto& [key, command] : remembered_) {
    if (key.first == ns && !command.leaseFile.empty()) files.insert(command.leaseFile);
  }
  for (const auto& dir : options_.leaseDirs) {
    const auto& inDir = LeaseFilesIn(dir);
    files.insert(inDir.begin(), inDir.end());
  }
  for (const auto& path : files) {
    if (const LeaseFileEntry* entry = Parse(path)) s.leases.push_back(*entry);
  }
  for (std::size_t i = 0; i < s.leases.size(); ++i) {
    for (const auto& lease : s.leases[i].parsed->leases) {
      auto& files = s.speaking[lease.interfaceName];
      if (files.empty() || files.back() != i) files.push_back(i);
    }
  }
  s.configured = ConfiguredLinks();
  return s;
}

DhclientClient::View DhclientClient::Gather(const std::string& name, const Namespace& ns,
                                            const Snapshot& snapshot) const {
  View view;
  for (const auto& p : snapshot.clients) {
    const auto& names = p.command.interfaces;
    if (std::find(names.begin(), names.end(), name) != names.end()) view.clients.push_back(p);
  }
  // The file of the client that runs for the link wins. A file is only
  // evidence that dhclient ran once: without a client, the newest file that
  // speaks of the link counts only where this object stopped its client or
  // the system's configuration gives the link to dhclient.
  view.running = !view.clients.empty() || remembered_.count({ns, name}) > 0;
  view.enabled = view.running || snapshot.configured.count(name) > 0;
  const std::string ownFile = view.clients.empty() ? "" : view.clients.front().command.leaseFile;
  auto speaking = snapshot.speaking.find(name);
  if (!ownFile.empty()) {
    for (const auto& entry : snapshot.leases) {
      if (entry.path == ownFile) view.file = &entry;
    }
  } else if (view.enabled && speaking != snapshot.speaking.end()) {
    for (std::size_t i : speaking->second) {
      const LeaseFileEntry& entry = snapshot.leases[i];
      if (!view.file || entry.stamp.modifiedNs > view.file->stamp.modifiedNs) view.file = &entry;
    }
  }
  if (view.file && !view.file->parsed->damaged) {
    const auto& leases = view.file->parsed->leases;
    for (auto it = leases.rbegin(); it != leases.rend(); ++it) {
      if (it->interfaceName != name) continue;
      // The latest block alone counts: an older one may be a lease since
      // replaced or released.
      if (it->wellFormed) view.lease = *it;
      break;
    }
  }
  return view;
}

DhcpState DhclientClient::StateOf(const std::string& name, const Namespace& ns,
                                                 const Snapshot& snapshot) const {
  DhcpState state;
  View view = Gather(name, ns, snapshot);
  state.enabled = view.enabled;
  state.running = view.running;
  if (!view.enabled || !view.lease || view.lease->expire <= Now()) return state;
  const dhcp::Lease& lease = *view.lease;
  state.server = lease.server;
  state.leaseExpires = lease.expire;
  // dhclient keeps no time of grant: the server's lease time counted back from
  // the expiry gives it; without one, the file was written when it was granted.
  state.leaseObtained = lease.leaseTime >= 0 && lease.expire != dhcp::kNever
                            ? lease.expire - lease.leaseTime
                            : std::min(view.file->stamp.modifiedNs / 1000000000, lease.expire);
  state.dnsServers = lease.dnsServers;
  state.winsServers = lease.winsServers;
  return state;
}

std::vector<DhcpState> DhclientClient::Query(const std::vector<std::string>& interfaceNames) {
  std::vector<DhcpState> out(interfaceNames.size());
  Namespace ns;
  if (!TargetNamespace(ns)) return out;
  std::lock_guard<std::mutex> lock(mutex_);
  Snapshot snapshot = Take(ns);
  for (std::size_t i = 0; i < interfaceNames.size(); ++i) {
    out[i] = StateOf(interfaceNames[i], ns, snapshot);
  }
  return out;
}

// The files to run a client for the link with: those of the client running
// for it, of the client this object stopped, or of the lease found for it,
// where no one but root could have put them; else the platform's own.
DWORD DhclientClient::CommandFor(const std::string& name, const View& view, const Namespace& ns,
                                 dhcp::DhclientCommand& c) {
  dhcp::DhclientCommand from;
  auto remembered = remembered_.find({ns, name});
  if (!view.clients.empty()) {
    from = view.clients.front().command;
  } else if (remembered != remembered_.end()) {
    from = remembered->second;
  } else {
    from.leaseFile = view.file ? view.file->path : "";
  }
  c = {};
  c.interfaces = {name};
  c.leaseFile = from.leaseFile;
  if (!kernel::TrustedPlace(c.leaseFile) && !options_.leaseDirs.empty())
    c.leaseFile = options_.leaseDirs[0] + "/dhclient." + name + ".leases";
  if (!kernel::TrustedPlace(c.leaseFile)) return ERROR_ACCESS_DENIED;
  c.pidFile = from.noPidFile ? std::string() : from.pidFile;
  if (!kernel::TrustedPlace(c.pidFile)) c.pidFile = options_.runDir + "/dhclient." + name + ".pid";
  c.noPidFile = !kernel::TrustedPlace(c.pidFile);
  return NO_ERROR;
}

// A fixed argument list: the mode, the files, this object's own script and
// configuration, the link.
DWORD DhclientClient::Run(bool renew, const dhcp::DhclientCommand& c) {
  kernel::RunRequest request;
  request.argv = {Program(), renew ? "-1" : "-r", "-lf", c.leaseFile};
  if (renew && !c.noPidFile) {
    request.argv.insert(request.argv.end(), {"-pf", c.pidFile});
  } else {
    request.argv.push_back("--no-pid");
  }
  if (!options_.clientConfig.empty())
    request.argv.insert(request.argv.end(), {"-cf", options_.clientConfig});
  if (!options_.script.empty()) request.argv.insert(request.argv.end(), {"-sf", options_.script});
  request.argv.push_back(c.interfaces.front());
  request.timeout = renew ? options_.renewTimeout : options_.releaseTimeout;
  kernel::UniqueFd netns;
  if (!options_.netns.empty()) {
    netns.reset(
        open((std::string(kNetnsDir) + "/" + options_.netns).c_str(), O_RDONLY | O_CLOEXEC));
    if (netns.get() < 0) return ERROR_DEV_NOT_EXIST;
    request.netnsFd = netns.get();
  }
  return RunProgram(std::move(request), c.interfaces.front());
}

DWORD DhclientClient::Act(const std::string& name, bool renew) {
  Namespace ns;
  if (!TargetNamespace(ns)) return ERROR_DEV_NOT_EXIST;
  std::lock_guard<std::mutex> lock(mutex_);
  Snapshot snapshot = Take(ns);  // act on what is there now
  View view = Gather(name, ns, snapshot);
  if (!view.enabled) return ERROR_NOT_FOUND;
  const bool holding = view.lease && view.lease->expire > Now();
  if (!renew && view.clients.empty() && !holding) return NO_ERROR;  // nothing is held
  if (Program().empty()) return ERROR_FILE_NOT_FOUND;
  dhcp::DhclientCommand command;
  if (DWORD error = CommandFor(name, view, ns, command); error != NO_ERROR) return error;
  // The running client is stopped here, not through a pid file: a pid file
  // can name any process. One left running would take the lease back; before
  // a renewal it goes without a release, so that the new one owns the link.
  if (snapshot.haveProgram)
    dhcp::EndClients(options_.procDir, view.clients, ns, snapshot.program, std::chrono::seconds(1));
  const DWORD error = Run(renew, command);
  if (error == NO_ERROR && !renew) remembered_[{ns, name}] = command;
  if (error == NO_ERROR && renew) remembered_.erase({ns, name});
  return error;
}

}  // namespace lorvane::iphlp
