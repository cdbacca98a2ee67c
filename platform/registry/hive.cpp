#include "platform/registry/hive.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>

#include "platform/registry/hive_file.h"
#include "platform/registry/registry.h"
#include "platform/registry/winreg.h"

namespace lorvane::registry::detail {
namespace {

constexpr int kApplicationId = 0x4C52564E;  // "LRVN": a hive, not any SQLite file
constexpr int kSchemaVersion = 1;
constexpr int kBusyTimeoutMs = 5000;

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS keys("
    " id INTEGER PRIMARY KEY, parent INTEGER NOT NULL,"
    " name BLOB NOT NULL, folded BLOB NOT NULL, UNIQUE(parent, folded));"
    "CREATE TABLE IF NOT EXISTS vals("
    " key INTEGER NOT NULL, name BLOB NOT NULL, folded BLOB NOT NULL,"
    " type INTEGER NOT NULL, data BLOB NOT NULL, PRIMARY KEY(key, folded)) WITHOUT ROWID;";

constexpr const char* kInstanceIdValue = "NetCfgInstanceId";
constexpr const char* kDriverDescValue = "DriverDesc";

constexpr const char* kClassKeyPath[] = {"SYSTEM", "CurrentControlSet", "Control", "Class",
                                         "{4D36E972-E325-11CE-BFC1-08002bE10318}"};

std::string Fold(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

Status FromSqlite(int rc) {
  switch (rc & 0xff) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
      return Status::kOk;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
    case SQLITE_CANTOPEN:  // no right to make the journal beside the hive
      return Status::kAccessDenied;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_FORMAT:
      return Status::kCorrupt;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return Status::kBusy;
    case SQLITE_NOMEM:
    case SQLITE_TOOBIG:
      return Status::kNoMemory;
    default:
      return Status::kIoError;
  }
}

// Every name and every byte of data reaches SQLite as a bound parameter.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql) {
    rc_ = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr);
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& Int(int index, std::int64_t value) {
    if (rc_ == SQLITE_OK) rc_ = sqlite3_bind_int64(stmt_, index, value);
    return *this;
  }
  // A zero-length blob needs a non-null pointer, or SQLite binds NULL.
  Statement& Bytes(int index, std::string_view bytes) {
    if (rc_ == SQLITE_OK) {
      rc_ = sqlite3_bind_blob64(stmt_, index, bytes.empty() ? "" : bytes.data(), bytes.size(),
                                SQLITE_TRANSIENT);
    }
    return *this;
  }
  // SQLITE_ROW, SQLITE_DONE or the error that stopped it.
  int Step() { return rc_ == SQLITE_OK ? sqlite3_step(stmt_) : rc_; }
  std::int64_t ColumnInt(int column) { return sqlite3_column_int64(stmt_, column); }
  bool ColumnNull(int column) { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }
  std::string ColumnBytes(int column) {
    const void* data = sqlite3_column_blob(stmt_, column);
    const int size = sqlite3_column_bytes(stmt_, column);
    if (data == nullptr || size <= 0) return {};
    return std::string(static_cast<const char*>(data), static_cast<std::size_t>(size));
  }

 private:
  sqlite3_stmt* stmt_ = nullptr;
  int rc_ = SQLITE_OK;
};

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

}  // namespace

Status SplitKeyPath(std::string_view path, std::vector<std::string>& components) {
  components.clear();
  if (path.empty()) return Status::kOk;
  if (path.front() == '\\') return Status::kBadPath;
  if (path.back() == '\\') path.remove_suffix(1);
  while (true) {
    const auto slash = path.find('\\');
    const std::string_view part = path.substr(0, slash);
    if (part.empty()) return Status::kBadPath;
    if (part.size() > kMaxKeyNameLength) return Status::kInvalidParameter;
    components.emplace_back(part);
    if (slash == std::string_view::npos) return Status::kOk;
    path.remove_prefix(slash + 1);
  }
}

Hive::Hive(std::string path) : path_(std::move(path)) {}

Hive::~Hive() {
  if (db_ != nullptr) sqlite3_close_v2(db_);
}

Status Hive::WriteAccess() {
  const Status ready = Ready();
  if (ready != Status::kOk) return ready;
  return state_ == State::kReady && writable_ ? Status::kOk : Status::kAccessDenied;
}

Status Hive::Ready() {
  if (state_ == State::kAbsent) {
    // Root may have made the hive since we last looked.
    struct stat info {};
    if (::lstat(path_.c_str(), &info) == 0) state_ = State::kClosed;
  }
  if (state_ == State::kClosed) return OpenFile();
  if (state_ == State::kBroken) return broken_;
  return Status::kOk;
}

Status Hive::OpenFile() {
  const HiveFileUse use = PrepareHiveFile(path_);
  switch (use) {
    case HiveFileUse::kMissing:
      state_ = State::kAbsent;  // an empty registry to a user who may not create it
      return Status::kOk;
    case HiveFileUse::kRefused:
      state_ = State::kBroken;
      broken_ = Status::kAccessDenied;
      return broken_;
    case HiveFileUse::kUnknown:
      return Status::kCantOpen;
    case HiveFileUse::kReadOnly:
    case HiveFileUse::kReadWrite:
      break;
  }
  // SQLite makes the journal beside the hive; in a folder no other user may
  // change, nobody can have put a link there first.
  const int flags = SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_NOFOLLOW |
                    (use == HiveFileUse::kReadWrite ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY);
  if (sqlite3_open_v2(path_.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
    sqlite3_close_v2(db_);
    db_ = nullptr;
    return Status::kCantOpen;
  }
  sqlite3_extended_result_codes(db_, 1);
  sqlite3_busy_timeout(db_, kBusyTimeoutMs);
  writable_ = sqlite3_db_readonly(db_, "main") == 0;
  state_ = State::kReady;

  const Status status = CheckOrCreateSchema();
  if (status == Status::kOk) return status;
  sqlite3_close_v2(db_);
  db_ = nullptr;
  if (status == Status::kBusy) {
    state_ = State::kClosed;  // try again on the next call
  } else {
    state_ = State::kBroken;  // never written to again: the file stays as it is
    broken_ = status;
  }
  return status;
}

Status Hive::CheckOrCreateSchema() {
  std::int64_t pageCount = 0;
  {
    // Finalised before any write: a read still open here would make the
    // write below a lock upgrade, which SQLite refuses at once when another
    // process is writing, instead of waiting.
    Statement pages(db_, "PRAGMA page_count");
    const int rc = pages.Step();
    if (rc != SQLITE_ROW) return FromSqlite(rc);
    pageCount = pages.ColumnInt(0);
  }
  if (pageCount == 0) {
    if (!writable_) {
      sqlite3_close_v2(db_);
      db_ = nullptr;
      state_ = State::kAbsent;
      return Status::kOk;
    }
    const std::string stamp = "PRAGMA application_id = " + std::to_string(kApplicationId) +
                              "; PRAGMA user_version = " + std::to_string(kSchemaVersion) + ";";
    return InWriteTransaction([&] {
      const Status status = Exec(kSchema);
      return status == Status::kOk ? Exec(stamp.c_str()) : status;
    });
  }

  Statement check(db_, "PRAGMA quick_check(1)");
  int rc = check.Step();
  if (rc != SQLITE_ROW) return rc == SQLITE_DONE ? Status::kCorrupt : FromSqlite(rc);
  if (check.ColumnBytes(0) != "ok") return Status::kCorrupt;

  Statement identity(db_,
                     "SELECT (SELECT application_id FROM pragma_application_id),"
                     " (SELECT user_version FROM pragma_user_version),"
                     " (SELECT count(*) FROM sqlite_schema WHERE type = 'table'"
                     "   AND name IN ('keys', 'vals'))");
  rc = identity.Step();
  if (rc != SQLITE_ROW) return FromSqlite(rc) == Status::kBusy ? Status::kBusy : Status::kCorrupt;
  if (identity.ColumnInt(0) != kApplicationId || identity.ColumnInt(1) != kSchemaVersion ||
      identity.ColumnInt(2) != 2) {
    return Status::kCorrupt;
  }
  return Status::kOk;
}

Status Hive::Exec(const char* sql) {
  return FromSqlite(sqlite3_exec(db_, sql, nullptr, nullptr, nullptr));
}

template <typename Work>
Status Hive::InWriteTransaction(Work&& work) {
  if (state_ != State::kReady || !writable_) return Status::kAccessDenied;
  Status status = Exec("BEGIN IMMEDIATE");
  if (status != Status::kOk) return status;
  status = work();
  if (status == Status::kOk) {
    status = Exec("COMMIT");
    if (status == Status::kOk) return status;
  }
  sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  return status;
}

// A consistent view for reads that belong together; it takes no write lock.
template <typename Work>
Status Hive::InReadTransaction(Work&& work) {
  if (state_ != State::kReady) return Status::kAccessDenied;
  Status status = Exec("BEGIN DEFERRED");
  if (status != Status::kOk) return status;
  status = work();
  sqlite3_exec(db_, status == Status::kOk ? "COMMIT" : "ROLLBACK", nullptr, nullptr, nullptr);
  return status;
}

Status Hive::FindChild(KeyId parent, std::string_view name, KeyId& child) {
  Statement find(db_, "SELECT id FROM keys WHERE parent = ?1 AND folded = ?2");
  const int rc = find.Int(1, parent).Bytes(2, Fold(name)).Step();
  if (rc == SQLITE_DONE) return Status::kNotFound;
  if (rc != SQLITE_ROW) return FromSqlite(rc);
  child = find.ColumnInt(0);
  return Status::kOk;
}

Status Hive::AddChild(KeyId parent, std::string_view name, KeyId& child) {
  Statement add(db_, "INSERT INTO keys(parent, name, folded) VALUES(?1, ?2, ?3)");
  const int rc = add.Int(1, parent).Bytes(2, name).Bytes(3, Fold(name)).Step();
  if (rc != SQLITE_DONE) return FromSqlite(rc);
  child = sqlite3_last_insert_rowid(db_);
  return Status::kOk;
}

Status Hive::WalkOrCreate(KeyId from, const std::vector<std::string>& path, KeyId& key,
                          bool& created) {
  created = false;
  key = from;
  for (const std::string& name : path) {
    KeyId child = 0;
    Status status = FindChild(key, name, child);
    if (status == Status::kNotFound) {
      status = AddChild(key, name, child);
      created = true;
    } else {
      created = false;
    }
    if (status != Status::kOk) return status;
    key = child;
  }
  return Status::kOk;
}

Status Hive::OpenKey(KeyId from, const std::vector<std::string>& path, KeyId& key) {
  const Status ready = Ready();
  if (ready != Status::kOk) return ready;
  if (state_ == State::kAbsent) {
    if (!path.empty()) return Status::kNotFound;
    key = from;
    return Status::kOk;
  }
  KeyId at = from;
  for (const std::string& name : path) {
    const Status status = FindChild(at, name, at);
    if (status != Status::kOk) return status;
  }
  key = at;
  return Status::kOk;
}

Status Hive::CreateKey(KeyId from, const std::vector<std::string>& path, KeyId& key,
                       bool& created) {
  // Opening what exists needs no write lock, and works for readers too.
  Status status = OpenKey(from, path, key);
  created = false;
  if (status != Status::kNotFound) return status;
  return InWriteTransaction([&] { return WalkOrCreate(from, path, key, created); });
}

Status Hive::QueryValue(KeyId key, std::string_view name, Value& value) {
  const Status ready = Ready();
  if (ready != Status::kOk) return ready;
  if (state_ == State::kAbsent) return Status::kNotFound;
  Statement query(db_, "SELECT type, data FROM vals WHERE key = ?1 AND folded = ?2");
  const int rc = query.Int(1, key).Bytes(2, Fold(name)).Step();
  if (rc == SQLITE_DONE) return Status::kNotFound;
  if (rc != SQLITE_ROW) return FromSqlite(rc);
  value.type = static_cast<DWORD>(query.ColumnInt(0));
  value.data = query.ColumnBytes(1);
  return Status::kOk;
}

Status Hive::WriteValue(KeyId key, std::string_view name, DWORD type, std::string_view data) {
  Statement write(db_,
                  "INSERT INTO vals(key, name, folded, type, data) VALUES(?1, ?2, ?3, ?4, ?5)"
                  " ON CONFLICT(key, folded) DO UPDATE SET type = excluded.type,"
                  " data = excluded.data");
  const int rc =
      write.Int(1, key).Bytes(2, name).Bytes(3, Fold(name)).Int(4, type).Bytes(5, data).Step();
  return rc == SQLITE_DONE ? Status::kOk : FromSqlite(rc);
}

Status Hive::SetValue(KeyId key, std::string_view name, DWORD type, std::string_view data) {
  const Status ready = Ready();
  if (ready != Status::kOk) return ready;
  return InWriteTransaction([&] { return WriteValue(key, name, type, data); });
}

Status Hive::DeleteValue(KeyId key, std::string_view name) {
  const Status ready = Ready();
  if (ready != Status::kOk) return ready;
  return InWriteTransaction([&] {
    Statement remove(db_, "DELETE FROM vals WHERE key = ?1 AND folded = ?2");
    const int rc = remove.Int(1, key).Bytes(2, Fold(name)).Step();
    if (rc != SQLITE_DONE) return FromSqlite(rc);
    return sqlite3_changes(db_) == 0 ? Status::kNotFound : Status::kOk;
  });
}

Status Hive::SubkeyAt(KeyId key, std::uint64_t index, std::string& name) {
  const Status ready = Ready();
  if (ready != Status::kOk) return ready;
  if (state_ == State::kAbsent) return Status::kNoMoreItems;
  Statement at(db_, "SELECT name FROM keys WHERE parent = ?1 ORDER BY folded LIMIT 1 OFFSET ?2");
  const int rc = at.Int(1, key).Int(2, static_cast<std::int64_t>(index)).Step();
  if (rc == SQLITE_DONE) return Status::kNoMoreItems;
  if (rc != SQLITE_ROW) return FromSqlite(rc);
  name = at.ColumnBytes(0);
  return Status::kOk;
}

Status Hive::NumberedSubkeys(KeyId classKey, std::vector<std::pair<KeyId, std::string>>& subkeys) {
  Statement list(db_, "SELECT id, name FROM keys WHERE parent = ?1 ORDER BY folded");
  int rc = list.Int(1, classKey).Step();
  for (; rc == SQLITE_ROW; rc = list.Step()) {
    std::string name = list.ColumnBytes(1);
    if (IsCanonicalNumber(name)) subkeys.emplace_back(list.ColumnInt(0), std::move(name));
  }
  return rc == SQLITE_DONE ? Status::kOk : FromSqlite(rc);
}

// The program reaches only subkeys named by their number, and takes the first
// whose NetCfgInstanceId names the adapter; so does this.
Status Hive::FindAdapter(std::string_view adapter, KeyId& key) {
  KeyId classKey = 0;
  Status status = OpenKey(kRootKey, {std::begin(kClassKeyPath), std::end(kClassKeyPath)}, classKey);
  if (status == Status::kNotFound) return Status::kUnregistered;
  if (status != Status::kOk) return status;
  std::vector<std::pair<KeyId, std::string>> subkeys;
  if ((status = NumberedSubkeys(classKey, subkeys)) != Status::kOk) return status;
  for (const auto& [id, name] : subkeys) {
    Value instance;
    status = QueryValue(id, kInstanceIdValue, instance);
    if (status == Status::kNotFound) continue;
    if (status != Status::kOk) return status;
    if (instance.type == REG_SZ && TextOf(instance.data) == adapter) {
      key = id;
      return Status::kOk;
    }
  }
  return Status::kUnregistered;
}

Status Hive::QueryAdapterValue(std::string_view adapter, std::string_view name, Value& value) {
  const Status ready = Ready();
  if (ready != Status::kOk) return ready;
  if (state_ == State::kAbsent) return Status::kUnregistered;
  KeyId key = 0;
  const Status status = FindAdapter(adapter, key);
  return status == Status::kOk ? QueryValue(key, name, value) : status;
}

Status Hive::SetAdapterValue(std::string_view adapter, std::string_view name, DWORD type,
                             std::string_view data, bool onlyIfMissing) {
  const Status ready = Ready();
  if (ready != Status::kOk) return ready;
  return InWriteTransaction([&] {
    KeyId key = 0;
    Status status = FindAdapter(adapter, key);
    if (status != Status::kOk) return status;
    if (onlyIfMissing) {
      Value existing;
      status = QueryValue(key, name, existing);
      if (status != Status::kNotFound) return status;
    }
    return WriteValue(key, name, type, data);
  });
}

Status Hive::DeleteAdapterValue(std::string_view adapter, std::string_view name) {
  const Status ready = Ready();
  if (ready != Status::kOk) return ready;
  return InWriteTransaction([&] {
    KeyId key = 0;
    const Status status = FindAdapter(adapter, key);
    if (status != Status::kOk) return status;
    Statement remove(db_, "DELETE FROM vals WHERE key = ?1 AND folded = ?2");
    const int rc = remove.Int(1, key).Bytes(2, Fold(name)).Step();
    if (rc != SQLITE_DONE) return FromSqlite(rc);
    return sqlite3_changes(db_) == 0 ? Status::kNotFound : Status::kOk;
  });
}

// A numbered subkey of the adapter class key, with what registration needs
// to know of its values.
struct AdapterSubkey {
  KeyId id = 0;
  std::string name;
  std::optional<Value> instance, marker;
  bool driverDesc = false;
  bool othersValues = false;  // a value the platform does not write
  bool children = false;
};

namespace {

using Subkey = AdapterSubkey;

// What a registration run has to change; empty when nothing.
struct RegistrationPlan {
  std::vector<const Subkey*> remove;
  std::vector<std::pair<KeyId, const AdapterEntry*>> describe;  // registered, no DriverDesc
  std::vector<std::pair<int, const AdapterEntry*>> add;
  bool Empty() const { return remove.empty() && describe.empty() && add.empty(); }
};

bool IsText(const std::optional<Value>& value) { return value && value->type == REG_SZ; }

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

}  // namespace

// Every numbered subkey with its values in one statement: registration runs
// at every start, and a statement per value made it cost more than the
// adapter query it follows.
Status Hive::SurveyAdapterSubkeys(KeyId classKey, std::vector<Subkey>& subkeys) {
  Statement list(db_,
                 "SELECT k.id, k.name, EXISTS(SELECT 1 FROM keys c WHERE c.parent = k.id),"
                 " v.folded, v.type, v.data"
                 " FROM keys k LEFT JOIN vals v ON v.key = k.id"
                 " WHERE k.parent = ?1 ORDER BY k.folded, k.id");
  int rc = list.Int(1, classKey).Step();
  const std::string instanceName = Fold(kInstanceIdValue), descName = Fold(kDriverDescValue),
                    markerName = Fold(kRegisteredValue), originalName = Fold(kOriginalAddressValue);
  for (; rc == SQLITE_ROW; rc = list.Step()) {
    const KeyId id = list.ColumnInt(0);
    if (subkeys.empty() || subkeys.back().id != id) {
      std::string name = list.ColumnBytes(1);
      if (!IsCanonicalNumber(name)) continue;
      subkeys.push_back({id, std::move(name), {}, {}, false, false, list.ColumnInt(2) != 0});
    }
    if (list.ColumnNull(3)) continue;  // no values at all
    Subkey& subkey = subkeys.back();
    const std::string value = list.ColumnBytes(3);
    const Value data{static_cast<DWORD>(list.ColumnInt(4)), list.ColumnBytes(5)};
    if (value == instanceName) {
      subkey.instance = data;
    } else if (value == markerName) {
      subkey.marker = data;
    } else if (value == descName) {
      subkey.driverDesc = true;
    } else if (value != originalName) {
      subkey.othersValues = true;
    }
  }
  return rc == SQLITE_DONE ? Status::kOk : FromSqlite(rc);
}

Status Hive::RegisterAdapters(const Registration& registration,
                              std::vector<RegistrationChange>* changes) {
  const Status ready = Ready();
  if (ready != Status::kOk) return ready;
  const std::vector<std::string> classPath(std::begin(kClassKeyPath), std::end(kClassKeyPath));

  // Nearly every start finds everything registered. Looking first under a
  // read lock keeps such a start from writing, or waiting behind a writer.
  bool nothingNew = false;
  Status status = InReadTransaction([&] {
    KeyId classKey = 0;
    std::vector<Subkey> subkeys;
    Status found = OpenKey(kRootKey, classPath, classKey);
    if (found == Status::kOk)
      found = SurveyAdapterSubkeys(classKey, subkeys);
    else if (found != Status::kNotFound)
      return found;
    RegistrationPlan plan;
    const Status planned = Plan(subkeys, registration, plan);
    nothingNew = planned == Status::kOk && plan.Empty();
    return Status::kOk;
  });
  if (status != Status::kOk) return status;
  if (nothingNew) {
    if (changes != nullptr) changes->clear();
    return Status::kOk;
  }

  std::vector<RegistrationChange> made;
  // One transaction, planned again inside it: two processes starting at once
  // cannot take one number twice or register one adapter twice.
  status = InWriteTransaction([&]() -> Status {
    made.clear();
    KeyId classKey = 0;
    bool created = false;
    Status step = WalkOrCreate(kRootKey, classPath, classKey, created);
    std::vector<Subkey> subkeys;
    if (step == Status::kOk) step = SurveyAdapterSubkeys(classKey, subkeys);
    RegistrationPlan plan;
    if (step == Status::kOk) step = Plan(subkeys, registration, plan);
    if (step != Status::kOk) return step;

    for (const Subkey* subkey : plan.remove) {
      Statement values(db_, "DELETE FROM vals WHERE key = ?1");
      Statement key(db_, "DELETE FROM keys WHERE id = ?1");
      int rc = values.Int(1, subkey->id).Step();
      if (rc == SQLITE_DONE) rc = key.Int(1, subkey->id).Step();
      if (rc != SQLITE_DONE) return FromSqlite(rc);
      made.push_back({TextOf(subkey->instance->data), subkey->name, false});
    }
    const std::string marker(registration.netNamespace.c_str(),
                             registration.netNamespace.size() + 1);
    auto withNul = [](const std::string& text) {
      return std::string_view(text.c_str(), text.size() + 1);
    };
    for (const auto& [id, adapter] : plan.describe) {
      step = WriteValue(id, kDriverDescValue, REG_SZ, withNul(adapter->description));
      if (step != Status::kOk) return step;
    }
    for (const auto& [number, adapter] : plan.add) {
      char name[16];
      std::snprintf(name, sizeof name, "%04d", number);
      KeyId subkey = 0;
      step = AddChild(classKey, name, subkey);
      if (step == Status::kOk)
        step = WriteValue(subkey, kInstanceIdValue, REG_SZ, withNul(adapter->name));
      if (step == Status::kOk)
        step = WriteValue(subkey, kDriverDescValue, REG_SZ, withNul(adapter->description));
      if (step == Status::kOk) step = WriteValue(subkey, kRegisteredValue, REG_SZ, marker);
      if (step != Status::kOk) return step;
      made.push_back({adapter->name, name, true});
    }
    return Status::kOk;
  });
  if (status == Status::kOk && changes != nullptr) *changes = std::move(made);
  return status;
}

}  // namespace lorvane::registry::detail
