#include "platform/registry/hive.h"

#include <sqlite3.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <utility>

#include "platform/registry/hive_copy.h"
#include "platform/registry/hive_file.h"

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

// Root's writers take turns on the live folder, which nobody else may open.
// A writer waiting here is woken when the lock is let go; SQLite's busy
// handler only polls, and lost every poll to a writer that commits and copies
// without pause.
class WriterTurn {
 public:
  // Taken again by the same process (a copy after a change), it holds on.
  explicit WriterTurn(int folder) : folder_(folder) {
    while (::flock(folder_, LOCK_EX) != 0 && errno == EINTR) {
    }
  }
  ~WriterTurn() { ::flock(folder_, LOCK_UN); }
  WriterTurn(const WriterTurn&) = delete;
  WriterTurn& operator=(const WriterTurn&) = delete;

 private:
  int folder_;
};

}  // namespace

std::string FoldName(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

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

Hive::~Hive() { Close(); }

void Hive::Close() {
  if (db_ != nullptr) sqlite3_close_v2(db_);
  db_ = nullptr;
  place_ = HivePlace();
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
  // A reader takes the copy root has put in place since, between
  // transactions: a key's number stays the same from one copy to the next.
  if (state_ == State::kReady && place_.role == HiveRole::kReader &&
      transaction_ == Transaction::kNone && kernel::StampAt(path_) != loaded_) {
    Close();
    state_ = State::kClosed;
  }
  if (state_ == State::kClosed) return OpenFile();
  if (state_ == State::kBroken) return broken_;
  return Status::kOk;
}

Status Hive::OpenFile() {
  place_ = PrepareHive(path_);
  Status status = Status::kOk;
  switch (place_.role) {
    case HiveRole::kMissing:
      state_ = State::kAbsent;  // an empty registry to a user who may not create it
      return Status::kOk;
    case HiveRole::kRefused:
      state_ = State::kBroken;
      broken_ = Status::kAccessDenied;
      return broken_;
    case HiveRole::kUnknown:
      return Status::kCantOpen;
    case HiveRole::kReader: {
      // Kept open, so that no later copy can get its inode number.
      struct stat info {};
      if (::fstat(place_.copyFile.get(), &info) != 0) return Status::kCantOpen;
      loaded_ = kernel::StampOf(info);
      status = FromSqlite(LoadCopy(place_.copyFile.get(), &db_));
      break;
    }
    case HiveRole::kWriter:
      status = OpenLive();
      break;
  }
  if (status == Status::kOk) {
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    writable_ = place_.role == HiveRole::kWriter && sqlite3_db_readonly(db_, "main") == 0;
    state_ = State::kReady;
    status = CheckOrCreateSchema();
  }
  if (status == Status::kOk) {
    if (state_ != State::kReady || !writable_) return status;
    // Catches up after a writer that died between its commit and its copy.
    bool current = false;
    InReadTransaction([&] {
      Statement pages(db_, "PRAGMA page_count");
      const int rc = pages.Step();
      current = rc == SQLITE_ROW && CopyIsCurrent(db_, place_);
      return Status::kOk;
    });
    if (!current) Publish();
    return status;
  }
  Close();
  if (status == Status::kBusy || status == Status::kNoMemory) {
    state_ = State::kClosed;  // try again on the next call
  } else {
    state_ = State::kBroken;  // never written to again: the file stays as it is
    broken_ = status;
  }
  return status;
}

// Made the first time, from what an earlier version kept at the copy's path.
// Nobody but its owner may enter its folder: SQLite's journal beside it is
// safe from links, and nobody else can open it to hold a lock.
Status Hive::OpenLive() {
  if (place_.liveMissing) {
    const Status made = FromSqlite(MakeLive(place_, kBusyTimeoutMs));
    if (made != Status::kOk) return made;
  }
  const int flags = SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_NOFOLLOW | SQLITE_OPEN_READWRITE;
  return sqlite3_open_v2(place_.live.c_str(), &db_, flags, nullptr) == SQLITE_OK
             ? Status::kOk
             : Status::kCantOpen;
}

// Under the write lock: a copy never replaces a newer one. A copy that could
// not be replaced was said on stderr; the change itself is made.
void Hive::Publish() {
  const WriterTurn turn(place_.liveFolder.get());
  if (Exec("BEGIN IMMEDIATE") != Status::kOk) return;  // the holder publishes
  PublishCopy(db_, place_);
  Exec("COMMIT");
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
  if (transaction_ == Transaction::kWrite) return work();
  if (transaction_ == Transaction::kRead) return Status::kAccessDenied;
  const WriterTurn turn(place_.liveFolder.get());  // held through the copy too
  Status status = Exec("BEGIN IMMEDIATE");
  if (status != Status::kOk) return status;
  transaction_ = Transaction::kWrite;
  const int changesBefore = sqlite3_total_changes(db_);
  status = work();
  if (status == Status::kOk) status = Exec("COMMIT");
  if (status != Status::kOk) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  transaction_ = Transaction::kNone;
  if (status == Status::kOk && sqlite3_total_changes(db_) != changesBefore) Publish();
  return status;
}

// A consistent view for reads that belong together; it takes no write lock.
template <typename Work>
Status Hive::InReadTransaction(Work&& work) {
  if (state_ == State::kAbsent || transaction_ != Transaction::kNone) return work();
  if (state_ != State::kReady) return Status::kAccessDenied;
  Status status = Exec("BEGIN DEFERRED");
  if (status != Status::kOk) return status;
  transaction_ = Transaction::kRead;
  status = work();
  sqlite3_exec(db_, status == Status::kOk ? "COMMIT" : "ROLLBACK", nullptr, nullptr, nullptr);
  transaction_ = Transaction::kNone;
  return status;
}

Status Hive::Read(const std::function<Status()>& work) {
  const Status ready = Ready();
  return ready == Status::kOk ? InReadTransaction(work) : ready;
}

Status Hive::Change(const std::function<Status()>& work) {
  const Status ready = Ready();
  return ready == Status::kOk ? InWriteTransaction(work) : ready;
}

Status Hive::FindChild(KeyId parent, std::string_view name, KeyId& child) {
  Statement find(db_, "SELECT id FROM keys WHERE parent = ?1 AND folded = ?2");
  const int rc = find.Int(1, parent).Bytes(2, FoldName(name)).Step();
  if (rc == SQLITE_DONE) return Status::kNotFound;
  if (rc != SQLITE_ROW) return FromSqlite(rc);
  child = find.ColumnInt(0);
  return Status::kOk;
}

Status Hive::AddChild(KeyId parent, std::string_view name, KeyId& child) {
  Statement add(db_, "INSERT INTO keys(parent, name, folded) VALUES(?1, ?2, ?3)");
  const int rc = add.Int(1, parent).Bytes(2, name).Bytes(3, FoldName(name)).Step();
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
  const int rc = query.Int(1, key).Bytes(2, FoldName(name)).Step();
  if (rc == SQLITE_DONE) return Status::kNotFound;
  if (rc != SQLITE_ROW) return FromSqlite(rc);
  value.type = static_cast<DWORD>(query.ColumnInt(0));
  value.data = query.ColumnBytes(1);
  return Status::kOk;
}

Status Hive::SetValue(KeyId key, std::string_view name, DWORD type, std::string_view data) {
  const Status ready = Ready();
  if (ready != Status::kOk) return ready;
  return InWriteTransaction([&] {
    Statement write(db_,
                    "INSERT INTO vals(key, name, folded, type, data) VALUES(?1, ?2, ?3, ?4, ?5)"
                    " ON CONFLICT(key, folded) DO UPDATE SET type = excluded.type,"
                    " data = excluded.data");
    const int rc = write.Int(1, key)
                       .Bytes(2, name)
                       .Bytes(3, FoldName(name))
                       .Int(4, type)
                       .Bytes(5, data)
                       .Step();
    return rc == SQLITE_DONE ? Status::kOk : FromSqlite(rc);
  });
}

Status Hive::DeleteValue(KeyId key, std::string_view name) {
  const Status ready = Ready();
  if (ready != Status::kOk) return ready;
  return InWriteTransaction([&] {
    Statement remove(db_, "DELETE FROM vals WHERE key = ?1 AND folded = ?2");
    const int rc = remove.Int(1, key).Bytes(2, FoldName(name)).Step();
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

Status Hive::Subkeys(KeyId key, std::vector<SubkeyEntry>& subkeys) {
  subkeys.clear();
  const Status ready = Ready();
  if (ready != Status::kOk || state_ == State::kAbsent) return ready;
  Statement list(db_,
                 "SELECT k.id, k.name, EXISTS(SELECT 1 FROM keys c WHERE c.parent = k.id),"
                 " v.name, v.type, v.data"
                 " FROM keys k LEFT JOIN vals v ON v.key = k.id"
                 " WHERE k.parent = ?1 ORDER BY k.folded, k.id");
  int rc = list.Int(1, key).Step();
  for (; rc == SQLITE_ROW; rc = list.Step()) {
    const KeyId id = list.ColumnInt(0);
    if (subkeys.empty() || subkeys.back().id != id)
      subkeys.push_back({id, list.ColumnBytes(1), list.ColumnInt(2) != 0, {}});
    if (list.ColumnNull(3)) continue;  // no values at all
    subkeys.back().values.emplace_back(
        list.ColumnBytes(3), Value{static_cast<DWORD>(list.ColumnInt(4)), list.ColumnBytes(5)});
  }
  return rc == SQLITE_DONE ? Status::kOk : FromSqlite(rc);
}

Status Hive::DeleteKey(KeyId key) {
  const Status ready = Ready();
  if (ready != Status::kOk) return ready;
  return InWriteTransaction([&] {
    Statement children(db_, "SELECT 1 FROM keys WHERE parent = ?1 LIMIT 1");
    int rc = children.Int(1, key).Step();
    if (rc == SQLITE_ROW) return Status::kAccessDenied;  // as Windows answers for a parent
    if (rc != SQLITE_DONE) return FromSqlite(rc);
    Statement values(db_, "DELETE FROM vals WHERE key = ?1");
    Statement self(db_, "DELETE FROM keys WHERE id = ?1");
    rc = values.Int(1, key).Step();
    if (rc == SQLITE_DONE) rc = self.Int(1, key).Step();
    if (rc != SQLITE_DONE) return FromSqlite(rc);
    return sqlite3_changes(db_) == 0 ? Status::kNotFound : Status::kOk;
  });
}

}  // namespace lorvane::registry::detail
