// Windows: their end, the frame and the Qt window around a client area,
// windows destroyed from inside their own handlers, and exceptions.

#include <QGuiApplication>
#include <QImage>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <stdexcept>

#include "recorder.h"

namespace {

using lorvane::test::Received;
namespace wt = lorvane::window::testing;
using Windows = lorvane::test::WindowTest;

TEST_F(Windows, DestroyingTellsTheParentThenItsChildrenAndNcDestroyComesLast) {
  HWND window = Create(WS_OVERLAPPEDWINDOW, 10, 10, 200, 100);
  HWND child = Create(WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, window, reinterpret_cast<HMENU>(7));
  HWND grandchild = Create(WS_CHILD, 0, 0, 10, 10, child, reinterpret_cast<HMENU>(8));
  log.clear();
  ASSERT_TRUE(DestroyWindow(window));
  std::vector<std::pair<HWND, UINT>> destroyed;
  for (const Received& r : log)
    if (r.message == WM_DESTROY || r.message == WM_NCDESTROY)
      destroyed.emplace_back(r.window, r.message);
  const std::vector<std::pair<HWND, UINT>> expected{
      {window, WM_DESTROY},       {child, WM_DESTROY},   {grandchild, WM_DESTROY},
      {grandchild, WM_NCDESTROY}, {child, WM_NCDESTROY}, {window, WM_NCDESTROY}};
  EXPECT_EQ(destroyed, expected);
  EXPECT_FALSE(IsWindow(child));
}

// Without the screen seam the screen is the real one. The client area is
// painted with the class brush.
TEST_F(Windows, TheQtWindowIsTheClientAreaAndMenuBarPlacedInsideTheFrame) {
  const QSize real = QGuiApplication::primaryScreen()->geometry().size();
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), real.width());
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), real.height());
  lorvane::window::Resources r;
  r.menus = {{1, {{"&File", 0, 0, {{"E&xit", 100, 0, {}}}}}}};
  lorvane::window::InstallResources(r);
  ShowTop(LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1)), 30, 40);
  // The client area sits below the frame, caption and menu bar; the frame's
  // rectangle and the client's size are checked on the program's main window.
  QWidget* client = wt::ClientWidgetOf(top);
  EXPECT_EQ(client->mapToGlobal(QPoint(0, 0)).y(),
            40 + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) +
                GetSystemMetrics(SM_CYMENU));
  EXPECT_EQ(wt::MenuBarOf(top)->height(), GetSystemMetrics(SM_CYMENU));
  EXPECT_EQ(client->grab().toImage().pixelColor(120, 150),
            QGuiApplication::palette().color(QPalette::Base));
}

// A button may destroy its parent from its own click; each widget is deleted
// once its event is over. Nothing may unwind through Qt's event dispatch: what
// a window procedure throws stops where Qt called in, through the event
// filter (WM_PAINT) or a control's signal (BN_CLICKED), and the next event is
// handled.
TEST_F(Windows, AWindowMayGoFromInsideItsOwnEventAndAnExceptionStopsBeforeQt) {
  ShowTop();
  HWND child = Create(WS_CHILD | WS_VISIBLE, 0, 0, 200, 200, top, reinterpret_cast<HMENU>(1));
  HWND button = Control("Button", "Release", 202, 0, 2, 91, 60, 18, child);
  onMessage = [&](HWND window, UINT message, WPARAM wParam, LPARAM, LRESULT*) {
    if (window == child && message == WM_COMMAND && LOWORD(wParam) == 202) DestroyWindow(child);
    return false;
  };
  const QPointer<QWidget> buttonWidget = wt::WidgetOf(button);
  QTest::mouseClick(buttonWidget, Qt::LeftButton);
  EXPECT_FALSE(IsWindow(button));
  EXPECT_FALSE(IsWindow(child));
  EXPECT_TRUE(IsWindow(top));
  wt::PumpMessages();
  EXPECT_TRUE(buttonWidget.isNull());

  button = Control("Button", "Go", 202, 0, 2, 2, 60, 18);
  log.clear();
  int failuresLeft = 2;
  onMessage = [&](HWND, UINT message, WPARAM, LPARAM, LRESULT*) -> bool {
    if ((message == WM_PAINT || message == WM_COMMAND) && failuresLeft-- > 0)
      throw std::runtime_error("handler failed");
    return false;
  };
  const std::size_t paintsBefore = Count(WM_PAINT);
  testing::internal::CaptureStderr();
  for (int round = 0; round < 2; ++round) {
    wt::ClientWidgetOf(top)->repaint();
    QTest::mouseClick(wt::WidgetOf(button), Qt::LeftButton);
  }
  EXPECT_NE(testing::internal::GetCapturedStderr().find("handler failed"), std::string::npos);
  EXPECT_GE(Count(WM_PAINT), paintsBefore + 2);
  EXPECT_EQ(Commands().size(), 2u);
}

}  // namespace
