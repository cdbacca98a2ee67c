// The copy of the live hive that every other process reads: the live
// database whole, written in the live folder and renamed over the copy, so a
// reader finds one complete hive or the next. Readers load it into memory and
// take no lock at all, so none of them can hold back a writer.
#pragma once

struct sqlite3;

namespace lorvane::registry::detail {

struct HivePlace;

// Replaces the copy with the database as `db` holds it now. Called only under
// the write lock, so copies replace one another in the order of the commits
// they show. An SQLite result code.
int PublishCopy(sqlite3* db, const HivePlace& place);

// Whether the copy has the live database's header (change counter, size),
// so shows what it holds. Called in a read transaction.
bool CopyIsCurrent(sqlite3* db, const HivePlace& place);

// The copy read whole through `fd` into a database in memory, read only.
int LoadCopy(int fd, sqlite3** db);

// Makes the live hive under a name of its own, from the file at the copy's
// path when there is one (where an earlier version kept the live hive), and
// links it into place unless another process has made it meanwhile.
int MakeLive(const HivePlace& place, int busyTimeoutMs);

}  // namespace lorvane::registry::detail
