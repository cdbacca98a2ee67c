// Window creation and destruction, geometry with the fixed frame, the screen
// seam, focus, painting through BeginPaint and DrawTextA; and the message
// loop: order of posted messages and WM_QUIT, waiting in Qt's loop, input to
// disabled windows, closing, windows destroyed from inside their own
// handlers, and exceptions.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <stdexcept>

#include "platform/window/seams.h"
#include "recorder.h"

namespace {

using lorvane::test::ClientRectOf;
using lorvane::test::Received;
using lorvane::test::WindowRectOf;
namespace wt = lorvane::window::testing;
using Windows = lorvane::test::WindowTest;

std::vector<HWND> hookSeen;
bool hookRefuses = false;
LRESULT CALLBACK CbtHook(int code, WPARAM wParam, LPARAM) {
  if (code != HCBT_CREATEWND) return 0;
  hookSeen.push_back(reinterpret_cast<HWND>(wParam));
  return hookRefuses ? 1 : 0;
}

TEST_F(Windows, CreationAsksTheHookThenNcCreateAndCreateEitherMayRefuseDestroyEndsWithChildren) {
  int marker = 0;
  std::vector<std::pair<UINT, LPVOID>> seen;
  bool refuseCreate = false;
  recorder.onMessage = [&](HWND window, UINT message, WPARAM, LPARAM lParam, LRESULT* result) {
    if (message != WM_NCCREATE && message != WM_CREATE) return false;
    seen.emplace_back(message, reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    EXPECT_EQ(hookSeen, std::vector<HWND>{window});  // the hook came first, once
    *result = -1;
    return message == WM_CREATE && refuseCreate;
  };
  hookSeen.clear();
  hookRefuses = false;
  const HHOOK hook = SetWindowsHookExA(WH_CBT, CbtHook, nullptr, 0);
  HWND window = recorder.Create(WS_OVERLAPPEDWINDOW, 10, 10, 200, 100, nullptr, nullptr, &marker);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(seen,
            (std::vector<std::pair<UINT, LPVOID>>{{WM_NCCREATE, &marker}, {WM_CREATE, &marker}}));
  char title[32];
  EXPECT_EQ(GetWindowTextA(window, title, sizeof title), 8);
  EXPECT_STREQ(title, "recorded");

  // WM_CREATE answering -1 destroys the window it was made for.
  hookSeen.clear();
  refuseCreate = true;
  recorder.Clear();
  EXPECT_EQ(recorder.Create(WS_OVERLAPPEDWINDOW, 0, 0, 100, 100), nullptr);
  ASSERT_EQ(hookSeen.size(), 1u);
  EXPECT_FALSE(IsWindow(hookSeen[0]));
  EXPECT_EQ(recorder.Messages(WM_DESTROY).size(), 1u);
  EXPECT_EQ(recorder.Messages(WM_NCDESTROY).size(), 1u);

  // A refusing hook leaves nothing: not even WM_NCCREATE.
  hookRefuses = true;
  recorder.Clear();
  EXPECT_EQ(recorder.Create(WS_CHILD, 0, 0, 10, 10, window, reinterpret_cast<HMENU>(9)), nullptr);
  EXPECT_TRUE(recorder.Log().empty());
  EXPECT_EQ(GetWindow(window, GW_CHILD), nullptr);

  // Destroying tells parents first, then children, and NCDESTROY last.
  UnhookWindowsHookEx(hook);
  bool validInNcDestroy = true;
  recorder.onMessage = [&](HWND window, UINT message, WPARAM, LPARAM, LRESULT*) {
    if (message == WM_NCDESTROY) validInNcDestroy &= IsWindow(window) != FALSE;
    return false;
  };
  HWND child =
      recorder.Create(WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, window, reinterpret_cast<HMENU>(7));
  HWND grandchild = recorder.Create(WS_CHILD, 0, 0, 10, 10, child, reinterpret_cast<HMENU>(8));
  EXPECT_EQ(GetDlgItem(window, 7), child);
  EXPECT_EQ(GetParent(grandchild), child);
  recorder.Clear();
  ASSERT_TRUE(DestroyWindow(window));
  std::vector<std::pair<HWND, UINT>> destroyed;
  for (const Received& r : recorder.Log())
    if (r.message == WM_DESTROY || r.message == WM_NCDESTROY)
      destroyed.emplace_back(r.window, r.message);
  const std::vector<std::pair<HWND, UINT>> expected{
      {window, WM_DESTROY},       {child, WM_DESTROY},   {grandchild, WM_DESTROY},
      {grandchild, WM_NCDESTROY}, {child, WM_NCDESTROY}, {window, WM_NCDESTROY}};
  EXPECT_EQ(destroyed, expected);
  EXPECT_TRUE(validInNcDestroy);
  EXPECT_FALSE(IsWindow(child));
  EXPECT_EQ(SendMessageA(window, WM_GETTEXTLENGTH, 0, 0), 0);  // a dead handle answers 0
  EXPECT_EQ(SendMessageA(nullptr, WM_GETTEXTLENGTH, 0, 0), 0);
}

TEST_F(Windows, TopLevelWindowRectIncludesFrameCaptionAndMenuChildRectsAreInClientCoordinates) {
  HMENU menu = CreateMenu();
  AppendMenuA(menu, MF_STRING, 100, "&File");
  HWND window = recorder.Create(WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, menu);
  recorder.Clear();
  ASSERT_TRUE(SetWindowPos(window, nullptr, 30, 40, 247, 363, SWP_NOZORDER));
  // WM_SIZE comes before SetWindowPos returns, with the new client size.
  const auto sizes = recorder.Messages(WM_SIZE);
  ASSERT_EQ(sizes.size(), 1u);
  EXPECT_EQ(LOWORD(sizes[0].lParam), 239);
  EXPECT_EQ(HIWORD(sizes[0].lParam), 317);
  EXPECT_EQ(Str(WindowRectOf(window)), "(30, 40, 277, 403)");
  EXPECT_EQ(Str(ClientRectOf(window)), "(0, 0, 239, 317)");
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  EXPECT_EQ(origin.x, 30 + GetSystemMetrics(SM_CXFRAME));
  EXPECT_EQ(origin.y, 40 + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) +
                          GetSystemMetrics(SM_CYMENU));
  EXPECT_EQ(GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYMENU) +
                2 * GetSystemMetrics(SM_CYFRAME),
            363 - 317);
  // The Qt window is the client area plus the menu bar, placed inside the frame.
  EXPECT_EQ(wt::WidgetOf(window)->geometry(), QRect(34, 63, 239, 317 + 19));
  EXPECT_EQ(wt::ClientWidgetOf(window)->size(), QSize(239, 317));
  // A second SetWindowPos to the same size says nothing about the size.
  recorder.Clear();
  SetWindowPos(window, nullptr, 0, 0, 247, 363, SWP_NOZORDER);
  EXPECT_TRUE(recorder.Messages(WM_SIZE).empty());
  EXPECT_EQ(recorder.Messages(WM_MOVE).size(), 1u);

  HWND child = recorder.Create(WS_CHILD | WS_VISIBLE | WS_BORDER, 2, 20, 235, 65, window,
                               reinterpret_cast<HMENU>(1));
  origin = {0, 0};
  ClientToScreen(window, &origin);
  EXPECT_EQ(Str(WindowRectOf(child)),
            Str(RECT{origin.x + 2, origin.y + 20, origin.x + 237, origin.y + 85}));
  EXPECT_EQ(Str(ClientRectOf(child)), "(0, 0, 233, 63)");  // the border is not client area
}

TEST_F(Windows, SystemMetricsFollowTheScreenSeamAndCentringUsesIt) {
  const QSize real = QGuiApplication::primaryScreen()->geometry().size();
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), real.width());
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), real.height());
  lorvane::window::SetScreenSize(SIZE{200, 150});
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 200);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 150);
  EXPECT_EQ(Str(WindowRectOf(GetDesktopWindow())), "(0, 0, 200, 150)");
  // A window larger than the screen, centred, has negative coordinates.
  HWND window = recorder.Create(WS_OVERLAPPEDWINDOW, 0, 0, 10, 10);
  SetWindowPos(window, nullptr, (200 - 247) / 2, (150 - 363) / 2, 247, 363, SWP_NOZORDER);
  ShowWindow(window, SW_SHOW);
  wt::PumpMessages();  // Qt must not move it onto the screen
  EXPECT_EQ(Str(WindowRectOf(window)), "(-23, -106, 224, 257)");
}

TEST_F(Windows, ShowingActivatesAndFocusesTheWindow) {
  HWND top = recorder.Create(WS_OVERLAPPEDWINDOW, 0, 0, 200, 200);
  HWND child =
      recorder.Create(WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, top, reinterpret_cast<HMENU>(3));
  recorder.Clear();
  ShowWindow(top, SW_SHOW);
  EXPECT_EQ(GetActiveWindow(), top);
  EXPECT_EQ(GetFocus(), top);
  const auto activations = recorder.Messages(WM_ACTIVATE);
  ASSERT_FALSE(activations.empty());
  EXPECT_EQ(LOWORD(activations.front().wParam), WA_ACTIVE);
  // A plain child window takes the focus; the one losing it hears first.
  recorder.Clear();
  EXPECT_EQ(SetFocus(child), top);
  EXPECT_EQ(GetFocus(), child);
  const auto& log = recorder.Log();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[0].message, static_cast<UINT>(WM_KILLFOCUS));
  EXPECT_EQ(log[0].window, top);
  EXPECT_EQ(log[1].message, static_cast<UINT>(WM_SETFOCUS));
  EXPECT_EQ(reinterpret_cast<HWND>(log[1].wParam), top);
}

// Pixels other than `background` outside `box`.
int InkOutside(const QImage& image, const QColor& background, const QRect& box = {}) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      count += image.pixelColor(x, y) != background && !box.contains(x, y);
  return count;
}

TEST_F(Windows, CalcRectMeasuresWithoutDrawingAndTheTextIsDrawnWhereMeasured) {
  constexpr const char* kCaption = "Select a Network Adapter";
  bool draw = false;
  RECT measured{};
  int height = 0;
  recorder.onMessage = [&](HWND window, UINT message, WPARAM, LPARAM, LRESULT*) {
    if (message != WM_PAINT) return false;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT r{2, 2, ClientRectOf(window).right, 7};
    height = DrawTextA(dc, kCaption, -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_CENTER);
    measured = r;
    if (draw) DrawTextA(dc, kCaption, -1, &r, DT_SINGLELINE | DT_CENTER);
    EndPaint(window, &ps);
    return true;
  };
  QWidget* client = wt::ClientWidgetOf(ShowTop());
  const COLORREF brush = GetSysColor(COLOR_WINDOW);
  const QColor window(GetRValue(brush), GetGValue(brush), GetBValue(brush));
  EXPECT_EQ(InkOutside(client->grab().toImage(), window), 0)
      << "measuring alone leaves only the class brush";

  const QFontMetrics metrics(client->font());
  EXPECT_EQ(Str(measured),
            Str(RECT{2, 2, 2 + metrics.horizontalAdvance(kCaption), 2 + metrics.height()}));
  EXPECT_EQ(height, metrics.height());

  draw = true;
  const QImage drawn = client->grab().toImage();
  EXPECT_GT(InkOutside(drawn, window), 0);
  EXPECT_EQ(InkOutside(drawn, window,
                       QRect(QPoint(measured.left, measured.top),
                             QPoint(measured.right - 1, measured.bottom - 1))),
            0)
      << "every drawn pixel lies inside the measured rectangle";
}

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

// A button may destroy its parent from its own click, and closing the Qt
// window goes through WM_SYSCOMMAND and WM_CLOSE; each widget is deleted
// once its event is over.
TEST_F(Queue, WindowsMayGoFromInsideTheirOwnEvents) {
  HWND child =
      recorder.Create(WS_CHILD | WS_VISIBLE, 0, 0, 200, 200, top, reinterpret_cast<HMENU>(1));
  HWND button = Control("Button", "Release", 202, 0, 2, 91, 60, 18, child);
  recorder.onMessage = [&](HWND window, UINT message, WPARAM wParam, LPARAM, LRESULT*) {
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

  recorder.Clear();
  const QPointer<QWidget> widget = wt::WidgetOf(top);
  widget->close();
  std::vector<UINT> seen;
  for (const auto& r : recorder.Log())
    if (r.message == WM_SYSCOMMAND || r.message == WM_CLOSE || r.message == WM_DESTROY)
      seen.push_back(r.message);
  EXPECT_EQ(seen, (std::vector<UINT>{WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY}));
  EXPECT_FALSE(IsWindow(top));
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

}  // namespace
