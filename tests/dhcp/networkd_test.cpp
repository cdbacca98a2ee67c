// systemd-networkd against the lab's dnsmasq, with a bus and configuration of
// the test's own (lab_daemons.h).
#include <gtest/gtest.h>

#include <ctime>
#include <fstream>

#include "dhcp_lab.h"
#include "lab_daemons.h"
#include "ip_helper_view.h"
#include "platform/iphlp/dhcp/managing_client.h"
#include "platform/iphlp/dhcp/networkd_client.h"
#include "platform/iphlp/live_provider.h"

namespace lorvane::iphlp {
namespace {

using test::DhcpLab;

std::size_t Count(const std::string& path, const std::string& word) {
  std::ifstream in(path);
  std::string line;
  std::size_t n = 0;
  while (std::getline(in, line)) n += line.find(word) != std::string::npos;
  return n;
}

class Networkd : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::string why = DhcpLab::UnavailableReason(); !why.empty())
      GTEST_SKIP() << "needs a DHCP lab: " << why;
    if (std::string why = test::LabNetworkd::UnavailableReason(); !why.empty()) GTEST_SKIP() << why;
    lab_ = std::make_unique<DhcpLab>(2);
    networkd_ = std::make_unique<test::LabNetworkd>(*lab_, 1, true, LORVANE_PRIVATE_MOUNTS);
  }
  void TearDown() override {
    SetProvider(nullptr);
    networkd_.reset();
  }

  std::unique_ptr<DhcpLab> lab_;
  std::unique_ptr<test::LabNetworkd> networkd_;
};

TEST_F(Networkd, TheIpHelperShowsReleasesAndRenewsTheLeaseThroughNetworkd) {
  const std::time_t started = std::time(nullptr);
  NetworkdOptions options;
  options.busAddress = networkd_->BusAddress();
  std::vector<std::unique_ptr<DhcpClient>> clients;
  clients.push_back(std::make_unique<NetworkdClient>(options));
  clients.push_back(std::make_unique<DhclientClient>(lab_->ClientOptions()));
  SetProvider(std::make_shared<LiveProvider>(std::make_unique<ManagingClient>(std::move(clients)),
                                             lab_->dir() + "/no-resolv.conf"));
  const std::string link = DhcpLab::Link(0);
  lab_->client().RunInside([&] {
    test::Seen a = test::Adapter(link);
    test::ExpectLabLease(a, 1);  // its expiry is on the boot clock
    EXPECT_NEAR(static_cast<double>(a.obtained), static_cast<double>(started), 15.0);
    EXPECT_FALSE(a.haveWins);  // networkd keeps no NetBIOS name servers
    test::ExpectUnmanaged(DhcpLab::Link(1));

    ASSERT_EQ(test::Release(link), static_cast<DWORD>(NO_ERROR));
    test::ExpectReleased(test::Adapter(link));
    ASSERT_EQ(test::Renew(link), static_cast<DWORD>(NO_ERROR));
    test::ExpectLabLease(test::Adapter(link), 1);
    // A link that holds its lease is renewed by networkd's own call: one more
    // acknowledgement from the server.
    const std::size_t acks = Count(lab_->dir() + "/dnsmasq.log", "DHCPACK");
    ASSERT_EQ(test::Renew(link), static_cast<DWORD>(NO_ERROR));
    EXPECT_EQ(test::Adapter(link).dhcpServer, DhcpLab::kRouter);
    EXPECT_GT(Count(lab_->dir() + "/dnsmasq.log", "DHCPACK"), acks);
  });
  EXPECT_EQ(lab_->RunningClients(), 0);  // no dhclient beside networkd
  EXPECT_FALSE(NetworkdClient(options).State(link).enabled);  // another namespace's daemon
}

}  // namespace
}  // namespace lorvane::iphlp
