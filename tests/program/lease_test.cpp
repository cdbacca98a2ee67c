// Release and Renew as the user meets them: the checks and their messages,
// the lease calls, the polls of the address with the wait cursor up, and both
// lists rebuilt afterwards. The clock is the test's, so nothing really sleeps.
#include <memory>
#include <new>

#include "fixture.h"
#include "platform/framework/afx_state.h"
#include "platform/kernel/clock.h"

namespace {

using lorvane::iphlp::ScriptedProvider;
using Calls = std::vector<ScriptedProvider::LeaseCall>;
constexpr auto kRelease = ScriptedProvider::LeaseOp::kRelease;
constexpr auto kRenew = ScriptedProvider::LeaseOp::kRenew;
constexpr const char* kNoDhcp = "DHCP not enabled on selected network adapter";

// Records every Sleep and lets a test look at the window while it waits.
class PollClock : public lorvane::kernel::Clock {
 public:
  std::vector<DWORD> sleeps;
  std::function<void()> onSleep;
  void Sleep(DWORD milliseconds) override {
    sleeps.push_back(milliseconds);
    if (onSleep) onSleep();
  }
  bool LocalTime(std::int64_t seconds, std::tm& out) override {
    return lorvane::kernel::SystemClock().LocalTime(seconds, out);
  }
};

AdapterRecord Dhcp(std::uint32_t index, const std::string& name, const std::string& address) {
  AdapterRecord r = ScriptedAdapter(index, name, address);
  r.dhcpEnabled = true;
  return r;
}

// The adapter's address as the poll after `polls` more polls will see it;
// none reads 0.0.0.0.
void SetAddressLater(ScriptedProvider& p, int polls, std::uint32_t index,
                     const std::string& address) {
  p.ChangeAfter(polls, [=](std::vector<AdapterRecord>& list) {
    for (auto& r : list)
      if (r.index == index) r.addresses = ScriptedAdapter(index, "", address).addresses;
  });
}

class Lease : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    lorvane::kernel::SetClock(clock);
  }
  void TearDown() override {
    lorvane::kernel::SetClock(nullptr);  // the system's again
    ProgramTest::TearDown();
  }
  // Polls made by one click, less the refill that ends it.
  int PollsOf(const CButton& button) {
    const int before = adapters->AdapterPolls();
    Click(button);
    return adapters->AdapterPolls() - before - 1;
  }

  std::shared_ptr<PollClock> clock = std::make_shared<PollClock>();
};

TEST_F(Lease, ReleasePollsForZeroAtMostTwiceHalfASecondApart) {
  // eth0 reads 0.0.0.0 at the first poll, eth1 at the second, eth2 never.
  adapters->OnRelease([](ScriptedProvider& p, std::uint32_t index) {
    if (index != 6) SetAddressLater(p, index == 4 ? 0 : 1, index, "");
    return DWORD{NO_ERROR};
  });
  CAdapterView& view =
      Start({Dhcp(4, "eth0", "10.0.0.4"), Dhcp(5, "eth1", "10.0.0.5"), Dhcp(6, "eth2", "10.0.0.6")});
  int cursorWhileWaiting = -1, rowsWhileWaiting = -1;
  clock->onSleep = [&] {
    cursorWhileWaiting = lorvane::afx::State().nWaitCursorCount;
    rowsWhileWaiting = view.m_listAdapters.GetItemCount() + view.m_nAdapterCount;
  };
  struct Case {
    int row;
    int polls;
    std::vector<DWORD> sleeps;
    std::string shown;
  };
  for (const Case& c : {Case{0, 1, {}, "0.0.0.0"}, Case{1, 2, {500}, "0.0.0.0"},
                        Case{2, 2, {500, 500}, "10.0.0.6"}}) {
    SCOPED_TRACE(c.row);
    clock->sleeps.clear();
    ClickRow(view.m_listAdapters, c.row);
    EXPECT_EQ(PollsOf(view.m_btnRelease), c.polls);
    EXPECT_EQ(clock->sleeps, c.sleeps);
    EXPECT_EQ(adapters->LeaseCalls().back(),
              (ScriptedProvider::LeaseCall{kRelease, static_cast<std::uint32_t>(4 + c.row)}));
    EXPECT_EQ(lorvane::afx::State().nWaitCursorCount, 0);
    EXPECT_EQ(RowTexts(view.m_listAdapters, 2)[c.row],
              "Scripted Adapter eth" + std::to_string(c.row) + "|" + c.shown);
    EXPECT_EQ(Glance(view), "rows 3, adapters 3, at " + std::to_string(c.row) + ", marked " +
                                std::to_string(c.row) + ", IP Address|" + c.shown);
  }
  EXPECT_EQ(cursorWhileWaiting, 1);
  EXPECT_EQ(rowsWhileWaiting, 0) << "the polls replace the snapshot and empty the list";
  EXPECT_TRUE(boxes.empty());

  // A refill shorter than the position marks nothing and shows no details.
  adapters->OnRelease([](ScriptedProvider& p, std::uint32_t) {
    p.ChangeAfter(0, std::vector<AdapterRecord>{Dhcp(4, "eth0", "10.0.0.4")});
    return DWORD{NO_ERROR};
  });
  Click(view.m_btnRelease);
  EXPECT_EQ(Glance(view), "rows 1, adapters 1, at 2, marked -1, no details");
}

// The renew step waits for any address but 0.0.0.0, after a release step
// that waited for 0.0.0.0; one that stays at 0.0.0.0 costs both polls.
TEST_F(Lease, RenewReleasesThenPollsForAnyOtherAddressAndCanFail) {
  adapters->OnRelease([](ScriptedProvider& p, std::uint32_t index) {
    SetAddressLater(p, 0, index, "");
    return DWORD{NO_ERROR};
  });
  adapters->OnRenew([](ScriptedProvider& p, std::uint32_t index) {
    SetAddressLater(p, 0, index, "10.0.0.44");
    return DWORD{NO_ERROR};
  });
  CAdapterView& view = Start({Dhcp(4, "eth0", "10.0.0.4")});
  EXPECT_EQ(PollsOf(view.m_btnRenew), 2);
  EXPECT_TRUE(clock->sleeps.empty());
  EXPECT_EQ(adapters->LeaseCalls(), (Calls{{kRelease, 4}, {kRenew, 4}}));
  EXPECT_EQ(RowTexts(view.m_listInfo, 2)[0], "IP Address|10.0.0.44");

  adapters->OnRenew(nullptr);  // no address comes back
  EXPECT_EQ(PollsOf(view.m_btnRenew), 3);
  EXPECT_EQ(clock->sleeps, (std::vector<DWORD>{500, 500}));
  EXPECT_EQ(RowTexts(view.m_listAdapters, 2)[0], "Scripted Adapter eth0|0.0.0.0");

  // A release whose polls all failed is still followed by the renewal.
  adapters->OnRelease([](ScriptedProvider& p, std::uint32_t) {
    p.FailAdapters(ERROR_NOT_ENOUGH_MEMORY, 4);  // both calls of both polls
    return DWORD{NO_ERROR};
  });
  Click(view.m_btnRenew);
  EXPECT_EQ(adapters->LeaseCalls(), (Calls{{kRelease, 4}, {kRenew, 4}, {kRelease, 4}, {kRenew, 4},
                                           {kRelease, 4}, {kRenew, 4}}));
  EXPECT_TRUE(boxes.empty());

  // A failure inside the operation (memory, say) ends it: the wait cursor
  // comes down, the user is told, and the window goes on answering.
  adapters->OnRelease(nullptr);
  clock->onSleep = [] { throw std::bad_alloc(); };
  Click(view.m_btnRenew);
  EXPECT_EQ(lorvane::afx::State().nWaitCursorCount, 0);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].text.find("abandoned"), std::string::npos) << boxes[0].text;
  EXPECT_EQ(view.m_listAdapters.GetItemCount(), 0) << "stopped during its polls";
  clock->onSleep = nullptr;
  Click(view.m_btnRefresh);
  EXPECT_EQ(RowTexts(view.m_listAdapters, 2), Rows{"Scripted Adapter eth0|0.0.0.0"});
}

// Each check that fails is said once, in plain words, and skips the polls;
// the lists are rebuilt all the same. The adapter checked is the one the call
// would concern: found by the row's index in the snapshot the click took, not
// by the row's position. With no row at all, nothing happens.
TEST_F(Lease, EachFailedCheckIsReportedOnceAndNotPolled) {
  AdapterRecord tunnel = Dhcp(6, "tun0", "10.0.0.6");
  tunnel.canHoldLease = false;
  adapters->OnRelease([](ScriptedProvider&, std::uint32_t) { return DWORD{ERROR_ACCESS_DENIED}; });
  CAdapterView& view =
      Start({ScriptedAdapter(4, "eth0", "10.0.0.4"), Dhcp(5, "eth1", "10.0.0.5"), tunnel});
  Click(view.m_btnRelease);
  Click(view.m_btnRenew);  // its release step and its renew step each say it
  EXPECT_EQ(adapters->TableQueries(), 0);
  ClickRow(view.m_listAdapters, 1);
  EXPECT_EQ(PollsOf(view.m_btnRelease), 0);
  EXPECT_EQ(lorvane::afx::State().nWaitCursorCount, 0);
  adapters->FailInterfaceTable(ERROR_NOT_ENOUGH_MEMORY, 2);  // both calls
  EXPECT_EQ(PollsOf(view.m_btnRelease), 0);
  ClickRow(view.m_listAdapters, 2);  // not in the interface table
  EXPECT_EQ(PollsOf(view.m_btnRelease), 0);
  EXPECT_EQ(Said(), (Rows{Error(kNoDhcp), Error(kNoDhcp), Error(kNoDhcp),
                          Error("Could not release the DHCP lease: Lorvane may not change the "
                                "network settings; start it as an administrator (error 5)."),
                          Error("Could not read the list of network interfaces (error 8)."),
                          Error("The selected network adapter cannot hold a DHCP lease now.")}));
  EXPECT_EQ(adapters->LeaseCalls(), (Calls{{kRelease, 5}}));
  EXPECT_TRUE(clock->sleeps.empty());

  boxes.clear();
  adapters->SetAdapters({ScriptedAdapter(5, "eth1", "10.0.0.5"), Dhcp(9, "eth9", "10.0.0.9")});
  ClickRow(view.m_listAdapters, 1);  // takes the new snapshot, keeps the rows
  ASSERT_EQ(view.m_listAdapters.GetItemData(1), 5u);
  Click(view.m_btnRelease);
  EXPECT_EQ(Said(), Rows{Error(kNoDhcp)});

  adapters->SetAdapters({});
  Click(view.m_btnRefresh);
  Click(view.m_btnRelease);
  Click(view.m_btnRenew);
  EXPECT_EQ(boxes.size(), 1u);
  EXPECT_EQ(adapters->LeaseCalls(), (Calls{{kRelease, 5}}));

  // Nor is an interface table with nothing in it one that could not be read.
  boxes.clear();
  adapters->SetAdapters({tunnel});
  Click(view.m_btnRefresh);
  ClickRow(view.m_listAdapters, 0);
  Click(view.m_btnRelease);
  EXPECT_EQ(Said(), Rows{Error("The selected network adapter cannot hold a DHCP lease now.")});
}

}  // namespace
