// Model names from udev's hardware database: hwdb.bin, the indexed form of
// the PCI and USB id lists that udev rebuilds whenever Debian updates them,
// looked up by the vendor and device ids that sysfs gives.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <tuple>

struct udev;
struct udev_hwdb;

namespace lorvane::iphlp {

enum class Bus { kPci, kUsb };

// The database key: "pci:v00008086d0000100E", "usb:v0BDAp8153". It stops
// before the subsystem ids, so the model is named by vendor and device alone,
// whatever card maker put it on a board.
std::string HwdbKey(Bus bus, std::uint16_t vendor, std::uint16_t device);

// Answers are remembered. The database is mapped when a device is not, and
// stays mapped until Close: one look-up touches most of a megabyte of it,
// which a window that stays open should not keep. Not for concurrent use.
class HardwareDatabase {
 public:
  HardwareDatabase() = default;
  ~HardwareDatabase() { Close(); }
  HardwareDatabase(const HardwareDatabase&) = delete;
  HardwareDatabase& operator=(const HardwareDatabase&) = delete;

  // "Vendor Device", or empty when there is no database or it does not know
  // the device (its vendor alone is not enough).
  std::string ModelName(Bus bus, std::uint16_t vendor, std::uint16_t device);
  void Close();

 private:
  std::map<std::tuple<Bus, std::uint16_t, std::uint16_t>, std::string> known_;
  bool opened_ = false;
  udev* udev_ = nullptr;
  udev_hwdb* hwdb_ = nullptr;
};

}  // namespace lorvane::iphlp
