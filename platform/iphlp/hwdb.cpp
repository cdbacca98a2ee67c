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

void HardwareDatabase::Close() {
  if (hwdb_ != nullptr) udev_hwdb_unref(hwdb_);
  if (udev_ != nullptr) udev_unref(udev_);
  hwdb_ = nullptr;
  udev_ = nullptr;
  opened_ = false;
}

std::string HardwareDatabase::ModelName(Bus bus, std::uint16_t vendor, std::uint16_t device) {
  const auto id = std::make_tuple(bus, vendor, device);
  if (auto found = known_.find(id); found != known_.end()) return found->second;
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
  std::string& name = known_[id];
  if (vendorName != nullptr && modelName != nullptr && *vendorName != '\0' && *modelName != '\0')
    name = std::string(vendorName) + " " + modelName;
  return name;
}

}  // namespace lorvane::iphlp
