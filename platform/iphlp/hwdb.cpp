#include "platform/iphlp/hwdb.h"

#include <libudev.h>

#include <cstdio>
#include <cstring>

namespace lorvane::iphlp {

std::string HwdbKey(Bus bus, std::uint16_t vendor, std::uint16_t device) {
  char key[32];
  if (bus == Bus::kPci) {
    std::snprintf(key, sizeof key, "pci:v%08Xd%08X", vendor, device);
  } else {
    std::snprintf(key, sizeof key, "usb:v%04Xp%04X", vendor, device);
  }
  return key;
}

HardwareDatabase::~HardwareDatabase() {
  if (hwdb_ != nullptr) udev_hwdb_unref(hwdb_);
  if (udev_ != nullptr) udev_unref(udev_);
}

std::string HardwareDatabase::ModelName(Bus bus, std::uint16_t vendor, std::uint16_t device) {
  if (!opened_) {
    opened_ = true;
    udev_ = udev_new();
    if (udev_ != nullptr) hwdb_ = udev_hwdb_new(udev_);
  }
  if (hwdb_ == nullptr) return {};
  const char* vendorName = nullptr;
  const char* modelName = nullptr;
  const std::string key = HwdbKey(bus, vendor, device);
  for (udev_list_entry* entry = udev_hwdb_get_properties_list_entry(hwdb_, key.c_str(), 0);
       entry != nullptr; entry = udev_list_entry_get_next(entry)) {
    const char* name = udev_list_entry_get_name(entry);
    if (std::strcmp(name, "ID_VENDOR_FROM_DATABASE") == 0) {
      vendorName = udev_list_entry_get_value(entry);
    } else if (std::strcmp(name, "ID_MODEL_FROM_DATABASE") == 0) {
      modelName = udev_list_entry_get_value(entry);
    }
  }
  if (vendorName == nullptr || modelName == nullptr || *vendorName == '\0' || *modelName == '\0')
    return {};
  return std::string(vendorName) + " " + modelName;
}

}  // namespace lorvane::iphlp
