#include "platform/iphlp/dhcp/dhcpcd_client.h"

#include <dirent.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <thread>

#include "platform/base/errors.h"
#include "platform/iphlp/dhcp/bounded_run.h"
#include "platform/iphlp/dhcp/dhcpcd_output.h"
#include "platform/iphlp/dhcp/lease_file.h"
#include "platform/iphlp/interface_name.h"
#include "platform/kernel/trusted_files.h"
#include "platform/kernel/unique_fd.h"

namespace lorvane::iphlp {
namespace {

const char* const kPath = "PATH=/usr/sbin:/usr/bin:/sbin:/bin";

// How often a renewal looks for its lease.
constexpr std::chrono::milliseconds kRenewPoll{50};

bool SameFile(int dirFd, const char* name, dhcp::FileId id) {
  struct stat st;
  return fstatat(dirFd, name, &st, 0) == 0 && dhcp::FileId{st.st_dev, st.st_ino} == id;
}

bool ParsePid(const std::string& text, pid_t& pid) {
  std::size_t digits = text.find_first_not_of("0123456789");
  if (digits == 0 || digits > 9 || (digits != std::string::npos && text.substr(digits) != "\n"))
    return false;
  pid = static_cast<pid_t>(std::stol(text.substr(0, digits)));
  return pid > 0;
}

}  // namespace

DhcpcdClient::DhcpcdClient(DhcpcdOptions options) : options_(std::move(options)) {}

std::int64_t DhcpcdClient::Now() const {
  return options_.now ? options_.now() : static_cast<std::int64_t>(std::time(nullptr));
}

std::string DhcpcdClient::Program() const {
  if (!options_.program.empty()) return options_.program;
  for (const char* candidate : {"/usr/sbin/dhcpcd", "/sbin/dhcpcd"}) {
    if (access(candidate, X_OK) == 0) return candidate;
  }
  return {};
}

// dhcpcd keeps a socket and a pid file per link and family (lvc0-4), per link,
// or one for every link when it runs as one daemon for all. A control socket
// can outlive its daemon, and the daemon of another network namespace can
// leave its files here: only a live dhcpcd of this namespace counts.
bool DhcpcdClient::Daemon(const std::string& name, const Namespace& ns,
                          const dhcp::FileId& program) const {
  for (const std::string& stem : {name + "-4.", name + ".", std::string()}) {
    struct stat st;
    std::string socket = options_.runDir + "/" + stem + "sock";
    if (lstat(socket.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode) || !kernel::TrustedOwner(st.st_uid))
      continue;
    std::string text;
    pid_t pid = 0;
    if (!kernel::ReadTrustedFile(options_.runDir + "/" + stem + "pid", 32, text) ||
        !ParsePid(text, pid))
      continue;
    kernel::UniqueFd proc(open((options_.procDir + "/" + std::to_string(pid)).c_str(),
                               O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    // Its daemon drops root for a user of its own: the executable and the
    // namespace say whose it is.
    if (proc.get() >= 0 && SameFile(proc.get(), "exe", program) &&
        SameFile(proc.get(), "ns/net", ns))
      return true;
  }
  return false;
}

DhcpcdClient::Look DhcpcdClient::LookAt(const std::string& name, const Namespace& ns,
                                        bool& haveProgram) {
  Look look;
  std::string program = Program();
  struct stat st;
  haveProgram = !program.empty() && stat(program.c_str(), &st) == 0;
  if (haveProgram) look.daemon = Daemon(name, ns, {st.st_dev, st.st_ino});
  kernel::UniqueFd lease(kernel::OpenTrustedFile(options_.leaseDir + "/" + name + ".lease", &st));
  if (lease.get() >= 0) {
    look.leaseFile = true;
    look.leaseFileMtime = static_cast<std::int64_t>(st.st_mtim.tv_sec);
    look.leaseFileWritten = look.leaseFileMtime * 1000000000 + st.st_mtim.tv_nsec;
  }
  return look;
}

DWORD DhcpcdClient::Run(std::vector<std::string> argv, std::chrono::milliseconds timeout,
                        std::string* output) {
  std::string program = Program();
  if (program.empty()) return ERROR_FILE_NOT_FOUND;
  if (!kernel::TrustedPlace(program)) return ERROR_ACCESS_DENIED;
  dhcp::RunRequest request;
  request.argv = {program};
  request.argv.insert(request.argv.end(), argv.begin(), argv.end());
  request.environment = {kPath};
  request.requiredInterface = argv.back();
  request.timeout = timeout;
  request.output = output;
  request.outputCap = dhcp::kMaxDhcpcdOutputBytes;
  return dhcp::ErrorOf(dhcp::RunBounded(request));
}

DhcpState DhcpcdClient::State(const std::string& interfaceName) {
  DhcpState state;
  Namespace ns;
  if (!IsSafeInterfaceName(interfaceName) || !dhcp::ThisNamespace(options_.procDir, ns))
    return state;
  std::lock_guard<std::mutex> lock(mutex_);
  bool haveProgram = false;
  Look look = LookAt(interfaceName, ns, haveProgram);
  state.running = look.daemon || released_.count({ns, interfaceName});
  state.enabled = state.running || look.leaseFile;
  if (!look.daemon) return state;
  std::string out;
  if (Run({"-4", "-U", interfaceName}, options_.stateTimeout, &out) != NO_ERROR) return state;
  auto report = dhcp::ParseDhcpcdOutput(out, interfaceName);
  // Without the lease file there is no time it was granted, and so no lease
  // to show.
  if (!report || !report->leased || !look.leaseFile) return state;
  // dhcpcd writes the file each time a server acknowledges the lease.
  std::int64_t expires = report->leaseTime == dhcp::kNever
                             ? dhcp::kNever
                             : look.leaseFileMtime + report->leaseTime;
  if (expires <= Now()) return state;
  state.server = report->server;
  state.leaseObtained = look.leaseFileMtime;
  state.leaseExpires = expires;
  state.dnsServers = std::move(report->dnsServers);
  state.winsServers = std::move(report->winsServers);
  return state;
}

// The links dhcpcd's folders name ("lvc0-4.sock", "lvc0.lease"); "" for the
// socket of one daemon that runs every link.
std::set<std::string> DhcpcdClient::NamedIn(const std::string& dir) const {
  std::set<std::string> names;
  DIR* listing = opendir(dir.c_str());
  if (!listing) return names;
  while (dirent* entry = readdir(listing)) {
    std::string_view name = entry->d_name;
    for (std::string_view suffix : {"-4.sock", ".sock", "-4.pid", ".pid", ".lease"}) {
      if (name.size() >= suffix.size() && name.substr(name.size() - suffix.size()) == suffix) {
        names.emplace(name.substr(0, name.size() - suffix.size()));
        break;
      }
    }
    if (name == "sock" || name == "pid") names.emplace();
  }
  closedir(listing);
  return names;
}

// One listing of dhcpcd's folders a query: a link they do not name, and that
// this object did not release, is not dhcpcd's, and costs nothing more.
std::vector<DhcpState> DhcpcdClient::States(const std::vector<std::string>& interfaceNames) {
  std::set<std::string> named = NamedIn(options_.runDir);
  named.merge(NamedIn(options_.leaseDir));
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& [ns, name] : released_) named.insert(name);
  }
  bool everyLink = named.count("") > 0;
  std::vector<DhcpState> out(interfaceNames.size());
  for (std::size_t i = 0; i < interfaceNames.size(); ++i) {
    if (everyLink || named.count(interfaceNames[i])) out[i] = State(interfaceNames[i]);
  }
  return out;
}

DWORD DhcpcdClient::Release(const std::string& interfaceName) {
  if (!IsSafeInterfaceName(interfaceName)) return ERROR_INVALID_PARAMETER;
  Namespace ns;
  if (!dhcp::ThisNamespace(options_.procDir, ns)) return ERROR_DEV_NOT_EXIST;
  std::lock_guard<std::mutex> lock(mutex_);
  bool haveProgram = false;
  Look look = LookAt(interfaceName, ns, haveProgram);
  if (!look.daemon && !look.leaseFile && !released_.count({ns, interfaceName}))
    return ERROR_NOT_FOUND;
  if (!look.daemon) return NO_ERROR;  // no dhcpcd holds a lease for it
  DWORD error = Run({"-4", "-k", interfaceName}, options_.releaseTimeout);
  if (error == NO_ERROR) released_.insert({ns, interfaceName});
  return error;
}

DWORD DhcpcdClient::Renew(const std::string& interfaceName) {
  if (!IsSafeInterfaceName(interfaceName)) return ERROR_INVALID_PARAMETER;
  Namespace ns;
  if (!dhcp::ThisNamespace(options_.procDir, ns)) return ERROR_DEV_NOT_EXIST;
  const auto deadline = std::chrono::steady_clock::now() + options_.renewTimeout;
  std::int64_t written = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    bool haveProgram = false;
    Look look = LookAt(interfaceName, ns, haveProgram);
    if (!look.daemon && !look.leaseFile && !released_.count({ns, interfaceName}))
      return ERROR_NOT_FOUND;
    if (!haveProgram) return ERROR_FILE_NOT_FOUND;
    written = look.leaseFileWritten;
    // A running daemon is told to rebind at once; with none, the one started
    // here goes to the background only once it holds a lease.
    DWORD error = Run({"-4", "-n", interfaceName}, options_.renewTimeout);
    if (error != NO_ERROR) return error;
    released_.erase({ns, interfaceName});
  }
  // dhcpcd answers before the lease shows: a daemon rebinding shows none
  // until the server acknowledges again, and one just started sets the
  // address before it writes the lease. The file is written at each
  // acknowledgement.
  for (;;) {
    bool rewritten = false;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      bool haveProgram = false;
      rewritten = LookAt(interfaceName, ns, haveProgram).leaseFileWritten != written;
    }
    if (rewritten && State(interfaceName).leaseExpires != 0) return NO_ERROR;
    if (std::chrono::steady_clock::now() >= deadline) return ERROR_TIMEOUT;
    std::this_thread::sleep_for(kRenewPoll);
  }
}

}  // namespace lorvane::iphlp
