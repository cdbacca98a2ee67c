// NetworkManager itself runs the dispatcher's pre-up hook as it activates a
// device: a bus, the dispatcher and NetworkManager of the test's own, in one
// mount namespace where the test's folders stand for /run, /var/lib and the
// dispatcher's folder, with /sys read-only (there is no udev to wait for).
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <list>
#include <string>
#include <thread>
#include <vector>

#include "driver_fixture.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* kNetworkManager = "/usr/sbin/NetworkManager";
constexpr const char* kDispatcher = "/usr/lib/NetworkManager/nm-dispatcher";

class NetworkManager : public DriverTest {
 protected:
  void SetUp() override {
    for (const char* program : {kNetworkManager, kDispatcher, "/usr/bin/dbus-daemon"}) {
      if (!fs::exists(program)) GTEST_SKIP() << program << " is not installed";
    }
    DriverTest::SetUp();
    if (IsSkipped()) return;
    for (const char* sub : {"run/NetworkManager", "varlib/lorvane", "varlib/NetworkManager",
                            "dispatcher/pre-up.d", "conf.d", "system", "connections"}) {
      fs::create_directories(folder + "/" + sub);
    }
    fs::copy_file(std::string(LORVANE_HOOKS_DIR) + "/networkmanager-pre-up",
                  folder + "/dispatcher/pre-up.d/lorvane-adapter");
    std::ofstream(folder + "/bus.conf")
        << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig><type>system</type><listen>unix:path="
        << folder << "/bus</listen><auth>EXTERNAL</auth><policy context=\"default\">"
        << "<allow user=\"*\"/><allow own=\"*\"/><allow send_destination=\"*\"/>"
           "<allow receive_sender=\"*\"/></policy></busconfig>\n";
    std::ofstream(folder + "/NetworkManager.conf")
        << "[main]\nplugins=keyfile\ndns=none\nrc-manager=unmanaged\nauth-polkit=false\n"
           "no-auto-default=*\n[keyfile]\nunmanaged-devices=except:interface-name:lv0\npath="
        << folder << "/connections\n";
    const std::string connection = folder + "/connections/lv0.nmconnection";
    std::ofstream(connection) << "[connection]\nid=lv0\ntype=ethernet\ninterface-name=lv0\n"
                                 "autoconnect=false\n[ipv4]\nmethod=disabled\n"
                                 "[ipv6]\nmethod=disabled\n";
    fs::permissions(connection, fs::perms::owner_read | fs::perms::owner_write);
    scope =
        std::make_unique<lorvane::registry::ScopedHivePath>(folder + "/varlib/lorvane/hklm.hive");

    bus = &ns->Spawn({LORVANE_PRIVATE_MOUNTS, folder + "/run=/run", folder + "/varlib=/var/lib",
                      folder + "/dispatcher=/etc/NetworkManager/dispatcher.d", "ro=/sys", "--",
                      "dbus-daemon", "--config-file=" + folder + "/bus.conf", "--nofork"},
                     folder + "/bus.log");
    for (int i = 0; i < 50 && !fs::exists(folder + "/bus"); ++i) std::this_thread::sleep_for(100ms);
    ASSERT_TRUE(fs::exists(folder + "/bus")) << "the bus did not start";
    daemons.emplace_back(Inside({kDispatcher, "--persist"}), folder + "/dispatcher.log");
    daemons.emplace_back(
        Inside({kNetworkManager, "--no-daemon", "--config=" + folder + "/NetworkManager.conf",
                "--config-dir=" + folder + "/conf.d", "--system-config-dir=" + folder + "/system",
                "--intern-config=" + folder + "/intern.conf", "--state-file=" + folder + "/state"}),
        folder + "/NetworkManager.log");
    for (int i = 0;
         i < 100 && Nmcli({"-t", "-f", "DEVICE,STATE", "device"}).output.find("lv0:disconnected") ==
                        std::string::npos;
         ++i) {
      std::this_thread::sleep_for(100ms);
    }
  }
  void TearDown() override {
    daemons.clear();
    DriverTest::TearDown();
  }

  // argv in the bus's mount and network namespaces, talking to the bus.
  std::vector<std::string> Inside(const std::vector<std::string>& argv) const {
    std::vector<std::string> full{"nsenter",
                                  "-t",
                                  std::to_string(bus->pid()),
                                  "-m",
                                  "-n",
                                  "--",
                                  "env",
                                  "DBUS_SYSTEM_BUS_ADDRESS=unix:path=" + folder + "/bus"};
    full.insert(full.end(), argv.begin(), argv.end());
    return full;
  }
  lorvane::test::CommandResult Nmcli(std::vector<std::string> args) const {
    args.insert(args.begin(), "nmcli");
    return lorvane::test::RunCommand(Inside(args));
  }

  std::unique_ptr<lorvane::registry::ScopedHivePath> scope;
  lorvane::test::ChildProcess* bus = nullptr;
  std::list<lorvane::test::ChildProcess> daemons;
};

TEST_F(NetworkManager, ActivationAppliesTheStoredAddressAndReconnectingBringsTheOwnBack) {
  auto result = lorvane::test::RunCommand(Inside({LORVANE_ADAPTER_COMMAND, "register", "lv0"}));
  ASSERT_EQ(result.exitCode, 0) << result.output;
  ASSERT_EQ(PutText(kClass + "0000", "NetworkAddress", "02AABBCCDD03"), ERROR_SUCCESS);

  result = Nmcli({"connection", "up", "lv0"});
  ASSERT_EQ(result.exitCode, 0) << result.output;
  EXPECT_EQ(Mac("lv0"), "02:aa:bb:cc:dd:03");

  // The README's restart for NetworkManager.
  ASSERT_EQ(lorvane::registry::DeleteAdapterValue("lv0", "NetworkAddress"), 0u);
  result = Nmcli({"device", "disconnect", "lv0"});
  ASSERT_EQ(result.exitCode, 0) << result.output;
  result = Nmcli({"device", "connect", "lv0"});
  ASSERT_EQ(result.exitCode, 0) << result.output;
  EXPECT_EQ(Mac("lv0"), own);
}

}  // namespace
