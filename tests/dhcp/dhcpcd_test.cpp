// dhcpcd against the lab's dnsmasq: dhcpcd keeps its files under fixed paths,
// so it and the code under test run in a mount namespace where the test's
// folders stand for them (and for its configuration and hooks).
#include <gtest/gtest.h>

#include <ctime>
#include <fstream>
#include <sstream>

#include "dhcp_lab.h"
#include "lab_daemons.h"
#include "ip_helper_view.h"
#include "platform/iphlp/dhcp/dhcpcd_client.h"
#include "platform/iphlp/dhcp/managing_client.h"
#include "platform/iphlp/live_provider.h"

namespace lorvane::iphlp {
namespace {

using test::DhcpLab;

std::string FileText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class Dhcpcd : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::string why = DhcpLab::UnavailableReason(); !why.empty())
      GTEST_SKIP() << "needs a DHCP lab: " << why;
    if (std::string why = test::LabDhcpcd::UnavailableReason(); !why.empty()) GTEST_SKIP() << why;
    lab_ = std::make_unique<DhcpLab>(2);
    dhcpcd_ = std::make_unique<test::LabDhcpcd>(*lab_, 1, LORVANE_PRIVATE_MOUNTS);
  }
  void TearDown() override {
    dhcpcd_.reset();
    SetProvider(nullptr);
  }

  std::unique_ptr<DhcpLab> lab_;
  std::unique_ptr<test::LabDhcpcd> dhcpcd_;
};

TEST_F(Dhcpcd, TheIpHelperShowsReleasesAndRenewsTheLeaseThroughDhcpcd) {
  const std::time_t started = std::time(nullptr);
  // dhclient asked first, with an old lease of its own for the link: the
  // link is dhcpcd's, which holds the lease, before a release and after it.
  std::ofstream(lab_->dir() + "/dhclient.lvc0.leases")
      << "lease {\n  interface \"lvc0\";\n  fixed-address 10.77.1.9;\n"
         "  expire 1 2020/01/06 10:00:00;\n}\n";
  DhclientOptions dhclient = lab_->ClientOptions();
  dhclient.netns.clear();  // the calling thread's: /run/netns is not the host's here
  std::vector<std::unique_ptr<DhcpClient>> clients;
  clients.push_back(std::make_unique<DhclientClient>(dhclient));
  clients.push_back(std::make_unique<DhcpcdClient>());
  SetProvider(std::make_shared<LiveProvider>(std::make_unique<ManagingClient>(std::move(clients)),
                                             lab_->dir() + "/no-resolv.conf"));
  const std::string link = DhcpLab::Link(0);
  dhcpcd_->InLab([&] {
    test::Seen a = test::Adapter(link);
    test::ExpectLabLease(a);
    EXPECT_NEAR(static_cast<double>(a.obtained), static_cast<double>(started), 5.0);
    EXPECT_TRUE(a.haveWins);
    EXPECT_EQ(a.wins1, DhcpLab::kWins1);
    EXPECT_EQ(a.wins2, DhcpLab::kWins2);
    // A link that no client manages: not enabled, and nothing is started on it.
    test::ExpectUnmanaged(DhcpLab::Link(1));

    ASSERT_EQ(test::Release(link), static_cast<DWORD>(NO_ERROR));
    test::ExpectReleased(test::Adapter(link));
    // The server has given the address up.
    EXPECT_EQ(FileText(lab_->dir() + "/dnsmasq.leases").find(a.address), std::string::npos);
    ASSERT_EQ(test::Renew(link), static_cast<DWORD>(NO_ERROR));
    test::ExpectLabLease(test::Adapter(link));
  });
  const std::string log = FileText(lab_->dir() + "/dnsmasq.log");
  EXPECT_NE(log.find("DHCPRELEASE"), std::string::npos);
  EXPECT_GT(log.rfind("DHCPACK"), log.find("DHCPRELEASE"));
  EXPECT_EQ(lab_->RunningClients(), 0);  // no dhclient beside dhcpcd
  EXPECT_EQ(FileText(lab_->dir() + "/dnsmasq.leases").find(" lvc1 "), std::string::npos);
}

}  // namespace
}  // namespace lorvane::iphlp
