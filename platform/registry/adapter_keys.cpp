#include "platform/registry/adapter_keys.h"

#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <utility>

#include "platform/registry/winreg.h"

namespace lorvane::registry::detail {
namespace {

constexpr const char* kDriverDescValue = "DriverDesc";

std::vector<std::string> ClassPath() {
  std::vector<std::string> path;
  SplitKeyPath(kNetworkClassKey, path);
  return path;
}

// The name a subkey must have for "%04d" of its number to give it back.
bool IsCanonicalNumber(std::string_view name) {
  if (name.size() < 4 || name.size() > 10) return false;
  if (name.size() > 4 && name[0] == '0') return false;
  std::int64_t number = 0;
  for (char c : name) {
    if (c < '0' || c > '9') return false;
    number = number * 10 + (c - '0');
  }
  return number <= 0x7fffffff;
}

std::string TextOf(const std::string& data) { return data.substr(0, data.find('\0')); }

// A numbered subkey of the class key, with what registration needs to know
// of its values.
struct Subkey {
  KeyId id = 0;
  std::string name;
  std::optional<Value> instance, marker;
  bool driverDesc = false;
  bool othersValues = false;  // a value the platform does not write
  bool children = false;
};

bool IsText(const std::optional<Value>& value) { return value && value->type == REG_SZ; }

// Every numbered subkey with its values in one statement: registration runs
// at every start, and a statement per value made it cost more than the
// adapter query it follows.
Status Survey(Hive& hive, KeyId classKey, std::vector<Subkey>& subkeys) {
  std::vector<SubkeyEntry> entries;
  const Status status = hive.Subkeys(classKey, entries);
  if (status != Status::kOk) return status;
  const std::string instanceName = FoldName(kInstanceIdValue),
                    descName = FoldName(kDriverDescValue), markerName = FoldName(kRegisteredValue),
                    originalName = FoldName(kOriginalAddressValue);
  for (SubkeyEntry& entry : entries) {
    if (!IsCanonicalNumber(entry.name)) continue;
    Subkey subkey{entry.id, std::move(entry.name), {}, {}, false, false, entry.hasSubkeys};
    for (auto& [name, value] : entry.values) {
      const std::string folded = FoldName(name);
      if (folded == instanceName) {
        subkey.instance = std::move(value);
      } else if (folded == markerName) {
        subkey.marker = std::move(value);
      } else if (folded == descName) {
        subkey.driverDesc = true;
      } else if (folded != originalName) {
        subkey.othersValues = true;
      }
    }
    subkeys.push_back(std::move(subkey));
  }
  return Status::kOk;
}

// The program reaches only subkeys named by their number, and takes the first
// whose NetCfgInstanceId names the adapter; so does this.
Status FindAdapter(Hive& hive, std::string_view adapter, KeyId& key) {
  KeyId classKey = 0;
  Status status = hive.OpenKey(kRootKey, ClassPath(), classKey);
  if (status == Status::kNotFound) return Status::kUnregistered;
  std::vector<Subkey> subkeys;
  if (status == Status::kOk) status = Survey(hive, classKey, subkeys);
  if (status != Status::kOk) return status;
  for (const Subkey& subkey : subkeys) {
    if (IsText(subkey.instance) && TextOf(subkey.instance->data) == adapter) {
      key = subkey.id;
      return Status::kOk;
    }
  }
  return Status::kUnregistered;
}

// What a registration run has to change; empty when nothing.
struct RegistrationPlan {
  std::vector<const Subkey*> remove;
  std::vector<std::pair<KeyId, const AdapterEntry*>> describe;  // registered, no DriverDesc
  std::vector<std::pair<int, const AdapterEntry*>> add;
  bool Empty() const { return remove.empty() && describe.empty() && add.empty(); }
};

// A subkey the platform made in this namespace for a link that is gone, with
// nothing in it that anyone else put there: an override or any other value,
// or a subkey, keeps it.
bool RemovableLeftover(const Subkey& subkey, const Registration& registration) {
  if (registration.netNamespace.empty() || !IsText(subkey.marker) || !IsText(subkey.instance))
    return false;
  if (TextOf(subkey.marker->data) != registration.netNamespace) return false;
  const std::string name = TextOf(subkey.instance->data);
  for (const std::string& present : registration.present) {
    if (present == name) return false;
  }
  return !subkey.children && !subkey.othersValues;
}

Status Plan(const std::vector<Subkey>& subkeys, const Registration& registration,
            RegistrationPlan& plan) {
  std::set<int> taken;
  std::map<std::string, KeyId> registered;  // the first in enumeration order wins
  std::map<KeyId, bool> described;
  constexpr KeyId kNewSubkey = -1;
  described[kNewSubkey] = true;
  for (const Subkey& subkey : subkeys) {
    if (RemovableLeftover(subkey, registration)) {
      plan.remove.push_back(&subkey);
      continue;
    }
    taken.insert(std::stoi(subkey.name));
    if (IsText(subkey.instance) &&
        registered.emplace(TextOf(subkey.instance->data), subkey.id).second) {
      described[subkey.id] = subkey.driverDesc;
    }
  }
  int next = 0;
  for (const AdapterEntry& adapter : registration.adapters) {
    if (adapter.name.empty()) continue;
    auto found = registered.find(adapter.name);
    if (found != registered.end()) {
      if (!described[found->second]) {
        plan.describe.emplace_back(found->second, &adapter);
        described[found->second] = true;
      }
      continue;
    }
    while (taken.count(next) != 0) ++next;
    if (next > 9999) return Status::kNoMoreItems;
    plan.add.emplace_back(next, &adapter);
    taken.insert(next);
    registered.emplace(adapter.name, kNewSubkey);  // a name listed twice is added once
  }
  return Status::kOk;
}

std::string_view WithNul(const std::string& text) {
  return std::string_view(text.c_str(), text.size() + 1);
}

// Carries out a plan made inside the same write transaction.
Status Carry(Hive& hive, KeyId classKey, const RegistrationPlan& plan,
             const Registration& registration, std::vector<RegistrationChange>& made) {
  for (const Subkey* subkey : plan.remove) {
    const Status step = hive.DeleteKey(subkey->id);
    if (step != Status::kOk) return step;
    made.push_back({TextOf(subkey->instance->data), subkey->name, false});
  }
  for (const auto& [id, adapter] : plan.describe) {
    const Status step = hive.SetValue(id, kDriverDescValue, REG_SZ, WithNul(adapter->description));
    if (step != Status::kOk) return step;
  }
  for (const auto& [number, adapter] : plan.add) {
    char name[16];
    std::snprintf(name, sizeof name, "%04d", number);
    KeyId subkey = 0;
    bool created = false;
    Status step = hive.CreateKey(classKey, {name}, subkey, created);
    if (step == Status::kOk)
      step = hive.SetValue(subkey, kInstanceIdValue, REG_SZ, WithNul(adapter->name));
    if (step == Status::kOk)
      step = hive.SetValue(subkey, kDriverDescValue, REG_SZ, WithNul(adapter->description));
    if (step == Status::kOk)
      step = hive.SetValue(subkey, kRegisteredValue, REG_SZ, WithNul(registration.netNamespace));
    if (step != Status::kOk) return step;
    made.push_back({adapter->name, name, true});
  }
  return Status::kOk;
}

}  // namespace

Status RegisterAdapters(Hive& hive, const Registration& registration,
                        std::vector<RegistrationChange>* changes) {
  const std::vector<std::string> classPath = ClassPath();

  // Nearly every start finds everything registered. Looking first under a
  // read lock keeps such a start from writing, or waiting behind a writer.
  bool nothingNew = false;
  Status status = hive.Read([&] {
    KeyId classKey = 0;
    std::vector<Subkey> subkeys;
    Status found = hive.OpenKey(kRootKey, classPath, classKey);
    if (found == Status::kOk)
      found = Survey(hive, classKey, subkeys);
    else if (found == Status::kNotFound)
      found = Status::kOk;
    RegistrationPlan plan;
    nothingNew =
        found == Status::kOk && Plan(subkeys, registration, plan) == Status::kOk && plan.Empty();
    return found;
  });
  if (status != Status::kOk) return status;
  if (nothingNew) {
    if (changes != nullptr) changes->clear();
    return Status::kOk;
  }

  std::vector<RegistrationChange> made;
  // One transaction, planned again inside it: two processes starting at once
  // cannot take one number twice or register one adapter twice.
  status = hive.Change([&] {
    made.clear();
    KeyId classKey = 0;
    bool created = false;
    Status step = hive.CreateKey(kRootKey, classPath, classKey, created);
    std::vector<Subkey> subkeys;
    if (step == Status::kOk) step = Survey(hive, classKey, subkeys);
    RegistrationPlan plan;
    if (step == Status::kOk) step = Plan(subkeys, registration, plan);
    return step == Status::kOk ? Carry(hive, classKey, plan, registration, made) : step;
  });
  if (status == Status::kOk && changes != nullptr) *changes = std::move(made);
  return status;
}

Status QueryAdapterValue(Hive& hive, std::string_view adapter, std::string_view name,
                         Value& value) {
  return hive.Read([&] {
    KeyId key = 0;
    const Status status = FindAdapter(hive, adapter, key);
    return status == Status::kOk ? hive.QueryValue(key, name, value) : status;
  });
}

Status SetAdapterValue(Hive& hive, std::string_view adapter, std::string_view name, DWORD type,
                       std::string_view data, bool onlyIfMissing) {
  return hive.Change([&] {
    KeyId key = 0;
    Status status = FindAdapter(hive, adapter, key);
    if (status != Status::kOk) return status;
    if (onlyIfMissing) {
      Value existing;
      status = hive.QueryValue(key, name, existing);
      if (status != Status::kNotFound) return status;
    }
    return hive.SetValue(key, name, type, data);
  });
}

Status DeleteAdapterValue(Hive& hive, std::string_view adapter, std::string_view name) {
  return hive.Change([&] {
    KeyId key = 0;
    const Status status = FindAdapter(hive, adapter, key);
    return status == Status::kOk ? hive.DeleteValue(key, name) : status;
  });
}

}  // namespace lorvane::registry::detail
