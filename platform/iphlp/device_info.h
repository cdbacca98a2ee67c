// What the system knows of the device behind a link: its driver, the bus ids
// that name its model, and whether it is a wireless device.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/iphlp/hwdb.h"

namespace lorvane::iphlp {

inline constexpr const char* kSysfsRoot = "/sys";

struct DeviceFacts {
  std::string driver;       // empty when unknown
  std::optional<Bus> bus;   // set when vendor and device are known
  std::uint16_t vendor = 0;
  std::uint16_t device = 0;
  bool wireless = false;
};

// Asks the driver (ethtool's driver query, in the network namespace of the
// thread that made the prober) and sysfs. sysfs shows the links of the
// namespace it was mounted in, which need not be the caller's: its entry is
// believed only when its ifindex is the link's. One prober serves one query.
class DeviceProber {
 public:
  explicit DeviceProber(std::string sysfsRoot = kSysfsRoot);
  ~DeviceProber();
  DeviceProber(const DeviceProber&) = delete;
  DeviceProber& operator=(const DeviceProber&) = delete;

  DeviceFacts Probe(const std::string& name, std::uint32_t index);

 private:
  std::string sysfsRoot_;
  int socket_ = -1;  // for the driver queries
};

}  // namespace lorvane::iphlp
