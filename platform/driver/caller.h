// Who started the adapter command, as far as that decides what it may ask
// for. pkexec lets a user's window through with one password for one kind of
// act; udev hands over the name of the link its event is about twice, on the
// command line (split by udev's own rules) and in the environment.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace lorvane::driver {

struct Caller {
  // pkexec's PKEXEC_UID: the user whose window asked. pkexec always sets it
  // and no one else can start the command as root with it set.
  std::optional<std::string> pkexecUser;
  // udev's INTERFACE for an event of the net subsystem.
  std::optional<std::string> udevInterface;
};

// From the process's environment: the variables above, nothing else.
Caller CallerFromEnvironment();

// Null when `caller` may run the command `args` (the arguments after the
// program's name), else why not, for the log. Under pkexec only the window's
// acts ("lease ...", "address ..."); from udev only the link of its event.
const char* Refusal(const Caller& caller, const std::vector<std::string>& args);

}  // namespace lorvane::driver
