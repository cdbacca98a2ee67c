// The registry's own interface for the platform and its tests: where the
// hive lives, how many key handles are open, and the start-up registration of
// the network adapters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/base/types.h"

namespace lorvane::registry {

// Readable by every user, writable only by root. Created by the first process
// that may create it; a user who may not sees an empty registry and gets
// ERROR_ACCESS_DENIED for every change.
inline constexpr const char* kSystemHivePath = "/var/lib/lorvane/hklm.hive";

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

// Key handles of this process, counted since it started. Predefined roots are
// not counted as opened; every RegCloseKey call is counted, whatever it gets.
struct HandleCounts {
  std::uint64_t opened = 0;
  std::uint64_t closeCalls = 0;
  std::size_t open = 0;
};
HandleCounts Handles();

// Gives each adapter GetAdaptersInfo reports a subkey of the network adapter
// class key, as a device installer would, adding only what is missing. The
// framework calls it once at start-up. ERROR_ACCESS_DENIED (and nothing done)
// when this process may not write the hive; the hive's own error when it is
// damaged.
DWORD RegisterAdapters();

}  // namespace lorvane::registry
