// The system resolver's name servers, for adapters whose DHCP client holds
// none of its own.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lorvane::iphlp {

// The IPv4 servers among the name servers the resolver uses (the first three
// "nameserver" lines), in order, as dotted decimal.
std::vector<std::string> ParseResolvConf(std::string_view text);

// The same from a file; nothing when it cannot be read. Only the first
// 64 KiB are read.
std::vector<std::string> ReadResolvConf(const std::string& path);

}  // namespace lorvane::iphlp
