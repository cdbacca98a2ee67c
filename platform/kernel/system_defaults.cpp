#include "platform/kernel/system_defaults.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace lorvane::kernel {

namespace {
constexpr rlim_t kSelectLimit = 1024;
}  // namespace

SystemLimits ReadSystemLimits() {
  SystemLimits out;
  for (int resource = 0; resource < RLIM_NLIMITS; ++resource) {
    rlimit value{};
    if (::prlimit(1, static_cast<__rlimit_resource>(resource), nullptr, &value) != 0) continue;
    if (resource == RLIMIT_NOFILE && value.rlim_cur > kSelectLimit) value.rlim_cur = kSelectLimit;
    out.limits[resource] = value;
    out.known[resource] = true;
  }
  return out;
}

void TakeSystemDefaults(const SystemLimits& limits) {
  ::setsid();
  for (int r = 0; r < RLIM_NLIMITS; ++r) {
    if (!limits.known[r]) continue;
    const auto resource = static_cast<__rlimit_resource>(r);
    if (::setrlimit(resource, &limits.limits[r]) == 0) continue;
    // Without the right to raise a hard limit (a container may withhold it),
    // the soft one as near the system's as the hard one lets it be.
    rlimit now{};
    if (::getrlimit(resource, &now) != 0) continue;
    now.rlim_cur =
        limits.limits[r].rlim_cur < now.rlim_max ? limits.limits[r].rlim_cur : now.rlim_max;
    ::setrlimit(resource, &now);
  }
}

void LeaveCallersSession() {
  const SystemLimits limits = ReadSystemLimits();
  if (::getpgrp() != ::getpid()) {
    TakeSystemDefaults(limits);
    return;
  }
  const pid_t child = ::fork();
  if (child < 0) {
    // The system's limits at least.
    TakeSystemDefaults(limits);
    return;
  }
  if (child == 0) {
    TakeSystemDefaults(limits);
    return;
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) std::_Exit(1);
  }
  std::_Exit(WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status));
}

}  // namespace lorvane::kernel
