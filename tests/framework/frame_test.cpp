// The frame: what LoadFrame takes from one resource id, the first pane kept
// filling the client area, command routing frame -> application, menu items
// enabled by the route, accelerators, the end of the main window, and an
// exception out of a handler: stopped where the framework calls the window
// procedure or dispatches, reported once, and the next message handled.
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <algorithm>
#include <new>
#include <stdexcept>

#include "fixture.h"
#include "platform/window/test_support.h"

using lorvane::window::testing::WidgetOf;

namespace {

constexpr UINT kButtonId = 201;
constexpr UINT kFailInPreTranslate = WM_USER + 5;
constexpr char kBadAlloc[] = "An operation failed and was abandoned: std::bad_alloc";

class TestFrame : public CFrameWnd {
 public:
  ~TestFrame() override { Events().push_back("deleted"); }
  BOOL PreTranslateMessage(MSG* pMsg) override {
    if (pMsg->message == kFailInPreTranslate) throw std::runtime_error("pre-translate");
    return CFrameWnd::PreTranslateMessage(pMsg);
  }

  int failuresLeft = 0;
  bool unwound = false;

 protected:
  void Handle(const std::string& what) {
    struct Guard {
      bool* unwound;
      ~Guard() { *unwound = true; }
    } guard{&unwound};
    Events().push_back(what);
    if (failuresLeft-- > 0) throw std::bad_alloc();
  }
  afx_msg void OnClicked() { Handle("clicked"); }
  afx_msg void OnFrameCommand() {
    Handle("frame " + std::to_string(GetCurrentMessage()->wParam >> 16));
  }
  afx_msg void OnVetoed() { Events().push_back("vetoed ran"); }
  afx_msg void OnUpdateVetoed(CCmdUI* pCmdUI) { pCmdUI->ContinueRouting(); }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(TestFrame, CFrameWnd)
ON_BN_CLICKED(kButtonId, OnClicked)
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
    ASSERT_TRUE(button.Create("Go", WS_CHILD | WS_VISIBLE, RECT{5, 5, 65, 25}, frame, kButtonId));
    Pump();
  }
  void Click() { QTest::mouseClick(WidgetOf(button.m_hWnd), Qt::LeftButton); }

  TestFrame* frame = new TestFrame;  // deletes itself with its window
  CButton button;
};

TEST_F(Frame, OneIdGivesTitleIconAndKeysThePaneFillsTheClientAreaTheLoopOutlivesFailures) {
  char title[64];
  ::GetWindowTextA(frame->m_hWnd, title, sizeof title);
  EXPECT_STREQ(title, "Frame Title");  // the first part of the string only
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

  // Through the application's own loop, where keys are translated: Ctrl+K
  // is the frame's command by accelerator, Ctrl+J's command is disabled.
  frame->failuresLeft = 2;
  pane.SetFocus();
  Pump();
  ASSERT_NE(QApplication::focusWidget(), nullptr);
  frame->PostMessage(WM_COMMAND, kCmdFrame);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_K, Qt::ControlModifier);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_J, Qt::ControlModifier);
  frame->SendMessage(WM_COMMAND, kCmdVetoed);  // straight to the frame: no better
  frame->PostMessage(kFailInPreTranslate);
  frame->PostMessage(WM_COMMAND, kCmdFrame);
  frame->PostMessage(WM_COMMAND, ID_APP_EXIT);
  EXPECT_EQ(app.Run(), 0);
  EXPECT_EQ(Events(), (std::vector<std::string>{"frame 0", "frame 1", "frame 0", "deleted"}));
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[1].text, kBadAlloc);
  EXPECT_EQ(boxes[2].text, "An operation failed and was abandoned: pre-translate");
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

  QMenuBar* bar = lorvane::window::testing::MenuBarOf(frame->m_hWnd);
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

TEST_F(Frame, AFailedClickIsReportedOnceUnwoundAndTheNextClickIsHandled) {
  frame->failuresLeft = 1;
  testing::internal::CaptureStderr();
  Click();
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(frame->unwound);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, kBadAlloc);
  EXPECT_EQ(boxes[0].caption, "Title Of Test");
  EXPECT_EQ(boxes[0].type, UINT(MB_OK | MB_ICONSTOP));
  EXPECT_EQ(boxes[0].owner, frame->m_hWnd);
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  EXPECT_NE(err.find("std::bad_alloc"), std::string::npos) << err;
  Click();
  EXPECT_EQ(Events(), (std::vector<std::string>{"clicked", "clicked"}));
  EXPECT_EQ(boxes.size(), 1u);

  // The box's own loop runs handlers too; one that fails there only goes to
  // stderr, or a handler that keeps failing would stack boxes without end.
  Events().clear();
  frame->failuresLeft = 4;
  lorvane::window::SetMessageBoxHook([&](const lorvane::window::MessageBoxRequest& request) {
    boxes.push_back(request);
    frame->PostMessage(WM_COMMAND, kCmdFrame);
    Pump();
    return IDOK;
  });
  Click();
  EXPECT_EQ(boxes.size(), 2u);
  EXPECT_EQ(Events(), (std::vector<std::string>{"clicked", "frame 0"}));
  Click();  // the box is gone: the next failure gets one again
  EXPECT_EQ(boxes.size(), 3u);
}

}  // namespace
