// The hive's files as this process finds them, checked before SQLite opens
// anything. The live hive sits in a folder beside the path given that only
// its owner may enter, so no other user can open it, hold a lock on it or put
// a file beside it. The path given holds a copy that the owner replaces whole
// after every change; every other process reads that copy and nothing else.
#pragma once

#include <string>

#include "platform/kernel/unique_fd.h"

namespace lorvane::registry::detail {

// The folder, beside the copy, that holds the live hive of the same name.
inline constexpr const char* kLiveFolder = "live";

enum class HiveRole {
  kWriter,   // this process's user owns the live hive: it reads and writes that
  kReader,   // the copy, opened and checked: read it, write nothing
  kMissing,  // no hive, and none made here: an empty registry
  kRefused,  // a link, another user's file, a folder others may write: not opened
  kUnknown,  // could not be looked at
};

struct HivePlace {
  HiveRole role = HiveRole::kUnknown;
  std::string copy;  // the path given
  std::string live;  // kWriter: the live hive
  // kWriter: the live hive is still to be made, from the file at the copy's
  // path when there is one (what an earlier version kept there).
  bool liveMissing = false;
  bool copyThere = false;
  kernel::UniqueFd folder;      // kWriter: the copy's folder, to replace the copy in
  kernel::UniqueFd liveFolder;  // kWriter
  kernel::UniqueFd copyFile;    // kReader: the copy, read only
};

// Looks at the hive without following links. A hive is written only where
// its folder and every folder above belong to root or to this process and
// nobody else may rename what they hold (a sticky folder like /tmp is fine
// above, not as the hive's own), and only by the owner of the live folder,
// made 0700 by the first process that may make it (the hive's folder 0755).
// A copy is read only when it is a regular file of root's or this process's
// that nobody else may write, in such a folder. Says on stderr why a hive
// is refused.
HivePlace PrepareHive(const std::string& path);

}  // namespace lorvane::registry::detail
