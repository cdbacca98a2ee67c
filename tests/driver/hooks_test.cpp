// The hooks as installed, with the command as built: ifupdown's ifup and
// ifdown with the test's own interfaces file, state and hook folders, and the
// udev rule as udev would match it.
// The command runs as its own process and finds the hive where it always
// does: the test's folders are bound over /etc/network and /var/lib for it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "driver_fixture.h"

namespace {

namespace fs = std::filesystem;

class Hooks : public DriverTest {
 protected:
  void SetUp() override {
    if (!fs::exists("/sbin/ifup")) GTEST_SKIP() << "ifupdown is not installed";
    DriverTest::SetUp();
    if (IsSkipped()) return;
    for (const char* sub : {"varlib/lorvane", "network/if-pre-up.d", "network/if-up.d",
                            "network/if-down.d", "network/if-post-down.d", "state"}) {
      fs::create_directories(folder + "/" + sub);
    }
    fs::copy_file(std::string(LORVANE_HOOKS_DIR) + "/ifupdown-pre-up",
                  folder + "/network/if-pre-up.d/lorvane-adapter");
    std::ofstream(folder + "/network/interfaces") << "auto lv0\niface lv0 inet manual\n";
    scope =
        std::make_unique<lorvane::registry::ScopedHivePath>(folder + "/varlib/lorvane/hklm.hive");
  }

  lorvane::test::CommandResult Run(std::vector<std::string> argv,
                                   const std::vector<std::string>& binds = {}) {
    argv.insert(argv.begin(), "--");
    argv.insert(argv.begin(), binds.begin(), binds.end());
    argv.insert(argv.begin(), {LORVANE_PRIVATE_MOUNTS, folder + "/varlib=/var/lib",
                               folder + "/network=/etc/network"});
    return ns->Run(argv);
  }
  lorvane::test::CommandResult Ifupdown(const std::string& command, const std::string& link) {
    return Run(
        {command, "-i", folder + "/network/interfaces", "--state-dir", folder + "/state", link});
  }

  std::unique_ptr<lorvane::registry::ScopedHivePath> scope;
};

TEST_F(Hooks, IfupTakesTheStoredAddressAndIfdownIfupTheOwnOne) {
  auto result = Run({LORVANE_ADAPTER_COMMAND, "register", "lv0"});
  ASSERT_EQ(result.exitCode, 0) << result.output;
  ASSERT_EQ(PutText(kClass + "0000", "NetworkAddress", "02AABBCCDDEE"), ERROR_SUCCESS);

  // ifup -a runs the hook once for "--all" before the interfaces.
  result = Ifupdown("ifup", "-a");
  ASSERT_EQ(result.exitCode, 0) << result.output;
  EXPECT_EQ(Mac("lv0"), "02:aa:bb:cc:dd:ee");
  EXPECT_NE(result.output.find("lv0: hardware address " + own + " changed to 02:aa:bb:cc:dd:ee"),
            std::string::npos)
      << result.output;

  ASSERT_EQ(Ifupdown("ifdown", "lv0").exitCode, 0);
  ASSERT_EQ(lorvane::registry::DeleteAdapterValue("lv0", "NetworkAddress"), 0u);
  result = Ifupdown("ifup", "lv0");
  ASSERT_EQ(result.exitCode, 0) << result.output;
  EXPECT_EQ(Mac("lv0"), own);

  // A value no driver would take does not keep the interface from coming up.
  ASSERT_EQ(Ifupdown("ifdown", "lv0").exitCode, 0);
  ASSERT_EQ(PutText(kClass + "0000", "NetworkAddress", "02-AA-BB-CC-DD-EE"), ERROR_SUCCESS);
  result = Ifupdown("ifup", "lv0");
  ASSERT_EQ(result.exitCode, 0) << result.output;
  EXPECT_EQ(Mac("lv0"), own);
  EXPECT_NE(result.output.find("lv0: NetworkAddress \"02-AA-BB-CC-DD-EE\" refused"),
            std::string::npos)
      << result.output;
}

// udevadm test shows what udev would run for the event, running nothing.
TEST_F(Hooks, UdevRunsAddForANewLinkButNotForTheLoopback) {
  if (!fs::exists("/etc/udev/rules.d")) GTEST_SKIP() << "udev is not installed";
  for (const char* sub : {"rules", "run"}) fs::create_directories(folder + "/" + sub);
  fs::copy_file(std::string(LORVANE_HOOKS_DIR) + "/90-lorvane-adapter.rules",
                folder + "/rules/90-lorvane-adapter.rules");
  const std::vector<std::string> binds = {folder + "/rules=/etc/udev/rules.d",
                                          folder + "/run=/run"};
  auto result = Run({"udevadm", "test", "--action=add", "/sys/class/net/lv0"}, binds);
  ASSERT_EQ(result.exitCode, 0) << result.output;
  EXPECT_NE(result.output.find("run: '" LORVANE_ADAPTER_COMMAND " add 'lv0''"), std::string::npos)
      << result.output;
  result = Run({"udevadm", "test", "--action=add", "/sys/class/net/lo"}, binds);
  ASSERT_EQ(result.exitCode, 0) << result.output;
  EXPECT_EQ(result.output.find("run: '" LORVANE_ADAPTER_COMMAND), std::string::npos)
      << result.output;
}

}  // namespace
