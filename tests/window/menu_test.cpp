// Menus from the resources, opened and chosen through the real menu bar, and
// accelerator tables in a message loop.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include "platform/window/resources.h"
#include "platform/window/test_support.h"
#include "recorder.h"

namespace {

using lorvane::test::Recorder;
namespace lw = lorvane::window;
namespace wt = lorvane::window::testing;

constexpr UINT kExit = 0xE141;
constexpr UINT kChangeMac = 32771;
constexpr UINT kAbout = 0xE140;

class Menus : public ::testing::Test {
 protected:
  void SetUp() override {
    lw::Resources resources;
    resources.menus.push_back({128,
                               {{"&File", 0, 0, {{"E&xit", kExit, 0, {}}}},
                                {"Function", 0, 0, {{"Change MAC Addr", kChangeMac, 0, {}}}},
                                {"&Help", 0, 0, {{"&About Lorvane...", kAbout, 0, {}}}}}});
    resources.accelerators.push_back({128,
                                      {{FVIRTKEY | FCONTROL, 'C', 0xE122},
                                       {FVIRTKEY, VK_F6, 0xE150},
                                       {FVIRTKEY | FSHIFT, VK_F6, 0xE151},
                                       {FVIRTKEY | FCONTROL, 'X', kChangeMac}}});
    lw::InstallResources(resources);
    menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(128));
    ASSERT_NE(menu, nullptr);
    top = recorder.Create(WS_OVERLAPPEDWINDOW, 0, 0, 247, 363, nullptr, menu);
    ShowWindow(top, SW_SHOW);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(wt::WidgetOf(top)));
    recorder.Clear();
  }
  void TearDown() override {
    recorder.onMessage = nullptr;  // its captures die with the test body
    wt::DestroyAllWindows();
    lw::InstallResources({});
  }

  QMenu* OpenPopup(int position) {
    QMenuBar* bar = wt::MenuBarOf(top);
    QAction* action = bar->actions().at(position);
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(action).center());
    QMenu* popup = action->menu();
    return popup->isVisible() ? popup : nullptr;
  }

  // The loop a frame runs: accelerators first, then the usual translation.
  int PumpWithAccelerators(HACCEL table) {
    int translated = 0;
    MSG msg{};
    for (int idle = 0; idle < 3;) {
      if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ++idle;
        continue;
      }
      idle = 0;
      if (TranslateAcceleratorA(top, table, &msg)) {
        ++translated;
        continue;
      }
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    return translated;
  }

  Recorder recorder;
  HMENU menu = nullptr;
  HWND top = nullptr;
};

TEST_F(Menus, BarShowsThePopupsWithTheirMnemonics) {
  QMenuBar* bar = wt::MenuBarOf(top);
  ASSERT_NE(bar, nullptr);
  QStringList titles;
  for (QAction* action : bar->actions()) titles << action->text();
  EXPECT_EQ(titles, (QStringList{"&File", "Function", "&Help"}));
  EXPECT_EQ(GetMenuItemCount(menu), 3);
  HMENU file = GetSubMenu(menu, 0);
  EXPECT_EQ(GetMenuItemID(file, 0), kExit);
  EXPECT_EQ(GetMenuItemID(menu, 0), 0xFFFFFFFFu);  // a popup has no command
  EXPECT_EQ(bar->geometry().height(), GetSystemMetrics(SM_CYMENU));
}

TEST_F(Menus, PopupIsPreparedBeforeItOpensAndItsItemSendsACommand) {
  bool actionEnabledWhenAsked = false;
  recorder.onMessage = [&](HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT*) {
    if (message == WM_INITMENUPOPUP) {
      EXPECT_EQ(LOWORD(lParam), 1);
      EXPECT_EQ(HIWORD(lParam), FALSE);
      HMENU popup = reinterpret_cast<HMENU>(wParam);
      EXPECT_EQ(popup, GetSubMenu(menu, 1));
      actionEnabledWhenAsked = GetMenuState(popup, 0, MF_BYPOSITION) == MF_ENABLED;
      EnableMenuItem(popup, 0, MF_BYPOSITION | MF_GRAYED);
    }
    return false;
  };
  QMenu* popup = OpenPopup(1);
  ASSERT_NE(popup, nullptr);
  EXPECT_TRUE(actionEnabledWhenAsked);
  EXPECT_FALSE(popup->actions().at(0)->isEnabled());
  EXPECT_EQ(GetMenuState(menu, kChangeMac, MF_BYCOMMAND), static_cast<UINT>(MF_GRAYED));
  const auto inits = recorder.Messages(WM_INITMENU);
  ASSERT_EQ(inits.size(), 1u);
  EXPECT_EQ(reinterpret_cast<HMENU>(inits[0].wParam), menu);
  popup->close();

  // Enabled again, it reaches the window procedure as WM_COMMAND(id, 0).
  recorder.onMessage = nullptr;
  popup = OpenPopup(1);
  ASSERT_NE(popup, nullptr);
  EnableMenuItem(menu, kChangeMac, MF_BYCOMMAND | MF_ENABLED);
  QAction* item = popup->actions().at(0);
  QTest::mouseClick(popup, Qt::LeftButton, {}, popup->actionGeometry(item).center());
  wt::PumpMessages();
  const auto commands = recorder.Messages(WM_COMMAND);
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0].wParam, MAKEWPARAM(kChangeMac, 0));
  EXPECT_EQ(commands[0].lParam, 0);
}

TEST_F(Menus, AcceleratorKeysBecomeCommandsUnlessTheirItemIsGreyed) {
  HACCEL table = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(128));
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(CopyAcceleratorTableA(table, nullptr, 0), 4);
  QWidget* client = wt::ClientWidgetOf(top);
  SetFocus(top);

  QTest::keyClick(client, Qt::Key_C, Qt::ControlModifier);
  QTest::keyClick(client, Qt::Key_F6, Qt::ShiftModifier);
  QTest::keyClick(client, Qt::Key_C);  // no Ctrl: no accelerator
  EXPECT_EQ(PumpWithAccelerators(table), 2);
  EXPECT_EQ(recorder.Commands(),
            (std::vector<WPARAM>{MAKEWPARAM(0xE122, 1), MAKEWPARAM(0xE151, 1)}));
  const auto chars = recorder.Messages(WM_CHAR);
  ASSERT_EQ(chars.size(), 1u);
  EXPECT_EQ(chars[0].wParam, static_cast<WPARAM>('c'));

  // The menu is asked first; a greyed item swallows its key.
  recorder.Clear();
  EnableMenuItem(menu, kChangeMac, MF_BYCOMMAND | MF_GRAYED);
  QTest::keyClick(client, Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(PumpWithAccelerators(table), 1);
  EXPECT_TRUE(recorder.Commands().empty());
  EXPECT_EQ(recorder.Messages(WM_INITMENUPOPUP).size(), 1u);
  DestroyAcceleratorTable(table);
}

}  // namespace
