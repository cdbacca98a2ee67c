#include "platform/registry/hive_copy.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/kernel/trusted_files.h"
#include "platform/kernel/unique_fd.h"
#include "platform/registry/hive_file.h"

namespace lorvane::registry::detail {
namespace {

constexpr mode_t kCopyMode = 0644;
constexpr std::size_t kHeaderSize = 100;
constexpr std::size_t kMostCopyBytes = std::size_t{256} << 20;

std::string NameOf(const std::string& path) { return path.substr(path.rfind('/') + 1); }
std::string FolderOf(const std::string& path) { return path.substr(0, path.rfind('/')); }

bool WriteAll(int fd, const unsigned char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool ReadHeader(int fd, unsigned char* header) {
  return ::pread(fd, header, kHeaderSize, 0) == static_cast<ssize_t>(kHeaderSize);
}

}  // namespace

int PublishCopy(sqlite3* db, const HivePlace& place) {
  sqlite3_int64 size = 0;
  unsigned char* image = sqlite3_serialize(db, "main", &size, 0);
  if (image == nullptr) return SQLITE_NOMEM;
  const std::string name = NameOf(place.copy), next = name + ".next";
  kernel::UniqueFd file(::openat(place.liveFolder.get(), next.c_str(),
                                 O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, kCopyMode));
  const bool written = file.valid() && ::fchmod(file.get(), kCopyMode) == 0 &&
                       WriteAll(file.get(), image, static_cast<std::size_t>(size));
  sqlite3_free(image);
  file.reset();
  if (!written ||
      ::renameat(place.liveFolder.get(), next.c_str(), place.folder.get(), name.c_str()) != 0) {
    std::fprintf(stderr, "lorvane registry: %s: the copy others read not replaced: %s\n",
                 place.copy.c_str(), std::strerror(errno));
    ::unlinkat(place.liveFolder.get(), next.c_str(), 0);
    return SQLITE_IOERR;
  }
  return SQLITE_OK;
}

bool CopyIsCurrent(sqlite3* db, const HivePlace& place) {
  sqlite3_file* live = nullptr;
  unsigned char liveHeader[kHeaderSize], copyHeader[kHeaderSize];
  if (sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &live) != SQLITE_OK ||
      live == nullptr || live->pMethods == nullptr ||
      live->pMethods->xRead(live, liveHeader, kHeaderSize, 0) != SQLITE_OK) {
    return false;
  }
  const kernel::UniqueFd copy(kernel::OpenTrustedFile(place.copy));
  return copy.valid() && ReadHeader(copy.get(), copyHeader) &&
         std::memcmp(liveHeader, copyHeader, kHeaderSize) == 0;
}

int LoadCopy(int fd, sqlite3** db) {
  std::string bytes;
  if (::lseek(fd, 0, SEEK_SET) != 0 || !kernel::ReadAtMost(fd, kMostCopyBytes, bytes))
    return SQLITE_IOERR;
  int rc = sqlite3_open_v2(":memory:", db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK || bytes.empty()) return rc;  // empty: a hive not yet made
  auto* image = static_cast<unsigned char*>(sqlite3_malloc64(bytes.size()));
  if (image == nullptr) return SQLITE_NOMEM;
  std::memcpy(image, bytes.data(), bytes.size());
  const auto size = static_cast<sqlite3_int64>(bytes.size());
  return sqlite3_deserialize(*db, "main", image, size, size,
                             SQLITE_DESERIALIZE_FREEONCLOSE | SQLITE_DESERIALIZE_READONLY);
}

int MakeLive(const HivePlace& place, int busyTimeoutMs) {
  const std::string name = NameOf(place.live);
  const std::string building = name + ".new." + std::to_string(::getpid());
  const std::string path = FolderOf(place.live) + "/" + building;
  ::unlinkat(place.liveFolder.get(), building.c_str(), 0);  // left by a process that died
  ::unlinkat(place.liveFolder.get(), (building + "-journal").c_str(), 0);
  if (!kernel::UniqueFd(::openat(place.liveFolder.get(), building.c_str(),
                                 O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600))
           .valid()) {
    return SQLITE_CANTOPEN;
  }
  constexpr int kFlags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_NOFOLLOW;
  sqlite3* made = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &made, kFlags, nullptr);
  if (rc == SQLITE_OK && place.copyThere) {
    // Opened for writing only so that SQLite can roll back a journal an
    // earlier version's writer left; only read here.
    sqlite3* earlier = nullptr;
    rc = sqlite3_open_v2(place.copy.c_str(), &earlier, kFlags, nullptr);
    sqlite3_busy_timeout(earlier, busyTimeoutMs);
    sqlite3_backup* backup =
        rc == SQLITE_OK ? sqlite3_backup_init(made, "main", earlier, "main") : nullptr;
    if (backup != nullptr) {
      rc = sqlite3_backup_step(backup, -1);
      const int finished = sqlite3_backup_finish(backup);
      rc = rc == SQLITE_DONE ? finished : rc;
    } else if (rc == SQLITE_OK) {
      rc = sqlite3_errcode(made);
    }
    sqlite3_close_v2(earlier);
  }
  sqlite3_close_v2(made);
  if (rc == SQLITE_OK &&
      ::linkat(place.liveFolder.get(), building.c_str(), place.liveFolder.get(), name.c_str(), 0) !=
          0 &&
      errno != EEXIST) {
    rc = SQLITE_CANTOPEN;
  }
  ::unlinkat(place.liveFolder.get(), building.c_str(), 0);
  ::fsync(place.liveFolder.get());
  return rc;
}

}  // namespace lorvane::registry::detail
