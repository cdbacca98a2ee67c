// Model names from the hardware database (pci.ids, usb.ids), looked up by the
// vendor and device ids that sysfs gives.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace lorvane::iphlp {

inline const std::vector<std::string> kPciIdsPaths = {"/usr/share/hwdata/pci.ids", "/usr/share/misc/pci.ids",
                                                      "/usr/share/pci.ids"};
inline const std::vector<std::string> kUsbIdsPaths = {"/usr/share/hwdata/usb.ids", "/usr/share/misc/usb.ids",
                                                      "/usr/share/usb.ids"};

enum class Bus { kPci, kUsb };

class HardwareDatabase {
 public:
  // The first readable file of each list is used.
  explicit HardwareDatabase(std::vector<std::string> pciPaths = kPciIdsPaths,
                            std::vector<std::string> usbPaths = kUsbIdsPaths);

  // "Vendor Device", or empty when the database does not know the device.
  // Answers are remembered, so each id is looked up in the file once. Not
  // safe for concurrent use.
  std::string ModelName(Bus bus, std::uint16_t vendor, std::uint16_t device);

 private:
  std::vector<std::string> pciPaths_;
  std::vector<std::string> usbPaths_;
  std::map<std::tuple<Bus, std::uint16_t, std::uint16_t>, std::string> cache_;
};

// The lookup itself, over the text of an ids file.
std::string FindModelName(std::istream& ids, std::uint16_t vendor, std::uint16_t device);

}  // namespace lorvane::iphlp
