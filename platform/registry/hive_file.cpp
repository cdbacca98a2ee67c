#include "platform/registry/hive_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <utility>
#include <vector>

#include "platform/kernel/trusted_files.h"
#include "platform/kernel/unique_fd.h"

namespace lorvane::registry::detail {
namespace {

constexpr mode_t kFolderMode = 0755;
constexpr mode_t kFileMode = 0644;

void Say(const std::string& path, const std::string& why) {
  std::fprintf(stderr, "lorvane registry: %s: %s\n", path.c_str(), why.c_str());
}

bool OursOrRoot(const struct stat& info) { return kernel::TrustedOwner(info.st_uid); }

bool OthersMayWrite(const struct stat& info) { return (info.st_mode & (S_IWGRP | S_IWOTH)) != 0; }

// Why no hive is written below this folder, or null. Others may add entries
// to a sticky folder but not rename ours, so one will do above the hive's own.
const char* FolderProblem(const struct stat& info, bool hivesOwn) {
  if (!S_ISDIR(info.st_mode)) return "not a folder";
  if (!OursOrRoot(info)) return "a folder owned by another user";
  if (OthersMayWrite(info) && (hivesOwn || (info.st_mode & S_ISVTX) == 0))
    return "a folder that group or others may write";
  return nullptr;
}

const char* FileProblem(const struct stat& info) {
  if (!OursOrRoot(info)) return "owned by another user";
  if (OthersMayWrite(info)) return "writable by group or others";
  return nullptr;
}

struct Folder {
  kernel::UniqueFd fd;            // the hive's folder, when it is there and trusted
  kernel::UniqueFd parent;        // its parent, when the folder alone is missing
  std::string at;                 // where the walk stopped
  bool missing = false;           // a folder above the hive's own is missing
  bool link = false;              // a link on the way, which SQLite would refuse too
  const char* problem = nullptr;  // why no hive is written there
};

// From / down one name at a time, never through a link, each folder checked
// by its descriptor: what was checked is what the hive is then made in.
Folder OpenFolder(const std::filesystem::path& path) {
  std::vector<std::string> names;
  for (const auto& name : path.relative_path()) {
    if (!name.empty()) names.push_back(name);
  }
  Folder folder;
  folder.at = "/";
  kernel::UniqueFd at(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
  struct stat info {};
  if (!at.valid() || ::fstat(at.get(), &info) != 0) {
    folder.problem = std::strerror(errno);
    return folder;
  }
  folder.problem = FolderProblem(info, names.empty());
  for (std::size_t i = 0; i < names.size() && folder.problem == nullptr; ++i) {
    const bool hivesOwn = i + 1 == names.size();
    folder.at = (std::filesystem::path(folder.at) / names[i]).string();
    kernel::UniqueFd next(
        ::openat(at.get(), names[i].c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!next.valid()) {
      const int error = errno;
      struct stat entry {};
      if (error != ENOENT) {
        folder.problem = error == ENOTDIR ? "not a folder" : std::strerror(error);
        folder.link = ::fstatat(at.get(), names[i].c_str(), &entry, AT_SYMLINK_NOFOLLOW) == 0 &&
                      S_ISLNK(entry.st_mode);
      } else if (hivesOwn) {
        folder.parent = std::move(at);
      } else {
        folder.missing = true;
      }
      return folder;
    }
    folder.problem =
        ::fstat(next.get(), &info) == 0 ? FolderProblem(info, hivesOwn) : std::strerror(errno);
    at = std::move(next);
  }
  if (folder.problem == nullptr) folder.fd = std::move(at);
  return folder;
}

// Makes the folder if it is missing, then the file, exclusively: whatever is
// already there is not this process's to take over.
HiveFileUse Create(Folder& folder, const std::filesystem::path& path, bool& raced) {
  if (!folder.fd.valid()) {
    const std::string name = path.parent_path().filename();
    const bool made = ::mkdirat(folder.parent.get(), name.c_str(), kFolderMode) == 0;
    if (!made && errno != EEXIST) return HiveFileUse::kMissing;  // no right to make it
    folder.fd = kernel::UniqueFd(::openat(folder.parent.get(), name.c_str(),
                                          O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat info {};
    if (!folder.fd.valid() || (made && ::fchmod(folder.fd.get(), kFolderMode) != 0) ||
        ::fstat(folder.fd.get(), &info) != 0) {
      return HiveFileUse::kMissing;
    }
    if (const char* problem = FolderProblem(info, true)) {
      Say(folder.at, std::string(problem) + "; no hive is made there");
      return HiveFileUse::kMissing;
    }
  }
  // Closed before SQLite opens the file: closing any descriptor of a file
  // drops the locks this process holds on it.
  const kernel::UniqueFd file(::openat(folder.fd.get(), path.filename().c_str(),
                                       O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                                       kFileMode));
  if (!file.valid()) {
    raced = errno == EEXIST;  // another process made it first
    return HiveFileUse::kMissing;
  }
  ::fchmod(file.get(), kFileMode);
  return HiveFileUse::kReadWrite;
}

HiveFileUse Prepare(const std::filesystem::path& path, bool mayCreate) {
  Folder folder = OpenFolder(path.parent_path());
  if (folder.link) {
    Say(folder.at, "a symbolic link; the hive below it is not opened");
    return HiveFileUse::kRefused;
  }
  struct stat info {};
  const int found = folder.fd.valid() ? ::fstatat(folder.fd.get(), path.filename().c_str(), &info,
                                                  AT_SYMLINK_NOFOLLOW)
                                      : ::lstat(path.c_str(), &info);
  if (found != 0 && errno != ENOENT) return HiveFileUse::kUnknown;
  if (found == 0 && !S_ISREG(info.st_mode)) {
    Say(path,
        S_ISLNK(info.st_mode) ? "a symbolic link; not opened" : "not a regular file; not opened");
    return HiveFileUse::kRefused;
  }
  if (folder.problem != nullptr) {
    Say(folder.at, std::string(folder.problem) + "; the hive below it is not written");
    return found == 0 ? HiveFileUse::kReadOnly : HiveFileUse::kMissing;
  }
  if (found == 0) {
    const char* problem = FileProblem(info);
    if (problem == nullptr) return HiveFileUse::kReadWrite;
    Say(path, std::string(problem) + "; not written");
    return HiveFileUse::kReadOnly;
  }
  if (folder.missing || !mayCreate) return HiveFileUse::kMissing;
  bool raced = false;
  const HiveFileUse use = Create(folder, path, raced);
  return raced ? Prepare(path, false) : use;
}

}  // namespace

HiveFileUse PrepareHiveFile(const std::string& path) {
  std::error_code error;
  const std::filesystem::path full = std::filesystem::absolute(path, error).lexically_normal();
  if (error || !full.has_filename()) return HiveFileUse::kUnknown;
  return Prepare(full, true);
}

}  // namespace lorvane::registry::detail
