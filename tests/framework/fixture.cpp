#include "fixture.h"

#include "platform/window/resources.h"
#include "platform/window/test_support.h"

using lorvane::window::DialogTemplate;
using lorvane::window::MenuItem;
using lorvane::window::Resources;

BEGIN_MESSAGE_MAP(TestApp, CWinApp)
ON_COMMAND(kCmdApp, OnAppCommand)
END_MESSAGE_MAP()

std::vector<std::string>& Events() {
  static std::vector<std::string> events;
  return events;
}

namespace {

Resources TestResources() {
  Resources r;
  r.strings = {{AFX_IDS_APP_TITLE, "Title Of Test"}};
  const std::vector<MenuItem> commands = {
      {"&Frame", kCmdFrame, 0, {}}, {"&App", kCmdApp, 0, {}}, {"&Nobody", kCmdNobody, 0, {}}};
  r.menus = {{kFrameId, {{"&Commands", 0, 0, commands}}}};
  r.accelerators = {{kFrameId,
                     {{FVIRTKEY | FCONTROL, 'K', static_cast<WORD>(kCmdFrame)},
                      {FVIRTKEY | FCONTROL, 'J', static_cast<WORD>(kCmdNobody)}}}};
  DialogTemplate d;
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

}  // namespace

void FrameworkTest::SetUp() {
  BeginWindowTest(TestResources(), SIZE{1280, 1024}, &boxes);
  Events().clear();
  ASSERT_TRUE(AfxWinInit(::GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOW));
}

void FrameworkTest::TearDown() {
  EndWindowTest();
  app.m_pMainWnd = nullptr;
}

void Pump() { lorvane::window::testing::PumpMessages(); }

RECT WindowRect(HWND hWnd) {
  RECT r{};
  ::GetWindowRect(hWnd, &r);
  return r;
}
