// The hive's file and folder as this process finds them, checked before
// SQLite opens anything: a process running as root must not write where
// another user can put a link or swap a folder under it.
#pragma once

#include <string>

namespace lorvane::registry::detail {

enum class HiveFileUse {
  kReadWrite,  // folder and file trusted, the file made if it was missing
  kReadOnly,   // there, but this process must not write it
  kMissing,    // not there, and not made here: an empty registry
  kRefused,    // a link or not a regular file: not opened at all
  kUnknown,    // could not be looked at
};

// Looks at the hive without following links. A file is written only where the
// folder and every folder above it belong to root or to this process and
// nobody else may rename what they hold (a sticky folder like /tmp is fine
// above, not as the hive's own). When the hive may be written and is missing,
// makes it: the folder 0755 and the file 0644, whatever the umask. Says on
// stderr why a hive is refused or left unwritten.
HiveFileUse PrepareHiveFile(const std::string& path);

}  // namespace lorvane::registry::detail
