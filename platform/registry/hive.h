// One hive in SQLite: keys as a tree of rows, values beside them. Names are
// kept as given and looked up by an ASCII-folded copy. Every change is one
// transaction, so a process that dies mid-write leaves the old or the new
// state, never a mix. The owner of the live hive reads and writes it and
// replaces the copy after each commit; every other process reads the copy.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/base/types.h"
#include "platform/kernel/trusted_files.h"
#include "platform/registry/hive_file.h"

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

// The name as the hive compares it: ASCII letters in lower case.
std::string FoldName(std::string_view name);

// A subkey with everything a caller that looks at many needs of it.
struct SubkeyEntry {
  KeyId id = 0;
  std::string name;
  bool hasSubkeys = false;
  std::vector<std::pair<std::string, Value>> values;  // by name as stored
};

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

  // Runs `work` as one transaction: the calls it makes see one state of the
  // hive and, in Change, are kept all together or not at all. Calls inside
  // join it rather than start their own. Change takes the write lock.
  Status Read(const std::function<Status()>& work);
  Status Change(const std::function<Status()>& work);

  Status OpenKey(KeyId from, const std::vector<std::string>& path, KeyId& key);
  Status CreateKey(KeyId from, const std::vector<std::string>& path, KeyId& key, bool& created);
  Status QueryValue(KeyId key, std::string_view name, Value& value);
  Status SetValue(KeyId key, std::string_view name, DWORD type, std::string_view data);
  Status DeleteValue(KeyId key, std::string_view name);
  // The name of the index-th subkey in sorted (folded, bytewise) order.
  Status SubkeyAt(KeyId key, std::uint64_t index, std::string& name);
  // Every subkey in that order with its values, in one statement.
  Status Subkeys(KeyId key, std::vector<SubkeyEntry>& subkeys);
  // A key without subkeys, and its values.
  Status DeleteKey(KeyId key);

 private:
  enum class State { kClosed, kAbsent, kReady, kBroken };
  enum class Transaction { kNone, kRead, kWrite };

  Status Ready();
  Status OpenFile();
  Status OpenLive();
  void Close();
  Status CheckOrCreateSchema();
  void Publish();
  Status FindChild(KeyId parent, std::string_view name, KeyId& child);
  Status AddChild(KeyId parent, std::string_view name, KeyId& child);
  Status WalkOrCreate(KeyId from, const std::vector<std::string>& path, KeyId& key, bool& created);
  Status Exec(const char* sql);
  template <typename Work>
  Status InWriteTransaction(Work&& work);
  template <typename Work>
  Status InReadTransaction(Work&& work);

  std::string path_;
  HivePlace place_;
  kernel::FileStamp loaded_;  // a reader's: the copy it holds
  sqlite3* db_ = nullptr;
  State state_ = State::kClosed;
  Status broken_ = Status::kOk;
  Transaction transaction_ = Transaction::kNone;
  bool writable_ = false;
};

}  // namespace lorvane::registry::detail
