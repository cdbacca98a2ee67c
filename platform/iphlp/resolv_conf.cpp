#include "platform/iphlp/resolv_conf.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/kernel/trusted_files.h"
#include "platform/kernel/unique_fd.h"

namespace lorvane::iphlp {
namespace {

// The resolver reads no more than this many name servers (MAXNS).
constexpr int kResolverServers = 3;
constexpr std::size_t kMaxRead = 64 * 1024;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

}  // namespace

std::vector<std::string> ParseResolvConf(std::string_view text) {
  std::vector<std::string> servers;
  int seen = 0;
  while (!text.empty() && seen < kResolverServers) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);

    constexpr std::string_view kKeyword = "nameserver";
    if (line.substr(0, kKeyword.size()) != kKeyword || line.size() == kKeyword.size() ||
        !IsBlank(line[kKeyword.size()])) {
      continue;
    }
    line.remove_prefix(kKeyword.size());
    while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
    std::size_t length = 0;
    while (length < line.size() && !IsBlank(line[length]) && line[length] != '#' && line[length] != ';') {
      ++length;
    }
    if (length == 0) continue;
    // As the resolver does: a line counts once its address parses, IPv6
    // included; the classic short IPv4 forms are accepted.
    std::string token(line.substr(0, length));
    in_addr v4{};
    in6_addr v6{};
    char normal[INET_ADDRSTRLEN];
    if (inet_aton(token.c_str(), &v4) != 0) {
      ++seen;
      if (inet_ntop(AF_INET, &v4, normal, sizeof normal) != nullptr) servers.emplace_back(normal);
    } else if (inet_pton(AF_INET6, token.substr(0, token.find('%')).c_str(), &v6) == 1) {
      ++seen;
    }
  }
  return servers;
}

// Often a link to the resolver daemon's own file, so links are followed; a
// FIFO in its place neither blocks nor is read.
std::vector<std::string> ReadResolvConf(const std::string& path) {
  kernel::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  struct stat info {};
  if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return {};
  std::string text;
  kernel::ReadAtMost(fd.get(), kMaxRead, text);  // of a longer file, its start
  return ParseResolvConf(text);
}

}  // namespace lorvane::iphlp
