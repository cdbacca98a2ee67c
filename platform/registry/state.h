// The registry of this process: the hive HKEY_LOCAL_MACHINE points at and
// the table of open key handles, behind one lock.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "platform/registry/hive.h"
#include "platform/registry/registry_types.h"

namespace lorvane::registry::detail {

struct OpenKey {
  std::uint64_t generation = 0;  // which hive it was opened in
  KeyId key = kRootKey;
  bool canWrite = false;
  std::string path;  // below HKEY_LOCAL_MACHINE, as the caller spelt it
};

struct ProcessRegistry {
  std::mutex mutex;
  std::string path = kSystemHivePath;
  std::unique_ptr<Hive> hive;
  std::uint64_t generation = 1;
  std::unordered_map<std::uintptr_t, OpenKey> handles;
  std::uintptr_t nextHandle = 0x1000;  // never reused, so a stale handle stays invalid
  HandleCounts counts;
  PrivilegedChange privileged;

  Hive& CurrentHive() {
    if (!hive) hive = std::make_unique<Hive>(path);
    return *hive;
  }
};

ProcessRegistry& TheRegistry();

// Runs the registration RegisterAdaptersBeforeFirstUse put off, if it is
// still due; every registry call but RegCloseKey starts here.
void RegisterIfDue();

// The one place a status becomes a Win32 error.
LSTATUS ToWin32(Status status);

}  // namespace lorvane::registry::detail
