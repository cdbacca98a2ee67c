// Window creation and destruction, geometry with the fixed frame, and the
// screen seam.
#include <gtest/gtest.h>

#include <QApplication>
#include <QScreen>
#include <QWidget>

#include "platform/window/seams.h"
#include "platform/window/test_support.h"
#include "recorder.h"

namespace {

using lorvane::test::Received;
using lorvane::test::Recorder;
namespace wt = lorvane::window::testing;

class Windows : public ::testing::Test {
 protected:
  void TearDown() override {
    recorder.onMessage = nullptr;  // its captures die with the test body
    wt::DestroyAllWindows();
    lorvane::window::SetScreenSize(std::nullopt);
  }
  Recorder recorder;
};

std::vector<HWND> hookSeen;
LRESULT CALLBACK CbtHook(int code, WPARAM wParam, LPARAM) {
  if (code == HCBT_CREATEWND) hookSeen.push_back(reinterpret_cast<HWND>(wParam));
  return 0;
}

TEST_F(Windows, CreationParamReachesNcCreateAndCreateAfterTheHook) {
  int marker = 0;
  std::vector<LPVOID> params;
  std::vector<UINT> order;
  recorder.onMessage = [&](HWND window, UINT message, WPARAM, LPARAM lParam, LRESULT*) {
    if (message == WM_NCCREATE || message == WM_CREATE) {
      params.push_back(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
      order.push_back(message);
      EXPECT_EQ(hookSeen.size(), 1u);  // the hook came first
      EXPECT_EQ(hookSeen.front(), window);
    }
    return false;
  };
  hookSeen.clear();
  HHOOK hook = SetWindowsHookExA(WH_CBT, CbtHook, nullptr, 0);
  HWND window = recorder.Create(WS_OVERLAPPEDWINDOW, 10, 10, 200, 100, nullptr, nullptr, &marker);
  UnhookWindowsHookEx(hook);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(order, (std::vector<UINT>{WM_NCCREATE, WM_CREATE}));
  EXPECT_EQ(params, (std::vector<LPVOID>{&marker, &marker}));
  char title[32];
  EXPECT_EQ(GetWindowTextA(window, title, sizeof title), 8);
  EXPECT_STREQ(title, "recorded");
}

TEST_F(Windows, CreateReturningMinusOneDestroysTheWindow) {
  HWND failing = nullptr;
  recorder.onMessage = [&](HWND window, UINT message, WPARAM, LPARAM, LRESULT* result) {
    if (message == WM_CREATE) {
      failing = window;
      *result = -1;
      return true;
    }
    return false;
  };
  EXPECT_EQ(recorder.Create(WS_OVERLAPPEDWINDOW, 0, 0, 100, 100), nullptr);
  ASSERT_NE(failing, nullptr);
  EXPECT_FALSE(IsWindow(failing));
  EXPECT_EQ(recorder.Messages(WM_DESTROY).size(), 1u);
  EXPECT_EQ(recorder.Messages(WM_NCDESTROY).size(), 1u);
}

TEST_F(Windows, DestroyTellsParentsFirstThenChildrenLast) {
  HWND top = recorder.Create(WS_OVERLAPPEDWINDOW, 0, 0, 300, 200);
  HWND child =
      recorder.Create(WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, top, reinterpret_cast<HMENU>(7));
  HWND grandchild = recorder.Create(WS_CHILD, 0, 0, 10, 10, child, reinterpret_cast<HMENU>(8));
  EXPECT_EQ(GetDlgCtrlID(child), 7);
  EXPECT_EQ(GetDlgItem(top, 7), child);
  EXPECT_EQ(GetParent(grandchild), child);
  bool validInNcDestroy = true;
  recorder.onMessage = [&](HWND window, UINT message, WPARAM, LPARAM, LRESULT*) {
    if (message == WM_NCDESTROY) validInNcDestroy &= IsWindow(window) != FALSE;
    return false;
  };
  recorder.Clear();
  ASSERT_TRUE(DestroyWindow(top));
  std::vector<std::pair<HWND, UINT>> seen;
  for (const Received& r : recorder.Log())
    if (r.message == WM_DESTROY || r.message == WM_NCDESTROY)
      seen.emplace_back(r.window, r.message);
  const std::vector<std::pair<HWND, UINT>> expected{
      {top, WM_DESTROY},          {child, WM_DESTROY},   {grandchild, WM_DESTROY},
      {grandchild, WM_NCDESTROY}, {child, WM_NCDESTROY}, {top, WM_NCDESTROY}};
  EXPECT_EQ(seen, expected);
  EXPECT_TRUE(validInNcDestroy);
  EXPECT_FALSE(IsWindow(child));
  EXPECT_EQ(SendMessageA(top, WM_GETTEXTLENGTH, 0, 0), 0);  // a dead handle answers 0
  EXPECT_EQ(SendMessageA(nullptr, WM_GETTEXTLENGTH, 0, 0), 0);
}

TEST_F(Windows, TopLevelWindowRectIncludesFrameCaptionAndMenu) {
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
  RECT r{};
  GetWindowRect(window, &r);
  EXPECT_EQ(r.left, 30);
  EXPECT_EQ(r.top, 40);
  EXPECT_EQ(r.right - r.left, 247);
  EXPECT_EQ(r.bottom - r.top, 363);
  GetClientRect(window, &r);
  EXPECT_EQ(r.right, 239);
  EXPECT_EQ(r.bottom, 317);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  EXPECT_EQ(origin.x, 30 + GetSystemMetrics(SM_CXFRAME));
  EXPECT_EQ(origin.y, 40 + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) +
                          GetSystemMetrics(SM_CYMENU));
  // The Qt window is the client area plus the menu bar, placed inside the frame.
  QWidget* widget = wt::WidgetOf(window);
  EXPECT_EQ(widget->geometry(), QRect(34, 63, 239, 317 + 19));
  EXPECT_EQ(wt::ClientWidgetOf(window)->size(), QSize(239, 317));
  // A second SetWindowPos to the same size says nothing about the size.
  recorder.Clear();
  SetWindowPos(window, nullptr, 0, 0, 247, 363, SWP_NOZORDER);
  EXPECT_TRUE(recorder.Messages(WM_SIZE).empty());
  EXPECT_EQ(recorder.Messages(WM_MOVE).size(), 1u);
}

TEST_F(Windows, ChildRectsAreInParentClientCoordinates) {
  HWND top = recorder.Create(WS_OVERLAPPEDWINDOW, 100, 50, 247, 363);
  HWND child = recorder.Create(WS_CHILD | WS_VISIBLE | WS_BORDER, 2, 20, 235, 65, top,
                               reinterpret_cast<HMENU>(1));
  RECT r{};
  GetWindowRect(child, &r);
  POINT origin{0, 0};
  ClientToScreen(top, &origin);
  EXPECT_EQ(r.left, origin.x + 2);
  EXPECT_EQ(r.top, origin.y + 20);
  EXPECT_EQ(r.right - r.left, 235);
  GetClientRect(child, &r);  // the border is not client area
  EXPECT_EQ(r.right, 233);
  EXPECT_EQ(r.bottom, 63);
}

TEST_F(Windows, SystemMetricsFollowTheScreenSeamAndCentringUsesIt) {
  const QSize real = QGuiApplication::primaryScreen()->geometry().size();
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), real.width());
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), real.height());
  lorvane::window::SetScreenSize(SIZE{200, 150});
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 200);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 150);
  RECT desktop{};
  GetWindowRect(GetDesktopWindow(), &desktop);
  EXPECT_EQ(desktop.right, 200);
  // A window larger than the screen, centred, has negative coordinates.
  HWND window = recorder.Create(WS_OVERLAPPEDWINDOW, 0, 0, 10, 10);
  const int x = (GetSystemMetrics(SM_CXSCREEN) - 247) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - 363) / 2;
  SetWindowPos(window, nullptr, x, y, 247, 363, SWP_NOZORDER);
  ShowWindow(window, SW_SHOW);
  wt::PumpMessages();  // Qt must not move it onto the screen
  RECT r{};
  GetWindowRect(window, &r);
  EXPECT_EQ(r.left, -23);
  EXPECT_EQ(r.top, -106);
  EXPECT_EQ(GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYMENU) +
                2 * GetSystemMetrics(SM_CYFRAME),
            363 - 317);
}

TEST_F(Windows, ClassIconSurvivesTheLongOfSetClassLongA) {
  lorvane::window::Resources resources;
  lorvane::window::IconImage image;
  image.width = image.height = 16;
  image.palette[1] = RGB(255, 0, 0);
  image.pixels.assign(256, 1);
  resources.icons.push_back({128, {image}});
  lorvane::window::InstallResources(resources);
  HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(128));
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(128)), icon);  // shared
  EXPECT_EQ(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(129)), nullptr);
  HWND window = recorder.Create(WS_OVERLAPPEDWINDOW, 0, 0, 100, 100);
  SetClassLongA(window, GCL_HICON, static_cast<LONG>(reinterpret_cast<LONG_PTR>(icon)));
  EXPECT_EQ(reinterpret_cast<HICON>(static_cast<ULONG_PTR>(GetClassLongA(window, GCL_HICON))),
            icon);
  const QImage shown = wt::WidgetOf(window)->windowIcon().pixmap(16, 16).toImage();
  EXPECT_EQ(shown.pixelColor(8, 8), QColor(255, 0, 0));
  SetClassLongA(window, GCL_HICON, 0);
  lorvane::window::InstallResources({});
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

}  // namespace
