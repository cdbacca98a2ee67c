// Release and Renew clicked in the real window, against a real DHCP server and
// dhclient in network namespaces of the test's own.
#include "dhcp_lab.h"
#include "fixture.h"
#include "platform/iphlp/live_provider.h"

namespace {

using lorvane::test::DhcpLab;
using lorvane::test::FileText;

// The value of the details row with this label, or "" when there is none.
std::string Detail(const CAdapterView& view, const std::string& label) {
  for (const std::string& row : RowTexts(view.m_listInfo, 2)) {
    if (row.rfind(label + "|", 0) == 0) return row.substr(label.size() + 1);
  }
  return {};
}

class LeaseEndToEnd : public ProgramTest {
 protected:
  void SetUp() override {
    const std::string why = DhcpLab::UnavailableReason();
    if (!why.empty()) GTEST_SKIP() << "needs a DHCP lab: " << why;
    ProgramTest::SetUp();
    lab_ = std::make_unique<DhcpLab>(1);
    lab_->StartClient(0);
    lorvane::iphlp::SetProvider(std::make_shared<lorvane::iphlp::LiveProvider>(
        std::make_unique<lorvane::iphlp::DhclientClient>(lab_->ClientOptions())));
  }
  void TearDown() override {
    if (!lab_) return;
    ProgramTest::TearDown();
    lab_.reset();
  }
  std::unique_ptr<DhcpLab> lab_;
};

TEST_F(LeaseEndToEnd, ReleaseAndRenewClickedInTheWindow) {
  // The window's thread queries the network it sits in.
  auto inside = lab_->client().Enter();
  CAdapterView& view = Start();
  ASSERT_EQ(RowTexts(view.m_listAdapters, 4).size(), 1u);
  const std::string leased = Detail(view, "IP Address");
  ASSERT_EQ(leased.rfind("10.77.1.", 0), 0u) << leased;
  const std::string leases = lab_->dir() + "/dnsmasq.leases";
  ASSERT_NE(FileText(leases).find(leased), std::string::npos);

  Click(view.m_btnRelease);
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(RowTexts(view.m_listAdapters, 3)[0], "Virtual Ethernet Adapter|0.0.0.0|Y");
  EXPECT_EQ(Detail(view, "IP Address"), "0.0.0.0");
  EXPECT_EQ(Detail(view, "DHCP Lease Expires"), "");
  EXPECT_EQ(FileText(leases).find(leased), std::string::npos) << "the server took it back";

  Click(view.m_btnRenew);
  EXPECT_TRUE(boxes.empty());
  const std::string renewed = Detail(view, "IP Address");
  EXPECT_EQ(renewed.rfind("10.77.1.", 0), 0u) << renewed;
  EXPECT_EQ(RowTexts(view.m_listAdapters, 2)[0], "Virtual Ethernet Adapter|" + renewed);
  EXPECT_NE(Detail(view, "DHCP Lease Obtained"), "");
  EXPECT_NE(Detail(view, "DHCP Lease Expires"), "");
  EXPECT_NE(FileText(leases).find(renewed), std::string::npos);
}

}  // namespace
