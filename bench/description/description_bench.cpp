// A model name as a process's first adapter query finds it: udev's hardware
// database, mapped for it, beside the way it was found before, reading the
// PCI id list as text down to the device; and as later queries find it,
// remembered. The ids are an Intel card's, whose vendor sits past the middle
// of the list. The ratio: bench/ratio.py with this program,
// BM_ModelNameFromIdsText and BM_ModelNameFromHwdb (see the README).
#include <benchmark/benchmark.h>

#include <fstream>
#include <string>
#include <string_view>

#include "platform/iphlp/hwdb.h"

namespace {

constexpr std::uint16_t kVendor = 0x8086;
constexpr std::uint16_t kDevice = 0x100e;

// The former look-up, kept here as the yardstick, as it was.
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
  while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r'))
    line.remove_suffix(1);
  if (line.empty()) return false;
  id = static_cast<std::uint16_t>(value);
  name = line;
  return true;
}

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

std::string FromIdsText(const char* path, std::uint16_t vendor, std::uint16_t device) {
  std::ifstream ids(path);
  return FindModelName(ids, vendor, device);
}

void BM_ModelNameFromIdsText(benchmark::State& state) {
  for (auto _ : state) {
    std::string name = FromIdsText("/usr/share/misc/pci.ids", kVendor, kDevice);
    if (name.empty()) state.SkipWithError("pci.ids does not name the device (is it installed?)");
    benchmark::DoNotOptimize(name);
  }
}
BENCHMARK(BM_ModelNameFromIdsText)->Unit(benchmark::kMicrosecond);

void BM_ModelNameFromHwdb(benchmark::State& state) {
  for (auto _ : state) {
    lorvane::iphlp::HardwareDatabase database;
    std::string name = database.ModelName(lorvane::iphlp::Bus::kPci, kVendor, kDevice);
    if (name.empty()) state.SkipWithError("no hardware database names the device");
    benchmark::DoNotOptimize(name);
  }
}
BENCHMARK(BM_ModelNameFromHwdb)->Unit(benchmark::kMicrosecond);

void BM_ModelNameRemembered(benchmark::State& state) {
  lorvane::iphlp::HardwareDatabase database;
  for (auto _ : state) {
    std::string name = database.ModelName(lorvane::iphlp::Bus::kPci, kVendor, kDevice);
    if (name.empty()) state.SkipWithError("no hardware database names the device");
    benchmark::DoNotOptimize(name);
  }
}
BENCHMARK(BM_ModelNameRemembered)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
