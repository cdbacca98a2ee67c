#include "support/process.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <thread>
#include <utility>

namespace lorvane::test {
namespace {

using Clock = std::chrono::steady_clock;

// argv as the exec calls want it, built before fork: the child may only make
// async-signal-safe calls.
class Argv {
 public:
  explicit Argv(const std::vector<std::string>& args) : args_(args) {
    if (args_.empty()) throw std::invalid_argument("empty command");
    for (auto& a : args_) pointers_.push_back(a.data());
    pointers_.push_back(nullptr);
  }
  char* const* get() { return pointers_.data(); }

 private:
  std::vector<std::string> args_;
  std::vector<char*> pointers_;
};

int DecodeStatus(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

// Reaps `pid` if it has ended; true when it has.
bool Reap(pid_t pid, int& status) {
  for (;;) {
    pid_t r = waitpid(pid, &status, WNOHANG);
    if (r == pid) return true;
    if (r == 0) return false;
    if (errno != EINTR) return true;  // not ours any more: treat as gone
  }
}

void KillAndReap(pid_t pid, int& status, std::chrono::milliseconds grace) {
  kill(pid, SIGTERM);
  auto deadline = Clock::now() + grace;
  while (Clock::now() < deadline) {
    if (Reap(pid, status)) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  kill(pid, SIGKILL);
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
}

std::string Join(const std::vector<std::string>& argv) {
  std::string s;
  for (const auto& a : argv) s += (s.empty() ? "" : " ") + a;
  return s;
}

}  // namespace

CommandResult RunCommand(const std::vector<std::string>& argv, std::chrono::milliseconds timeout,
                         const std::string& input) {
  Argv args(argv);
  int out[2], in[2];
  if (pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  if (pipe2(in, O_CLOEXEC) != 0) {
    close(out[0]);
    close(out[1]);
    throw std::runtime_error("pipe failed");
  }
  pid_t pid = fork();
  if (pid < 0) {
    for (int fd : {out[0], out[1], in[0], in[1]}) close(fd);
    throw std::runtime_error("fork failed");
  }
  if (pid == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    dup2(out[1], 2);
    execvp(args.get()[0], args.get());
    _exit(127);
  }
  close(out[1]);
  close(in[0]);

  // Feed stdin from this thread; inputs are small (ip -batch lines).
  std::thread feeder([fd = in[1], &input] {
    // A child that ends without reading must not take the test down.
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
    size_t done = 0;
    while (done < input.size()) {
      ssize_t n = write(fd, input.data() + done, input.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    close(fd);
  });

  CommandResult result;
  auto deadline = Clock::now() + timeout;
  char buf[4096];
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) {
      result.timedOut = true;
      break;
    }
    pollfd p{out[0], POLLIN, 0};
    int r = poll(&p, 1, static_cast<int>(left.count()));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) continue;
    ssize_t n = read(out[0], buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // every writer has gone
    result.output.append(buf, static_cast<size_t>(n));
  }
  close(out[0]);
  int status = 0;
  if (result.timedOut) {
    KillAndReap(pid, status, std::chrono::milliseconds(0));
  } else {
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }
  feeder.join();
  result.exitCode = result.timedOut ? -1 : DecodeStatus(status);
  return result;
}

std::string RunChecked(const std::vector<std::string>& argv, std::chrono::milliseconds timeout,
                       const std::string& input) {
  CommandResult r = RunCommand(argv, timeout, input);
  if (r.exitCode != 0) {
    throw std::runtime_error(Join(argv) + (r.timedOut ? ": timed out: " : ": failed: ") + r.output);
  }
  return r.output;
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::string& logPath) {
  Argv args(argv);
  int log = logPath.empty() ? open("/dev/null", O_WRONLY | O_CLOEXEC)
                            : open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (log < 0) throw std::runtime_error("cannot open " + (logPath.empty() ? "/dev/null" : logPath));
  int null = open("/dev/null", O_RDONLY | O_CLOEXEC);
  pid_ = fork();
  if (pid_ < 0) {
    close(log);
    if (null >= 0) close(null);
    throw std::runtime_error("fork failed");
  }
  if (pid_ == 0) {
    if (null >= 0) dup2(null, 0);
    dup2(log, 1);
    dup2(log, 2);
    execvp(args.get()[0], args.get());
    _exit(127);
  }
  close(log);
  if (null >= 0) close(null);
}

ChildProcess::~ChildProcess() { Stop(); }

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)), status_(other.status_) {}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
  if (this != &other) {
    Stop();
    pid_ = std::exchange(other.pid_, -1);
    status_ = other.status_;
  }
  return *this;
}

bool ChildProcess::Running() {
  if (pid_ < 0) return false;
  if (Reap(pid_, status_)) {
    pid_ = -1;
    return false;
  }
  return true;
}

int ChildProcess::Wait(std::chrono::milliseconds timeout) {
  auto deadline = Clock::now() + timeout;
  while (Running()) {
    if (Clock::now() >= deadline) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return DecodeStatus(status_);
}

int ChildProcess::Stop(std::chrono::milliseconds grace) {
  if (pid_ >= 0) {
    KillAndReap(pid_, status_, grace);
    pid_ = -1;
  }
  return DecodeStatus(status_);
}

}  // namespace lorvane::test
