// The IP Helper calls over a lab link that a daemon other than dhclient
// manages (lab_daemons.h). dhclient is asked first and still has an old lease
// of its own for the link: the link stays the daemon's, before a release and
// after it.
#include <gtest/gtest.h>

#include <ctime>
#include <fstream>
#include <thread>

#include "dhcp_lab.h"
#include "ip_helper_view.h"
#include "lab_daemons.h"
#include "platform/iphlp/dhcp/dhcpcd_client.h"
#include "platform/iphlp/dhcp/managing_client.h"
#include "platform/iphlp/dhcp/network_manager_client.h"
#include "platform/iphlp/dhcp/networkd_client.h"
#include "platform/iphlp/live_provider.h"

namespace lorvane::iphlp {
namespace {

using test::DhcpLab;
using test::FileText;

class Managed : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::string why = DhcpLab::UnavailableReason(); !why.empty())
      GTEST_SKIP() << "needs a DHCP lab: " << why;
    lab_ = std::make_unique<DhcpLab>(2);
    std::ofstream(lab_->dir() + "/dhclient.lvc0.leases")
        << "lease {\n  interface \"lvc0\";\n  fixed-address 10.77.1.9;\n"
           "  expire 1 2020/01/06 10:00:00;\n}\n";
  }
  void TearDown() override { SetProvider(nullptr); }

  void Provide(std::unique_ptr<DhcpClient> daemon) {
    DhclientOptions dhclient = lab_->ClientOptions();
    dhclient.netns.clear();  // the calling thread's: under dhcpcd /run/netns is not the host's
    std::vector<std::unique_ptr<DhcpClient>> clients;
    clients.push_back(std::make_unique<DhclientClient>(dhclient));
    clients.push_back(std::move(daemon));
    SetProvider(std::make_shared<LiveProvider>(std::make_unique<ManagingClient>(std::move(clients)),
                                               lab_->dir() + "/no-resolv.conf"));
  }

  // Run in the lab. Link 0 holds the lab's lease, obtained about now
  // (`slack` as ExpectLabLease's), then released, renewed, and renewed while
  // held (one more acknowledgement from the server). Link 1 is no client's.
  // Keeps the first view in first_.
  void Walk(int slack, double obtainedWithin) {
    const std::string link = DhcpLab::Link(0);
    first_ = test::Adapter(link);
    test::ExpectLabLease(first_, slack);
    EXPECT_NEAR(static_cast<double>(first_.obtained), static_cast<double>(started_),
                obtainedWithin);
    test::ExpectUnmanaged(DhcpLab::Link(1));

    ASSERT_EQ(test::Release(link), static_cast<DWORD>(NO_ERROR));
    test::Seen released = test::Adapter(link);
    // NetworkManager lets the address go a moment after the call.
    for (int i = 0; i < 20 && released.address != "0.0.0.0"; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      released = test::Adapter(link);
    }
    test::ExpectReleased(released);

    ASSERT_EQ(test::Renew(link), static_cast<DWORD>(NO_ERROR));
    test::Seen renewed = test::Adapter(link);
    test::ExpectLabLease(renewed, slack);
    EXPECT_GE(renewed.obtained, first_.obtained);
    const std::string log = lab_->dir() + "/dnsmasq.log";
    const std::size_t logged = FileText(log).size();
    ASSERT_EQ(test::Renew(link), static_cast<DWORD>(NO_ERROR));
    EXPECT_EQ(test::Adapter(link).dhcpServer, DhcpLab::kRouter);
    // dhcpcd answers before it has rebound.
    for (int i = 0; i < 40 && FileText(log).find("DHCPACK", logged) == std::string::npos; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_NE(FileText(log).find("DHCPACK", logged), std::string::npos);
  }

  std::unique_ptr<DhcpLab> lab_;
  const std::time_t started_ = std::time(nullptr);
  test::Seen first_;
};

TEST_F(Managed, Dhcpcd) {
  if (std::string why = test::LabDhcpcd::UnavailableReason(); !why.empty()) GTEST_SKIP() << why;
  test::LabDhcpcd dhcpcd(*lab_, 1, LORVANE_PRIVATE_MOUNTS);
  Provide(std::make_unique<DhcpcdClient>());
  dhcpcd.InLab([&] { Walk(0, 5.0); });
  EXPECT_TRUE(first_.haveWins);
  EXPECT_EQ(first_.wins1, DhcpLab::kWins1);
  EXPECT_EQ(first_.wins2, DhcpLab::kWins2);
  EXPECT_EQ(lab_->RunningClients(), 0);  // no dhclient beside the daemon
  EXPECT_NE(FileText(lab_->dir() + "/dnsmasq.log").find("DHCPRELEASE"), std::string::npos);
}

TEST_F(Managed, NetworkManager) {
  if (std::string why = test::PrivateNetworkManager::UnavailableReason(); !why.empty())
    GTEST_SKIP() << why;
  auto nm = test::StartLabNetworkManager(*lab_, 1, LORVANE_PRIVATE_MOUNTS);
  NetworkManagerOptions options;
  options.busAddress = nm->BusAddress();
  Provide(std::make_unique<NetworkManagerClient>(options));
  lab_->client().RunInside([&] { Walk(0, 5.0); });
  // Its own client asks for no NetBIOS name servers.
  EXPECT_TRUE(!first_.haveWins || first_.wins1 == DhcpLab::kWins1) << first_.wins1;
  EXPECT_EQ(lab_->RunningClients(), 0);
  // The daemon manages the lab's namespace, not the caller's.
  EXPECT_FALSE(NetworkManagerClient(options).State(DhcpLab::Link(0)).enabled);
}

TEST_F(Managed, Networkd) {
  if (std::string why = test::LabNetworkd::UnavailableReason(); !why.empty()) GTEST_SKIP() << why;
  test::LabNetworkd networkd(*lab_, 1, true, LORVANE_PRIVATE_MOUNTS);
  NetworkdOptions options;
  options.busAddress = networkd.BusAddress();
  Provide(std::make_unique<NetworkdClient>(options));
  lab_->client().RunInside([&] { Walk(1, 15.0); });  // its expiry is on the boot clock
  EXPECT_FALSE(first_.haveWins);  // networkd keeps no NetBIOS name servers
  EXPECT_EQ(lab_->RunningClients(), 0);
  EXPECT_FALSE(NetworkdClient(options).State(DhcpLab::Link(0)).enabled);
}

}  // namespace
}  // namespace lorvane::iphlp
