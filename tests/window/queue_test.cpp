// The message loop: order of posted messages and WM_QUIT, waiting in Qt's
// loop, input to disabled windows, closing, windows destroyed from inside
// their own handlers, exceptions and the wait cursor.
#include <gtest/gtest.h>

#include <QCursor>
#include <QGuiApplication>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <stdexcept>

#include "recorder.h"

namespace {

namespace wt = lorvane::window::testing;

class Queue : public lorvane::test::WindowTest {
 protected:
  void SetUp() override { ShowTop(); }
};

TEST_F(Queue, GetMessageWaitsInQtsLoopAndQuitComesAfterEveryPostedMessage) {
  QTimer::singleShot(20, [this] { PostMessageA(top, WM_USER + 7, 1, 2); });
  MSG msg{};
  ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
  DispatchMessageA(&msg);
  const auto got = recorder.Messages(WM_USER + 7);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].wParam, 1u);
  EXPECT_EQ(got[0].lParam, 2);

  PostQuitMessage(3);
  PostMessageA(top, WM_USER + 1, 0, 0);
  PostMessageA(top, WM_USER + 2, 0, 0);
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

TEST_F(Queue, MouseReachesAnEnabledWindowOnlyInClientCoordinates) {
  QWidget* client = wt::ClientWidgetOf(top);
  QTest::mouseClick(client, Qt::LeftButton, {}, QPoint(30, 40));
  const auto downs = recorder.Messages(WM_LBUTTONDOWN);
  ASSERT_EQ(downs.size(), 1u);
  EXPECT_EQ(LOWORD(downs[0].lParam), 30);
  EXPECT_EQ(HIWORD(downs[0].lParam), 40);
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
  HWND button = Control("Button", "Release", 202, 0, 2, 91, 60, 18, child);
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
  HWND button = Control("Button", "Go", 202, 0, 2, 2, 60, 18);
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

TEST_F(Queue, WaitCursorShowsOverEveryWindowUntilAnotherIsSet) {
  HCURSOR wait = LoadCursorA(nullptr, IDC_WAIT);
  ASSERT_NE(wait, nullptr);
  EXPECT_NE(wait, LoadCursorA(nullptr, IDC_ARROW));
  EXPECT_EQ(LoadCursorA(nullptr, IDC_WAIT), wait);
  const HCURSOR before = SetCursor(wait);
  ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
  EXPECT_EQ(GetCursor(), wait);
  EXPECT_EQ(SetCursor(before), wait);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

}  // namespace
