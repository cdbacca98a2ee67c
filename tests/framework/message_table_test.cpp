// Message tables: which handler a window message, a control notification or
// a command reaches, what happens to what no table lists, and windows whose
// creation fails.
#include <QTest>
#include <QTreeView>
#include <stdexcept>

#include "fixture.h"
#include "platform/window/test_support.h"

using lorvane::window::testing::WidgetOf;

namespace {

class BaseWnd : public CWnd {
 protected:
  afx_msg void OnSize(UINT, int cx, int) { Events().push_back("base size " + std::to_string(cx)); }
  afx_msg void OnClose() { Events().push_back("base close"); }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(BaseWnd, CWnd)
ON_WM_SIZE()
ON_WM_CLOSE()
END_MESSAGE_MAP()

class DerivedWnd : public BaseWnd {
 protected:
  afx_msg void OnClose() { Events().push_back("derived close"); }
  afx_msg void OnClicked() { Events().push_back("clicked 201"); }
  afx_msg void OnListClick(NMHDR* pNMHDR, LRESULT*) {
    Events().push_back("list click " + std::to_string(pNMHDR->idFrom) + " code " +
                       std::to_string(static_cast<int>(pNMHDR->code)));
  }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(DerivedWnd, BaseWnd)
ON_WM_CLOSE()
ON_BN_CLICKED(201, OnClicked)
ON_NOTIFY(NM_CLICK, 200, OnListClick)
END_MESSAGE_MAP()

class RefusingWnd : public CWnd {
 public:
  explicit RefusingWnd(bool throws) : throws_(throws) {}
  int postNcDestroyCalls = 0;

 protected:
  afx_msg int OnCreate(LPCREATESTRUCT) {
    if (throws_) throw std::runtime_error("half made");
    return -1;
  }
  void PostNcDestroy() override { ++postNcDestroyCalls; }
  DECLARE_MESSAGE_MAP()

 private:
  bool throws_;
};
BEGIN_MESSAGE_MAP(RefusingWnd, CWnd)
ON_WM_CREATE()
END_MESSAGE_MAP()

class MessageTable : public FrameworkTest {
 protected:
  void SetUp() override {
    FrameworkTest::SetUp();
    host = ::CreateWindowExA(0, AfxRegisterWndClass(0), "host", WS_OVERLAPPEDWINDOW, 10, 10, 400,
                             300, nullptr, nullptr, nullptr, nullptr);
    ::ShowWindow(host, SW_SHOW);
  }
  HWND host = nullptr;
};

TEST_F(MessageTable, NotificationsReachTheEntryOfTheirIdAndCodeMessagesTheMostDerivedEntry) {
  DerivedWnd parent;
  ASSERT_TRUE(parent.Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, RECT{0, 0, 380, 260},
                            CWnd::FromHandle(host), 7));
  CButton listed, unlisted;
  ASSERT_TRUE(listed.Create("Go", WS_CHILD | WS_VISIBLE, RECT{5, 5, 65, 25}, &parent, 201));
  ASSERT_TRUE(unlisted.Create("No", WS_CHILD | WS_VISIBLE, RECT{70, 5, 130, 25}, &parent, 202));
  CListCtrl list;
  ASSERT_TRUE(list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL, RECT{5, 30, 300, 200},
                          &parent, 200));
  list.InsertColumn(0, "Name", LVCFMT_LEFT, 100);
  list.InsertItem(0, "first row");
  Pump();
  Events().clear();

  QTest::mouseClick(WidgetOf(unlisted.m_hWnd), Qt::LeftButton);
  QTest::mouseClick(WidgetOf(listed.m_hWnd), Qt::LeftButton);
  auto* view = qobject_cast<QTreeView*>(WidgetOf(list.m_hWnd));
  ASSERT_NE(view, nullptr);
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                    view->visualRect(view->model()->index(0, 0)).center());
  Pump();
  parent.SendMessage(WM_CLOSE);  // listed by both: the derived entry wins
  parent.SetWindowPos(nullptr, 0, 0, 120, 40, SWP_NOZORDER | SWP_NOMOVE);  // only the base's
  EXPECT_EQ(Events(), (std::vector<std::string>{"clicked 201", "list click 200 code -2",
                                                "derived close", "base size 120"}));
  EXPECT_TRUE(::IsWindow(parent.m_hWnd)) << "WM_CLOSE was handled, not passed on to destroy";

  // What the list's wrappers answer, a missing row's data being 0.
  EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 0);
  list.SetItemState(0, 0, LVIS_SELECTED);
  EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), -1);
  list.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
  EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 0);
  list.SetItem(0, 0, LVIF_PARAM, nullptr, 0, 0, 0, 77);
  EXPECT_EQ(list.GetItemData(0), 77u);
  EXPECT_EQ(list.GetItemData(1), 0u);
  EXPECT_EQ(list.GetItemData(-1), 0u);
}

TEST_F(MessageTable, AWindowWhoseCreateRefusesOrThrowsIsNotMadeAndCleanedUpOnce) {
  for (bool throws : {false, true}) {
    RefusingWnd wnd(throws);
    EXPECT_FALSE(
        wnd.Create(nullptr, nullptr, WS_CHILD, RECT{0, 0, 10, 10}, CWnd::FromHandle(host), 9));
    EXPECT_EQ(wnd.m_hWnd, nullptr);
    EXPECT_EQ(::GetDlgItem(host, 9), nullptr);
    EXPECT_EQ(wnd.postNcDestroyCalls, 1) << throws;
  }
}

}  // namespace
