// The window's side of the privilege split. A window started by a user who is
// not root does the acts that need root (a lease released or renewed, a
// driver key's NetworkAddress stored or deleted) through the adapter command,
// started by pkexec, which asks polkit for an administrator: the action
// net.lorvane.adapter.lease or net.lorvane.adapter.address, which pkexec picks
// by the command's first argument ("lease" or "address"). Root's window does
// them itself and is never routed.
#pragma once

#include <sys/types.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "platform/base/types.h"

namespace lorvane::elevate {

struct Helper {
  std::string pkexec = "/usr/bin/pkexec";
  std::string command = LORVANE_INSTALLED_HELPER;  // the installed adapter command
  // Long enough for someone to read the prompt and type a password.
  std::chrono::milliseconds timeout = std::chrono::minutes(3);
};

// Runs `command args...` through pkexec to its end: the act's Win32 error,
// ERROR_ACCESS_DENIED when polkit refused (or pkexec could not ask it).
DWORD RunHelper(const Helper& helper, const std::vector<std::string>& args);

// The helper's arguments for a registry change, or none when the helper
// would refuse it (then nobody is asked for a password for nothing).
std::vector<std::string> ChangeArguments(const std::string& keyPath, const std::string& name,
                                         DWORD type, const std::string* data);

// For a process whose effective user is not root: the registry's changes
// that it may not make and the lease calls go to the helper from now on.
// Does nothing for root.
void RouteThroughHelper(const Helper& helper = {}, uid_t effectiveUser = ::geteuid());
// The same, whoever this process is (tests).
void InstallRoutes(const Helper& helper);

}  // namespace lorvane::elevate
