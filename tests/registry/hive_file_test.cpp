// The hive's file and folder as another user may leave them for a process
// running as root: links, folders others own or may write, a file not ours.
#include <gtest/gtest.h>
#include <map>

#include "temp_hive.h"

namespace {

namespace fs = std::filesystem;

// Every entry below the folder with its owner, mode and bytes.
std::map<std::string, std::string> Snapshot(const std::string& dir) {
  std::map<std::string, std::string> entries;
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    struct stat info {};
    lstat(entry.path().c_str(), &info);
    std::ifstream in(entry.path(), std::ios::binary);
    entries[entry.path()] =
        std::to_string(info.st_uid) + " " + std::to_string(info.st_mode) + " " +
        (S_ISREG(info.st_mode) ? std::string(std::istreambuf_iterator<char>(in), {}) : "");
  }
  return entries;
}

std::string Error(LSTATUS error) { return "<error " + std::to_string(error) + ">"; }

// Reading the hive gives `read`; every change is refused and nothing below
// `dir` changes.
void ExpectNotWritten(const std::string& dir, const std::string& hive, const std::string& read) {
  const auto before = Snapshot(dir);
  lorvane::registry::ScopedHivePath scope(hive);
  EXPECT_EQ(GetValue("Software", "v"), read);
  EXPECT_EQ(PutText("Software", "v", "after"), LSTATUS{ERROR_ACCESS_DENIED});
  EXPECT_EQ(lorvane::registry::RegisterAdapters(), DWORD{ERROR_ACCESS_DENIED});
  EXPECT_EQ(Snapshot(dir), before);
}

TEST(HiveFile, ALinkOnTheWayIsNeitherFollowedNorWritten) {
  struct Case {
    const char *link, *target, *bytes, *hive;  // the target in a folder only root may enter
  };
  for (const Case& c : {Case{"hklm.hive", "secret/made.hive", nullptr, "hklm.hive"},
                        Case{"hklm.hive", "secret/empty", "", "hklm.hive"},
                        Case{"hklm.hive", "secret/data", "precious", "hklm.hive"},
                        Case{"folder", "secret", nullptr, "folder/hklm.hive"}}) {
    SCOPED_TRACE(std::string(c.link) + " -> " + c.target);
    TempHive hive;
    const std::string target = hive.dir() + "/" + c.target;
    fs::create_directory(hive.dir() + "/secret");
    chmod((hive.dir() + "/secret").c_str(), 0700);
    if (c.bytes != nullptr) std::ofstream(target) << c.bytes;
    fs::create_symlink(target, hive.dir() + "/" + c.link);
    ExpectNotWritten(hive.dir(), hive.dir() + "/" + c.hive, Error(ERROR_ACCESS_DENIED));
  }
}

struct Change {
  const char* what;  // below the temporary folder: the hive is above/hive/hklm.hive
  mode_t mode;
  bool giveAway;  // to nobody
};

// After the change a hive, fresh or with a value, is neither read nor
// written: another user could have put any file there.
void ExpectRefusedAfter(std::initializer_list<Change> changes) {
  for (const Change& c : changes) {
    for (const bool fresh : {true, false}) {
      if (fresh && std::string(c.what).find("hive/") != std::string::npos) continue;
      SCOPED_TRACE(std::string(c.what) + " " + std::to_string(c.mode) + (fresh ? " fresh" : ""));
      TempHive hive;
      const std::string file = hive.dir() + "/above/hive/hklm.hive";
      fs::create_directories(hive.dir() + "/above/hive");
      if (!fresh) {
        lorvane::registry::ScopedHivePath scope(file);
        ASSERT_EQ(PutText("Software", "v", "before"), ERROR_SUCCESS);
      }
      const std::string changed = hive.dir() + "/" + c.what;
      ASSERT_EQ(chmod(changed.c_str(), c.mode), 0);
      if (c.giveAway) {
        ASSERT_EQ(chown(changed.c_str(), 65534, 65534), 0);
      }
      ExpectNotWritten(hive.dir(), file,
                       fresh ? Error(ERROR_FILE_NOT_FOUND) : Error(ERROR_ACCESS_DENIED));
    }
  }
}

TEST(HiveFile, AFolderOrFileOthersMayWriteOrOwnIsNeitherReadNorWritten) {
  ExpectRefusedAfter({{"above/hive", 0775, false},
                      {"above/hive", 01777, false},
                      {"above", 0757, false},
                      {"above/hive/live/hklm.hive", 0664, false}});
  if (geteuid() != 0) GTEST_SKIP() << "giving a folder or file away needs root";
  ExpectRefusedAfter({{"above/hive", 0755, true},
                      {"above", 0755, true},
                      {"above/hive/hklm.hive", 0644, true},
                      {"above/hive/hklm.hive", 0664, false},
                      {"above/hive/live/hklm.hive", 0644, true},
                      {"above/hive/live", 0750, false}});
}

TEST(HiveFile, AFreshHiveIsReadableByEveryoneWhateverTheUmask) {
  TempHive hive;
  const std::string folder = hive.dir() + "/lorvane", file = folder + "/hklm.hive";
  lorvane::registry::ScopedHivePath scope(file);
  const mode_t previous = umask(077);
  const LSTATUS result = PutText("Software", "v", "x");
  umask(previous);
  ASSERT_EQ(result, ERROR_SUCCESS);
  auto mode = [](const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? static_cast<int>(info.st_mode & 07777) : -1;
  };
  EXPECT_EQ(mode(folder), 0755);
  EXPECT_EQ(mode(file), 0644);
  EXPECT_EQ(mode(folder + "/live"), 0700);
}

}  // namespace
