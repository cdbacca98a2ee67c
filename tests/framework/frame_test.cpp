// The frame: the application's loop with its accelerators and the end of the
// main window, menu items enabled by the command route, and an exception out
// of a handler: stopped where the framework calls the window procedure or
// dispatches, reported once, and the next message handled. The wait cursor.
#include <QCursor>
#include <QGuiApplication>
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

  // A greyed item's accelerator must send nothing.
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    if (LOWORD(wParam) == kCmdNobody) Events().push_back("greyed sent");
    return CFrameWnd::OnCommand(wParam, lParam);
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
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(TestFrame, CFrameWnd)
ON_BN_CLICKED(kButtonId, OnClicked)
ON_COMMAND(kCmdFrame, OnFrameCommand)
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
using AppServices = FrameworkTest;

// Through the application's own loop, where keys are translated: Ctrl+K is
// the frame's command by accelerator and K alone is none; Ctrl+J's command,
// which nobody serves, is greyed and sends nothing. Exit ends the loop and
// deletes the frame.
TEST_F(Frame, TheLoopTranslatesKeysRunsOnlyEnabledCommandsAndOutlivesFailures) {
  frame->failuresLeft = 2;
  QWidget* focus = QApplication::focusWidget();
  ASSERT_NE(focus, nullptr);
  frame->PostMessage(WM_COMMAND, kCmdFrame);
  QTest::keyClick(focus, Qt::Key_K, Qt::ControlModifier);
  QTest::keyClick(focus, Qt::Key_K);
  QTest::keyClick(focus, Qt::Key_J, Qt::ControlModifier);
  frame->PostMessage(kFailInPreTranslate);
  frame->PostMessage(WM_COMMAND, kCmdFrame);
  frame->PostMessage(WM_COMMAND, ID_APP_EXIT);
  EXPECT_EQ(app.Run(), 0);
  EXPECT_EQ(Events(), (std::vector<std::string>{"frame 0", "frame 1", "frame 0", "deleted"}));
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[1].text, kBadAlloc);
  EXPECT_EQ(boxes[2].text, "An operation failed and was abandoned: pre-translate");
  EXPECT_EQ(app.m_pMainWnd, nullptr);
}

// Asked when the popup opens: the frame's command and the application's are
// enabled; one nobody serves is greyed.
TEST_F(Frame, APopupGreysWhatNoneServes) {
  QMenuBar* bar = lorvane::window::testing::MenuBarOf(frame->m_hWnd);
  ASSERT_NE(bar, nullptr);
  QMenu* popup = bar->actions().at(0)->menu();
  popup->popup(bar->mapToGlobal(QPoint(0, bar->height())));
  Pump();
  EXPECT_TRUE(Events().empty()) << "asking who serves a command runs no handler";
  std::vector<bool> enabled;  // kCmdFrame, kCmdApp, kCmdNobody
  for (const QAction* action : popup->actions()) enabled.push_back(action->isEnabled());
  EXPECT_EQ(enabled, (std::vector<bool>{true, true, false}));
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

// Qt's wait cursor is over every window while a CWaitCursor lives.
TEST_F(AppServices, TheWaitCursorShowsOverEveryWindowWhileItLives) {
  {
    CWaitCursor wait;
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
  }
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

}  // namespace
