#include "platform/iphlp/device_info.h"

#include <fcntl.h>
#include <linux/ethtool.h>
#include <linux/sockios.h>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cstring>
#include <filesystem>
#include <string_view>

namespace lorvane::iphlp {
namespace {

namespace fs = std::filesystem;

// How far above a link's device directory its bus device may sit (a USB
// interface below its device, a virtio device below its PCI function).
constexpr int kMaxAncestors = 3;

struct DriverInfo {
  std::string driver;
  std::string busInfo;
};

std::string Trimmed(std::string s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
  return s;
}

// sysfs attributes: one read gives the whole of a short one.
std::optional<std::string> ReadSmallFile(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  char text[64];
  const ssize_t length = ::read(fd, text, sizeof text);
  ::close(fd);
  if (length < 0) return std::nullopt;
  return Trimmed(std::string(text, static_cast<std::size_t>(length)));
}

std::optional<std::uint16_t> ReadHexId(const fs::path& path) {
  auto text = ReadSmallFile(path);
  if (!text || text->empty()) return std::nullopt;
  std::string_view s = *text;
  if (s.substr(0, 2) == "0x") s.remove_prefix(2);
  if (s.empty() || s.size() > 4) return std::nullopt;
  unsigned value = 0;
  for (char c : s) {
    unsigned d;
    if (c >= '0' && c <= '9') d = static_cast<unsigned>(c - '0');
    else if (c >= 'a' && c <= 'f') d = static_cast<unsigned>(c - 'a' + 10);
    else if (c >= 'A' && c <= 'F') d = static_cast<unsigned>(c - 'A' + 10);
    else return std::nullopt;
    value = value * 16 + d;
  }
  return static_cast<std::uint16_t>(value);
}

DriverInfo AskDriver(int fd, const std::string& name) {
  DriverInfo out;
  if (fd < 0 || name.empty() || name.size() >= IFNAMSIZ) return out;
  ethtool_drvinfo info{};
  info.cmd = ETHTOOL_GDRVINFO;
  ifreq request{};
  std::memcpy(request.ifr_name, name.data(), name.size());
  request.ifr_data = reinterpret_cast<char*>(&info);
  if (ioctl(fd, SIOCETHTOOL, &request) == 0) {
    out.driver.assign(info.driver, strnlen(info.driver, sizeof info.driver));
    out.busInfo.assign(info.bus_info, strnlen(info.bus_info, sizeof info.bus_info));
  }
  return out;
}

// "0000:00:1f.6": a PCI function, which sysfs lists under /bus/pci/devices.
bool IsPciAddress(std::string_view s) {
  if (s.size() != 12 || s[4] != ':' || s[7] != ':' || s[10] != '.') return false;
  for (std::size_t i : {0u, 1u, 2u, 3u, 5u, 6u, 8u, 9u, 11u}) {
    if (!std::isxdigit(static_cast<unsigned char>(s[i]))) return false;
  }
  return true;
}

std::string SubsystemOf(const fs::path& dir) {
  std::error_code ec;
  fs::path target = fs::read_symlink(dir / "subsystem", ec);
  return ec ? std::string() : target.filename().string();
}

void FindBusIds(fs::path dir, const fs::path& devicesRoot, DeviceFacts& facts) {
  std::error_code ec;
  for (int level = 0; level <= kMaxAncestors && !dir.empty(); ++level) {
    auto rel = dir.lexically_relative(devicesRoot);
    if (rel.empty() || *rel.begin() == "..") return;
    std::string subsystem = SubsystemOf(dir);
    if (subsystem == "pci") {
      auto vendor = ReadHexId(dir / "vendor");
      auto device = ReadHexId(dir / "device");
      if (vendor && device) {
        facts.bus = Bus::kPci;
        facts.vendor = *vendor;
        facts.device = *device;
      }
      return;
    }
    if (subsystem == "usb" && fs::exists(dir / "idVendor", ec)) {
      auto vendor = ReadHexId(dir / "idVendor");
      auto product = ReadHexId(dir / "idProduct");
      if (vendor && product) {
        facts.bus = Bus::kUsb;
        facts.vendor = *vendor;
        facts.device = *product;
      }
      return;
    }
    dir = dir.parent_path();
  }
}

}  // namespace

DeviceProber::DeviceProber(std::string sysfsRoot)
    : sysfsRoot_(std::move(sysfsRoot)), socket_(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {}

DeviceProber::~DeviceProber() {
  if (socket_ >= 0) close(socket_);
}

DeviceFacts DeviceProber::Probe(const std::string& name, std::uint32_t index) {
  DeviceFacts facts;
  DriverInfo driver = AskDriver(socket_, name);
  facts.driver = driver.driver;

  std::error_code ec;
  const fs::path root(sysfsRoot_);
  const fs::path classDir = root / "class" / "net" / name;
  bool ours = false;
  if (!name.empty() && name.find('/') == std::string::npos && name != "." && name != "..") {
    auto ifindex = ReadSmallFile(classDir / "ifindex");
    ours = ifindex && *ifindex == std::to_string(index);
  }

  fs::path deviceDir;
  if (ours && fs::exists(classDir / "device", ec)) {
    deviceDir = fs::canonical(classDir / "device", ec);
  } else if (IsPciAddress(driver.busInfo)) {
    deviceDir = fs::canonical(root / "bus" / "pci" / "devices" / driver.busInfo, ec);
  }
  if (ec) deviceDir.clear();

  if (!deviceDir.empty()) {
    fs::path devicesRoot = fs::canonical(root / "devices", ec);
    if (!ec) FindBusIds(deviceDir, devicesRoot, facts);
    if (facts.driver.empty()) {
      fs::path target = fs::read_symlink(deviceDir / "driver", ec);
      if (!ec) facts.driver = target.filename().string();
    }
  }
  if (ours) {
    facts.wireless = fs::exists(classDir / "wireless", ec) || fs::exists(classDir / "phy80211", ec);
  }
  return facts;
}

}  // namespace lorvane::iphlp
