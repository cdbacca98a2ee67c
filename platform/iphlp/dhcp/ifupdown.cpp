#include "platform/iphlp/dhcp/ifupdown.h"

#include <glob.h>
#include <sys/stat.h>

#include <algorithm>

#include "platform/iphlp/dhcp/lease_file.h"

namespace lorvane::iphlp::dhcp {
namespace {

constexpr std::size_t kMaxFiles = 64;
constexpr int kMaxIncludeDepth = 4;
constexpr std::size_t kMaxFileBytes = 1 << 20;

std::string DirectoryOf(const std::string& path) {
  auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// ifupdown reads only names of letters, digits, '_' and '-' from a folder.
bool PlainName(const std::string& file) {
  std::string base = file.substr(file.rfind('/') + 1);
  return std::all_of(base.begin(), base.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           c == '_' || c == '-';
  });
}

void Scan(const std::string& path, int depth, std::set<std::string>& dhcp, std::size_t& filesLeft,
          ReadList& read) {
  if (depth > kMaxIncludeDepth || filesLeft == 0) return;
  --filesLeft;
  read.emplace_back(path, kernel::StampAt(path));
  std::string text;
  if (!kernel::ReadTrustedFile(path, kMaxFileBytes, text)) return;
  InterfacesText parsed = ParseInterfaces(text);
  dhcp.insert(parsed.dhcp.begin(), parsed.dhcp.end());
  auto relative = [&](const std::string& p) { return p[0] == '/' ? p : DirectoryOf(path) + "/" + p; };
  for (const auto& source : parsed.sources) {
    std::string pattern = relative(source);
    read.emplace_back(DirectoryOf(pattern), FolderStamp(DirectoryOf(pattern)));
    for (const auto& file : Glob(pattern)) Scan(file, depth + 1, dhcp, filesLeft, read);
  }
  for (const auto& sourceDir : parsed.sourceDirs) {
    std::string dir = relative(sourceDir);
    read.emplace_back(dir, FolderStamp(dir));
    for (const auto& file : Glob(dir + "/*")) {
      if (PlainName(file)) Scan(file, depth + 1, dhcp, filesLeft, read);
    }
  }
}

}  // namespace

std::vector<std::string> Glob(const std::string& pattern) {
  std::vector<std::string> out;
  glob_t g{};
  if (glob(pattern.c_str(), 0, nullptr, &g) == 0) out.assign(g.gl_pathv, g.gl_pathv + g.gl_pathc);
  globfree(&g);
  return out;
}

InterfacesText ParseInterfaces(std::string_view text) {
  InterfacesText out;
  ForEachLine(text, [&](std::string_view line) {
    std::vector<std::string> words;
    for (std::size_t i = 0; i < line.size() && words.size() < 5;) {
      const std::size_t w = std::min(line.find_first_not_of(" \t\r", i), line.size());
      i = std::min(line.find_first_of(" \t\r", w), line.size());
      if (i > w) words.emplace_back(line.substr(w, i - w));
    }
    if (words.empty() || words[0][0] == '#') return;
    if (words[0] == "iface" && words.size() >= 4 && words[2] == "inet" && words[3] == "dhcp") {
      out.dhcp.push_back(words[1]);
    } else if (words.size() >= 2 && (words[0] == "source" || words[0] == "source-directory")) {
      (words[0] == "source" ? out.sources : out.sourceDirs).push_back(words[1]);
    }
  });
  return out;
}

std::set<std::string> DhcpInterfaces(const std::string& path, ReadList& read) {
  std::set<std::string> dhcp;
  std::size_t filesLeft = kMaxFiles;
  if (!path.empty()) Scan(path, 0, dhcp, filesLeft, read);
  return dhcp;
}

kernel::FileStamp FolderStamp(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? kernel::StampOf(st) : kernel::FileStamp{};
}

}  // namespace lorvane::iphlp::dhcp
