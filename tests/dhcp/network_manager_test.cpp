// NetworkManager (its own DHCP client) against the lab's dnsmasq, with a bus,
// configuration and state of the test's own; the code under test reaches it
// through the bus address it is given.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <thread>

#include "dhcp_lab.h"
#include "lab_daemons.h"
#include "ip_helper_view.h"
#include "platform/iphlp/dhcp/managing_client.h"
#include "platform/iphlp/dhcp/network_manager_client.h"
#include "platform/iphlp/live_provider.h"
#include "support/network_manager.h"

namespace lorvane::iphlp {
namespace {

using namespace std::chrono_literals;
using test::DhcpLab;

class NetworkManager : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::string why = DhcpLab::UnavailableReason(); !why.empty())
      GTEST_SKIP() << "needs a DHCP lab: " << why;
    if (std::string why = test::PrivateNetworkManager::UnavailableReason(); !why.empty())
      GTEST_SKIP() << why;
    lab_ = std::make_unique<DhcpLab>(2);
    nm_ = test::StartLabNetworkManager(*lab_, 1, LORVANE_PRIVATE_MOUNTS);
  }
  void TearDown() override {
    SetProvider(nullptr);
    nm_.reset();
  }

  std::unique_ptr<DhcpLab> lab_;
  std::unique_ptr<test::PrivateNetworkManager> nm_;
};

TEST_F(NetworkManager, TheIpHelperShowsReleasesAndRenewsTheLeaseThroughNetworkManager) {
  const std::time_t started = std::time(nullptr);
  NetworkManagerOptions options;
  options.busAddress = nm_->BusAddress();
  std::vector<std::unique_ptr<DhcpClient>> clients;
  clients.push_back(std::make_unique<NetworkManagerClient>(options));
  clients.push_back(std::make_unique<DhclientClient>(lab_->ClientOptions()));
  SetProvider(std::make_shared<LiveProvider>(std::make_unique<ManagingClient>(std::move(clients)),
                                             lab_->dir() + "/no-resolv.conf"));
  const std::string link = DhcpLab::Link(0);
  lab_->client().RunInside([&] {
    test::Seen a = test::Adapter(link);
    test::ExpectLabLease(a);
    EXPECT_NEAR(static_cast<double>(a.obtained), static_cast<double>(started), 5.0);
    // NetworkManager's own client asks for no NetBIOS name servers.
    if (a.haveWins) {
      EXPECT_EQ(a.wins1, DhcpLab::kWins1);
    }
    test::ExpectUnmanaged(DhcpLab::Link(1));

    ASSERT_EQ(test::Release(link), static_cast<DWORD>(NO_ERROR));
    test::Seen released = test::Adapter(link);
    for (int i = 0; i < 20 && released.address != "0.0.0.0"; ++i) {
      std::this_thread::sleep_for(50ms);
      released = test::Adapter(link);
    }
    test::ExpectReleased(released);  // its connection would take DHCP again

    ASSERT_EQ(test::Renew(link), static_cast<DWORD>(NO_ERROR));
    test::Seen renewed = test::Adapter(link);
    test::ExpectLabLease(renewed);
    EXPECT_GE(renewed.obtained, a.obtained);
    // Renewing a link that holds its lease activates it again.
    EXPECT_EQ(test::Renew(link), static_cast<DWORD>(NO_ERROR));
    EXPECT_EQ(test::Adapter(link).dhcpServer, DhcpLab::kRouter);
  });
  EXPECT_EQ(lab_->RunningClients(), 0);  // no dhclient beside NetworkManager
  // The daemon manages the lab's namespace, not the caller's.
  EXPECT_FALSE(NetworkManagerClient(options).State(link).enabled);
}

}  // namespace
}  // namespace lorvane::iphlp
