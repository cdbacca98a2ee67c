// Root's processes started by a user who lowered their limits and holds the
// terminal: the command itself and a daemon it starts run with pid 1's
// limits, in sessions of their own.
#include "platform/kernel/system_defaults.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
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

// A process's CPU and open-file limits, soft and hard, as the kernel keeps them.
using Limits = std::array<rlim_t, 4>;
Limits LimitsOf(pid_t pid) {
  rlimit cpu{}, files{};
  prlimit(pid, RLIMIT_CPU, nullptr, &cpu);
  prlimit(pid, RLIMIT_NOFILE, nullptr, &files);
  return {cpu.rlim_cur, cpu.rlim_max, files.rlim_cur, files.rlim_max};
}

// pid 1's limits, as far as the lowered hard ones allow; pid 1's limits are
// root's to read, so for anyone else, the process's own.
Limits SystemLimits(const Limits& own) {
  if (geteuid() != 0) return own;
  Limits l = LimitsOf(1);
  l[2] = std::min<rlim_t>(l[2], 1024);
  if (kBefore.hard) return l;
  // The hard limits stayed; the soft ones go up to them.
  const rlim_t cpu = kBefore.cpu.rlim_max, files = kBefore.files.rlim_max;
  return {std::min(l[0], cpu), cpu, std::min(l[2], files), files};
}

// One lowered child, as a user's shell job leading its process group: it
// starts a daemon, then leaves its caller's session as the command does and
// passes on its worker's status.
TEST(SystemDefaults, TheCommandAndADaemonItStartsTakeTheSystemsLimitsAndSessions) {
  struct Report {
    pid_t daemon = 0, worker = 0, session = 0;
    Limits limits{};
  };
  int report[2];
  ASSERT_EQ(pipe(report), 0);
  const pid_t child = fork();
  if (child == 0) {
    setpgid(0, 0);
    LowerLimits();
    std::string printed;
    RunRequest request;
    request.argv = {"/bin/sh", "-c", "sleep 30 >/dev/null 2>&1 & echo $!"};
    request.environment = {"PATH=/usr/bin:/bin"};
    request.timeout = std::chrono::seconds(10);
    request.output = &printed;
    request.outputCap = 64;
    RunBounded(request);
    lorvane::kernel::LeaveCallersSession();
    const Report out{static_cast<pid_t>(std::atoi(printed.c_str())), getpid(), getsid(0),
                     LimitsOf(getpid())};
    (void)!write(report[1], &out, sizeof out);
    _exit(7);
  }
  int status = 0;
  waitpid(child, &status, 0);
  close(report[1]);
  Report got;
  ASSERT_EQ(read(report[0], &got, sizeof got), static_cast<ssize_t>(sizeof got));
  close(report[0]);
  EXPECT_EQ(status, 7 << 8);  // exited with its worker's status
  EXPECT_EQ(got.session, got.worker);  // it leads a session of its own
  EXPECT_EQ(got.limits, SystemLimits(got.limits));
  ASSERT_GT(got.daemon, 0);
  const pid_t daemonSession = getsid(got.daemon);
  const Limits daemon = LimitsOf(got.daemon);
  kill(got.daemon, SIGKILL);
  // In the session its starter, which has ended, made for it.
  EXPECT_NE(daemonSession, 0);
  EXPECT_NE(daemonSession, getsid(0));
  EXPECT_EQ(daemon, SystemLimits(daemon));
}

}  // namespace
