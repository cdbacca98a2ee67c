// Message tables: which handler a window message, a control notification or
// a command reaches, and what happens to what no table lists.
#include <QApplication>
#include <QHeaderView>
#include <QTest>
#include <QTreeView>

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
  int postNcDestroyCalls = 0;

 protected:
  afx_msg int OnCreate(LPCREATESTRUCT) { return -1; }
  void PostNcDestroy() override { ++postNcDestroyCalls; }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(RefusingWnd, CWnd)
ON_WM_CREATE()
END_MESSAGE_MAP()

HWND MakeHost() {
  HWND host = ::CreateWindowExA(0, AfxRegisterWndClass(0), "host", WS_OVERLAPPEDWINDOW, 10, 10, 400,
                                300, nullptr, nullptr, nullptr, nullptr);
  ::ShowWindow(host, SW_SHOW);
  return host;
}

using MessageTable = FrameworkTest;

TEST_F(MessageTable, AMessageGoesToTheMostDerivedEntryElseToTheBaseClassTable) {
  HWND host = MakeHost();
  DerivedWnd wnd;
  ASSERT_TRUE(wnd.Create(nullptr, "child", WS_CHILD | WS_VISIBLE, RECT{0, 0, 50, 50},
                         CWnd::FromHandle(host), 7));
  Events().clear();

  wnd.SendMessage(WM_CLOSE);  // listed by both: the derived entry wins
  wnd.SetWindowPos(nullptr, 0, 0, 120, 40, SWP_NOZORDER | SWP_NOMOVE);  // only the base lists it

  EXPECT_EQ(Events(), (std::vector<std::string>{"derived close", "base size 120"}));
  EXPECT_TRUE(::IsWindow(wnd.m_hWnd)) << "WM_CLOSE was handled, not passed on to destroy";
}

TEST_F(MessageTable, ControlNotificationsReachTheEntryOfTheirIdAndCode) {
  HWND host = MakeHost();
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
  const QRect row = view->visualRect(view->model()->index(0, 0));
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, row.center());
  Pump();

  EXPECT_EQ(Events(), (std::vector<std::string>{"clicked 201", "list click 200 code -2"}));
}

TEST_F(MessageTable, AWindowThatRefusesCreationIsCleanedUpOnce) {
  HWND host = MakeHost();
  RefusingWnd wnd;
  EXPECT_FALSE(
      wnd.Create(nullptr, nullptr, WS_CHILD, RECT{0, 0, 10, 10}, CWnd::FromHandle(host), 9));
  EXPECT_EQ(wnd.m_hWnd, nullptr);
  EXPECT_EQ(::GetDlgItem(host, 9), nullptr);
  EXPECT_EQ(wnd.postNcDestroyCalls, 1);
}

}  // namespace
