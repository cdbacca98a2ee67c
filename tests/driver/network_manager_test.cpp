// NetworkManager itself runs the dispatcher's pre-up hook as it activates a
// device, with a bus, dispatcher and configuration of the test's own.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "driver_fixture.h"
#include "support/network_manager.h"

namespace {

namespace fs = std::filesystem;

class NetworkManager : public DriverTest {
 protected:
  void SetUp() override {
    if (auto why = lorvane::test::PrivateNetworkManager::UnavailableReason(); !why.empty())
      GTEST_SKIP() << why;
    DriverTest::SetUp();
    if (IsSkipped()) return;
    fs::create_directories(folder + "/dispatcher/pre-up.d");
    fs::create_directories(folder + "/varlib/lorvane");
    fs::copy_file(std::string(LORVANE_HOOKS_DIR) + "/networkmanager-pre-up",
                  folder + "/dispatcher/pre-up.d/lorvane-adapter");
    scope =
        std::make_unique<lorvane::registry::ScopedHivePath>(folder + "/varlib/lorvane/hklm.hive");
    nm = std::make_unique<lorvane::test::PrivateNetworkManager>(
        *ns, folder, "lv0",
        std::vector<std::pair<std::string, std::string>>{
            {"lv0",
             "[connection]\nid=lv0\ntype=ethernet\ninterface-name=lv0\nautoconnect=false\n"
             "[ipv4]\nmethod=disabled\n[ipv6]\nmethod=disabled\n"}},
        LORVANE_PRIVATE_MOUNTS);
  }
  void TearDown() override {
    nm.reset();
    DriverTest::TearDown();
  }

  std::unique_ptr<lorvane::registry::ScopedHivePath> scope;
  std::unique_ptr<lorvane::test::PrivateNetworkManager> nm;
};

TEST_F(NetworkManager, ActivationAppliesTheStoredAddressAndReconnectingBringsTheOwnBack) {
  auto result =
      lorvane::test::RunCommand(nm->Inside({LORVANE_ADAPTER_COMMAND, "register", "lv0"}));
  ASSERT_EQ(result.exitCode, 0) << result.output;
  ASSERT_EQ(PutText(kClass + "0000", "NetworkAddress", "02AABBCCDD03"), ERROR_SUCCESS);

  result = nm->Nmcli({"connection", "up", "lv0"});
  ASSERT_EQ(result.exitCode, 0) << result.output;
  EXPECT_EQ(Mac("lv0"), "02:aa:bb:cc:dd:03");

  // The README's restart for NetworkManager.
  ASSERT_EQ(lorvane::registry::DeleteAdapterValue("lv0", "NetworkAddress"), 0u);
  result = nm->Nmcli({"device", "disconnect", "lv0"});
  ASSERT_EQ(result.exitCode, 0) << result.output;
  result = nm->Nmcli({"device", "connect", "lv0"});
  ASSERT_EQ(result.exitCode, 0) << result.output;
  EXPECT_EQ(Mac("lv0"), own);
}

}  // namespace
