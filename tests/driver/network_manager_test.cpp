// NetworkManager itself runs the dispatcher's pre-up hook as it activates a
// device, with a bus, dispatcher and configuration of the test's own.
#include "support/network_manager.h"

#include <gtest/gtest.h>

#include <string>

#include "driver_fixture.h"

namespace {

using lorvane::test::PrivateNetworkManager;

TEST_F(DriverTest, NetworkManagerAppliesTheStoredAddressAndReconnectingBringsTheOwnBack) {
  if (auto why = PrivateNetworkManager::UnavailableReason(); !why.empty()) GTEST_SKIP() << why;
  InstallHook("networkmanager-pre-up", "/dispatcher/pre-up.d/lorvane-adapter");
  PrivateNetworkManager nm(
      *ns, folder, "lv0",
      {{"lv0",
        "[connection]\nid=lv0\ntype=ethernet\ninterface-name=lv0\n"
        "autoconnect=false\n[ipv4]\nmethod=disabled\n[ipv6]\nmethod=disabled\n"}},
      LORVANE_PRIVATE_MOUNTS);
  ASSERT_TRUE(Succeeded(
      lorvane::test::RunCommand(nm.Inside({LORVANE_ADAPTER_COMMAND, "register", "lv0"}))));
  ASSERT_EQ(PutText(kClass + "0000", "NetworkAddress", "02AABBCCDD03"), ERROR_SUCCESS);
  ASSERT_TRUE(Succeeded(nm.Nmcli({"connection", "up", "lv0"})));
  EXPECT_EQ(Mac("lv0"), "02:aa:bb:cc:dd:03");

  // The README's restart for NetworkManager.
  ASSERT_EQ(lorvane::registry::DeleteAdapterValue("lv0", "NetworkAddress"), 0u);
  ASSERT_TRUE(Succeeded(nm.Nmcli({"device", "disconnect", "lv0"})));
  ASSERT_TRUE(Succeeded(nm.Nmcli({"device", "connect", "lv0"})));
  EXPECT_EQ(Mac("lv0"), own);
}

}  // namespace
