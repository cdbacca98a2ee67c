// How the adapter command tells the window which Win32 error a privileged act
// ended with: through its exit status, the one thing that passes back through
// pkexec. 126 and 127 are pkexec's own (no authorisation, no command) and are
// never used here.
#pragma once

#include <cstddef>
#include <iterator>

#include "platform/base/errors.h"
#include "platform/base/types.h"

namespace lorvane::driver {

inline constexpr int kExitErrorBase = 10;
inline constexpr DWORD kReportedErrors[] = {
    ERROR_ACCESS_DENIED, ERROR_FILE_NOT_FOUND,    ERROR_NOT_FOUND,   ERROR_INVALID_PARAMETER,
    ERROR_DEV_NOT_EXIST, ERROR_TIMEOUT,           ERROR_GEN_FAILURE, ERROR_REGISTRY_CORRUPT,
    ERROR_INVALID_DATA,  ERROR_NOT_ENOUGH_MEMORY, ERROR_CANTWRITE,   ERROR_CANTOPEN,
    ERROR_BAD_PATHNAME};

// 0 for success; an error not in the table is reported as ERROR_GEN_FAILURE.
inline int ExitStatusFor(DWORD error) {
  if (error == NO_ERROR) return 0;
  for (std::size_t i = 0; i < std::size(kReportedErrors); ++i)
    if (kReportedErrors[i] == error) return kExitErrorBase + static_cast<int>(i);
  return ExitStatusFor(ERROR_GEN_FAILURE);
}

// What the window makes of the exit status of a privileged act.
inline DWORD ErrorForExitStatus(int status) {
  if (status == 0) return NO_ERROR;
  const int at = status - kExitErrorBase;
  if (at >= 0 && at < static_cast<int>(std::size(kReportedErrors))) return kReportedErrors[at];
  if (status == 2) return ERROR_INVALID_PARAMETER;  // the command refused its arguments
  return ERROR_GEN_FAILURE;
}

}  // namespace lorvane::driver
