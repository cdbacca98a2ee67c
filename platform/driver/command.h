// The adapter command's surface: one mode and one interface name, nothing
// else, and an exit status for the hook that ran it.
#pragma once

#include <string>
#include <vector>

#include "platform/driver/adapter_driver.h"

namespace lorvane::driver {

inline constexpr int kExitDone = 0;     // done, or nothing to do
inline constexpr int kExitFailed = 1;   // a change could not be made, or the link went
inline constexpr int kExitRefused = 2;  // not a mode and an interface name

// args: the arguments after the program's name, "add|register|apply|restart
// NAME". apply for an adapter the hive does not name is done: a hook runs it
// for every link, the loopback included.
int RunAdapterCommand(const std::vector<std::string>& args, DriverOptions options = {});

}  // namespace lorvane::driver
