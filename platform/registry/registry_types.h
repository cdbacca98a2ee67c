// What the process's registry state holds that the registry's interface
// also names, apart from that interface so that the state need not include
// it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/base/types.h"

namespace lorvane::registry {

// Readable by every user, writable only by root: root keeps the live hive in
// a folder beside it that only root may enter, and puts a copy here after
// every change. Created by the first process that may create it; a user who
// may not sees an empty registry and gets ERROR_ACCESS_DENIED for every
// change.
inline constexpr const char* kSystemHivePath = "/var/lib/lorvane/hklm.hive";

// Where a change goes that this process may not make itself because it is
// not root: the key's path below HKEY_LOCAL_MACHINE as it was opened, the
// value's name and type, and its data (null for a deletion); the answer is
// the call's. Called without the registry's lock. Unset (as in tests), such a
// change is ERROR_ACCESS_DENIED.
using PrivilegedChange = std::function<DWORD(const std::string& keyPath, const std::string& name,
                                             DWORD type, const std::string* data)>;

// Key handles of this process, counted since it started. Predefined roots are
// not counted as opened; every RegCloseKey call is counted, whatever it gets.
struct HandleCounts {
  std::uint64_t opened = 0;
  std::uint64_t closeCalls = 0;
  std::size_t open = 0;
};

}  // namespace lorvane::registry
