#include "support/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

#include "platform/kernel/unique_fd.h"

namespace lorvane::test {
namespace {

using Fd = kernel::UniqueFd;

int DecodeStatus(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

// Starts argv with `in` as its stdin and `out` as its stdout and stderr.
pid_t Start(const std::vector<std::string>& argv, int in, int out) {
  if (argv.empty()) throw std::invalid_argument("empty command");
  // Built before fork: the child may only make async-signal-safe calls.
  std::vector<char*> args;
  for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    dup2(in, 0);
    dup2(out, 1);
    dup2(out, 2);
    execvp(args[0], args.data());
    _exit(127);
  }
  return pid;
}

// Reaps `pid` if it ends within `timeout`; false while it still runs.
bool Reap(pid_t pid, int& status, std::chrono::milliseconds timeout) {
  Fd ended{static_cast<int>(syscall(SYS_pidfd_open, pid, 0))};
  pollfd readable{ended.get(), POLLIN, 0};
  while (ended.valid() && poll(&readable, 1, static_cast<int>(timeout.count())) < 0 &&
         errno == EINTR) {
  }
  return waitpid(pid, &status, WNOHANG) != 0;  // ended, or no longer ours: gone
}

void KillAndReap(pid_t pid, int& status, std::chrono::milliseconds grace) {
  kill(pid, SIGTERM);
  if (Reap(pid, status, grace)) return;
  kill(pid, SIGKILL);
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace

CommandResult RunCommand(const std::vector<std::string>& argv, std::chrono::milliseconds timeout,
                         const std::string& input) {
  // Files in memory, not pipes: nothing to pump, and a daemon the command
  // leaves behind holding its output does not hold the caller up.
  Fd in{memfd_create("input", MFD_CLOEXEC)};
  Fd out{memfd_create("output", MFD_CLOEXEC)};
  if (!in.valid() || !out.valid() ||
      pwrite(in.get(), input.data(), input.size(), 0) != static_cast<ssize_t>(input.size()))
    throw std::runtime_error("cannot make a command's input and output");
  const pid_t pid = Start(argv, in.get(), out.get());
  CommandResult result;
  int status = 0;
  result.timedOut = !Reap(pid, status, timeout);
  if (result.timedOut) KillAndReap(pid, status, std::chrono::milliseconds(0));
  result.exitCode = result.timedOut ? -1 : DecodeStatus(status);
  result.output.resize(static_cast<size_t>(lseek(out.get(), 0, SEEK_END)));
  result.output.resize(
      std::max<ssize_t>(0, pread(out.get(), result.output.data(), result.output.size(), 0)));
  return result;
}

std::string MissingProgram(const std::vector<std::string>& paths) {
  for (const auto& path : paths)
    if (access(path.c_str(), X_OK) != 0) return path + " is not installed";
  return {};
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::string& logPath) {
  const std::string path = logPath.empty() ? "/dev/null" : logPath;
  Fd log{open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644)};
  Fd null{open("/dev/null", O_RDONLY | O_CLOEXEC)};
  if (!log.valid() || !null.valid()) throw std::runtime_error("cannot open " + path);
  pid_ = Start(argv, null.get(), log.get());
}

ChildProcess::~ChildProcess() { Stop(); }

int ChildProcess::Wait(std::chrono::milliseconds timeout) {
  if (pid_ >= 0) {
    if (!Reap(pid_, status_, timeout)) return -1;
    pid_ = -1;
  }
  return DecodeStatus(status_);
}

int ChildProcess::Stop(std::chrono::milliseconds grace) {
  if (pid_ >= 0) KillAndReap(pid_, status_, grace);
  pid_ = -1;
  return DecodeStatus(status_);
}

}  // namespace lorvane::test
