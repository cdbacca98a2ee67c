// Start-up: the main window's size, place, title, menu and icon on screens of
// several sizes, and the socket layer failing before any window exists.
#include "fixture.h"
#include "platform/framework/sockets.h"
#include "platform/window/test_support.h"

namespace {

using ProgramStart = ProgramTest;

TEST_F(ProgramStart, TheMainWindowIs247By363CentredOnScreensOfAnySize) {
  struct Screen {
    LONG cx, cy;
    const char* rect;
  };
  const Screen screens[] = {
      {1024, 768, "(388, 202, 635, 565)"},
      {1920, 1080, "(836, 358, 1083, 721)"},
      {200, 600, "(-23, 118, 224, 481)"},  // narrower than the window
      {800, 300, "(276, -31, 523, 332)"},  // lower than it: -31.5 truncates to -31
  };
  for (const Screen& s : screens) {
    SCOPED_TRACE(std::to_string(s.cx) + " x " + std::to_string(s.cy));
    lorvane::window::SetScreenSize(SIZE{s.cx, s.cy});
    ASSERT_TRUE(app.InitInstance());
    Pump();
    HWND main = AfxGetMainWnd()->m_hWnd;
    RECT r;
    ::GetWindowRect(main, &r);
    EXPECT_EQ(Str(r), s.rect);
    EXPECT_TRUE(::IsWindowVisible(main));
    ::DestroyWindow(main);
    EXPECT_EQ(AfxGetMainWnd(), nullptr);
    MSG quit;
    EXPECT_TRUE(::PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  }
}

TEST_F(ProgramStart, TheMainWindowHasItsTitleMenuIconAndABorderlessView) {
  ASSERT_TRUE(app.InitInstance());
  Pump();
  auto* frame = dynamic_cast<CMainFrame*>(AfxGetMainWnd());
  ASSERT_NE(frame, nullptr);
  EXPECT_STREQ(frame->GetRuntimeClass()->m_lpszClassName, "CMainFrame");
  EXPECT_EQ(frame->GetRuntimeClass()->m_pBaseClass, RUNTIME_CLASS(CFrameWnd));
  EXPECT_EQ(WindowText(frame->m_hWnd), "Lorvane");
  EXPECT_FALSE(frame->GetExStyle() & WS_EX_CLIENTEDGE);

  HMENU menu = ::GetMenu(frame->m_hWnd);
  ASSERT_EQ(::GetMenuItemCount(menu), 3);
  const char* popups[] = {"&File", "Function", "&Help"};
  const char* items[] = {"E&xit", "Change MAC Addr", "&About Lorvane..."};
  const UINT ids[] = {ID_APP_EXIT, ID_CHANGE_MAC, ID_APP_ABOUT};
  for (int i = 0; i < 3; ++i) {
    char text[64];
    ::GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, popups[i]);
    HMENU popup = ::GetSubMenu(menu, i);
    ::GetMenuStringA(popup, 0, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, items[i]);
    EXPECT_EQ(::GetMenuItemID(popup, 0), ids[i]);
  }

  const HICON icon = ::LoadIconA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDR_MAIN));
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(::GetClassLongA(frame->m_hWnd, GCL_HICON),
            static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(icon)));
  HWND view = frame->m_wndView.m_hWnd;
  EXPECT_EQ(::GetDlgCtrlID(view), AFX_IDW_PANE_FIRST);
  EXPECT_EQ(static_cast<DWORD>(::GetWindowLongA(view, GWL_STYLE)), DWORD(WS_CHILD | WS_VISIBLE));
  EXPECT_EQ(::GetWindowLongA(view, GWL_EXSTYLE), 0);
  EXPECT_EQ(frame->m_wndView.m_nSelected, -1);
}

class BrokenSockets : public lorvane::framework::SocketLayer {
 public:
  bool Start() override { return false; }
};

LRESULT CALLBACK CountCreations(int code, WPARAM wParam, LPARAM lParam);
int g_creations = 0;
HHOOK g_hook = nullptr;
LRESULT CALLBACK CountCreations(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND) ++g_creations;
  return ::CallNextHookEx(g_hook, code, wParam, lParam);
}

TEST_F(ProgramStart, WhenSocketsFailOnlyTheMessageAppearsAndTheProgramEnds) {
  lorvane::framework::SetSocketLayer(std::make_shared<BrokenSockets>());
  g_creations = 0;
  g_hook = ::SetWindowsHookExA(WH_CBT, &CountCreations, nullptr, 0);

  const int exitCode = AfxWinMain(::GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOW);

  ::UnhookWindowsHookEx(g_hook);
  lorvane::framework::SetSocketLayer(nullptr);
  EXPECT_EQ(exitCode, 0);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Windows sockets initialization failed.");
  EXPECT_EQ(boxes[0].caption, "dhcp");
  EXPECT_EQ(boxes[0].type, UINT(MB_OK | MB_ICONEXCLAMATION));
  EXPECT_EQ(boxes[0].owner, nullptr);
  EXPECT_EQ(g_creations, 0) << "no window was ever created";
  EXPECT_EQ(AfxGetMainWnd(), nullptr);
}

TEST_F(ProgramStart, FileExitAndTheCloseBoxEndTheProgram) {
  for (const bool closeBox : {false, true}) {
    SCOPED_TRACE(closeBox ? "close box" : "File > Exit");
    bool deleted = false;
    RecordingFrame* frame = StartWith(new RecordingFrame(&app.events, &deleted));
    ASSERT_NE(frame, nullptr);
    if (closeBox)
      frame->PostMessage(WM_SYSCOMMAND, SC_CLOSE);
    else
      frame->PostMessage(WM_COMMAND, ID_APP_EXIT);
    EXPECT_EQ(app.Run(), 0);
    EXPECT_TRUE(deleted);
    EXPECT_EQ(AfxGetMainWnd(), nullptr);
  }
}

}  // namespace
