// Root's processes started by a user who lowered their limits and holds the
// terminal: the command itself and a daemon it starts run with pid 1's
// limits, in sessions of their own.
#include "platform/kernel/system_defaults.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "platform/kernel/bounded_run.h"

namespace {

using lorvane::kernel::RunBounded;
using lorvane::kernel::RunRequest;

// Root's right to raise a hard limit, which a container may withhold.
bool MayRaiseHardLimits() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("CapEff:", 0) == 0) return (std::stoull(line.substr(7), nullptr, 16) >> 24) & 1;
  return false;
}

// The limits before they were lowered, and whether the hard ones were too.
struct Before {
  rlimit cpu{}, files{};
  bool hard = false;
};
const Before kBefore = [] {
  Before before;
  getrlimit(RLIMIT_CPU, &before.cpu);
  getrlimit(RLIMIT_NOFILE, &before.files);
  before.hard = geteuid() == 0 && MayRaiseHardLimits();
  return before;
}();

// What a caller of pkexec can hand on: `prlimit --cpu=100 --nofile=64`,
// hard limits too where they could be raised again.
void LowerLimits() {
  const rlimit cpu{100, kBefore.hard ? 100 : kBefore.cpu.rlim_max};
  const rlimit files{64, kBefore.hard ? 64 : kBefore.files.rlim_max};
  ASSERT_EQ(setrlimit(RLIMIT_CPU, &cpu), 0);
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &files), 0);
}

struct Seen {
  pid_t pid = 0, session = 0;
  rlimit cpu{}, files{};
};

// Its session and two of its limits, as the kernel keeps them.
Seen SeenIn(pid_t pid) {
  Seen seen;
  seen.pid = pid;
  seen.session = getsid(pid);
  prlimit(pid, RLIMIT_CPU, nullptr, &seen.cpu);
  prlimit(pid, RLIMIT_NOFILE, nullptr, &seen.files);
  return seen;
}

// Runs `work` in a child of its own that first lowers its limits and leads
// its process group, as a shell's job does; its exit status.
template <typename Work>
int InLoweredChild(Work work) {
  const pid_t child = fork();
  if (child == 0) {
    setpgid(0, 0);
    LowerLimits();
    _exit(work());
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

void ExpectSystemDefaults(const Seen& seen) {
  EXPECT_NE(seen.session, getsid(0));
  if (geteuid() != 0) return;  // pid 1's limits are root's to read
  rlimit cpu{}, files{};
  ASSERT_EQ(prlimit(1, RLIMIT_CPU, nullptr, &cpu), 0);
  ASSERT_EQ(prlimit(1, RLIMIT_NOFILE, nullptr, &files), 0);
  files.rlim_cur = std::min<rlim_t>(files.rlim_cur, 1024);
  if (!kBefore.hard) {  // the hard limits stayed; the soft ones go up to them
    cpu = {std::min(cpu.rlim_cur, kBefore.cpu.rlim_max), kBefore.cpu.rlim_max};
    files = {std::min(files.rlim_cur, kBefore.files.rlim_max), kBefore.files.rlim_max};
  }
  EXPECT_EQ(seen.cpu.rlim_cur, cpu.rlim_cur);
  EXPECT_EQ(seen.cpu.rlim_max, cpu.rlim_max);
  EXPECT_EQ(seen.files.rlim_cur, files.rlim_cur);
  EXPECT_EQ(seen.files.rlim_max, files.rlim_max);
}

// One lowered child, as a user's shell job: it starts a daemon, then leaves
// its caller's session as the command does and passes on its worker's status.
TEST(SystemDefaults, TheCommandAndADaemonItStartsTakeTheSystemsLimitsAndSessions) {
  struct Report {
    pid_t daemon = 0;
    Seen worker;
  };
  int report[2];
  ASSERT_EQ(pipe(report), 0);
  const int status = InLoweredChild([&] {
    Report out;
    std::string printed;
    RunRequest request;
    request.argv = {"/bin/sh", "-c", "sleep 30 >/dev/null 2>&1 & echo $!"};
    request.environment = {"PATH=/usr/bin:/bin"};
    request.timeout = std::chrono::seconds(10);
    request.output = &printed;
    request.outputCap = 64;
    RunBounded(request);
    out.daemon = static_cast<pid_t>(std::atoi(printed.c_str()));
    lorvane::kernel::LeaveCallersSession();
    out.worker = SeenIn(getpid());
    (void)!write(report[1], &out, sizeof out);
    return 7;
  });
  close(report[1]);
  Report got;
  ASSERT_EQ(read(report[0], &got, sizeof got), static_cast<ssize_t>(sizeof got));
  close(report[0]);
  EXPECT_EQ(status, 7);
  EXPECT_EQ(got.worker.session, got.worker.pid);  // it leads a session of its own
  ExpectSystemDefaults(got.worker);
  ASSERT_GT(got.daemon, 0);
  const Seen daemon = SeenIn(got.daemon);
  kill(got.daemon, SIGKILL);
  // In the session its starter, which has ended, made for it.
  EXPECT_NE(daemon.session, 0);
  ExpectSystemDefaults(daemon);
}

}  // namespace
