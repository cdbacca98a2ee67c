// The part of a network driver that the program's home system has and Linux
// lacks: at start, an adapter takes the hardware address stored as its
// NetworkAddress value, or its own when none is stored. Run as root, for one
// interface name, by udev, ifupdown and NetworkManager hooks or by hand.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/base/types.h"

namespace lorvane::driver {

// Far more than any hardware address needs, and small enough for a command line.
inline constexpr std::size_t kMaxStoredText = 64;

struct DriverOptions {
  // One line per change made and per value refused; syslog priorities.
  // Unset: the system log.
  std::function<void(int priority, const std::string& line)> log;
  // Called in a restart once the link is down; tests take the link away here.
  std::function<void()> afterDown;
};

class AdapterDriver {
 public:
  explicit AdapterDriver(DriverOptions options = {});

  // Each refuses a name that is not a plain interface name
  // (ERROR_INVALID_PARAMETER) before any use of it.

  // Registers the adapter in the hive if it is not, and removes what the
  // platform registered for links of this namespace that are gone.
  DWORD Register(const std::string& name);
  // Sets the stored NetworkAddress, or puts the adapter's own address back
  // when none is stored. A value no driver would take is refused, logged and
  // left alone; that is not a failure, nor is a hive that cannot be read or
  // written (logged; the link keeps the address it has). ERROR_NOT_FOUND
  // (nothing done) for an adapter the hive does not name, ERROR_DEV_NOT_EXIST
  // for no such link.
  DWORD Apply(const std::string& name);
  // Register, then Apply: a link that has just appeared.
  DWORD Add(const std::string& name);
  // Down, Apply, up, all on the one link found at the start; a link that goes
  // or is renamed meanwhile is ERROR_DEV_NOT_EXIST.
  DWORD Restart(const std::string& name);

  // The window's privileged acts, for a user who is not root (acts.cpp).
  // Gives up or renews the DHCP lease of one adapter that can hold one;
  // ERROR_DEV_NOT_EXIST when there is none of that name.
  DWORD Release(const std::string& name);
  DWORD Renew(const std::string& name);
  // Stores or deletes the value of the driver key numbered `subkey` (exactly
  // four digits) below the network adapter class key. Only NetworkAddress, at
  // most kMaxStoredText bytes, and only in a key that names an adapter of
  // this namespace, as the window lists them (ERROR_NOT_FOUND otherwise);
  // anything else is ERROR_INVALID_PARAMETER.
  DWORD SetValue(const std::string& subkey, const std::string& value, const std::string& text);
  DWORD DeleteValue(const std::string& subkey, const std::string& value);

 private:
  // `hiveFailed`, when given, is set when the hive stopped it, and the line
  // logged then says the address is left as it is.
  DWORD ApplyTo(const std::string& name, std::uint32_t index, bool* hiveFailed = nullptr);
  DWORD Lease(const std::string& name, bool renew);
  // The driver key `subkey` opened for writing, if the arguments are allowed.
  DWORD OpenDriverKey(const std::string& subkey, const std::string& value, HKEY& key,
                      std::string& adapter) const;
  // Says so in the log when the name is not a plain interface name.
  bool Refused(const std::string& name) const;
  void Log(int priority, const std::string& line) const;

  DriverOptions options_;
};

}  // namespace lorvane::driver
