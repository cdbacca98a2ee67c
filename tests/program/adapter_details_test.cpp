// The details list: which rows an adapter gets and what they say, lease
// times in the local zone, and what a mouse click, a click beside the rows
// and the arrow keys do to it.
#include <QTest>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "fixture.h"
#include "platform/base/errors.h"
#include "platform/window/test_support.h"

namespace {

using lorvane::iphlp::AdapterRecord;
using lorvane::iphlp::ScriptedAdapter;
using lorvane::window::testing::WidgetOf;
using Rows = std::vector<std::string>;

// Local time follows TZ while the object lives.
class Zone {
 public:
  explicit Zone(const char* tz) : m_old(std::getenv("TZ") ? std::getenv("TZ") : "") { Set(tz); }
  ~Zone() {
    if (m_old.empty()) unsetenv("TZ");
    Set(m_old.empty() ? nullptr : m_old.c_str());
  }
  static void Set(const char* tz) {
    if (tz != nullptr) setenv("TZ", tz, 1);
    tzset();
  }

 private:
  std::string m_old;
};

constexpr std::int64_t k2003 = 1053158649;  // 2003-05-17 08:04:09 UTC
constexpr std::int64_t k2023 = 1700000000;  // 2023-11-14 22:13:20 UTC

class AdapterDetails : public ProgramTest {
 protected:
  CAdapterView& Start() {
    RecordingFrame* frame = StartWith(new RecordingFrame(&app.events, nullptr));
    EXPECT_NE(frame, nullptr);
    return frame->m_wndView;
  }
  static Rows Details(const CAdapterView& view) { return RowTexts(view.m_listInfo, 2); }
  Zone zone{"UTC-2"};  // two hours east of UTC, no daylight saving
};

TEST_F(AdapterDetails, EveryRowInOrderForAnAdapterThatHasItAll) {
  AdapterRecord full = ScriptedAdapter(7, "eth0", "192.168.1.20");
  full.addresses.push_back({"192.168.1.21", "255.255.0.0"});  // only the first is shown
  full.gateways = {{"192.168.1.1", "255.255.255.255"}};
  full.dhcpEnabled = true;
  full.dhcpServer = "192.168.1.254";
  full.leaseObtained = k2003;
  full.leaseExpires = k2023;
  full.haveWins = true;
  full.primaryWins = "192.168.1.2";
  full.hardwareAddress = {0x02, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
  adapters->SetAdapters({full});
  adapters->SetDnsServers(7, {"1.1.1.1", "8.8.8.8", "9.9.9.9"});

  CAdapterView& view = Start();
  EXPECT_EQ(
      Details(view),
      (Rows{"IP Address|192.168.1.20", "IP Netmask|255.255.255.0", "Gateway|192.168.1.1",
            "Gateway Netmask|255.255.255.255", "DHCP Server|192.168.1.254",
            "DHCP Lease Obtained|2003.05.17 10:04:09", "DHCP Lease Expires|2023.11.15 00:13:20",
            "DNS 1|1.1.1.1", "DNS 2|8.8.8.8", "DNS 3|9.9.9.9", "Pri WINS Server|192.168.1.2",
            "Sec WINS Server|", "MAC Address|021A2B3C4D5E"}));

  // The same lease seen from west of UTC falls on the day before.
  Zone::Set("UTC+5");
  view.ShowDetails(7);
  const Rows west = Details(view);
  ASSERT_EQ(west.size(), 13u);
  EXPECT_EQ(west[5], "DHCP Lease Obtained|2003.05.17 03:04:09");
  EXPECT_EQ(west[6], "DHCP Lease Expires|2023.11.14 17:13:20");
}

TEST_F(AdapterDetails, RowsComeAndGoWithTheirConditions) {
  // DHCP off: the lease fields are ignored; no DNS server still gives DNS 1.
  AdapterRecord off = ScriptedAdapter(1, "eth0");
  off.dhcpServer = "10.0.0.1";
  off.leaseObtained = k2003;
  off.leaseExpires = k2023;
  off.primaryWins = "10.0.0.2";  // HaveWins is off
  off.hardwareAddress.clear();
  // No lease obtained, and an expiry local time cannot show.
  AdapterRecord noObtained = ScriptedAdapter(2, "eth1", "10.0.0.7");
  noObtained.dhcpEnabled = true;
  noObtained.leaseExpires = k2023;
  AdapterRecord unconvertible = noObtained;
  unconvertible.index = 3;
  unconvertible.leaseObtained = -1;
  unconvertible.leaseExpires = k2003;
  // A hardware address longer than the record holds.
  AdapterRecord wide = ScriptedAdapter(4, "ib0", "10.0.0.9");
  wide.hardwareAddress = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  adapters->SetAdapters({off, noObtained, unconvertible, wide});
  adapters->SetDnsServers(3, {"10.0.0.53"});

  const std::vector<Rows> expected = {
      {"IP Address|0.0.0.0", "IP Netmask|0.0.0.0", "Gateway|0.0.0.0", "Gateway Netmask|0.0.0.0",
       "DNS 1|"},
      {"IP Address|10.0.0.7", "IP Netmask|255.255.255.0", "Gateway|0.0.0.0",
       "Gateway Netmask|0.0.0.0", "DHCP Server|", "DHCP Lease Expires|2023.11.15 00:13:20",
       "DNS 1|", "MAC Address|020000000002"},
      {"IP Address|10.0.0.7", "IP Netmask|255.255.255.0", "Gateway|0.0.0.0",
       "Gateway Netmask|0.0.0.0", "DHCP Server|", "DHCP Lease Obtained|",
       "DHCP Lease Expires|2003.05.17 10:04:09", "DNS 1|10.0.0.53", "MAC Address|020000000002"},
      {"IP Address|10.0.0.9", "IP Netmask|255.255.255.0", "Gateway|0.0.0.0",
       "Gateway Netmask|0.0.0.0", "DNS 1|", "MAC Address|0102030405060708"},
  };
  CAdapterView& view = Start();
  for (int row = 0; row < 4; ++row) {
    SCOPED_TRACE(row);
    ClickRow(view.m_listAdapters, row);
    EXPECT_EQ(view.m_nSelected, row);
    EXPECT_EQ(Details(view), expected[row]);
  }
}

TEST_F(AdapterDetails, AFailedDnsQueryDropsOnlyTheDnsRows) {
  AdapterRecord wins = ScriptedAdapter(9, "eth0", "10.0.0.5");
  wins.haveWins = true;
  wins.primaryWins = "10.0.0.2";
  wins.secondaryWins = "10.0.0.3";
  adapters->SetAdapters({wins});
  adapters->SetDnsServers(9, {"10.0.0.53", "10.0.0.54"});
  adapters->FailDnsServers(ERROR_GEN_FAILURE);

  CAdapterView& view = Start();
  EXPECT_EQ(Details(view),
            (Rows{"IP Address|10.0.0.5", "IP Netmask|255.255.255.0", "Gateway|0.0.0.0",
                  "Gateway Netmask|0.0.0.0", "Pri WINS Server|10.0.0.2", "Sec WINS Server|10.0.0.3",
                  "MAC Address|020000000009"}));
}

TEST_F(AdapterDetails, AClickQueriesAfreshButLeavesTheRowsAsTheyWere) {
  adapters->SetAdapters(
      {ScriptedAdapter(1, "eth0", "10.0.0.1"), ScriptedAdapter(2, "eth1", "10.0.0.2")});
  CAdapterView& view = Start();
  const Rows before = RowTexts(view.m_listAdapters, 4);

  adapters->EditAdapters([](std::vector<AdapterRecord>& list) {
    list[1].addresses = {{"10.9.9.9", "255.0.0.0"}};
    list[1].description = "Renamed";
  });
  const int polls = adapters->AdapterPolls();
  ClickRow(view.m_listAdapters, 1);
  EXPECT_EQ(view.m_nSelected, 1);
  EXPECT_EQ(adapters->AdapterPolls(), polls + 1) << "one two-call query";
  EXPECT_EQ(Details(view)[0], "IP Address|10.9.9.9");
  EXPECT_EQ(RowTexts(view.m_listAdapters, 4), before);
  EXPECT_EQ(view.m_nAdapterCount, 2);
}

TEST_F(AdapterDetails, AClickOnARowWhoseAdapterIsGoneEmptiesTheDetails) {
  adapters->SetAdapters({ScriptedAdapter(1, "eth0", "10.0.0.1"),
                         ScriptedAdapter(2, "eth1", "10.0.0.2"),
                         ScriptedAdapter(3, "eth2", "10.0.0.3")});
  CAdapterView& view = Start();
  adapters->EditAdapters([](std::vector<AdapterRecord>& list) { list.erase(list.begin() + 1); });

  ClickRow(view.m_listAdapters, 1);
  EXPECT_EQ(view.m_nSelected, 1);
  EXPECT_EQ(view.m_listInfo.GetItemCount(), 0);
  EXPECT_EQ(view.m_nAdapterCount, 2);
  EXPECT_EQ(view.m_listAdapters.GetItemCount(), 3);

  // The row after it still finds its adapter, now one place earlier in the chain.
  ClickRow(view.m_listAdapters, 2);
  EXPECT_EQ(Details(view)[0], "IP Address|10.0.0.3");
}

TEST_F(AdapterDetails, AClickBesideTheRowsAndTheArrowKeysChangeNothing) {
  adapters->SetAdapters(
      {ScriptedAdapter(1, "eth0", "10.0.0.1"), ScriptedAdapter(2, "eth1", "10.0.0.2")});
  CAdapterView& view = Start();
  ClickRow(view.m_listAdapters, 1);
  ASSERT_EQ(view.m_nSelected, 1);
  const Rows shown = Details(view);
  const int polls = adapters->AdapterPolls();
  adapters->SetAdapters(
      {ScriptedAdapter(1, "eth0", "10.0.0.1"), ScriptedAdapter(2, "eth1", "10.7.7.7")});

  ClickBlank(view.m_listAdapters);
  EXPECT_EQ(MarkedRow(view.m_listAdapters), -1) << "the control dropped its highlight";
  EXPECT_EQ(view.m_nSelected, 1);
  EXPECT_EQ(Details(view), shown);

  ClickRow(view.m_listAdapters, 1);
  const int afterClick = adapters->AdapterPolls();
  ASSERT_EQ(Details(view)[0], "IP Address|10.7.7.7");
  QWidget* list = WidgetOf(view.m_listAdapters.m_hWnd);
  QTest::keyClick(list, Qt::Key_Up);
  Pump();
  EXPECT_EQ(MarkedRow(view.m_listAdapters), 0) << "the highlight moved";
  EXPECT_EQ(view.m_nSelected, 1);
  EXPECT_EQ(Details(view)[0], "IP Address|10.7.7.7");
  EXPECT_EQ(adapters->AdapterPolls(), afterClick);
  EXPECT_EQ(afterClick, polls + 1);
}

}  // namespace
