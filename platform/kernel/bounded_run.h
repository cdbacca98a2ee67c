// Running an outside program as root does (the DHCP clients, the privileged
// helper): a fixed argument list (never a shell), optionally inside another
// network namespace, and never allowed to outlast its bound.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include "platform/base/types.h"

namespace lorvane::kernel {

struct RunRequest {
  std::vector<std::string> argv;         // argv[0] is the program's absolute path
  std::vector<std::string> environment;  // NAME=value, the whole environment
  int netnsFd = -1;                      // a namespace to enter first; -1: stay
  // When set, the run fails with NoInterface, before the program starts, if
  // the namespace it runs in has no link of that name.
  std::string requiredInterface;
  std::chrono::milliseconds timeout{0};
  // When set, the program's standard output is read into it, to its end;
  // more than `outputCap` bytes is a failure and the program is killed.
  // Only for programs that end without leaving a daemon holding the pipe.
  std::string* output = nullptr;
  std::size_t outputCap = 0;
};

enum class RunOutcome {
  Exited,       // `code` is the exit status
  Signaled,     // `code` is the signal
  TimedOut,     // killed, with everything in its process group
  NotStarted,   // `code` is the errno of the failed exec (or fork)
  NoNamespace,  // `code` is the errno of setns
  NoInterface,
  TooMuchOutput,  // killed, with everything in its process group
};

struct RunResult {
  RunOutcome outcome = RunOutcome::NotStarted;
  int code = 0;
};

// Runs the program to its end or to the timeout. The program gets /dev/null
// for its standard streams (standard output a pipe, when read), a session of
// its own and, run by root, the system's resource limits
// (kernel/system_defaults.h); a program that turns itself into a daemon
// before it exits leaves the daemon running.
RunResult RunBounded(const RunRequest& request);

// The Win32 error of a run: NO_ERROR for exit status 0, ERROR_TIMEOUT,
// ERROR_DEV_NOT_EXIST (namespace or link gone), ERROR_FILE_NOT_FOUND (no
// program), ERROR_ACCESS_DENIED, else ERROR_GEN_FAILURE.
DWORD ErrorOf(const RunResult& result);

}  // namespace lorvane::kernel
