#include "platform/iphlp/dhcp/dhcpcd_client.h"

#include <fcntl.h>
#include <sys/stat.h>

#include "platform/base/errors.h"
#include "platform/iphlp/dhcp/ifupdown.h"
#include "platform/iphlp/dhcp/lease_file.h"
#include "platform/kernel/trusted_files.h"
#include "platform/kernel/unique_fd.h"

namespace lorvane::iphlp {
DhcpcdClient::DhcpcdClient(DhcpcdOptions options)
    : ClientBase(options), options_(std::move(options)) {}

std::string DhcpcdClient::Program() const {
  return FindProgram(options_.program, {"/usr/sbin/dhcpcd", "/sbin/dhcpcd"});
}

// dhcpcd keeps a socket and a pid file per link and family (lvc0-4), per link,
// or one for every link when it runs as one daemon for all. A control socket
// can outlive its daemon, and the daemon of another network namespace can
// leave its files here: only a live dhcpcd of this namespace counts.
bool DhcpcdClient::Daemon(const std::string& name, const Namespace& ns,
                          const kernel::FileId& program) const {
  for (const std::string& stem : {name + "-4.", name + ".", std::string()}) {
    struct stat st;
    std::string socket = options_.runDir + "/" + stem + "sock";
    if (lstat(socket.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode) || !kernel::TrustedOwner(st.st_uid))
      continue;
    std::string text;
    if (!kernel::ReadTrustedFile(options_.runDir + "/" + stem + "pid", 32, text)) continue;
    if (text.ends_with('\n')) text.pop_back();
    const std::int64_t pid = dhcp::Decimal(text, 999999999, true).value_or(0);
    kernel::UniqueFd proc(open((options_.procDir + "/" + std::to_string(pid)).c_str(),
                               O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    // Its daemon drops root for a user of its own: the executable and the
    // namespace say whose it is.
    if (pid > 0 && proc.get() >= 0 && kernel::SameFileAt(proc.get(), "exe", program) &&
        kernel::SameFileAt(proc.get(), "ns/net", ns))
      return true;
  }
  return false;
}

// The lease is believed only while a daemon of ours runs for the link: a file
// left by one that is gone holds nothing. dhcpcd writes it at each
// acknowledgement, so its time is when the lease was granted.
DhcpcdClient::Look DhcpcdClient::LookAt(const std::string& name, const Namespace& ns) {
  Look look;
  kernel::FileId program;
  look.daemon = kernel::IdentityOf(Program(), program) && Daemon(name, ns, program);
  struct stat st;
  std::string bytes;
  kernel::UniqueFd fd(kernel::OpenTrustedFile(options_.leaseDir + "/" + name + ".lease", &st));
  look.state.running = look.daemon || released_.count({ns, name});
  look.state.enabled = look.state.running || fd.valid();
  if (!fd.valid()) return look;
  look.written = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  std::optional<dhcp::DhcpcdLease> lease;
  if (look.daemon && static_cast<std::uint64_t>(st.st_size) <= dhcp::kMaxDhcpcdLeaseBytes &&
      kernel::ReadAtMost(fd.get(), dhcp::kMaxDhcpcdLeaseBytes, bytes))
    lease = dhcp::ParseDhcpcdLease(bytes);
  const std::int64_t obtained = st.st_mtim.tv_sec;
  if (!lease) return look;
  const std::int64_t expires =
      lease->leaseTime == dhcp::kNever ? dhcp::kNever : obtained + lease->leaseTime;
  if (expires <= Now()) return look;
  look.state.server = std::move(lease->server);
  look.state.leaseObtained = obtained;
  look.state.leaseExpires = expires;
  look.state.dnsServers = std::move(lease->dnsServers);
  look.state.winsServers = std::move(lease->winsServers);
  return look;
}

// The links dhcpcd's folders name ("lvc0-4.sock", "lvc0.lease"); "" for the
// socket of one daemon that runs every link.
std::set<std::string> DhcpcdClient::NamedIn(const std::string& dir) const {
  std::set<std::string> names;
  for (const auto& path : dhcp::Glob(dir + "/*")) {
    const std::string_view name = std::string_view(path).substr(dir.size() + 1);
    if (name == "sock" || name == "pid") names.emplace();
    for (std::string_view suffix : {"-4.sock", ".sock", "-4.pid", ".pid", ".lease"}) {
      if (name.ends_with(suffix)) {
        names.emplace(name.substr(0, name.size() - suffix.size()));
        break;
      }
    }
  }
  return names;
}

// One listing of dhcpcd's folders a query: a link they do not name, and that
// this object did not release, is not dhcpcd's, and costs nothing more.
std::vector<DhcpState> DhcpcdClient::Query(const std::vector<std::string>& names) {
  std::vector<DhcpState> out(names.size());
  Namespace ns;
  if (!kernel::ThisNamespace(options_.procDir, ns)) return out;
  std::set<std::string> named = NamedIn(options_.runDir);
  named.merge(NamedIn(options_.leaseDir));
  std::lock_guard<std::mutex> lock(mutex_);
  for (const auto& [where, name] : released_) named.insert(name);
  bool everyLink = named.count("") > 0;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (everyLink || named.count(names[i])) out[i] = LookAt(names[i], ns).state;
  }
  return out;
}

// A release is `dhcpcd -4 -k`, for a link a daemon runs for. A renewal tells
// a running daemon to rebind at once; with none, the one started here goes
// to the background only once it holds a lease.
DWORD DhcpcdClient::Act(const std::string& name, bool renew) {
  const auto start = std::chrono::steady_clock::now();
  const auto timeout = renew ? options_.renewTimeout : options_.releaseTimeout;
  Namespace ns;
  if (!kernel::ThisNamespace(options_.procDir, ns)) return ERROR_DEV_NOT_EXIST;
  std::lock_guard<std::mutex> lock(mutex_);
  Look look = LookAt(name, ns);
  if (!look.state.enabled) return ERROR_NOT_FOUND;
  if (!renew && !look.daemon) return NO_ERROR;  // no dhcpcd holds a lease for it
  kernel::RunRequest request;
  request.argv = {Program(), "-4", renew ? "-n" : "-k", name};
  request.timeout = timeout;
  if (DWORD error = RunProgram(std::move(request), name); error != NO_ERROR) return error;
  if (!renew) {
    released_.insert({ns, name});
    return NO_ERROR;
  }
  released_.erase({ns, name});
  // dhcpcd answers before the lease shows: a daemon rebinding shows none
  // until the server acknowledges again, and one just started sets the
  // address before it writes the lease.
  return PollUntil(start, timeout, [&]() -> std::optional<DWORD> {
    Look now = LookAt(name, ns);
    if (now.written != look.written && now.state.leaseExpires != 0) return NO_ERROR;
    return std::nullopt;
  });
}

}  // namespace lorvane::iphlp
