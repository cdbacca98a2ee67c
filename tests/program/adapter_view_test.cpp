// The two lists as the user meets them: rows built from the provider's
// adapters, the first load at start, Refresh keeping or resetting the
// selected position when adapters come, go or cannot be read; which details
// rows an adapter gets, lease times in the local zone, and what clicks and
// the arrow keys do.
#include <cstdlib>
#include <ctime>

#include "fixture.h"

namespace {

// Local time follows TZ while the object lives; TZ is unset after it.
struct Zone {
  explicit Zone(const char* tz) { Set(tz); }
  ~Zone() {
    unsetenv("TZ");
    tzset();
  }
  static void Set(const char* tz) {
    setenv("TZ", tz, 1);
    tzset();
  }
};

constexpr std::int64_t k2003 = 1053158649;  // 2003-05-17 08:04:09 UTC
constexpr std::int64_t k2023 = 1700000000;  // 2023-11-14 22:13:20 UTC

class AdapterView : public ProgramTest {
 protected:
  // ethN at 10.0.0.N+1, index 10+N.
  static std::vector<AdapterRecord> Several(int count) {
    std::vector<AdapterRecord> list;
    for (int i = 0; i < count; ++i)
      list.push_back(
          ScriptedAdapter(10 + i, "eth" + std::to_string(i), "10.0.0." + std::to_string(i + 1)));
    return list;
  }
  static Rows Details(const CAdapterView& view) { return RowTexts(view.m_listInfo, 2); }
  Zone zone{"UTC-2"};  // two hours east of UTC, no daylight saving
};

TEST_F(AdapterView, EachAdapterGivesARowInChainOrderWithItsIndexAsData) {
  AdapterRecord plain = ScriptedAdapter(7, "eth0", "192.168.1.20");
  plain.dhcpEnabled = true;
  AdapterRecord nameless = ScriptedAdapter(3, "wlan0", "10.1.2.3");
  nameless.description.clear();
  AdapterRecord unaddressed = ScriptedAdapter(42, "veth9");  // reported as 0.0.0.0
  // Texts longer than the record's fields arrive cut to fit.
  AdapterRecord longer = ScriptedAdapter(5, std::string(400, 'n'), "10.0.0.1");
  longer.description = std::string(300, 'd');

  CAdapterView& view = Start({plain, nameless, unaddressed, longer});
  const std::string name(MAX_ADAPTER_NAME_LENGTH + 3, 'n');
  const std::string description(MAX_ADAPTER_DESCRIPTION_LENGTH + 3, 'd');
  EXPECT_EQ(RowTexts(view.m_listAdapters, 4),
            (Rows{"Scripted Adapter eth0|192.168.1.20|Y|eth0", "wlan0|10.1.2.3|N|wlan0",
                  "Scripted Adapter veth9|0.0.0.0|N|veth9", description + "|10.0.0.1|N|" + name}));
  std::vector<DWORD_PTR> data;
  for (int row = 0; row < 4; ++row) data.push_back(view.m_listAdapters.GetItemData(row));
  EXPECT_EQ(data, (std::vector<DWORD_PTR>{7, 3, 42, 5}));
  EXPECT_EQ(adapters->AdapterPolls(), 1) << "one two-call query at start, one snapshot";
  // At start: the first adapter's details, its row not marked.
  EXPECT_EQ(Glance(view), "rows 4, adapters 4, at 0, marked -1, IP Address|192.168.1.20");
}

// No adapters, then a query that fails, then one that changes between its
// two calls; Refresh keeps a position still in the list and marks its row,
// else falls back to the first adapter with no row marked.
TEST_F(AdapterView, RefreshAfterAnEmptyFailedChangingOrShorterQueryAndClicks) {
  CAdapterView& view = Start();
  EXPECT_EQ(Glance(view), "rows 0, adapters 0, at -1, marked -1, no details");
  Click(view.m_btnRefresh);
  EXPECT_EQ(Glance(view), "rows 0, adapters 0, at 0, marked -1, no details");

  adapters->SetAdapters(Several(3));
  Click(view.m_btnRefresh);
  ClickRow(view.m_listAdapters, 2);
  ASSERT_EQ(view.m_nSelected, 2);
  adapters->FailAdapters(ERROR_GEN_FAILURE, 2);  // both calls
  Click(view.m_btnRefresh);
  EXPECT_EQ(Glance(view), "rows 0, adapters 0, at 0, marked -1, no details");
  EXPECT_TRUE(boxes.empty());
  Click(view.m_btnRefresh);
  EXPECT_EQ(Glance(view), "rows 3, adapters 3, at 0, marked 0, IP Address|10.0.0.1");

  // From the poll after Refresh's size query on there are five: that query
  // still shows the three it measured, and the next one shows five.
  adapters->ChangeAfter(1, Several(5));
  Click(view.m_btnRefresh);
  EXPECT_EQ(view.m_listAdapters.GetItemCount(), 3);
  Click(view.m_btnRefresh);
  EXPECT_EQ(view.m_listAdapters.GetItemCount(), 5);

  // The adapter at position 1 is another one now; Refresh shows that one.
  ClickRow(view.m_listAdapters, 1);
  adapters->SetAdapters(Several(3));
  adapters->EditAdapters([](std::vector<AdapterRecord>& list) {
    list.erase(list.begin());
    list.push_back(ScriptedAdapter(30, "usb0", "172.16.0.9"));
  });
  Click(view.m_btnRefresh);
  EXPECT_EQ(RowTexts(view.m_listAdapters, 4),
            (Rows{"Scripted Adapter eth1|10.0.0.2|N|eth1", "Scripted Adapter eth2|10.0.0.3|N|eth2",
                  "Scripted Adapter usb0|172.16.0.9|N|usb0"}));
  EXPECT_EQ(Glance(view), "rows 3, adapters 3, at 1, marked 1, IP Address|10.0.0.3");

  // A position just past the last row is out of range; position 0 is in
  // range at the next Refresh, which marks it.
  ClickRow(view.m_listAdapters, 2);
  adapters->SetAdapters(Several(2));
  Click(view.m_btnRefresh);
  EXPECT_EQ(Glance(view), "rows 2, adapters 2, at 0, marked -1, IP Address|10.0.0.1");
  Click(view.m_btnRefresh);
  EXPECT_EQ(MarkedRow(view.m_listAdapters), 0);

  // The two rows of Several(2) now. A click on a row queries afresh for its
  // details and leaves the rows as they were; a click beside the rows and the
  // arrow keys change nothing.
  const Rows rows = RowTexts(view.m_listAdapters, 4);
  adapters->EditAdapters([](std::vector<AdapterRecord>& list) {
    list[1].addresses = {{"10.9.9.9", "255.0.0.0"}};
    list[1].description = "Renamed";
  });
  const int polls = adapters->AdapterPolls();
  ClickRow(view.m_listAdapters, 1);
  EXPECT_EQ(Glance(view), "rows 2, adapters 2, at 1, marked 1, IP Address|10.9.9.9");
  EXPECT_EQ(adapters->AdapterPolls(), polls + 1) << "one two-call query";
  EXPECT_EQ(RowTexts(view.m_listAdapters, 4), rows);

  const Rows shown = Details(view);
  adapters->EditAdapters(
      [](std::vector<AdapterRecord>& list) { list[1].addresses = {{"10.7.7.7", "255.0.0.0"}}; });
  ClickRow(view.m_listAdapters, -1);
  EXPECT_EQ(Glance(view), "rows 2, adapters 2, at 1, marked -1, IP Address|10.9.9.9");
  EXPECT_EQ(Details(view), shown);
  ClickRow(view.m_listAdapters, 1);
  QTest::keyClick(WidgetOf(view.m_listAdapters.m_hWnd), Qt::Key_Up);
  Pump();
  EXPECT_EQ(Glance(view), "rows 2, adapters 2, at 1, marked 0, IP Address|10.7.7.7");
  EXPECT_EQ(adapters->AdapterPolls(), polls + 2) << "none for the click beside or the key";

  // A row whose adapter is gone shows no details; the row after it still
  // finds its adapter, now one place earlier in the chain.
  adapters->EditAdapters([](std::vector<AdapterRecord>& list) { list.erase(list.begin()); });
  ClickRow(view.m_listAdapters, 0);
  EXPECT_EQ(Glance(view), "rows 2, adapters 1, at 0, marked 0, no details");
  ClickRow(view.m_listAdapters, 1);
  EXPECT_EQ(Glance(view), "rows 2, adapters 1, at 1, marked 1, IP Address|10.7.7.7");
}

// Every row, in order, for an adapter that has it all; rows that go with
// DHCP off, no DNS server, no lease obtained, a lease time that cannot show,
// a long hardware address and a failed DNS query.
TEST_F(AdapterView, DetailsRowsComeAndGoWithTheirConditions) {
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
  // DHCP off: the lease fields are ignored; no DNS server still gives DNS 1.
  AdapterRecord off = ScriptedAdapter(1, "eth1");
  off.dhcpServer = "10.0.0.1";
  off.leaseObtained = k2003;
  off.leaseExpires = k2023;
  off.primaryWins = "10.0.0.2";  // HaveWins is off
  off.hardwareAddress.clear();
  AdapterRecord noObtained = ScriptedAdapter(2, "eth2", "10.0.0.7");
  noObtained.dhcpEnabled = true;
  noObtained.leaseExpires = k2023;
  AdapterRecord unconvertible = noObtained;
  unconvertible.index = 3;
  unconvertible.leaseObtained = -1;
  unconvertible.leaseExpires = k2003;
  AdapterRecord wide = ScriptedAdapter(4, "ib0", "10.0.0.9");
  wide.hardwareAddress = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};  // longer than the record holds
  AdapterRecord wins = ScriptedAdapter(9, "eth9", "10.0.0.5");
  wins.haveWins = true;
  wins.primaryWins = "10.0.0.2";
  wins.secondaryWins = "10.0.0.3";
  adapters->SetDnsServers(7, {"1.1.1.1", "8.8.8.8", "9.9.9.9"});
  adapters->SetDnsServers(3, {"10.0.0.53"});
  adapters->SetDnsServers(9, {"10.0.0.53", "10.0.0.54"});

  const std::vector<Rows> expected = {
      {"IP Address|192.168.1.20", "IP Netmask|255.255.255.0", "Gateway|192.168.1.1",
       "Gateway Netmask|255.255.255.255", "DHCP Server|192.168.1.254",
       "DHCP Lease Obtained|2003.05.17 10:04:09", "DHCP Lease Expires|2023.11.15 00:13:20",
       "DNS 1|1.1.1.1", "DNS 2|8.8.8.8", "DNS 3|9.9.9.9", "Pri WINS Server|192.168.1.2",
       "Sec WINS Server|", "MAC Address|021A2B3C4D5E"},
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
      {"IP Address|10.0.0.5", "IP Netmask|255.255.255.0", "Gateway|0.0.0.0",
       "Gateway Netmask|0.0.0.0", "Pri WINS Server|10.0.0.2", "Sec WINS Server|10.0.0.3",
       "MAC Address|020000000009"},
  };
  CAdapterView& view = Start({full, off, noObtained, unconvertible, wide, wins});
  for (int row = 0; row < 6; ++row) {
    SCOPED_TRACE(row);
    if (row == 5) adapters->FailDnsServers(ERROR_GEN_FAILURE, 1);
    ClickRow(view.m_listAdapters, row);
    EXPECT_EQ(view.m_nSelected, row);
    EXPECT_EQ(Details(view), expected[row]);
  }

  // The same lease seen from west of UTC falls on the day before.
  Zone::Set("UTC+5");
  view.ShowDetails(7);
  const Rows west = Details(view);
  ASSERT_EQ(west.size(), 13u);
  EXPECT_EQ(west[5], "DHCP Lease Obtained|2003.05.17 03:04:09");
  EXPECT_EQ(west[6], "DHCP Lease Expires|2023.11.14 17:13:20");
}

}  // namespace
