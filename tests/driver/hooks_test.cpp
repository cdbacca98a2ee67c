// The hooks as installed, with the command as built: ifupdown's ifup with
// the test's own interfaces file, state and hook folders, the
// udev rule as udev would match it, and NetworkManager's dispatcher hook.
// The command runs as its own process and finds the hive where it always
// does: the test's folders are bound over /etc/network and /var/lib for it.
#include <fstream>

#include "driver_fixture.h"
#include "support/network_manager.h"

namespace {

namespace fs = std::filesystem;

class Hooks : public DriverTest {
 protected:
  void SetUp() override {
    if (!fs::exists("/sbin/ifup")) GTEST_SKIP() << "ifupdown is not installed";
    DriverTest::SetUp();
    if (IsSkipped()) return;
    for (const char* sub : {"network/if-up.d", "state"}) fs::create_directories(folder + "/" + sub);
    InstallHook("ifupdown-pre-up", "/network/if-pre-up.d/lorvane-adapter");
    std::ofstream(folder + "/network/interfaces") << "auto lv0\niface lv0 inet manual\n";
  }

  lorvane::test::CommandResult Run(std::vector<std::string> argv,
                                   const std::vector<std::string>& binds = {}) {
    argv.insert(argv.begin(), "--");
    argv.insert(argv.begin(), binds.begin(), binds.end());
    argv.insert(argv.begin(), {LORVANE_PRIVATE_MOUNTS, folder + "/varlib=/var/lib",
                               folder + "/network=/etc/network"});
    return ns->Run(argv);
  }
  lorvane::test::CommandResult Ifup() {
    return Run(
        {"ifup", "-i", folder + "/network/interfaces", "--state-dir", folder + "/state", "-a"});
  }
};

// ifup -a runs the hook once for "--all" before the interfaces. Another user
// holds a read transaction on every hive file it can open (the helper, copied
// where nobody may run it, as nobody): the command still keeps the veth's own
// address in the hive and sets the stored one, and ifup brings the link up.
TEST_F(Hooks, IfupTakesTheStoredAddressWhateverAnotherUserHolds) {
  if (geteuid() != 0) GTEST_SKIP() << "another user needs root";
  ASSERT_TRUE(Succeeded(Run({LORVANE_ADAPTER_COMMAND, "register", "lv0"})));
  ASSERT_EQ(PutText(kClassKey + "0000", "NetworkAddress", "02AABBCCDDEE"), ERROR_SUCCESS);
  const std::string hive = folder + "/varlib/lorvane", helper = folder + "/helper";
  fs::copy_file(LORVANE_HIVE_HELPER, helper);
  fs::permissions(folder, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);
  ns->Ip({"link", "set", "lv0", "down"});
  auto holder = std::make_unique<ReadHolder>(
      helper, "--nobody", std::vector<std::string>{hive + "/hklm.hive", hive + "/live/hklm.hive"});
  EXPECT_EQ(holder->held, 1);  // the copy

  const auto ifup = Ifup();
  holder.reset();
  ASSERT_TRUE(Succeeded(ifup));
  EXPECT_NE(ifup.output.find("lv0: hardware address " + own + " changed to 02:aa:bb:cc:dd:ee"),
            std::string::npos);
  EXPECT_EQ(Mac("lv0"), "02:aa:bb:cc:dd:ee");
  EXPECT_TRUE(Up("lv0"));
  EXPECT_NE(GetValue(kClassKey + "0000", "LorvaneOriginalAddress"), "<error 2>");
}

// A hive that cannot be read (damaged here) keeps no link down: ifup brings
// it up with the address it has, and the command says why in one line.
TEST_F(Hooks, AHiveThatCannotBeReadKeepsNoLinkDown) {
  ASSERT_TRUE(Succeeded(Run({LORVANE_ADAPTER_COMMAND, "register", "lv0"})));
  ASSERT_EQ(PutText(kClassKey + "0000", "NetworkAddress", "02AABBCCDDEE"), ERROR_SUCCESS);
  scope.reset();
  std::ofstream(folder + "/varlib/lorvane/live/hklm.hive", std::ios::trunc) << "not a hive";
  ns->Ip({"link", "set", "lv0", "down"});
  const auto ifup = Ifup();
  ASSERT_TRUE(Succeeded(ifup));
  EXPECT_TRUE(Up("lv0"));
  EXPECT_EQ(Mac("lv0"), own);
  const std::string said =
      "lv0: NetworkAddress not read: the hive is damaged; the address is left as it is";
  const auto at = ifup.output.find(said);
  EXPECT_NE(at, std::string::npos) << ifup.output;
  EXPECT_EQ(ifup.output.find("lv0: ", at + said.size()), std::string::npos) << ifup.output;
}

// udevadm test shows what udev would run for the event, running nothing.
TEST_F(Hooks, UdevRunsAddForANewLinkButNotForTheLoopback) {
  if (!fs::exists("/etc/udev/rules.d")) GTEST_SKIP() << "udev is not installed";
  InstallHook("90-lorvane-adapter.rules", "/rules/90-lorvane-adapter.rules");
  fs::create_directories(folder + "/run");
  auto udevAdd = [&](const std::string& link) {
    const auto result = Run({"udevadm", "test", "--action=add", "/sys/class/net/" + link},
                            {folder + "/rules=/etc/udev/rules.d", folder + "/run=/run"});
    EXPECT_TRUE(Succeeded(result));
    return result.output;
  };
  EXPECT_NE(udevAdd("lv0").find("run: '" LORVANE_ADAPTER_COMMAND " add lv0'"), std::string::npos);
  EXPECT_EQ(udevAdd("lo").find("run: '" LORVANE_ADAPTER_COMMAND), std::string::npos);

  // udev also hands the name over in INTERFACE; one that lost a quote on the
  // command line names another link, and is refused with nothing done.
  auto add = [&](const std::string& given) {
    return Run({"env", "ACTION=add", "SUBSYSTEM=net", "INTERFACE=" + given, LORVANE_ADAPTER_COMMAND,
                "add", "lv0"});
  };
  const auto mangled = add("lv'0");
  EXPECT_EQ(mangled.exitCode, 2) << mangled.output;
  EXPECT_NE(mangled.output.find("not the one udev gave"), std::string::npos) << mangled.output;
  EXPECT_EQ(mangled.output.find("registered"), std::string::npos) << mangled.output;
  EXPECT_TRUE(Succeeded(add("lv0")));
  EXPECT_EQ(GetValue(kClassKey + "0000", "NetCfgInstanceId").c_str(), std::string("lv0"));
}

// NetworkManager itself runs the dispatcher's pre-up hook as it activates a
// device, with a bus, dispatcher and configuration of the test's own.
TEST_F(DriverTest, NetworkManagerAppliesTheStoredAddressAndReconnectingBringsTheOwnBack) {
  if (auto why = lorvane::test::PrivateNetworkManager::UnavailableReason(); !why.empty())
    GTEST_SKIP() << why;
  InstallHook("networkmanager-pre-up", "/dispatcher/pre-up.d/lorvane-adapter");
  lorvane::test::PrivateNetworkManager nm(
      *ns, folder, "lv0",
      {{"lv0",
        "[connection]\nid=lv0\ntype=ethernet\ninterface-name=lv0\n"
        "autoconnect=false\n[ipv4]\nmethod=disabled\n[ipv6]\nmethod=disabled\n"}},
      LORVANE_PRIVATE_MOUNTS);
  ASSERT_TRUE(Succeeded(
      lorvane::test::RunCommand(nm.Inside({LORVANE_ADAPTER_COMMAND, "register", "lv0"}))));
  ASSERT_EQ(PutText(kClassKey + "0000", "NetworkAddress", "02AABBCCDD03"), ERROR_SUCCESS);
  ASSERT_TRUE(Succeeded(nm.Nmcli({"connection", "up", "lv0"})));
  EXPECT_EQ(Mac("lv0"), "02:aa:bb:cc:dd:03");

  // The README's restart for NetworkManager.
  ASSERT_EQ(lorvane::registry::DeleteAdapterValue("lv0", "NetworkAddress"), 0u);
  ASSERT_TRUE(Succeeded(nm.Nmcli({"device", "disconnect", "lv0"})));
  ASSERT_TRUE(Succeeded(nm.Nmcli({"device", "connect", "lv0"})));
  EXPECT_EQ(Mac("lv0"), own);
}

}  // namespace
