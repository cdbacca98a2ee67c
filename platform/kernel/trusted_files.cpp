#include "platform/kernel/trusted_files.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <vector>

#include "platform/kernel/unique_fd.h"

namespace lorvane::kernel {
namespace {

constexpr mode_t kWritableByOthers = S_IWGRP | S_IWOTH;

bool TrustedFileStatus(const struct stat& st, uid_t daemonUser) {
  return S_ISREG(st.st_mode) && (TrustedOwner(st.st_uid) || st.st_uid == daemonUser) &&
         (st.st_mode & kWritableByOthers) == 0;
}

// A directory above the file may be shared if it is sticky, as /tmp is: no
// one else can then rename or remove what a trusted owner put in it.
bool TrustedDirectoryStatus(const struct stat& st, bool holdsTheFile) {
  if (!S_ISDIR(st.st_mode) || !TrustedOwner(st.st_uid)) return false;
  if ((st.st_mode & kWritableByOthers) == 0) return true;
  return !holdsTheFile && (st.st_mode & S_ISVTX) != 0;
}

std::vector<std::string> Components(const std::string& path) {
  std::vector<std::string> parts;
  std::size_t start = 1;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

constexpr int kOpenFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;

}  // namespace

FileStamp StampOf(const struct stat& st) {
  return {st.st_dev, st.st_ino, st.st_size,
          static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
          static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec};
}

FileStamp StampAt(const std::string& path) {
  struct stat st;
  if (fstatat(AT_FDCWD, path.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return {};
  return StampOf(st);
}

bool TrustedOwner(uid_t uid) { return uid == 0 || uid == geteuid(); }

namespace {

// Keeps `fd` only when what it is open on may be believed.
int Trusted(int fd, struct stat* info, uid_t daemonUser) {
  struct stat st;
  if (fd < 0) return -1;
  if (fstat(fd, &st) != 0 || !TrustedFileStatus(st, daemonUser)) {
    close(fd);
    errno = EPERM;
    return -1;
  }
  if (info) *info = st;
  return fd;
}

bool ReadTrusted(int opened, std::size_t cap, std::string& out, struct stat* info, uid_t daemonUser) {
  struct stat st;
  UniqueFd fd(Trusted(opened, &st, daemonUser));
  if (fd.get() < 0 || static_cast<std::uint64_t>(st.st_size) > cap) return false;
  if (!ReadAtMost(fd.get(), cap, out)) return false;
  if (info) *info = st;
  return true;
}

}  // namespace

int OpenTrustedFile(const std::string& path, struct stat* info, uid_t daemonUser) {
  return Trusted(open(path.c_str(), kOpenFlags), info, daemonUser);
}

bool ReadAtMost(int fd, std::size_t cap, std::string& out) {
  out.clear();
  char buffer[8192];
  for (;;) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    if (out.size() + static_cast<std::size_t>(n) > cap) return false;
    out.append(buffer, static_cast<std::size_t>(n));
  }
}

bool ReadTrustedFile(const std::string& path, std::size_t cap, std::string& out,
                     struct stat* info, uid_t daemonUser) {
  return ReadTrusted(open(path.c_str(), kOpenFlags), cap, out, info, daemonUser);
}

bool ReadTrustedFileAt(int root, const std::string& path, std::size_t cap, std::string& out,
                       uid_t daemonUser) {
  open_how how{};
  how.flags = kOpenFlags;
  how.resolve = RESOLVE_IN_ROOT | RESOLVE_NO_MAGICLINKS;
  return ReadTrusted(static_cast<int>(syscall(SYS_openat2, root, path.c_str(), &how, sizeof how)),
                     cap, out, nullptr, daemonUser);
}

bool TrustedPlace(const std::string& path) {
  if (path.empty() || path[0] != '/') return false;
  std::vector<std::string> parts = Components(path);
  if (parts.empty()) return false;
  for (const auto& part : parts) {
    if (part == "." || part == "..") return false;
  }
  UniqueFd dir(open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
  struct stat st;
  for (std::size_t i = 0;; ++i) {
    bool holdsTheFile = i + 1 == parts.size();
    if (dir.get() < 0 || fstat(dir.get(), &st) != 0 || !TrustedDirectoryStatus(st, holdsTheFile))
      return false;
    if (holdsTheFile) break;
    dir.reset(openat(dir.get(), parts[i].c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  }
  if (fstatat(dir.get(), parts.back().c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
    return errno == ENOENT;
  return TrustedFileStatus(st, 0);
}

}  // namespace lorvane::kernel
