// One hive file in SQLite: keys as a tree of rows, values beside them. Names
// are kept as given and looked up by an ASCII-folded copy. Every change is one
// transaction, so a process that dies mid-write leaves the old or the new
// state, never a mix.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/base/types.h"
#include "platform/registry/registry.h"

struct sqlite3;

namespace lorvane::registry::detail {

enum class Status {
  kOk,
  kNotFound,
  kMoreData,
  kNoMoreItems,
  kAccessDenied,
  kCorrupt,
  kCantOpen,
  kBusy,
  kNoMemory,
  kIoError,
  kInvalidParameter,
  kBadPath,
  kInvalidHandle,
  kKeyDeleted,
  kNotSupported,
  kUnregistered,
};

using KeyId = std::int64_t;
inline constexpr KeyId kRootKey = 0;
inline constexpr std::size_t kMaxKeyNameLength = 255;
inline constexpr std::size_t kMaxValueNameLength = 16383;

// Splits "A\B\C" into its components. A trailing backslash is allowed; a
// leading one or an empty component is a bad path, an over-long one an
// invalid parameter.
Status SplitKeyPath(std::string_view path, std::vector<std::string>& components);

struct Value {
  DWORD type = 0;
  std::string data;
};

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

struct AdapterSubkey;

class Hive {
 public:
  explicit Hive(std::string path);
  ~Hive();
  Hive(const Hive&) = delete;
  Hive& operator=(const Hive&) = delete;

  // kOk when changes can be made, kAccessDenied when this process may not
  // make them, or what keeps the hive from being used. Opens it on first use.
  Status WriteAccess();
  bool Writable() { return WriteAccess() == Status::kOk; }

  Status OpenKey(KeyId from, const std::vector<std::string>& path, KeyId& key);
  Status CreateKey(KeyId from, const std::vector<std::string>& path, KeyId& key, bool& created);
  Status QueryValue(KeyId key, std::string_view name, Value& value);
  Status SetValue(KeyId key, std::string_view name, DWORD type, std::string_view data);
  Status DeleteValue(KeyId key, std::string_view name);
  // The name of the index-th subkey in sorted (folded, bytewise) order.
  Status SubkeyAt(KeyId key, std::uint64_t index, std::string& name);

  // The network adapter class key and one numbered subkey per adapter not yet
  // found there, marked as the platform's own; adds missing DriverDesc values.
  // Removes a subkey only when it is marked as made in this network namespace,
  // names a link that is not present, and holds nothing but the values the
  // platform writes. Takes the write lock only when there is something to
  // change.
  Status RegisterAdapters(const Registration& registration,
                          std::vector<RegistrationChange>* changes = nullptr);

  // A value of the subkey registered for `adapter` (the first, in enumeration
  // order, whose NetCfgInstanceId names it, as the program finds it). The key
  // is looked up inside each call's own transaction. kUnregistered when no
  // subkey names the adapter.
  Status QueryAdapterValue(std::string_view adapter, std::string_view name, Value& value);
  // With onlyIfMissing, a value already there is kept, and that is success.
  Status SetAdapterValue(std::string_view adapter, std::string_view name, DWORD type,
                         std::string_view data, bool onlyIfMissing);
  Status DeleteAdapterValue(std::string_view adapter, std::string_view name);

 private:
  enum class State { kClosed, kAbsent, kReady, kBroken };

  Status Ready();
  Status OpenFile();
  Status CheckOrCreateSchema();
  Status FindChild(KeyId parent, std::string_view name, KeyId& child);
  Status AddChild(KeyId parent, std::string_view name, KeyId& child);
  Status WriteValue(KeyId key, std::string_view name, DWORD type, std::string_view data);
  Status WalkOrCreate(KeyId from, const std::vector<std::string>& path, KeyId& key, bool& created);
  Status FindAdapter(std::string_view adapter, KeyId& key);
  Status NumberedSubkeys(KeyId classKey, std::vector<std::pair<KeyId, std::string>>& subkeys);
  Status SurveyAdapterSubkeys(KeyId classKey, std::vector<AdapterSubkey>& subkeys);
  Status Exec(const char* sql);
  template <typename Work>
  Status InWriteTransaction(Work&& work);
  template <typename Work>
  Status InReadTransaction(Work&& work);

  std::string path_;
  sqlite3* db_ = nullptr;
  State state_ = State::kClosed;
  Status broken_ = Status::kOk;
  bool writable_ = false;
};

}  // namespace lorvane::registry::detail
