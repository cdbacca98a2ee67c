// A veth pair lv0/lv1 in a network namespace of the test's own, the hive in a
// folder of its own, and the links' addresses as ip shows them.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "platform/iphlp/dhcp/dhclient_client.h"
#include "platform/iphlp/live_provider.h"
#include "registry/temp_hive.h"
#include "support/netns.h"

// Passes when the command exited 0; shows what it said otherwise.
inline ::testing::AssertionResult Succeeded(const lorvane::test::CommandResult& result) {
  if (result.exitCode == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "exit " << result.exitCode << ": " << result.output;
}

class DriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LORVANE_REQUIRE_NETNS();
    ns = std::make_unique<lorvane::test::NetNamespace>("lvdrv");
    ns->AddVethPair("lv0", "lv1");
    ns->SetUp("lv0");
    ns->SetUp("lv1");
    own = Mac("lv0");
    // Nothing of the machine's own DHCP clients, leases or resolver.
    lorvane::iphlp::DhclientOptions dhcp;
    dhcp.leaseDirs = {folder};
    dhcp.configFiles = {};
    dhcp.interfacesFile = folder + "/interfaces";
    lorvane::iphlp::SetProvider(std::make_shared<lorvane::iphlp::LiveProvider>(
        std::make_unique<lorvane::iphlp::DhclientClient>(dhcp), folder + "/resolv.conf"));
  }
  void TearDown() override { lorvane::iphlp::SetProvider(nullptr); }

  // The built hook `hook` as `installed` below the folder, and the hive where
  // the command finds it once the folder's varlib is bound over /var/lib.
  void InstallHook(const std::string& hook, const std::string& installed) {
    std::filesystem::create_directories(folder + "/varlib/lorvane");
    std::filesystem::create_directories(std::filesystem::path(folder + installed).parent_path());
    std::filesystem::copy_file(LORVANE_HOOKS_DIR "/" + hook, folder + installed);
    scope.reset();  // a second hook's scope must not end by putting back the first's
    scope =
        std::make_unique<lorvane::registry::ScopedHivePath>(folder + "/varlib/lorvane/hklm.hive");
  }

  // "link/ether 02:aa:bb:cc:dd:ee brd ..." of `ip -o link show`.
  std::string Mac(const std::string& link) const {
    const std::string line = ns->Ip({"-o", "link", "show", "dev", link});
    const auto at = line.find("link/ether ");
    return at == std::string::npos ? "<none>" : line.substr(at + 11, 17);
  }
  bool Up(const std::string& link) const {
    return ns->Ip({"-o", "link", "show", "dev", link}).find(",UP") != std::string::npos;
  }

  TempHive hive;
  std::string folder = hive.dir();
  std::unique_ptr<lorvane::test::NetNamespace> ns;
  std::string own;
  std::unique_ptr<lorvane::registry::ScopedHivePath> scope;
};
