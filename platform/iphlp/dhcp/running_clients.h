// The dhclient processes a privileged caller may believe: those that root (or
// this process's own user) runs from the system's dhclient executable. Any
// user can start a process named dhclient with a command line of their choice;
// its name and arguments prove nothing.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

#include "platform/iphlp/dhcp/dhclient_command.h"
#include "platform/kernel/identity.h"

namespace lorvane::iphlp::dhcp {

using kernel::FileId;

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
