// The registry's own interface for the platform and its tests: where the
// hive lives, how many key handles are open, the registration of the network
// adapters and the driver keys' values that the adapter command uses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/base/types.h"
#include "platform/registry/registry_types.h"

namespace lorvane::registry {

// Points HKEY_LOCAL_MACHINE at another hive file (an empty path: the system
// hive). Handles opened before answer ERROR_KEY_DELETED until closed.
void SetHivePath(const std::string& path);
std::string HivePath();

// Sets a hive for its own lifetime and puts the previous one back.
class ScopedHivePath {
 public:
  explicit ScopedHivePath(const std::string& path) : previous_(HivePath()) { SetHivePath(path); }
  ~ScopedHivePath() { SetHivePath(previous_); }
  ScopedHivePath(const ScopedHivePath&) = delete;
  ScopedHivePath& operator=(const ScopedHivePath&) = delete;

 private:
  std::string previous_;
};

// Installs where a change goes that this process may not make itself (see
// registry_types.h); returns the one set before.
PrivilegedChange SetPrivilegedChange(PrivilegedChange change);

// Key handles of this process, counted since it started (see registry_types.h).
HandleCounts Handles();

// The network adapter class key below HKEY_LOCAL_MACHINE, ending in the
// backslash that a driver key's number follows, and the value by which a
// driver key names its adapter.
inline constexpr const char* kNetworkClassKey =
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E972-E325-11CE-BFC1-08002bE10318}\\";
inline constexpr const char* kInstanceIdValue = "NetCfgInstanceId";

// Values of an adapter's driver key. The last two are the platform's own: the
// network namespace in which the platform made the key (so that it alone may
// remove it), and the address the adapter had before the platform first
// changed it, for an adapter without a permanent address.
inline constexpr const char* kNetworkAddressValue = "NetworkAddress";
inline constexpr const char* kRegisteredValue = "LorvaneRegisteredIn";
inline constexpr const char* kOriginalAddressValue = "LorvaneOriginalAddress";

// One change made by a registration: a subkey added for an adapter, or one the
// platform had made for a link that is gone, removed.
struct RegistrationChange {
  std::string adapter;
  std::string subkey;
  bool added = false;
};

// Gives each adapter GetAdaptersInfo reports (or only the one named) a subkey
// of the network adapter class key, as a device installer would, adding only
// what is missing; a DriverDesc is added, never overwritten. A subkey that
// the platform made in this network namespace for a link no longer there is
// removed while it holds nothing but the platform's values (no
// NetworkAddress, nothing else). ERROR_ACCESS_DENIED (and nothing done) when
// this process may not write the hive; the hive's own error when it is
// damaged. ERROR_NOT_FOUND when the adapter named is not there.
DWORD RegisterAdapters(std::vector<RegistrationChange>* changes = nullptr);
DWORD RegisterAdapter(const std::string& adapter,
                      std::vector<RegistrationChange>* changes = nullptr);
// RegisterAdapters, once, at this process's next registry call rather than
// now: a window can show without opening the hive, and the hive holds every
// adapter before the program looks one up.
void RegisterAdaptersBeforeFirstUse();

// The value `name` of the adapter's driver key (the first subkey, in
// enumeration order, whose REG_SZ NetCfgInstanceId is `adapter`, as the
// program finds it). ERROR_NOT_FOUND when no subkey names the adapter,
// ERROR_FILE_NOT_FOUND when it has no such value.
DWORD QueryAdapterValue(const std::string& adapter, const std::string& name, DWORD& type,
                        std::string& data);
// Stores REG_SZ text; with onlyIfMissing a value already there stays, and
// that is success.
DWORD SetAdapterText(const std::string& adapter, const std::string& name, const std::string& text,
                     bool onlyIfMissing = false);
DWORD DeleteAdapterValue(const std::string& adapter, const std::string& name);

}  // namespace lorvane::registry
