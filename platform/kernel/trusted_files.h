// Files that a privileged process may believe: only what root (or the user
// this process runs as) could have put there. Another user may plant a
// symbolic link, a FIFO or a file of their own at any path they can write,
// and swap it between a check and an open; these calls check the descriptor
// they open, never the name.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace lorvane::kernel {

// Root, or the effective user of this process.
bool TrustedOwner(uid_t uid);

// Opens `path` for reading when it is a regular file, not a symbolic link,
// owned by a trusted owner (or by `daemonUser`, the user a system daemon
// writes its files as; 0 adds no one) and not writable by group or others;
// -1 otherwise. Never blocks, whatever is at the path. `info` gets the
// descriptor's status.
int OpenTrustedFile(const std::string& path, struct stat* info = nullptr, uid_t daemonUser = 0);

// Reads the rest of `fd`, at most `cap` bytes; false if there is more.
bool ReadAtMost(int fd, std::size_t cap, std::string& out);

// The whole of a trusted file no larger than `cap`.
bool ReadTrustedFile(const std::string& path, std::size_t cap, std::string& out,
                     struct stat* info = nullptr, uid_t daemonUser = 0);
// The same, for the absolute `path` as a process sees it whose root folder
// `root` is open (its /proc/PID/root): opened from there, so that the magic
// link is passed once and not once a file. Folders on the way that are
// links (as /lib is on a merged /usr) resolve inside that root, never out of
// it; the file itself is never a link.
bool ReadTrustedFileAt(int root, const std::string& path, std::size_t cap, std::string& out,
                       uid_t daemonUser = 0);

// What a file was when it was last read: a trusted file whose stamp, taken
// again without following a link, is the same has not been written since
// (any write, rename over it, chown or chmod moves its change time), so
// what was read from it still holds. An absent file has the empty stamp.
struct FileStamp {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  std::int64_t modifiedNs = 0;
  std::int64_t changedNs = 0;
  bool operator==(const FileStamp&) const = default;
};
FileStamp StampOf(const struct stat& st);
// The stamp of what is at `path` now (a link is stamped as itself).
FileStamp StampAt(const std::string& path);

// True when only a trusted owner can change what `path` names, so that a
// program handed the path will write where it was meant to: an absolute
// path with no symbolic link, "." or ".." on the way, every directory owned by
// a trusted owner, those above not writable by group or others unless sticky,
// its own directory not writable by group or others at all, and the file
// itself, when there, a trusted regular file.
bool TrustedPlace(const std::string& path);

}  // namespace lorvane::kernel
