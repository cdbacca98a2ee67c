// The adapter list as the user meets it: rows built from the provider's
// adapters, the first load at start, and Refresh keeping or resetting the
// selected position when adapters come, go or cannot be read.
#include <QTest>
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

class AdapterList : public ProgramTest {
 protected:
  CAdapterView& Start() {
    RecordingFrame* frame = StartWith(new RecordingFrame(&app.events, nullptr));
    EXPECT_NE(frame, nullptr);
    return frame->m_wndView;
  }
  void Refresh(CAdapterView& view) {
    QTest::mouseClick(WidgetOf(view.m_btnRefresh.m_hWnd), Qt::LeftButton);
    Pump();
  }
  static std::vector<AdapterRecord> Several(int count) {
    std::vector<AdapterRecord> list;
    for (int i = 0; i < count; ++i)
      list.push_back(
          ScriptedAdapter(10 + i, "eth" + std::to_string(i), "10.0.0." + std::to_string(i + 1)));
    return list;
  }
  static std::string FirstDetail(const CAdapterView& view) {
    const Rows rows = RowTexts(view.m_listInfo, 2);
    return rows.empty() ? "" : rows[0];
  }
};

TEST_F(AdapterList, EachAdapterGivesARowInChainOrderWithItsIndexAsData) {
  AdapterRecord plain = ScriptedAdapter(7, "eth0", "192.168.1.20");
  plain.dhcpEnabled = true;
  AdapterRecord nameless = ScriptedAdapter(3, "wlan0", "10.1.2.3");
  nameless.description.clear();
  AdapterRecord unaddressed = ScriptedAdapter(42, "veth9");  // reported as 0.0.0.0
  // Texts longer than the record's fields arrive cut to fit.
  AdapterRecord longer = ScriptedAdapter(5, std::string(400, 'n'), "10.0.0.1");
  longer.description = std::string(300, 'd');
  adapters->SetAdapters({plain, nameless, unaddressed, longer});

  CAdapterView& view = Start();
  const std::string name(MAX_ADAPTER_NAME_LENGTH + 3, 'n');
  const std::string description(MAX_ADAPTER_DESCRIPTION_LENGTH + 3, 'd');
  EXPECT_EQ(RowTexts(view.m_listAdapters, 4),
            (Rows{"Scripted Adapter eth0|192.168.1.20|Y|eth0", "wlan0|10.1.2.3|N|wlan0",
                  "Scripted Adapter veth9|0.0.0.0|N|veth9", description + "|10.0.0.1|N|" + name}));
  EXPECT_EQ(view.m_listAdapters.GetItemData(0), 7u);
  EXPECT_EQ(view.m_listAdapters.GetItemData(1), 3u);
  EXPECT_EQ(view.m_listAdapters.GetItemData(2), 42u);
  EXPECT_EQ(view.m_listAdapters.GetItemData(3), 5u);
  EXPECT_EQ(view.m_nAdapterCount, 4);
  EXPECT_EQ(adapters->AdapterPolls(), 1) << "one two-call query at start, one snapshot";

  // At start: the first adapter's details, its row not marked.
  EXPECT_EQ(view.m_nSelected, 0);
  EXPECT_EQ(MarkedRow(view.m_listAdapters), -1);
  EXPECT_EQ(FirstDetail(view), "IP Address|192.168.1.20");
}

TEST_F(AdapterList, WithNoAdapterBothListsStayEmptyAndRefreshPicksPositionZero) {
  CAdapterView& view = Start();
  EXPECT_EQ(view.m_listAdapters.GetItemCount(), 0);
  EXPECT_EQ(view.m_listInfo.GetItemCount(), 0);
  EXPECT_EQ(view.m_nAdapterCount, 0);
  EXPECT_EQ(view.m_nSelected, -1);

  Refresh(view);
  EXPECT_EQ(view.m_nSelected, 0);
  EXPECT_EQ(view.m_listAdapters.GetItemCount(), 0);
  EXPECT_EQ(view.m_listInfo.GetItemCount(), 0);
  EXPECT_EQ(view.m_nAdapterCount, 0);
}

TEST_F(AdapterList, AFailedQueryEmptiesTheListAndTheNextRefreshTriesAgain) {
  adapters->SetAdapters(Several(3));
  CAdapterView& view = Start();
  ClickRow(view.m_listAdapters, 2);
  ASSERT_EQ(view.m_nSelected, 2);

  // Both calls fail.
  adapters->FailAdapters(ERROR_GEN_FAILURE, 2);
  Refresh(view);
  EXPECT_EQ(view.m_listAdapters.GetItemCount(), 0);
  EXPECT_EQ(view.m_nAdapterCount, 0);
  EXPECT_EQ(view.m_nSelected, 0);
  EXPECT_EQ(view.m_listInfo.GetItemCount(), 0);
  EXPECT_TRUE(boxes.empty());

  Refresh(view);
  EXPECT_EQ(view.m_listAdapters.GetItemCount(), 3);
  EXPECT_EQ(view.m_nAdapterCount, 3);
  EXPECT_EQ(FirstDetail(view), "IP Address|10.0.0.1");
}

TEST_F(AdapterList, AdaptersAppearingBetweenTheTwoCallsLeaveTheListWhole) {
  adapters->SetAdapters(Several(3));
  CAdapterView& view = Start();
  // From the poll after Refresh's size query on there are five: that query
  // still shows the three it measured, and the next one shows five.
  adapters->ChangeAfter(1, Several(5));
  Refresh(view);
  EXPECT_EQ(view.m_listAdapters.GetItemCount(), 3);
  Refresh(view);
  EXPECT_EQ(view.m_listAdapters.GetItemCount(), 5);
}

TEST_F(AdapterList, RefreshKeepsAPositionStillInTheListAndMarksItsRow) {
  adapters->SetAdapters(Several(3));
  CAdapterView& view = Start();
  ClickRow(view.m_listAdapters, 1);
  ASSERT_EQ(view.m_nSelected, 1);

  // The adapter at position 1 is another one now; Refresh shows that one.
  adapters->EditAdapters([](std::vector<AdapterRecord>& list) {
    list.erase(list.begin());
    list.push_back(ScriptedAdapter(30, "usb0", "172.16.0.9"));
  });
  Refresh(view);
  EXPECT_EQ(RowTexts(view.m_listAdapters, 4),
            (Rows{"Scripted Adapter eth1|10.0.0.2|N|eth1", "Scripted Adapter eth2|10.0.0.3|N|eth2",
                  "Scripted Adapter usb0|172.16.0.9|N|usb0"}));
  EXPECT_EQ(view.m_nSelected, 1);
  EXPECT_EQ(MarkedRow(view.m_listAdapters), 1);
  EXPECT_EQ(view.m_listAdapters.GetItemState(1, LVIS_SELECTED), static_cast<UINT>(LVIS_SELECTED));
  EXPECT_EQ(FirstDetail(view), "IP Address|10.0.0.3");
}

TEST_F(AdapterList, RefreshPastTheEndFallsBackToTheFirstAdapterWithNoRowMarked) {
  adapters->SetAdapters(Several(4));
  CAdapterView& view = Start();
  ClickRow(view.m_listAdapters, 3);
  ASSERT_EQ(view.m_nSelected, 3);

  adapters->SetAdapters(Several(2));
  Refresh(view);
  EXPECT_EQ(view.m_listAdapters.GetItemCount(), 2);
  EXPECT_EQ(view.m_nAdapterCount, 2);
  EXPECT_EQ(view.m_nSelected, 0);
  EXPECT_EQ(MarkedRow(view.m_listAdapters), -1);
  EXPECT_EQ(FirstDetail(view), "IP Address|10.0.0.1");

  // Position 0 is in range now, so the next Refresh marks it.
  Refresh(view);
  EXPECT_EQ(MarkedRow(view.m_listAdapters), 0);

  // A position just past the last row is out of range too.
  ClickRow(view.m_listAdapters, 1);
  adapters->SetAdapters(Several(1));
  Refresh(view);
  EXPECT_EQ(view.m_nSelected, 0);
  EXPECT_EQ(MarkedRow(view.m_listAdapters), -1);
}

}  // namespace
