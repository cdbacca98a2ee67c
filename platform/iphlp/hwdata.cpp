#include "platform/iphlp/hwdata.h"

#include <fstream>
#include <istream>
#include <string_view>

namespace lorvane::iphlp {
namespace {

// A line longer than this is not a database line; it is skipped whole.
constexpr std::size_t kMaxLine = 1024;

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "xxxx  Name" (after any leading tabs were removed): the id and the name.
bool ParseEntry(std::string_view line, std::uint16_t& id, std::string_view& name) {
  if (line.size() < 6) return false;
  unsigned value = 0;
  for (int i = 0; i < 4; ++i) {
    int d = HexDigit(line[i]);
    if (d < 0) return false;
    value = value * 16 + static_cast<unsigned>(d);
  }
  if (line[4] != ' ' && line[4] != '\t') return false;
  line.remove_prefix(5);
  while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
  while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r')) line.remove_suffix(1);
  if (line.empty()) return false;
  id = static_cast<std::uint16_t>(value);
  name = line;
  return true;
}

}  // namespace

std::string FindModelName(std::istream& ids, std::uint16_t vendor, std::uint16_t device) {
  std::string line;
  std::string vendorName;
  bool inVendor = false;
  while (std::getline(ids, line)) {
    if (line.size() > kMaxLine || line.empty() || line[0] == '#') continue;
    std::uint16_t id = 0;
    std::string_view name;
    if (line[0] != '\t') {
      // A new vendor, or a section of another kind (device classes), which
      // ends the vendor before it.
      if (inVendor) return {};
      inVendor = ParseEntry(line, id, name) && id == vendor;
      if (inVendor) vendorName = name;
      continue;
    }
    if (!inVendor || line.size() < 2 || line[1] == '\t') continue;  // subsystem lines
    if (ParseEntry(std::string_view(line).substr(1), id, name) && id == device) {
      return vendorName + " " + std::string(name);
    }
  }
  return {};
}

HardwareDatabase::HardwareDatabase(std::vector<std::string> pciPaths, std::vector<std::string> usbPaths)
    : pciPaths_(std::move(pciPaths)), usbPaths_(std::move(usbPaths)) {}

std::string HardwareDatabase::ModelName(Bus bus, std::uint16_t vendor, std::uint16_t device) {
  auto key = std::make_tuple(bus, vendor, device);
  if (auto it = cache_.find(key); it != cache_.end()) return it->second;
  std::string name;
  for (const auto& path : bus == Bus::kPci ? pciPaths_ : usbPaths_) {
    std::ifstream in(path);
    if (!in) continue;
    name = FindModelName(in, vendor, device);
    break;
  }
  cache_.emplace(key, name);
  return name;
}

}  // namespace lorvane::iphlp
