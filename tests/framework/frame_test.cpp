// The frame: what LoadFrame takes from one resource id, the first pane kept
// filling the client area, command routing frame -> application, menu items
// enabled by the route, accelerators, and the end of the main window.
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include "fixture.h"
#include "platform/window/test_support.h"

using lorvane::window::testing::WidgetOf;

namespace {

class TestFrame : public CFrameWnd {
 public:
  explicit TestFrame(bool* deleted) : m_deleted(deleted) {}
  ~TestFrame() override { *m_deleted = true; }

 protected:
  afx_msg void OnFrameCommand() {
    Events().push_back("frame " + std::to_string(GetCurrentMessage()->wParam >> 16));
  }
  afx_msg void OnVetoed() { Events().push_back("vetoed ran"); }
  afx_msg void OnUpdateVetoed(CCmdUI* pCmdUI) { pCmdUI->ContinueRouting(); }

 private:
  bool* m_deleted;
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(TestFrame, CFrameWnd)
ON_COMMAND(kCmdFrame, OnFrameCommand)
ON_COMMAND(kCmdVetoed, OnVetoed)
ON_UPDATE_COMMAND_UI(kCmdVetoed, OnUpdateVetoed)
END_MESSAGE_MAP()

class Frame : public FrameworkTest {
 protected:
  void SetUp() override {
    FrameworkTest::SetUp();
    app.m_pMainWnd = frame;
    ASSERT_TRUE(frame->LoadFrame(kFrameId));
    frame->ShowWindow(SW_SHOW);
    Pump();
  }
  bool deleted = false;
  TestFrame* frame = new TestFrame(&deleted);  // deletes itself with its window
};

TEST_F(Frame, OneIdGivesTitleMenuIconAndKeysThePaneFillsTheClientAreaAndExitEndsTheLoop) {
  char text[64];
  ::GetWindowTextA(frame->m_hWnd, text, sizeof text);
  EXPECT_STREQ(text, "Frame Title");  // the first part of the string only
  ::GetMenuStringA(::GetMenu(frame->m_hWnd), 0, text, sizeof text, MF_BYPOSITION);
  EXPECT_STREQ(text, "&Commands");
  EXPECT_EQ(
      ::GetClassLongPtrA(frame->m_hWnd, GCL_HICON),
      reinterpret_cast<ULONG_PTR>(::LoadIconA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(kFrameId))));
  // The frame's client area gets a sunken edge unless a subclass takes it off.
  EXPECT_TRUE(frame->GetExStyle() & WS_EX_CLIENTEDGE);

  CWnd pane, other;
  ASSERT_TRUE(pane.Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, RECT{0, 0, 0, 0}, frame,
                          AFX_IDW_PANE_FIRST));
  ASSERT_TRUE(other.Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, RECT{3, 4, 13, 14}, frame, 5));
  frame->SetWindowPos(nullptr, 0, 0, 400, 300, SWP_NOZORDER | SWP_NOMOVE);
  EXPECT_EQ(Str(ClientRect(pane.m_hWnd)), Str(ClientRect(frame->m_hWnd)));
  // A resize that comes from Qt, as a window manager's would.
  WidgetOf(frame->m_hWnd)->resize(520, 410);
  Pump();
  EXPECT_GT(ClientRect(frame->m_hWnd).right, 400);
  EXPECT_EQ(Str(ClientRect(pane.m_hWnd)), Str(ClientRect(frame->m_hWnd)));
  RECT otherRect = WindowRect(other.m_hWnd);
  ::MapWindowPoints(nullptr, frame->m_hWnd, reinterpret_cast<POINT*>(&otherRect), 2);
  EXPECT_EQ(Str(otherRect), "(3, 4, 13, 14)");

  // Through the application's own loop: keys are translated there.
  pane.SetFocus();
  Pump();
  ASSERT_NE(QApplication::focusWidget(), nullptr);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_K, Qt::ControlModifier);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_J, Qt::ControlModifier);
  frame->SendMessage(WM_COMMAND, kCmdVetoed);  // straight to the frame: no better
  frame->PostMessage(WM_COMMAND, ID_APP_EXIT);
  EXPECT_EQ(app.Run(), 0);
  EXPECT_EQ(Events(), (std::vector<std::string>{"frame 1"}))
      << "Ctrl+K arrives as an accelerator command; Ctrl+J's command is disabled";
  EXPECT_TRUE(deleted);
  EXPECT_EQ(app.m_pMainWnd, nullptr);
  EXPECT_EQ(AfxGetMainWnd(), nullptr);
}

TEST_F(Frame, CommandsGoToTheFrameThenTheApplicationAndAPopupGreysWhatNoneServes) {
  EXPECT_TRUE(frame->OnCmdMsg(kCmdFrame, CN_COMMAND, nullptr, nullptr));
  EXPECT_TRUE(frame->OnCmdMsg(kCmdApp, CN_COMMAND, nullptr, nullptr));
  EXPECT_FALSE(frame->OnCmdMsg(kCmdNobody, CN_COMMAND, nullptr, nullptr));
  EXPECT_EQ(Events(), (std::vector<std::string>{"frame 0", "app 40002"}));
  AFX_CMDHANDLERINFO info{};
  EXPECT_TRUE(frame->OnCmdMsg(ID_APP_EXIT, CN_COMMAND, nullptr, &info));
  EXPECT_EQ(info.pTarget, &app) << "Exit is the application's";
  EXPECT_EQ(Events().size(), 2u) << "a query runs no handler";

  auto* bar = lorvane::window::testing::MenuBarOf(frame->m_hWnd);
  ASSERT_NE(bar, nullptr);
  QMenu* popup = bar->actions().at(0)->menu();
  popup->popup(bar->mapToGlobal(QPoint(0, bar->height())));
  Pump();
  HMENU hPopup = ::GetSubMenu(::GetMenu(frame->m_hWnd), 0);
  std::vector<bool> grayed;
  for (UINT id : {kCmdFrame, kCmdApp, kCmdNobody, kCmdVetoed})
    grayed.push_back(::GetMenuState(hPopup, id, MF_BYCOMMAND) & MF_GRAYED);
  EXPECT_EQ(grayed, (std::vector<bool>{false, false, true, true}));
  const QList<QAction*> actions = popup->actions();
  ASSERT_EQ(actions.size(), 5);
  EXPECT_TRUE(actions[0]->isEnabled());
  EXPECT_FALSE(actions[2]->isEnabled());
  popup->hide();
}

}  // namespace
