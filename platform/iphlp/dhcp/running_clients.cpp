#include "platform/iphlp/dhcp/running_clients.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <set>
#include <sstream>

#include "platform/iphlp/dhcp/lease_file.h"
#include "platform/kernel/trusted_files.h"
#include "platform/kernel/unique_fd.h"

namespace lorvane::iphlp::dhcp {
namespace {

constexpr std::size_t kMaxCommandLine = 64 * 1024;

// /proc files report no size: read to the end, refusing more than `cap`.
bool ReadProcFile(int procFd, const char* name, std::size_t cap, std::string& out) {
  kernel::UniqueFd fd(openat(procFd, name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
  return fd.valid() && kernel::ReadAtMost(fd.get(), cap, out);
}

// Real, effective, saved and file-system user: a set-user-id program started
// by someone else is theirs as much as root's.
bool RunByTrustedUser(int procFd) {
  std::string status;
  if (!ReadProcFile(procFd, "status", 16 * 1024, status)) return false;
  auto at = status.find("\nUid:");
  if (at == std::string::npos) return false;
  std::istringstream line(status.substr(at + 5, status.find('\n', at + 1) - at - 5));
  int count = 0;
  long long uid;
  while (line >> uid) {
    if (uid < 0 || !kernel::TrustedOwner(static_cast<uid_t>(uid))) return false;
    ++count;
  }
  return count == 4;
}

// Whose process it is and what it runs, read through one open /proc entry,
// so that a pid taken over in between fails rather than passes. A zombie has
// no executable and fails too.
bool Believed(int procFd, FileId ns, FileId program) {
  return RunByTrustedUser(procFd) && kernel::SameFileAt(procFd, "exe", program) &&
         kernel::SameFileAt(procFd, "ns/net", ns);
}

// Ticks since boot when the process started: with the pid, who it is.
unsigned long long StartTime(int procFd) {
  std::string stat;
  if (!ReadProcFile(procFd, "stat", 4096, stat)) return 0;
  auto close = stat.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream fields(stat.substr(close + 2));
  std::string field;
  unsigned long long start = 0;
  for (int i = 3; i < 22; ++i) fields >> field;  // a failed read fails the rest
  fields >> start;
  return start;
}

}  // namespace

std::vector<RunningClient> FindRunningClients(const std::string& procDir, FileId ns,
                                              FileId program) {
  std::vector<RunningClient> out;
  DIR* dir = opendir(procDir.c_str());
  if (!dir) return out;
  while (dirent* entry = readdir(dir)) {
    if (!dhcp::Decimal(entry->d_name, 0x7fffffff)) continue;  // not a process
    // The name first, straight from the listing: most processes go no
    // further. It is only a quick way past them and proves nothing.
    std::string comm;
    if (!ReadProcFile(dirfd(dir), (std::string(entry->d_name) + "/comm").c_str(), 64, comm) ||
        comm != "dhclient\n")
      continue;
    kernel::UniqueFd procFd(
        openat(dirfd(dir), entry->d_name, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    std::string cmdline;
    if (procFd.get() < 0 || !ReadProcFile(procFd.get(), "comm", 64, comm) ||
        comm != "dhclient\n" || !Believed(procFd.get(), ns, program) ||
        !ReadProcFile(procFd.get(), "cmdline", kMaxCommandLine, cmdline))
      continue;
    std::vector<std::string> argv;
    ForEachLine(cmdline, [&](std::string_view arg) { argv.emplace_back(arg); }, '\0');
    auto command = ParseDhclientCommand(argv);
    if (!command || command->ipv6 || command->stopping) continue;
    // Relative paths on its command line are relative to its own directory.
    char cwd[4096];
    ssize_t n = readlinkat(procFd.get(), "cwd", cwd, sizeof cwd - 1);
    std::string dirOf = n > 0 ? std::string(cwd, static_cast<std::size_t>(n)) : "/";
    for (std::string* path : {&command->leaseFile, &command->pidFile}) {
      if (!path->empty() && (*path)[0] != '/') *path = dirOf + "/" + *path;
    }
    out.push_back({static_cast<pid_t>(std::stol(entry->d_name)), StartTime(procFd.get()),
                   std::move(*command)});
  }
  closedir(dir);
  return out;
}

void EndClients(const std::string& procDir, const std::vector<RunningClient>& clients, FileId ns,
                FileId program, std::chrono::milliseconds bound) {
  std::vector<pollfd> ending;
  for (const auto& client : clients) {
    // The pidfd first: should the pid be another process's by the time /proc
    // is read, the pidfd's own process has ended and the signal reaches no one.
    int pidfd = static_cast<int>(syscall(SYS_pidfd_open, client.pid, 0));
    if (pidfd < 0) continue;
    kernel::UniqueFd procFd(open((procDir + "/" + std::to_string(client.pid)).c_str(),
                                 O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (procFd.get() >= 0 && Believed(procFd.get(), ns, program) &&
        StartTime(procFd.get()) == client.startTime &&
        syscall(SYS_pidfd_send_signal, pidfd, SIGTERM, nullptr, 0) == 0)
      ending.push_back({pidfd, POLLIN, 0});
    else
      close(pidfd);
  }
  auto deadline = std::chrono::steady_clock::now() + bound;
  for (auto& p : ending) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    // A pidfd polls readable once its process has ended.
    if (left.count() > 0) poll(&p, 1, static_cast<int>(left.count()));
    // One that will not stop would fight the next client over the link.
    if ((p.revents & POLLIN) == 0) syscall(SYS_pidfd_send_signal, p.fd, SIGKILL, nullptr, 0);
    close(p.fd);
  }
}

std::optional<DhclientCommand> ParseDhclientCommand(const std::vector<std::string>& argv) {
  // Options of dhclient that take the next word as their argument.
  static const std::set<std::string> kWithArgument = {
      "-p", "-s", "-g", "-D", "-cf", "-lf", "-pf", "-sf", "-df", "-e", "--decline-wait-time",
      "--dad-wait-time", "--address-prefix-len", "--prefix-len-hint", "-timeout"};
  DhclientCommand c;
  for (std::size_t i = 1; i < argv.size(); ++i) {
    const std::string& a = argv[i];
    if (a.empty()) return std::nullopt;
    if (a[0] != '-') {
      c.interfaces.push_back(a);
    } else if (kWithArgument.count(a)) {
      if (i + 1 >= argv.size()) return std::nullopt;
      const std::string& value = argv[++i];
      if (a == "-lf") c.leaseFile = value;
      if (a == "-pf") c.pidFile = value;
    } else if (a == "-6" || a == "-4") {
      c.ipv6 = a == "-6";
    } else if (a == "-r" || a == "-x") {
      c.stopping = true;
    } else if (a == "--no-pid") {
      c.noPidFile = true;
    }
  }
  return c;
}

}  // namespace lorvane::iphlp::dhcp
