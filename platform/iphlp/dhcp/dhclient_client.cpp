#include "platform/iphlp/dhcp/dhclient_client.h"

#include <dirent.h>
#include <fcntl.h>
#include <glob.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <set>
#include <thread>

#include "platform/base/errors.h"
#include "platform/iphlp/dhcp/bounded_run.h"
#include "platform/iphlp/interface_name.h"

namespace lorvane::iphlp {
namespace {

constexpr std::size_t kMaxCommandLine = 64 * 1024;
constexpr std::size_t kMaxConfigFiles = 64;
constexpr int kMaxIncludeDepth = 4;
const char* const kPath = "PATH=/usr/sbin:/usr/bin:/sbin:/bin";

// The whole file when it is there and no larger than `cap`.
bool ReadCapped(const std::string& path, std::size_t cap, std::string& out,
                struct stat* info = nullptr) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return false;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<std::uint64_t>(st.st_size) > cap) {
    close(fd);
    return false;
  }
  out.clear();
  char buffer[8192];
  for (;;) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    if (out.size() + static_cast<std::size_t>(n) > cap) {  // grew while read
      close(fd);
      return false;
    }
    out.append(buffer, static_cast<std::size_t>(n));
  }
  close(fd);
  if (info) *info = st;
  return true;
}

// /proc files such as cmdline report no size: read up to the cap.
bool ReadProcFile(const std::string& path, std::size_t cap, std::string& out) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  out.clear();
  char buffer[4096];
  while (out.size() < cap) {
    ssize_t n = read(fd, buffer, std::min(sizeof buffer, cap - out.size()));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    out.append(buffer, static_cast<std::size_t>(n));
  }
  close(fd);
  return true;
}

std::string DirectoryOf(const std::string& path) {
  auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::vector<std::string> Glob(const std::string& pattern) {
  std::vector<std::string> out;
  glob_t g{};
  if (glob(pattern.c_str(), 0, nullptr, &g) == 0) {
    for (std::size_t i = 0; i < g.gl_pathc; ++i) out.emplace_back(g.gl_pathv[i]);
  }
  globfree(&g);
  return out;
}

// `iface NAME inet dhcp` stanzas, following `source` and `source-directory`.
void ScanInterfaces(const std::string& path, int depth, std::set<std::string>& dhcp,
                    std::size_t& filesLeft) {
  if (depth > kMaxIncludeDepth || filesLeft == 0) return;
  --filesLeft;
  std::string text;
  if (!ReadCapped(path, dhcp::kMaxLeaseFileBytes, text)) return;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + start, end - start);
    start = end + 1;
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < line.size() && words.size() < 5) {
      while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
      std::size_t w = i;
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') ++i;
      if (i > w) words.emplace_back(line.substr(w, i - w));
    }
    if (words.empty() || words[0][0] == '#') continue;
    if (words[0] == "iface" && words.size() >= 4 && words[2] == "inet" && words[3] == "dhcp") {
      dhcp.insert(words[1]);
    } else if (words[0] == "source" && words.size() >= 2) {
      std::string pattern = words[1][0] == '/' ? words[1] : DirectoryOf(path) + "/" + words[1];
      for (const auto& file : Glob(pattern)) ScanInterfaces(file, depth + 1, dhcp, filesLeft);
    } else if (words[0] == "source-directory" && words.size() >= 2) {
      std::string dir = words[1][0] == '/' ? words[1] : DirectoryOf(path) + "/" + words[1];
      for (const auto& file : Glob(dir + "/*")) {
        std::string base = file.substr(file.rfind('/') + 1);
        bool plain = std::all_of(base.begin(), base.end(), [](char c) {
          return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                 c == '_' || c == '-';
        });
        if (plain) ScanInterfaces(file, depth + 1, dhcp, filesLeft);
      }
    }
  }
}

bool IsDhclient(const std::string& procDir, const std::string& pid) {
  std::string comm;
  if (!ReadProcFile(procDir + "/" + pid + "/comm", 64, comm)) return false;
  return comm == "dhclient\n" || comm == "dhclient";
}

std::vector<std::string> SplitNul(const std::string& text) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\0', start);
    if (end == std::string::npos) end = text.size();
    out.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

// A dhclient still running as `pid`; a zombie has already stopped, whether
// or not its parent has reaped it yet.
bool StillDhclient(const std::string& procDir, pid_t pid) {
  std::string id = std::to_string(pid);
  if (!IsDhclient(procDir, id)) return false;
  std::string stat;
  if (!ReadProcFile(procDir + "/" + id + "/stat", 1024, stat)) return false;
  auto close = stat.rfind(')');
  return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] != 'Z' &&
         stat[close + 2] != 'X';
}

DWORD ErrorOf(const dhcp::RunResult& r) {
  switch (r.outcome) {
    case dhcp::RunOutcome::Exited:
      return r.code == 0 ? NO_ERROR : ERROR_GEN_FAILURE;
    case dhcp::RunOutcome::Signaled:
      return ERROR_GEN_FAILURE;
    case dhcp::RunOutcome::TimedOut:
      return ERROR_TIMEOUT;
    case dhcp::RunOutcome::NoNamespace:
    case dhcp::RunOutcome::NoInterface:
      return ERROR_DEV_NOT_EXIST;
    case dhcp::RunOutcome::NotStarted:
      if (r.code == ENOENT || r.code == ENOTDIR) return ERROR_FILE_NOT_FOUND;
      if (r.code == EACCES || r.code == EPERM) return ERROR_ACCESS_DENIED;
      return ERROR_GEN_FAILURE;
  }
  return ERROR_GEN_FAILURE;
}

}  // namespace

std::optional<DhclientCommand> ParseDhclientCommand(const std::vector<std::string>& argv) {
  DhclientCommand c;
  // Options of dhclient that take the next word as their argument.
  static const std::set<std::string> kWithArgument = {"-p",
                                                      "-s",
                                                      "-g",
                                                      "-D",
                                                      "-cf",
                                                      "-lf",
                                                      "-pf",
                                                      "-sf",
                                                      "-df",
                                                      "-e",
                                                      "--decline-wait-time",
                                                      "--dad-wait-time",
                                                      "--address-prefix-len",
                                                      "--prefix-len-hint",
                                                      "-timeout"};
  for (std::size_t i = 1; i < argv.size(); ++i) {
    const std::string& a = argv[i];
    if (a.empty()) return std::nullopt;
    if (a[0] != '-') {
      c.interfaces.push_back(a);
      continue;
    }
    if (kWithArgument.count(a)) {
      if (i + 1 >= argv.size()) return std::nullopt;
      const std::string& value = argv[++i];
      if (a == "-lf")
        c.leaseFile = value;
      else if (a == "-pf")
        c.pidFile = value;
      else if (a == "-cf")
        c.configFile = value;
      else if (a == "-sf")
        c.scriptFile = value;
      else if (a == "-df")
        c.duidFile = value;
      else if (a == "-e")
        c.environment.push_back(value);
      continue;
    }
    if (a == "-6")
      c.ipv6 = true;
    else if (a == "-4")
      c.ipv6 = false;
    else if (a == "-r" || a == "-x")
      c.stopping = true;
    else if (a == "--no-pid")
      c.noPidFile = true;
  }
  return c;
}

DhclientClient::DhclientClient(DhclientOptions options) : options_(std::move(options)) {}

std::int64_t DhclientClient::Now() const {
  return options_.now ? options_.now() : static_cast<std::int64_t>(std::time(nullptr));
}

std::string DhclientClient::Program() const {
  if (!options_.program.empty()) return options_.program;
  for (const char* candidate : {"/usr/sbin/dhclient", "/sbin/dhclient"}) {
    if (access(candidate, X_OK) == 0) return candidate;
  }
  return {};
}

bool DhclientClient::TargetNamespace(Namespace& out) const {
  std::string path = options_.netns.empty() ? options_.procDir + "/thread-self/ns/net"
                                            : std::string(kNetnsDir) + "/" + options_.netns;
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return false;
  out = {st.st_dev, st.st_ino};
  return true;
}

std::vector<DhclientClient::Process> DhclientClient::RunningClients(const Namespace& ns) const {
  std::vector<Process> out;
  DIR* dir = opendir(options_.procDir.c_str());
  if (!dir) return out;
  while (dirent* entry = readdir(dir)) {
    std::string pid = entry->d_name;
    if (pid.empty() ||
        !std::all_of(pid.begin(), pid.end(), [](char c) { return c >= '0' && c <= '9'; }))
      continue;
    if (!IsDhclient(options_.procDir, pid)) continue;
    std::string base = options_.procDir + "/" + pid;
    struct stat st;
    if (stat((base + "/ns/net").c_str(), &st) != 0 || st.st_dev != ns.dev || st.st_ino != ns.ino)
      continue;
    std::string cmdline;
    if (!ReadProcFile(base + "/cmdline", kMaxCommandLine, cmdline)) continue;
    auto command = ParseDhclientCommand(SplitNul(cmdline));
    if (!command || command->ipv6 || command->stopping) continue;
    // Relative paths on its command line are relative to its own directory.
    char cwd[4096];
    ssize_t n = readlink((base + "/cwd").c_str(), cwd, sizeof cwd - 1);
    std::string dirOf = n > 0 ? std::string(cwd, static_cast<std::size_t>(n)) : "/";
    for (std::string* path : {&command->leaseFile, &command->pidFile, &command->configFile,
                              &command->scriptFile, &command->duidFile}) {
      if (!path->empty() && (*path)[0] != '/') *path = dirOf + "/" + *path;
    }
    out.push_back({static_cast<pid_t>(std::stol(pid)), std::move(*command)});
  }
  closedir(dir);
  return out;
}

bool DhclientClient::Parse(const std::string& path, LeaseFileEntry& entry) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
    cache_.erase(path);
    return false;
  }
  std::int64_t mtimeNs =
      static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  CachedFile& cached = cache_[path];
  if (!cached.parsed || cached.mtimeNs != mtimeNs || cached.size != st.st_size) {
    auto parsed = std::make_shared<dhcp::LeaseFile>();
    std::string text;
    struct stat read {};
    if (ReadCapped(path, dhcp::kMaxLeaseFileBytes, text, &read)) {
      *parsed = dhcp::ParseLeaseFile(text);
      st = read;
    } else if (static_cast<std::uint64_t>(st.st_size) > dhcp::kMaxLeaseFileBytes) {
      parsed->damaged = true;  // too big to be one of dhclient's
    } else {
      cache_.erase(path);
      return false;
    }
    cached.parsed = std::move(parsed);
    cached.mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    cached.size = st.st_size;
  }
  entry.path = path;
  entry.mtime = cached.mtimeNs / 1000000000;
  entry.parsed = cached.parsed;
  return true;
}

std::set<std::string> DhclientClient::ConfiguredLinks() const {
  std::set<std::string> dhcp;
  std::size_t filesLeft = kMaxConfigFiles;
  ScanInterfaces(options_.interfacesFile, 0, dhcp, filesLeft);
  for (const auto& file : options_.configFiles) {
    std::string text;
    if (!ReadCapped(file, dhcp::kMaxLeaseFileBytes, text)) continue;
    for (auto& name : dhcp::ConfiguredInterfaces(text)) dhcp.insert(std::move(name));
  }
  return dhcp;
}

std::string DhclientClient::DefaultLeaseFile() const {
  return options_.leaseDirs.empty() ? std::string() : options_.leaseDirs[0] + "/dhclient.leases";
}

const DhclientClient::Snapshot& DhclientClient::Current(const Namespace& ns) {
  auto now = std::chrono::steady_clock::now();
  if (snapshot_.valid && !(snapshot_.ns < ns) && !(ns < snapshot_.ns) &&
      now - snapshot_.taken < kSnapshotLife) {
    return snapshot_;
  }
  Snapshot s;
  s.valid = true;
  s.taken = now;
  s.ns = ns;
  s.clients = RunningClients(ns);
  std::vector<std::string> files;
  for (const auto& p : s.clients) {
    std::string file = p.command.leaseFile.empty() ? DefaultLeaseFile() : p.command.leaseFile;
    if (!file.empty()) files.push_back(file);
  }
  for (const auto& [key, command] : remembered_) {
    if (!(key.first < ns) && !(ns < key.first) && !command.leaseFile.empty())
      files.push_back(command.leaseFile);
  }
  for (const auto& dir : options_.leaseDirs) {
    for (const auto& file : Glob(dir + "/dhclient*.leases")) {
      if (file.substr(file.rfind('/') + 1).rfind("dhclient6", 0) != 0) files.push_back(file);
    }
  }
  std::sort(files.begin(), files.end());
  files.erase(std::unique(files.begin(), files.end()), files.end());
  s.leaseFiles = std::move(files);
  s.configured = ConfiguredLinks();
  snapshot_ = std::move(s);
  return snapshot_;
}

DhclientClient::View DhclientClient::Gather(const std::string& name, const Namespace& ns) {
  const Snapshot& snapshot = Current(ns);
  View view;
  for (const auto& p : snapshot.clients) {
    const auto& names = p.command.interfaces;
    if (std::find(names.begin(), names.end(), name) != names.end()) view.clients.push_back(p);
  }
  // The file of the client that runs for the link wins; else the newest file
  // that speaks of the link.
  std::string ownFile;
  if (!view.clients.empty()) {
    ownFile = view.clients.front().command.leaseFile;
    if (ownFile.empty()) ownFile = DefaultLeaseFile();
  }
  bool named = false;
  const dhcp::LeaseFile* chosen = nullptr;
  std::vector<LeaseFileEntry> entries;
  for (const auto& path : snapshot.leaseFiles) {
    // Stat'ed on every call: a lease file rewritten a moment ago is read anew.
    LeaseFileEntry entry;
    if (Parse(path, entry)) entries.push_back(std::move(entry));
  }
  for (const auto& entry : entries) {
    const auto& leases = entry.parsed->leases;
    bool speaks = std::any_of(leases.begin(), leases.end(),
                              [&](const dhcp::Lease& l) { return l.interfaceName == name; });
    named = named || speaks;
    bool better = ownFile.empty() ? speaks && (!chosen || entry.mtime > view.leaseFileMtime)
                                  : entry.path == ownFile;
    if (better) {
      chosen = entry.parsed.get();
      view.leaseFile = entry.path;
      view.leaseFileMtime = entry.mtime;
    }
  }
  if (chosen && !chosen->damaged) {
    for (auto it = chosen->leases.rbegin(); it != chosen->leases.rend(); ++it) {
      if (it->interfaceName != name) continue;
      // The latest block alone counts: an older one may be a lease since
      // replaced or released.
      if (it->wellFormed) view.lease = *it;
      break;
    }
  }
  view.enabled = named || !view.clients.empty() || remembered_.count({ns, name}) ||
                 snapshot.configured.count(name);
  return view;
}

DhcpState DhclientClient::State(const std::string& interfaceName) {
  DhcpState state;
  if (!IsSafeInterfaceName(interfaceName)) return state;
  Namespace ns;
  if (!TargetNamespace(ns)) return state;
  std::lock_guard<std::mutex> lock(mutex_);
  View view = Gather(interfaceName, ns);
  state.enabled = view.enabled;
  if (!view.enabled || !view.lease || view.lease->expire <= Now()) return state;
  const dhcp::Lease& lease = *view.lease;
  state.server = lease.server;
  state.leaseExpires = lease.expire;
  // dhclient keeps no time of grant: the server's lease time counted back from
  // the expiry gives it; without one, the file was written when it was granted.
  if (lease.leaseTime >= 0 && lease.expire != dhcp::kNever) {
    state.leaseObtained = lease.expire - lease.leaseTime;
  } else {
    state.leaseObtained = std::min(view.leaseFileMtime, lease.expire);
  }
  state.dnsServers = lease.dnsServers;
  state.winsServers = lease.winsServers;
  return state;
}

DhclientCommand DhclientClient::CommandFor(const std::string& name, const View& view,
                                           const Namespace& ns) {
  if (!view.clients.empty()) return view.clients.front().command;
  auto remembered = remembered_.find({ns, name});
  if (remembered != remembered_.end()) return remembered->second;
  // Files of a client for this link alone, as an interface stanza would have.
  DhclientCommand c;
  c.interfaces = {name};
  if (!view.leaseFile.empty()) {
    c.leaseFile = view.leaseFile;
  } else if (!options_.leaseDirs.empty()) {
    c.leaseFile = options_.leaseDirs[0] + "/dhclient." + name + ".leases";
  }
  c.pidFile = options_.runDir + "/dhclient." + name + ".pid";
  c.scriptFile = options_.script;
  return c;
}

DWORD DhclientClient::Run(std::vector<std::string> argv, const std::string& name,
                          std::chrono::milliseconds timeout) {
  dhcp::RunRequest request;
  request.argv = std::move(argv);
  request.environment = {kPath};
  request.requiredInterface = name;
  request.timeout = timeout;
  int fd = -1;
  if (!options_.netns.empty()) {
    fd = open((std::string(kNetnsDir) + "/" + options_.netns).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return ERROR_DEV_NOT_EXIST;
    request.netnsFd = fd;
  }
  dhcp::RunResult result = dhcp::RunBounded(request);
  if (fd >= 0) close(fd);
  snapshot_.valid = false;  // the client has changed what there is to see
  return ErrorOf(result);
}

namespace {

// The arguments that give a new dhclient the files of `c`.
void AppendFiles(const DhclientCommand& c, bool withPidFile, std::vector<std::string>& argv) {
  if (!c.leaseFile.empty()) argv.insert(argv.end(), {"-lf", c.leaseFile});
  if (withPidFile && !c.noPidFile && !c.pidFile.empty()) {
    argv.insert(argv.end(), {"-pf", c.pidFile});
  } else {
    argv.push_back("--no-pid");
  }
  if (!c.configFile.empty()) argv.insert(argv.end(), {"-cf", c.configFile});
  if (!c.scriptFile.empty()) argv.insert(argv.end(), {"-sf", c.scriptFile});
  if (!c.duidFile.empty()) argv.insert(argv.end(), {"-df", c.duidFile});
  for (const auto& e : c.environment) argv.insert(argv.end(), {"-e", e});
}

}  // namespace

void DhclientClient::EndLeftovers(const std::vector<Process>& clients) {
  // A client without a pid file is not stopped by another dhclient.
  for (const auto& p : clients) {
    if (StillDhclient(options_.procDir, p.pid)) kill(p.pid, SIGTERM);
  }
  for (int i = 0; i < 100; ++i) {
    bool any = std::any_of(clients.begin(), clients.end(), [&](const Process& p) {
      return StillDhclient(options_.procDir, p.pid);
    });
    if (!any) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

DWORD DhclientClient::Release(const std::string& interfaceName) {
  if (!IsSafeInterfaceName(interfaceName)) return ERROR_INVALID_PARAMETER;
  Namespace ns;
  if (!TargetNamespace(ns)) return ERROR_DEV_NOT_EXIST;
  std::lock_guard<std::mutex> lock(mutex_);
  snapshot_.valid = false;  // act on what is there now
  View view = Gather(interfaceName, ns);
  if (!view.enabled) return ERROR_NOT_FOUND;
  bool holding = view.lease && view.lease->expire > Now();
  if (view.clients.empty() && !holding) return NO_ERROR;  // nothing is held
  std::string program = Program();
  if (program.empty()) return ERROR_FILE_NOT_FOUND;

  DhclientCommand command = CommandFor(interfaceName, view, ns);
  std::vector<std::string> argv = {program, "-r"};
  // With no client running, a pid file names nobody, or somebody else.
  AppendFiles(command, !view.clients.empty(), argv);
  argv.push_back(interfaceName);
  DWORD error = Run(std::move(argv), interfaceName, options_.releaseTimeout);
  if (error == NO_ERROR) {
    EndLeftovers(view.clients);
    command.interfaces = {interfaceName};
    remembered_[{ns, interfaceName}] = command;
  }
  return error;
}

DWORD DhclientClient::Renew(const std::string& interfaceName) {
  if (!IsSafeInterfaceName(interfaceName)) return ERROR_INVALID_PARAMETER;
  Namespace ns;
  if (!TargetNamespace(ns)) return ERROR_DEV_NOT_EXIST;
  std::lock_guard<std::mutex> lock(mutex_);
  snapshot_.valid = false;  // act on what is there now
  View view = Gather(interfaceName, ns);
  if (!view.enabled) return ERROR_NOT_FOUND;
  std::string program = Program();
  if (program.empty()) return ERROR_FILE_NOT_FOUND;

  DhclientCommand command = CommandFor(interfaceName, view, ns);
  if (!view.clients.empty()) {
    // A running client is stopped (without a release) so that the new one
    // owns the link alone.
    std::vector<std::string> stop = {program, "-x"};
    AppendFiles(command, true, stop);
    stop.push_back(interfaceName);
    DWORD error = Run(std::move(stop), interfaceName, options_.releaseTimeout);
    if (error != NO_ERROR) return error;
    EndLeftovers(view.clients);
  }
  std::vector<std::string> argv = {program, "-1"};
  AppendFiles(command, true, argv);
  argv.push_back(interfaceName);
  DWORD error = Run(std::move(argv), interfaceName, options_.renewTimeout);
  if (error == NO_ERROR) remembered_.erase({ns, interfaceName});
  return error;
}

}  // namespace lorvane::iphlp
