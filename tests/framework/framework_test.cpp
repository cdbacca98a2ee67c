// The framework with resources of its own, on the offscreen platform: the
// application's loop with its accelerators and the end of the main window,
// menu items enabled by the command route, an exception out of a handler
// (stopped where the framework calls the window procedure or dispatches,
// reported once, the next message handled), the wait cursor, modal dialogs
// and windows whose creation fails.
#include <afxwin.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <functional>
#include <new>
#include <stdexcept>

#include "platform/window/resources.h"
#include "platform/window/test_support.h"
#include "support/windows_up.h"

namespace {

using lorvane::window::testing::WidgetOf;
constexpr UINT kFrameId = 300, kDialogId = 400, kButtonId = 201;
constexpr UINT kCmdFrame = 40001;   // served by the frame's table
constexpr UINT kCmdApp = 40002;     // served by the application's table
constexpr UINT kCmdNobody = 40003;  // served by no one
constexpr int kEditId = 1001;
constexpr UINT kFailInPreTranslate = WM_USER + 5;
constexpr char kBadAlloc[] = "An operation failed and was abandoned: std::bad_alloc";

std::vector<std::string> events;  // what handlers did, in order

class TestApp : public CWinApp {
 public:
  BOOL InitInstance() override { return TRUE; }

 protected:
  afx_msg void OnAppCommand() { events.push_back("app"); }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(TestApp, CWinApp)
ON_COMMAND(kCmdApp, OnAppCommand)
END_MESSAGE_MAP()

lorvane::window::Resources TestResources() {
  lorvane::window::Resources r;
  const std::vector<lorvane::window::MenuItem> commands = {
      {"&Frame", kCmdFrame, 0, {}}, {"&App", kCmdApp, 0, {}}, {"&Nobody", kCmdNobody, 0, {}}};
  r.menus = {{kFrameId, {{"&Commands", 0, 0, commands}}}};
  r.accelerators = {{kFrameId,
                     {{FVIRTKEY | FCONTROL, 'K', static_cast<WORD>(kCmdFrame)},
                      {FVIRTKEY | FCONTROL, 'J', static_cast<WORD>(kCmdNobody)}}}};
  lorvane::window::DialogTemplate d;
  d.id = kDialogId;
  d.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
  d.cx = 120;
  d.cy = 60;
  d.caption = "Test Dialog";
  d.fontName = "MS Sans Serif";
  d.pointSize = 8;
  const DWORD child = WS_CHILD | WS_VISIBLE;
  d.items = {{"Edit", kEditId, "", 5, 16, 100, 12, child | WS_BORDER | WS_TABSTOP, 0},
             {"Button", IDOK, "OK", 10, 40, 40, 14, child | WS_TABSTOP | BS_DEFPUSHBUTTON, 0},
             {"Button", IDCANCEL, "Cancel", 60, 40, 40, 14, child | WS_TABSTOP, 0}};
  r.dialogs = {d};
  return r;
}

void Pump() { lorvane::window::testing::PumpMessages(); }

class TestFrame : public CFrameWnd {
 public:
  ~TestFrame() override { events.push_back("deleted"); }
  BOOL PreTranslateMessage(MSG* pMsg) override {
    if (pMsg->message == kFailInPreTranslate) throw std::runtime_error("pre-translate");
    return CFrameWnd::PreTranslateMessage(pMsg);
  }

  // A greyed item's accelerator must send nothing.
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    if (LOWORD(wParam) == kCmdNobody) events.push_back("greyed sent");
    return CFrameWnd::OnCommand(wParam, lParam);
  }

  int failuresLeft = 0;

 protected:
  void Handle(const std::string& what) {
    events.push_back(what);
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

// The test's frame, shown, with a button, as the application's main window.
class Frame : public ::testing::Test {
 protected:
  void SetUp() override {
    BeginWindowTest(TestResources(), SIZE{1280, 1024}, &boxes);
    events.clear();
    ASSERT_TRUE(AfxWinInit(::GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOW));
    app.m_pMainWnd = frame;
    ASSERT_TRUE(frame->LoadFrame(kFrameId));
    frame->ShowWindow(SW_SHOW);
    ASSERT_TRUE(button.Create("Go", WS_CHILD | WS_VISIBLE, RECT{5, 5, 65, 25}, frame, kButtonId));
    Pump();
  }
  void TearDown() override {
    EndWindowTest();
    app.m_pMainWnd = nullptr;
  }
  void Click() { QTest::mouseClick(WidgetOf(button.m_hWnd), Qt::LeftButton); }

  std::vector<lorvane::window::MessageBoxRequest> boxes;  // asked for while the hook was set
  TestApp app;
  TestFrame* frame = new TestFrame;  // deletes itself with its window
  CButton button;
};

// Asked when the popup opens: the frame's command and the application's are
// enabled; one nobody serves is greyed. Then through the application's own
// loop, where keys are translated: Ctrl+K is the frame's command by
// accelerator and K alone is none; Ctrl+J's command, which nobody serves, is
// greyed and sends nothing. Exit ends the loop and deletes the frame.
TEST_F(Frame, APopupGreysWhatNoneServesAndTheLoopRunsOnlyEnabledCommandsAndOutlivesFailures) {
  QMenuBar* bar = lorvane::window::testing::MenuBarOf(frame->m_hWnd);
  ASSERT_NE(bar, nullptr);
  QMenu* popup = bar->actions().at(0)->menu();
  popup->popup(bar->mapToGlobal(QPoint(0, bar->height())));
  Pump();
  EXPECT_TRUE(events.empty()) << "asking who serves a command runs no handler";
  std::vector<bool> enabled;  // kCmdFrame, kCmdApp, kCmdNobody
  for (const QAction* action : popup->actions()) enabled.push_back(action->isEnabled());
  EXPECT_EQ(enabled, (std::vector<bool>{true, true, false}));
  popup->hide();

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
  EXPECT_EQ(events, (std::vector<std::string>{"frame 0", "frame 1", "frame 0", "deleted"}));
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[1].text, kBadAlloc);
  EXPECT_EQ(boxes[2].text, "An operation failed and was abandoned: pre-translate");
}

TEST_F(Frame, AFailedClickIsReportedOnceAndTheNextClickIsHandledAndTheWaitCursor) {
  frame->failuresLeft = 1;
  testing::internal::CaptureStderr();
  Click();
  const std::string err = testing::internal::GetCapturedStderr();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, kBadAlloc);
  EXPECT_EQ(boxes[0].type, UINT(MB_OK | MB_ICONSTOP));
  EXPECT_EQ(boxes[0].owner, frame->m_hWnd);
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  EXPECT_NE(err.find("std::bad_alloc"), std::string::npos) << err;
  Click();
  EXPECT_EQ(events, (std::vector<std::string>{"clicked", "clicked"}));
  EXPECT_EQ(boxes.size(), 1u);

  // The box's own loop runs handlers too; one that fails there only goes to
  // stderr, or a handler that keeps failing would stack boxes without end.
  events.clear();
  frame->failuresLeft = 4;
  lorvane::window::SetMessageBoxHook([&](const lorvane::window::MessageBoxRequest& request) {
    boxes.push_back(request);
    frame->PostMessage(WM_COMMAND, kCmdFrame);
    Pump();
    return IDOK;
  });
  Click();
  EXPECT_EQ(boxes.size(), 2u);
  EXPECT_EQ(events, (std::vector<std::string>{"clicked", "frame 0"}));
  Click();  // the box is gone: the next failure gets one again
  EXPECT_EQ(boxes.size(), 3u);

  // Qt's wait cursor is over every window while a CWaitCursor lives.
  {
    CWaitCursor wait;
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
  }
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

class NameDialog : public CDialog {
 public:
  explicit NameDialog(CWnd* pParent) : CDialog(kDialogId, pParent) {}
  CEdit m_editName;

 protected:
  void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, kEditId, m_editName); }
};

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

// The two ways to cancel that no program dialog handles itself, from a
// dialog centred on its owner.
TEST_F(Frame, EscapeAndTheCloseBoxCancelADialogAndAWindowThatRefusesIsNotMade) {
  const std::pair<const char*, std::function<void(HWND)>> ways[] = {
      {"Escape", [](HWND) { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape); }},
      {"close box", [](HWND hDlg) { ::SendMessageA(hDlg, WM_SYSCOMMAND, SC_CLOSE, 0); }},
  };
  for (const auto& way : ways) {
    SCOPED_TRACE(way.first);
    const auto& act = way.second;  // a lambda may not capture a structured binding
    NameDialog dlg(frame);
    bool checked = false;
    WhenAnotherWindowIsUp(frame->m_hWnd, [&](HWND hDlg) {
      checked = true;
      RECT o, d;
      ::GetWindowRect(frame->m_hWnd, &o);
      ::GetWindowRect(hDlg, &d);
      EXPECT_LE(std::abs((o.left + o.right) - (d.left + d.right)), 1);
      EXPECT_LE(std::abs((o.top + o.bottom) - (d.top + d.bottom)), 1);
      act(hDlg);
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(checked);
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_EQ(dlg.m_editName.m_hWnd, nullptr) << "the bound control went with the dialog";
  }

  // A window whose creation refuses or throws is not made and is cleaned up once.
  for (bool throws : {false, true}) {
    RefusingWnd wnd(throws);
    EXPECT_FALSE(wnd.Create(nullptr, nullptr, WS_CHILD, RECT{0, 0, 10, 10}, frame, 9));
    EXPECT_EQ(wnd.m_hWnd, nullptr);
    EXPECT_EQ(::GetDlgItem(frame->m_hWnd, 9), nullptr);
    EXPECT_EQ(wnd.postNcDestroyCalls, 1) << throws;
  }
}

}  // namespace
