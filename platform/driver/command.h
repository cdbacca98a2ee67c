// The adapter command's surface: a mode and one interface name (or, for the
// window's registry writes, a driver key's number, value name and text),
// nothing else, and an exit status for whoever ran it.
#pragma once

#include <string>
#include <vector>

#include "platform/driver/adapter_driver.h"
#include "platform/driver/caller.h"

namespace lorvane::driver {

inline constexpr int kExitDone = 0;     // done, or nothing to do
inline constexpr int kExitFailed = 1;   // a change could not be made, or the link went
inline constexpr int kExitRefused = 2;  // not a mode and an interface name

// args: the arguments after the program's name, "add|register|apply|restart
// NAME". apply for an adapter the hive does not name is done: a hook runs it
// for every link, the loopback included. The window's acts, "lease
// release|renew NAME", "address set-value SUBKEY NetworkAddress TEXT" and
// "address delete-value SUBKEY NetworkAddress", exit with ExitStatusFor their
// error (helper_status.h). Arguments refused, or not for this caller
// (caller.h): 2, one line in the log, nothing done. The first word of a
// window's act is the one pkexec picks the polkit action by.
int RunAdapterCommand(const std::vector<std::string>& args, DriverOptions options = {},
                      const Caller& caller = {});

}  // namespace lorvane::driver
