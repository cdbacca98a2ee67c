#include "platform/iphlp/dhcp/dhclient_command.h"

#include <set>

namespace lorvane::iphlp {

std::optional<DhclientCommand> ParseDhclientCommand(const std::vector<std::string>& argv) {
  DhclientCommand c;
  // Options of dhclient that take the next word as their argument.
  static const std::set<std::string> kWithArgument = {"-p",
                                                      "-s",
                                                      "-g",
                                                      "-D",
                                                      "-cf",
                                                      "-lf",
                                                      "-pf",
                                                      "-sf",
                                                      "-df",
                                                      "-e",
                                                      "--decline-wait-time",
                                                      "--dad-wait-time",
                                                      "--address-prefix-len",
                                                      "--prefix-len-hint",
                                                      "-timeout"};
  for (std::size_t i = 1; i < argv.size(); ++i) {
    const std::string& a = argv[i];
    if (a.empty()) return std::nullopt;
    if (a[0] != '-') {
      c.interfaces.push_back(a);
      continue;
    }
    if (kWithArgument.count(a)) {
      if (i + 1 >= argv.size()) return std::nullopt;
      const std::string& value = argv[++i];
      if (a == "-lf") c.leaseFile = value;
      if (a == "-pf") c.pidFile = value;
      continue;
    }
    if (a == "-6")
      c.ipv6 = true;
    else if (a == "-4")
      c.ipv6 = false;
    else if (a == "-r" || a == "-x")
      c.stopping = true;
    else if (a == "--no-pid")
      c.noPidFile = true;
  }
  return c;
}

}  // namespace lorvane::iphlp
