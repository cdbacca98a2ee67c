// Function > Change MAC Addr on the live platform: a veth link in a network
// namespace of the test's own, registered as the platform registers adapters
// at start-up, its addresses and routes as the details show them, the table
// Release and Renew look it up in, and its override set and removed through
// the real dialog.
#include "fixture.h"
#include "platform/iphlp/dhcp/dhclient_client.h"
#include "platform/iphlp/iphlpapi.h"
#include "platform/iphlp/live_provider.h"
#include "platform/registry/registry.h"
#include "support/netns.h"

namespace {

// The number of the adapter subkey registered for the link, or "".
std::string SubkeyOf(const std::string& link) {
  for (const char* number : {"0000", "0001", "0002", "0003"}) {
    if (GetValue(kClassKey + number, "NetCfgInstanceId") == Sz(link)) return number;
  }
  return {};
}

class ChangeMacEndToEnd : public ProgramTest {
 protected:
  void SetUp() override {
    LORVANE_REQUIRE_NETNS();
    ProgramTest::SetUp();
    ns_ = std::make_unique<lorvane::test::NetNamespace>("lvmac");
    ns_->AddVethPair("lvmac0", "lvmac1");
    // Each link's first address has a peer, and two default routes, the
    // later-added with the lower metric, and one more in another table: the
    // window shows the link's own end and the main table's lower metric.
    for (const auto& [link, net] : {std::pair("lvmac0", 61), std::pair("lvmac1", 63)}) {
      const std::string a = "10." + std::to_string(net), b = "10." + std::to_string(net + 1);
      ns_->SetUp(link);
      ns_->Ip({"address", "add", a + ".0.1", "peer", a + ".0.2/32", "dev", link});
      ns_->AddAddress(link, b + ".0.1/24");
      ns_->Ip({"route", "add", "default", "via", a + ".0.2", "dev", link, "metric",
               std::to_string(200 + net)});
      ns_->Ip({"route", "add", "default", "via", b + ".0.254", "dev", link, "metric",
               std::to_string(100 + net)});
      ns_->Ip({"route", "add", "default", "via", b + ".0.9", "dev", link, "table", "100", "metric",
               std::to_string(net)});
    }
    // Nothing of the machine's own DHCP clients, leases or resolver.
    lorvane::iphlp::DhclientOptions dhcp;
    dhcp.leaseDirs = {hive.dir()};
    dhcp.configFiles = {};
    dhcp.interfacesFile = hive.dir() + "/interfaces";
    dhcp.netns = ns_->name();
    lorvane::iphlp::SetProvider(std::make_shared<lorvane::iphlp::LiveProvider>(
        std::make_unique<lorvane::iphlp::DhclientClient>(dhcp), hive.dir() + "/resolv.conf"));
  }
  void TearDown() override {
    if (!ns_) return;
    ProgramTest::TearDown();
    ns_.reset();
  }

  std::unique_ptr<lorvane::test::NetNamespace> ns_;
};

TEST_F(ChangeMacEndToEnd, OkAndResetReachTheLinksOwnSubkey) {
  // The window's thread sees the namespace's links, and only those.
  auto inside = ns_->Enter();
  ASSERT_EQ(lorvane::registry::RegisterAdapters(), static_cast<DWORD>(NO_ERROR));

  CAdapterView& view = Start();
  // The second row, so that the first adapter, selected at start, is not it.
  const auto names = RowTexts(view.m_listAdapters, 4);
  ASSERT_EQ(names.size(), 2u);
  const std::string link = names[1].substr(names[1].rfind('|') + 1);
  const std::string own = SubkeyOf(link), other = SubkeyOf(link == "lvmac0" ? "lvmac1" : "lvmac0");
  ASSERT_FALSE(own.empty()) << link;
  ASSERT_FALSE(other.empty());
  // The lease calls find both links by the index each row keeps.
  ULONG size = 0;
  GetInterfaceInfo(nullptr, &size);
  std::vector<BYTE> table(size);
  auto* holders = reinterpret_cast<IP_INTERFACE_INFO*>(table.data());
  ASSERT_EQ(GetInterfaceInfo(holders, &size), DWORD{NO_ERROR});
  ASSERT_EQ(holders->NumAdapters, 2);
  for (int i = 0; i < 2; ++i)
    EXPECT_EQ(holders->Adapter[i].Index, view.m_listAdapters.GetItemData(i));
  ClickRow(view.m_listAdapters, 1);
  const bool first = link == "lvmac0";
  const std::string net = first ? "10.61" : "10.63", next = first ? "10.62" : "10.64";
  const Rows details = RowTexts(view.m_listInfo, 2);
  ASSERT_GE(details.size(), 3u);
  EXPECT_EQ(Rows(details.begin(), details.begin() + 3),
            (Rows{"IP Address|" + net + ".0.1", "IP Netmask|255.255.255.255",
                  "Gateway|" + next + ".0.254"}));

  std::string caption, current;
  ASSERT_EQ(Choose({[&](HWND dlg) { caption = WindowText(dlg); }, Focus(IDC_NEW_MAC),
                    Keys("02aabbccddee"), Press(IDOK)}),
            "ended");
  EXPECT_EQ(caption, "Virtual Ethernet Adapter");
  EXPECT_EQ(Stored(own), Sz("02aabbccddee"));
  EXPECT_EQ(Stored(other), "<error 2>");

  ASSERT_EQ(Choose({[&](HWND dlg) { current = Text(dlg, IDC_CURRENT_MAC); }, Press(IDC_RESET)}),
            "ended");
  EXPECT_EQ(current, "02aabbccddee");
  EXPECT_EQ(Stored(own), "<error 2>");
  EXPECT_EQ(GetValue(kClassKey + own, "NetCfgInstanceId"), Sz(link));
  EXPECT_EQ(Said(), (std::vector<std::string>{Restart(kActivate), Restart(kRestore)}));
}

}  // namespace
