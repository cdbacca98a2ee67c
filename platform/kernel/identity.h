// Who a process, file or network namespace is: by device and inode, never by
// a name, which anyone may give whatever they like.
#pragma once

#include <sys/types.h>

#include <string>
#include <tuple>

namespace lorvane::kernel {

struct FileId {
  dev_t dev = 0;
  ino_t ino = 0;
  bool operator<(const FileId& o) const { return std::tie(dev, ino) < std::tie(o.dev, o.ino); }
  bool operator==(const FileId& o) const { return dev == o.dev && ino == o.ino; }
};

// What `path` is, following links (as exec and setns would); false when it
// cannot be reached.
bool IdentityOf(const std::string& path, FileId& out);

// Whether `name` below the directory `dirFd` is `id`, following links.
bool SameFileAt(int dirFd, const char* name, FileId id);

// The network namespace of the calling thread, as `procDir` shows it.
bool ThisNamespace(const std::string& procDir, FileId& out);

}  // namespace lorvane::kernel
