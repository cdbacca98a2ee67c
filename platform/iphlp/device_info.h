// What the system knows of the device behind a link: its driver, the bus ids
// that name its model, and whether it is a wireless device.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/iphlp/hwdata.h"

namespace lorvane::iphlp {

inline constexpr const char* kSysfsRoot = "/sys";

struct DeviceFacts {
  std::string driver;       // empty when unknown
  std::optional<Bus> bus;   // set when vendor and device are known
  std::uint16_t vendor = 0;
  std::uint16_t device = 0;
  bool wireless = false;
};

// Asks the driver (ethtool's driver query, in the calling thread's network
// namespace) and sysfs. sysfs shows the links of the namespace it was
// mounted in, which need not be the caller's: its entry is believed only
// when its ifindex is the link's.
DeviceFacts ProbeDevice(const std::string& name, std::uint32_t index, const std::string& sysfsRoot = kSysfsRoot);

}  // namespace lorvane::iphlp
