#include "platform/kernel/bounded_run.h"

#include <fcntl.h>
#include <net/if.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstring>
#include <thread>

#include "platform/base/errors.h"
#include "platform/kernel/system_defaults.h"

namespace lorvane::kernel {
namespace {

using SteadyClock = std::chrono::steady_clock;

// What the child reports through the pipe when it cannot exec.
struct ChildFailure {
  int stage;  // a RunOutcome
  int error;
};

[[noreturn]] void ChildFail(int pipeFd, RunOutcome stage, int error) {
  ChildFailure failure{static_cast<int>(stage), error};
  ssize_t written = write(pipeFd, &failure, sizeof failure);
  (void)written;
  _exit(127);
}

// Between fork and exec: async-signal-safe calls only.
[[noreturn]] void Child(const RunRequest& request, char* const* argv, char* const* envp, int pipeFd,
                        int outFd, int maxFd, const kernel::SystemLimits& limits) {
  // Whoever started this process, not their limits or terminal.
  kernel::TakeSystemDefaults(limits);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  struct sigaction defaults;
  std::memset(&defaults, 0, sizeof defaults);
  defaults.sa_handler = SIG_DFL;
  for (int s = 1; s < NSIG; ++s) sigaction(s, &defaults, nullptr);

  if (request.netnsFd >= 0 && setns(request.netnsFd, CLONE_NEWNET) != 0) {
    ChildFail(pipeFd, RunOutcome::NoNamespace, errno);
  }
  if (!request.requiredInterface.empty()) {
    int s = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    struct ifreq ifr;
    std::memset(&ifr, 0, sizeof ifr);
    std::memcpy(ifr.ifr_name, request.requiredInterface.data(),
                request.requiredInterface.size() < IFNAMSIZ ? request.requiredInterface.size()
                                                            : IFNAMSIZ - 1);
    if (s < 0 || ioctl(s, SIOCGIFINDEX, &ifr) != 0)
      ChildFail(pipeFd, RunOutcome::NoInterface, errno);
    close(s);
  }
  // Not the caller's terminal, directory or umask: the client's files are
  // made as the system makes them, whoever started this program and where.
  int devNull = open("/dev/null", O_RDWR);
  if (devNull < 0) ChildFail(pipeFd, RunOutcome::NotStarted, errno);
  dup2(devNull, 0);
  dup2(outFd >= 0 ? outFd : devNull, 1);
  dup2(devNull, 2);
  if (devNull > 2) close(devNull);
  if (chdir("/") != 0) ChildFail(pipeFd, RunOutcome::NotStarted, errno);
  umask(022);
  // Descriptors the host program left open must not live on in a daemon;
  // kernels before 5.11 lack the flag, so mark them one by one there.
  if (syscall(SYS_close_range, 3U, ~0U, 4U /* CLOSE_RANGE_CLOEXEC */) != 0) {
    for (int fd = 3; fd < maxFd; ++fd) fcntl(fd, F_SETFD, FD_CLOEXEC);
  }
  execve(argv[0], argv, envp);
  ChildFail(pipeFd, RunOutcome::NotStarted, errno);
}

std::vector<char*> Pointers(const std::vector<std::string>& strings) {
  std::vector<char*> out;
  out.reserve(strings.size() + 1);
  for (const auto& s : strings) out.push_back(const_cast<char*>(s.c_str()));
  out.push_back(nullptr);
  return out;
}

// Waits for `pid` until `deadline`; true with its status when it ended.
bool WaitUntil(pid_t pid, SteadyClock::time_point deadline, int& status) {
  int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  for (;;) {
    pid_t r = waitpid(pid, &status, WNOHANG);
    if (r == pid) break;
    if (r < 0 && errno != EINTR) {
      status = -1;  // reaped elsewhere: its status is lost
      break;
    }
    auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
    if (left.count() <= 0) {
      if (pidfd >= 0) close(pidfd);
      return false;
    }
    if (pidfd >= 0) {
      pollfd p{pidfd, POLLIN, 0};
      poll(&p, 1, static_cast<int>(std::min<long long>(left.count(), 1000)));
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(std::min<long long>(left.count(), 5)));
    }
  }
  if (pidfd >= 0) close(pidfd);
  return true;
}

// Reads `fd` to its end, the deadline or one byte past `cap`; false when
// there was more than `cap`.
bool ReadOutput(int fd, SteadyClock::time_point deadline, std::size_t cap, std::string& out) {
  out.clear();
  char buffer[4096];
  for (;;) {
    auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
    if (left.count() <= 0) return true;  // the wait that follows sees the timeout
    pollfd p{fd, POLLIN, 0};
    int ready = poll(&p, 1, static_cast<int>(std::min<long long>(left.count(), 1000)));
    if (ready < 0 && errno != EINTR) return true;
    if (ready <= 0) continue;
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) return true;
    if (out.size() + static_cast<std::size_t>(n) > cap) return false;
    out.append(buffer, static_cast<std::size_t>(n));
  }
}

}  // namespace

DWORD ErrorOf(const RunResult& r) {
  switch (r.outcome) {
    case RunOutcome::Exited:
      return r.code == 0 ? NO_ERROR : ERROR_GEN_FAILURE;
    case RunOutcome::Signaled:
    case RunOutcome::TooMuchOutput:
      return ERROR_GEN_FAILURE;
    case RunOutcome::TimedOut:
      return ERROR_TIMEOUT;
    case RunOutcome::NoNamespace:
    case RunOutcome::NoInterface:
      return ERROR_DEV_NOT_EXIST;
    case RunOutcome::NotStarted:
      if (r.code == ENOENT || r.code == ENOTDIR) return ERROR_FILE_NOT_FOUND;
      if (r.code == EACCES || r.code == EPERM) return ERROR_ACCESS_DENIED;
      return ERROR_GEN_FAILURE;
  }
  return ERROR_GEN_FAILURE;
}

RunResult RunBounded(const RunRequest& request) {
  if (request.argv.empty()) return {RunOutcome::NotStarted, EINVAL};
  std::vector<char*> argv = Pointers(request.argv);
  std::vector<char*> envp = Pointers(request.environment);
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) return {RunOutcome::NotStarted, errno};
  int outFds[2] = {-1, -1};
  if (request.output && pipe2(outFds, O_CLOEXEC) != 0) {
    int error = errno;
    close(pipeFds[0]);
    close(pipeFds[1]);
    return {RunOutcome::NotStarted, error};
  }
  auto closeOut = [&] {
    for (int& fd : outFds) {
      if (fd >= 0) close(fd);
      fd = -1;
    }
  };
  rlimit files{};
  int maxFd = getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < 65536
                  ? static_cast<int>(files.rlim_cur)
                  : 65536;

  const kernel::SystemLimits limits = kernel::ReadSystemLimits();
  auto deadline = SteadyClock::now() + request.timeout;
  pid_t pid = fork();
  if (pid < 0) {
    int error = errno;
    close(pipeFds[0]);
    close(pipeFds[1]);
    closeOut();
    return {RunOutcome::NotStarted, error};
  }
  if (pid == 0) {
    close(pipeFds[0]);
    Child(request, argv.data(), envp.data(), pipeFds[1], outFds[1], maxFd, limits);
  }
  // Its session (and group) exists before any kill: the pipe below closes only
  // at exec.
  close(pipeFds[1]);
  if (outFds[1] >= 0) {
    close(outFds[1]);
    outFds[1] = -1;
  }

  // The pipe closes on exec, or carries why there was none.
  ChildFailure failure{};
  ssize_t got;
  do {
    got = read(pipeFds[0], &failure, sizeof failure);
  } while (got < 0 && errno == EINTR);
  close(pipeFds[0]);

  int status = 0;
  if (request.output && !ReadOutput(outFds[0], deadline, request.outputCap, *request.output)) {
    closeOut();
    kill(-pid, SIGKILL);
    kill(pid, SIGKILL);
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    request.output->clear();
    return {RunOutcome::TooMuchOutput, 0};
  }
  closeOut();
  if (!WaitUntil(pid, deadline, status)) {
    kill(-pid, SIGKILL);
    kill(pid, SIGKILL);
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return {RunOutcome::TimedOut, 0};
  }
  if (got == static_cast<ssize_t>(sizeof failure))
    return {static_cast<RunOutcome>(failure.stage), failure.error};
  if (status == -1) return {RunOutcome::Exited, -1};
  if (WIFSIGNALED(status)) return {RunOutcome::Signaled, WTERMSIG(status)};
  return {RunOutcome::Exited, WEXITSTATUS(status)};
}

}  // namespace lorvane::kernel
