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
constexpr mode_t kLiveFolderMode = 0700;

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
  std::string at = "/";           // where the walk stopped
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

// Makes the hive's own folder, 0755 whatever the umask; false when this
// process may not (another user then sees an empty registry).
bool MakeFolder(Folder& folder, const std::filesystem::path& path) {
  const std::string name = path.parent_path().filename();
  const bool made = ::mkdirat(folder.parent.get(), name.c_str(), kFolderMode) == 0;
  if (!made && errno != EEXIST) return false;
  folder.fd = kernel::UniqueFd(
      ::openat(folder.parent.get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  struct stat info {};
  if (!folder.fd.valid() || (made && ::fchmod(folder.fd.get(), kFolderMode) != 0) ||
      ::fstat(folder.fd.get(), &info) != 0) {
    return false;
  }
  if (const char* problem = FolderProblem(info, true)) {
    Say(folder.at, std::string(problem) + "; no hive is made there");
    return false;
  }
  return true;
}

// The live folder, opened or made: a reader's when this process may not
// enter it or it is another user's.
HiveRole OpenLiveFolder(HivePlace& place, const std::string& name) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    place.liveFolder = kernel::UniqueFd(
        ::openat(place.folder.get(), kLiveFolder, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (place.liveFolder.valid()) break;
    if (errno == EACCES || errno == EPERM) return HiveRole::kReader;
    if (errno != ENOENT) {
      Say(place.live, "its folder is not a folder; the hive is not opened");
      return HiveRole::kRefused;
    }
    if (::mkdirat(place.folder.get(), kLiveFolder, kLiveFolderMode) != 0 && errno != EEXIST)
      return HiveRole::kReader;  // no right to make it
  }
  struct stat info {};
  if (!place.liveFolder.valid() || ::fstat(place.liveFolder.get(), &info) != 0)
    return HiveRole::kUnknown;
  if (info.st_uid != ::geteuid()) return HiveRole::kReader;
  // The umask may have taken bits from a folder just made; none is added.
  if ((info.st_mode & 0777) != kLiveFolderMode &&
      ((info.st_mode & 077) != 0 || ::fchmod(place.liveFolder.get(), kLiveFolderMode) != 0)) {
    Say(place.live, "its folder may be entered by others; the hive is not opened");
    return HiveRole::kRefused;
  }
  if (::fstatat(place.liveFolder.get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno != ENOENT) return HiveRole::kUnknown;
    place.liveMissing = true;
    return HiveRole::kWriter;
  }
  if (!S_ISREG(info.st_mode) || info.st_uid != ::geteuid() || OthersMayWrite(info)) {
    Say(place.live, "not a regular file of this user's alone; not opened");
    return HiveRole::kRefused;
  }
  return HiveRole::kWriter;
}

HivePlace Prepare(const std::filesystem::path& path) {
  HivePlace place;
  place.copy = path.string();
  place.live = (path.parent_path() / kLiveFolder / path.filename()).string();
  Folder folder = OpenFolder(path.parent_path());
  if (folder.link) {
    Say(folder.at, "a symbolic link; the hive below it is not opened");
    place.role = HiveRole::kRefused;
    return place;
  }
  struct stat info {};
  const int found = folder.fd.valid() ? ::fstatat(folder.fd.get(), path.filename().c_str(), &info,
                                                  AT_SYMLINK_NOFOLLOW)
                                      : ::lstat(path.c_str(), &info);
  if (found != 0 && errno != ENOENT) return place;
  place.copyThere = found == 0;
  place.role = HiveRole::kRefused;
  if (place.copyThere && !S_ISREG(info.st_mode)) {
    Say(path,
        S_ISLNK(info.st_mode) ? "a symbolic link; not opened" : "not a regular file; not opened");
    return place;
  }
  // Another user could put any file of root's here, an old one say.
  if (folder.problem != nullptr) {
    Say(folder.at, std::string(folder.problem) + "; the hive below it is not opened");
    if (!place.copyThere) place.role = HiveRole::kMissing;
    return place;
  }
  if (place.copyThere) {
    if (const char* problem = FileProblem(info)) {
      Say(path, std::string(problem) + "; not opened");
      return place;
    }
  }
  place.role = HiveRole::kMissing;
  if (!folder.fd.valid() && (folder.missing || !MakeFolder(folder, path))) return place;

  place.folder = kernel::UniqueFd(
      ::openat(folder.fd.get(), ".", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  place.role = place.folder.valid() ? OpenLiveFolder(place, path.filename()) : HiveRole::kReader;
  if (place.role != HiveRole::kReader) return place;
  place.folder.reset();
  place.liveFolder.reset();
  if (!place.copyThere) {
    place.role = HiveRole::kMissing;
    return place;
  }
  // Checked again on what was opened: the copy may have been replaced since.
  place.copyFile = kernel::UniqueFd(kernel::OpenTrustedFile(place.copy));
  if (!place.copyFile.valid())
    place.role = errno == ENOENT ? HiveRole::kMissing : HiveRole::kUnknown;
  return place;
}

}  // namespace

HivePlace PrepareHive(const std::string& path) {
  std::error_code error;
  const std::filesystem::path full = std::filesystem::absolute(path, error).lexically_normal();
  if (error || !full.has_filename()) return HivePlace();
  return Prepare(full);
}

}  // namespace lorvane::registry::detail
