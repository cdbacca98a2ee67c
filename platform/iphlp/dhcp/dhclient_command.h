// What a dhclient command line says: the links the process manages and the
// files it keeps. Only the lease and pid files are kept from it; a script,
// configuration or environment on someone's command line is never handed on.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace lorvane::iphlp {

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

}  // namespace lorvane::iphlp
