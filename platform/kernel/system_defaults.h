// What root's processes run with whoever started them: the system's resource
// limits and a session of their own. A user who starts a privileged command
// through pkexec hands it their limits and terminal; with those, a lowered
// limit kills a daemon it starts later, and Ctrl-Z stops it mid-write.
#pragma once

#include <sys/resource.h>

#include <array>

namespace lorvane::kernel {

// The limits of pid 1: the ones the system started with, which no one but
// root can change. The soft limit on open files is at most 1024 (what the
// kernel and service managers give), for programs that still use select().
// A limit this process may not read (it is not root) is not known.
struct SystemLimits {
  std::array<rlimit, RLIM_NLIMITS> limits{};
  std::array<bool, RLIM_NLIMITS> known{};
};
SystemLimits ReadSystemLimits();

// Between fork and exec, async-signal-safe: a session (and process group) of
// its own, away from any terminal, and the known limits; where a hard limit
// may not be raised (no CAP_SYS_RESOURCE), the soft one up to it.
void TakeSystemDefaults(const SystemLimits& limits);

// For a command at its start, before it does anything: the system's limits
// and a session of its own. A process that leads its group cannot start a
// session, so then it forks: the child goes on, the parent waits for it and
// exits with its status (128 + the signal when one ended it). Nothing of a
// terminal reaches the child, and stopping the parent does not stop it.
void LeaveCallersSession();

}  // namespace lorvane::kernel
