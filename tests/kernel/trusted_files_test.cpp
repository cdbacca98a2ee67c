// What a privileged process believes of a path another user may have touched.
#include "platform/kernel/trusted_files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <thread>

#include "platform/kernel/unique_fd.h"

namespace lorvane::kernel {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;

class TrustedFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/lvtrust.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Write(const std::string& name, const std::string& text = "lease") {
    std::string path = dir_ + "/" + name;
    std::ofstream(path) << text;
    chmod(path.c_str(), 0644);
    return path;
  }
  std::string dir_;
};

TEST_F(TrustedFiles, ReadsOnlyAPlainFileOfATrustedOwner) {
  std::string text;
  ASSERT_TRUE(ReadTrustedFile(Write("good"), 64, text));
  EXPECT_EQ(text, "lease");
  EXPECT_FALSE(ReadTrustedFile(Write("big", std::string(65, 'x')), 64, text));
  ASSERT_EQ(symlink(Write("target").c_str(), (dir_ + "/link").c_str()), 0);
  EXPECT_FALSE(ReadTrustedFile(dir_ + "/link", 64, text));
  // Another user's file is the DHCP client tests' (a lease file nobody owns).
  const std::string shared = Write("shared");
  chmod(shared.c_str(), 0664);
  EXPECT_FALSE(ReadTrustedFile(shared, 64, text));
  EXPECT_EQ(OpenTrustedFile(dir_), -1);  // a directory is no file
}

// A daemon's files, read as it sees them from its root folder: links on the
// way resolve inside that root, never out of it, and the file is no link.
TEST_F(TrustedFiles, AFileUnderAnotherRootStaysInsideIt) {
  fs::create_directories(dir_ + "/root/usr/lib");
  Write("root/usr/lib/a.network", "inside");
  Write("outside");
  ASSERT_EQ(symlink("/usr/lib", (dir_ + "/root/lib").c_str()), 0);
  ASSERT_EQ(symlink("..", (dir_ + "/root/up").c_str()), 0);
  ASSERT_EQ(symlink("usr/lib/a.network", (dir_ + "/root/link").c_str()), 0);
  UniqueFd root(open((dir_ + "/root").c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  std::string text;
  ASSERT_TRUE(ReadTrustedFileAt(root.get(), "/lib/a.network", 64, text));
  EXPECT_EQ(text, "inside");
  EXPECT_FALSE(ReadTrustedFileAt(root.get(), "/up/outside", 64, text));
  EXPECT_FALSE(ReadTrustedFileAt(root.get(), "/link", 64, text));
}

// A reader that opened a FIFO would wait for a writer that never comes.
TEST_F(TrustedFiles, AFifoIsRefusedWithoutWaiting) {
  std::string fifo = dir_ + "/fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  // Should the open wait after all, a writer ends the wait and the time shows it.
  std::promise<void> returned;
  std::thread unblock([&, done = returned.get_future()] {
    if (done.wait_for(std::chrono::seconds(2)) != std::future_status::ready)
      close(open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
  });
  auto start = std::chrono::steady_clock::now();
  std::string text;
  EXPECT_FALSE(ReadTrustedFile(fifo, 64, text));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  returned.set_value();
  unblock.join();
}

TEST_F(TrustedFiles, APlaceIsTrustedOnlyIfNoOneElseCanChangeIt) {
  // That a private folder beneath /tmp is trusted, for a file that is there
  // and one not yet, the DHCP client tests' own lease and pid files show.
  for (const std::string& path : {std::string(), std::string("relative/file"), std::string("/"),
                                  dir_ + "/../x", dir_ + "/./x"})
    EXPECT_FALSE(TrustedPlace(path)) << path;

  ASSERT_EQ(symlink(Write("target").c_str(), (dir_ + "/link").c_str()), 0);
  EXPECT_FALSE(TrustedPlace(dir_ + "/link"));
  ASSERT_EQ(symlink(dir_.c_str(), (dir_ + "/dirlink").c_str()), 0);
  EXPECT_FALSE(TrustedPlace(dir_ + "/dirlink/new.leases"));
  ASSERT_EQ(mkfifo((dir_ + "/fifo").c_str(), 0644), 0);
  EXPECT_FALSE(TrustedPlace(dir_ + "/fifo"));

  // Its own directory may not be shared, not even when sticky; one above may.
  std::string open = dir_ + "/open";
  ASSERT_EQ(mkdir(open.c_str(), 0755), 0);
  ASSERT_EQ(mkdir((open + "/inner").c_str(), 0755), 0);
  for (mode_t mode : {01777, 0777, 0775}) {
    chmod(open.c_str(), mode);
    EXPECT_FALSE(TrustedPlace(open + "/new.leases")) << std::oct << mode;
    EXPECT_EQ(TrustedPlace(open + "/inner/new.leases"), mode == 01777) << std::oct << mode;
  }

  if (geteuid() == 0) {
    chmod(open.c_str(), 0755);
    ASSERT_EQ(chown(open.c_str(), kNobody, kNobody), 0);
    EXPECT_FALSE(TrustedPlace(open + "/inner/new.leases"));
    EXPECT_FALSE(TrustedPlace(open + "/new.leases"));
  }
}

}  // namespace
}  // namespace lorvane::kernel
