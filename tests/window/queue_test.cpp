// The message loop: order of posted messages and WM_QUIT, waiting in Qt's
// loop, input to disabled windows, closing, and windows destroyed from
// inside their own handlers.
#include <gtest/gtest.h>

#include <QCursor>
#include <QGuiApplication>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <stdexcept>

#include "platform/window/test_support.h"
#include "recorder.h"

namespace {

using lorvane::test::Recorder;
namespace wt = lorvane::window::testing;

class Queue : public ::testing::Test {
 protected:
  void SetUp() override {
    top = recorder.Create(WS_OVERLAPPEDWINDOW, 0, 0, 247, 363);
    ShowWindow(top, SW_SHOW);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(wt::WidgetOf(top)));
    recorder.Clear();
  }
  void TearDown() override {
    recorder.onMessage = nullptr;  // its captures die with the test body
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    wt::DestroyAllWindows();
  }
  Recorder recorder;
  HWND top = nullptr;
};

TEST_F(Queue, QuitComesAfterEveryPostedMessageAndCarriesTheExitCode) {
  PostQuitMessage(3);
  PostMessageA(top, WM_USER + 1, 0, 0);
  PostMessageA(top, WM_USER + 2, 0, 0);
  MSG msg{};
  // A range filter passes over other messages; WM_QUIT waits for the queue.
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_USER + 2, WM_USER + 2, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 2));
  ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 1));
  EXPECT_EQ(msg.hwnd, top);
  EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), FALSE);
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 3u);
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_FALSE(PostMessageA(reinterpret_cast<HWND>(0x7FFFFFF0), WM_USER, 0, 0));
}

TEST_F(Queue, GetMessageWaitsInQtsLoopForAPostedMessage) {
  QTimer::singleShot(20, [this] { PostMessageA(top, WM_USER + 7, 1, 2); });
  MSG msg{};
  ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 7));
  DispatchMessageA(&msg);
  const auto got = recorder.Messages(WM_USER + 7);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].wParam, 1u);
  EXPECT_EQ(got[0].lParam, 2);
}

TEST_F(Queue, MouseReachesAnEnabledWindowOnlyInClientCoordinates) {
  QWidget* client = wt::ClientWidgetOf(top);
  QTest::mouseClick(client, Qt::LeftButton, {}, QPoint(30, 40));
  auto downs = recorder.Messages(WM_LBUTTONDOWN);
  ASSERT_EQ(downs.size(), 1u);
  EXPECT_EQ(LOWORD(downs[0].lParam), 30);
  EXPECT_EQ(HIWORD(downs[0].lParam), 40);
  EXPECT_EQ(recorder.Messages(WM_LBUTTONDOWN).size(), 1u);
  recorder.Clear();
  EnableWindow(top, FALSE);
  QTest::mouseClick(client, Qt::LeftButton, {}, QPoint(30, 40));
  QTest::keyClick(client, Qt::Key_A);
  wt::PumpMessages();
  EXPECT_TRUE(recorder.Messages(WM_LBUTTONDOWN).empty());
  EXPECT_TRUE(recorder.Messages(WM_KEYDOWN).empty());
  EXPECT_EQ(recorder.Messages(WM_ENABLE).size(), 1u);
}

TEST_F(Queue, ClosingTheQtWindowGoesThroughSysCommandAndClose) {
  const QPointer<QWidget> widget = wt::WidgetOf(top);
  widget->close();
  std::vector<UINT> seen;
  for (const auto& r : recorder.Log())
    if (r.message == WM_SYSCOMMAND || r.message == WM_CLOSE || r.message == WM_DESTROY)
      seen.push_back(r.message);
  EXPECT_EQ(seen, (std::vector<UINT>{WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY}));
  EXPECT_FALSE(IsWindow(top));
  wt::PumpMessages();
  EXPECT_TRUE(widget.isNull()) << "the widget is deleted once its event is over";
}

TEST_F(Queue, ButtonMayDestroyItsParentFromItsOwnClick) {
  HWND child =
      recorder.Create(WS_CHILD | WS_VISIBLE, 0, 0, 200, 200, top, reinterpret_cast<HMENU>(1));
  HWND button = CreateWindowExA(0, "Button", "Release", WS_CHILD | WS_VISIBLE, 2, 91, 60, 18, child,
                                reinterpret_cast<HMENU>(202), nullptr, nullptr);
  recorder.onMessage = [&](HWND window, UINT message, WPARAM wParam, LPARAM, LRESULT*) {
    if (window == child && message == WM_COMMAND && LOWORD(wParam) == 202) DestroyWindow(child);
    return false;
  };
  const QPointer<QWidget> widget = wt::WidgetOf(button);
  QTest::mouseClick(widget, Qt::LeftButton);
  EXPECT_FALSE(IsWindow(button));
  EXPECT_FALSE(IsWindow(child));
  EXPECT_TRUE(IsWindow(top));
  wt::PumpMessages();
  EXPECT_TRUE(widget.isNull());
}

// Nothing may unwind through Qt's event dispatch: what a window procedure
// throws stops where Qt called in, through the event filter (a mouse
// message) or a control's signal (BN_CLICKED), and the next event is handled.
TEST_F(Queue, AnExceptionFromAWindowProcedureStopsBeforeQt) {
  HWND button = CreateWindowExA(0, "Button", "Go", WS_CHILD | WS_VISIBLE, 2, 2, 60, 18, top,
                                reinterpret_cast<HMENU>(202), nullptr, nullptr);
  int failuresLeft = 2;
  recorder.onMessage = [&](HWND, UINT message, WPARAM, LPARAM, LRESULT*) -> bool {
    if ((message == WM_LBUTTONDOWN || message == WM_COMMAND) && failuresLeft-- > 0)
      throw std::runtime_error("handler failed");
    return false;
  };
  testing::internal::CaptureStderr();
  for (int round = 0; round < 2; ++round) {
    QTest::mouseClick(wt::ClientWidgetOf(top), Qt::LeftButton, {}, QPoint(100, 100));
    QTest::mouseClick(wt::WidgetOf(button), Qt::LeftButton);
  }
  EXPECT_NE(testing::internal::GetCapturedStderr().find("handler failed"), std::string::npos);
  EXPECT_EQ(recorder.Messages(WM_LBUTTONDOWN).size(), 2u);
  EXPECT_EQ(recorder.Commands().size(), 2u);
}

LRESULT CALLBACK Refuse(int code, WPARAM, LPARAM) { return code == HCBT_CREATEWND ? 1 : 0; }

TEST_F(Queue, HookRefusingCreationLeavesNoWindow) {
  const std::size_t before = recorder.Log().size();
  HHOOK hook = SetWindowsHookExA(WH_CBT, Refuse, nullptr, 0);
  EXPECT_EQ(recorder.Create(WS_CHILD, 0, 0, 10, 10, top, reinterpret_cast<HMENU>(9)), nullptr);
  UnhookWindowsHookEx(hook);
  EXPECT_EQ(recorder.Log().size(), before);  // not even WM_NCCREATE
  EXPECT_EQ(GetWindow(top, GW_CHILD), nullptr);
}

TEST_F(Queue, WaitCursorShowsOverEveryWindowUntilAnotherIsSet) {
  HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
  HCURSOR wait = LoadCursorA(nullptr, IDC_WAIT);
  ASSERT_NE(wait, nullptr);
  EXPECT_NE(wait, arrow);
  EXPECT_EQ(LoadCursorA(nullptr, IDC_WAIT), wait);
  const HCURSOR before = SetCursor(wait);
  ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
  EXPECT_EQ(GetCursor(), wait);
  EXPECT_EQ(SetCursor(before), wait);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

}  // namespace
