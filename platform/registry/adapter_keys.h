// The network adapter class key as a device installer keeps it, on top of the
// hive's key and value calls: a numbered subkey per adapter, found by its
// NetCfgInstanceId as the program finds it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/hive.h"
#include "platform/registry/registry.h"

namespace lorvane::registry::detail {

struct AdapterEntry {
  std::string name;
  std::string description;
};

// What one registration run found to do.
struct Registration {
  // The adapters to register; registration also adds a DriverDesc that is
  // missing.
  std::vector<AdapterEntry> adapters;
  // Every link of the caller's network namespace, registered or not.
  std::vector<std::string> present;
  // Which network namespace the caller is in; empty when it cannot tell, and
  // then nothing is removed.
  std::string netNamespace;
};

// The class key and one numbered subkey per adapter not yet found there,
// marked as the platform's own; adds missing DriverDesc values. Removes a
// subkey only when it is marked as made in this network namespace, names a
// link that is not present, and holds nothing but the values the platform
// writes. Takes the write lock only when there is something to change.
Status RegisterAdapters(Hive& hive, const Registration& registration,
                        std::vector<RegistrationChange>* changes);

// A value of the subkey registered for `adapter` (the first, in enumeration
// order, whose NetCfgInstanceId names it), looked up inside each call's own
// transaction. kUnregistered when no subkey names the adapter.
Status QueryAdapterValue(Hive& hive, std::string_view adapter, std::string_view name, Value& value);
// With onlyIfMissing, a value already there is kept, and that is success.
Status SetAdapterValue(Hive& hive, std::string_view adapter, std::string_view name, DWORD type,
                       std::string_view data, bool onlyIfMissing);
Status DeleteAdapterValue(Hive& hive, std::string_view adapter, std::string_view name);

}  // namespace lorvane::registry::detail
