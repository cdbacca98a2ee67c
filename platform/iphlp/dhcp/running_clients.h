// The dhclient processes a privileged caller may believe: those that root (or
// this process's own user) runs from the system's dhclient executable. Any
// user can start a process named dhclient with a command line of their choice;
// its name and arguments prove nothing.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "platform/kernel/identity.h"

namespace lorvane::iphlp::dhcp {

using kernel::FileId;

// What a dhclient command line says: the links the process manages and the
// files it keeps. Only the lease and pid files are kept from it; a script,
// configuration or environment on someone's command line is never handed on.
struct DhclientCommand {
  std::vector<std::string> interfaces;
  std::string leaseFile;   // -lf
  std::string pidFile;     // -pf
  bool noPidFile = false;  // --no-pid
  bool ipv6 = false;       // -6: not an IPv4 lease
  bool stopping = false;   // -r or -x: a client on its way out
};

// Reads argv of a process whose program is dhclient; nullopt when argv is not
// one (an option missing its argument, say).
std::optional<DhclientCommand> ParseDhclientCommand(const std::vector<std::string>& argv);

struct RunningClient {
  pid_t pid = 0;
  unsigned long long startTime = 0;  // with the pid, which process it was
  DhclientCommand command;           // relative paths made absolute
};

// Every IPv4 client running `program` in the network namespace `ns` under
// `procDir`, not on its way out.
std::vector<RunningClient> FindRunningClients(const std::string& procDir, FileId ns,
                                              FileId program);

// Asks each of `clients` that is still the process found to stop, waits for
// them up to `bound`, and kills those that have not stopped by then.
void EndClients(const std::string& procDir, const std::vector<RunningClient>& clients, FileId ns,
                FileId program, std::chrono::milliseconds bound);

}  // namespace lorvane::iphlp::dhcp
