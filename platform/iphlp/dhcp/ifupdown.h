// ifupdown's interfaces file, as far as DHCP goes: the links it gives to a
// DHCP client (`iface NAME inet dhcp`), following `source` and
// `source-directory` as ifupdown does. The text is root's but may be anything.
#pragma once

#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/kernel/trusted_files.h"

namespace lorvane::iphlp::dhcp {

struct InterfacesText {
  std::vector<std::string> dhcp;           // links, in the order named
  std::vector<std::string> sources;        // `source` patterns, as written
  std::vector<std::string> sourceDirs;     // `source-directory` folders, as written
};

InterfacesText ParseInterfaces(std::string_view text);

// Each file and folder read, with its stamp: the result holds until one of
// them changes.
using ReadList = std::vector<std::pair<std::string, kernel::FileStamp>>;

// The links that `path` and the files it sources give to DHCP; only trusted
// files are read, at most a few levels and files deep.
std::set<std::string> DhcpInterfaces(const std::string& path, ReadList& read);

// The paths a shell pattern names, sorted; none when it names nothing.
std::vector<std::string> Glob(const std::string& pattern);

// A folder as a listing sees it: through a link, if it is one.
kernel::FileStamp FolderStamp(const std::string& path);

}  // namespace lorvane::iphlp::dhcp
