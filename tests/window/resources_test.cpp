// What the load calls make of the resource model: strings, dialog templates,
// icons, menus opened and chosen through the real menu bar, and accelerator
// tables in a message loop.
#include "platform/window/resources.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <cstring>

#include "recorder.h"

namespace {

using lorvane::test::ClientRectOf;
using lorvane::test::WindowRectOf;
namespace lw = lorvane::window;
namespace wt = lorvane::window::testing;

constexpr UINT kExit = 0xE141;
constexpr UINT kChangeMac = 32771;

lw::IconImage Square(int size, COLORREF colour) {
  lw::IconImage image;
  image.width = image.height = size;
  image.palette[4] = colour;
  image.pixels.assign(static_cast<std::size_t>(size * size), 4);
  image.mask.assign(static_cast<std::size_t>(size * size), 0);
  image.mask[0] = 1;  // the top-left corner is see-through
  return image;
}

class Resources : public lorvane::test::WindowTest {
 protected:
  void SetUp() override {
    lw::Resources r;
    r.strings = {{128, "Lorvane"}, {0xE000, "dhcp"}};
    r.icons = {{128, {Square(32, RGB(0, 0, 128)), Square(16, RGB(0, 128, 0))}}};
    lw::DialogTemplate about;
    about.id = 100;
    about.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
    about.cx = 235;
    about.cy = 55;
    about.caption = "About Lorvane";
    about.fontName = "MS Sans Serif";
    about.pointSize = 8;
    about.items = {{"Static", -1, "#128", 11, 17, 20, 20, WS_CHILD | WS_VISIBLE | SS_ICON, 0},
                   {"Static", -1, "Lorvane V0.30", 40, 10, 119, 8,
                    WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT | SS_NOPREFIX, 0}};
    r.dialogs = {about};
    r.version.productName = "Lorvane";
    r.menus = {{128,
                {{"&File", 0, 0, {{"E&xit", kExit, 0, {}}}},
                 {"Function", 0, 0, {{"Change MAC Addr", kChangeMac, 0, {}}}},
                 {"&Help", 0, 0, {{"&About Lorvane...", 0xE140, 0, {}}}}}}};
    r.accelerators = {{128,
                       {{FVIRTKEY | FCONTROL, 'C', 0xE122},
                        {FVIRTKEY, VK_F6, 0xE150},
                        {FVIRTKEY | FSHIFT, VK_F6, 0xE151},
                        {FVIRTKEY | FCONTROL, 'X', kChangeMac}}}};
    lw::InstallResources(r);
  }

  void ShowWithMenu() {
    menu = LoadMenuA(self, MAKEINTRESOURCEA(128));
    ASSERT_NE(menu, nullptr);
    ShowTop(menu);
  }

  QMenu* OpenPopup(int position) {
    QMenuBar* bar = wt::MenuBarOf(top);
    QAction* action = bar->actions().at(position);
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(action).center());
    return action->menu()->isVisible() ? action->menu() : nullptr;
  }

  // The loop a frame runs: accelerators first, then the usual translation.
  int PumpWithAccelerators(HACCEL table) {
    int translated = 0;
    MSG msg{};
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (TranslateAcceleratorA(top, table, &msg)) {
        ++translated;
      } else {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
    }
    return translated;
  }

  const HINSTANCE self = GetModuleHandleA(nullptr);
  HMENU menu = nullptr;
};

TEST_F(Resources, StringsAreCutToTheBufferAndMissingOnesAreEmpty) {
  char buffer[5];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(LoadStringA(self, 0xE000, buffer, sizeof buffer), 4);
  EXPECT_STREQ(buffer, "dhcp");
  EXPECT_EQ(LoadStringA(self, 128, buffer, sizeof buffer), 4);
  EXPECT_STREQ(buffer, "Lorv");
  EXPECT_EQ(LoadStringA(self, 104, buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "");
}

TEST_F(Resources, DialogTemplateLaysOutInDialogUnitsBuildsItsIconStaticClassIconSurvivesLong) {
  HRSRC found = FindResourceA(self, MAKEINTRESOURCEA(100), RT_DIALOG);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(FindResourceA(self, MAKEINTRESOURCEA(131), RT_DIALOG), nullptr);
  auto* t = static_cast<LPCDLGTEMPLATEA>(LockResource(LoadResource(self, found)));
  auto* version = static_cast<const lw::VersionRecord*>(
      LockResource(FindResourceA(nullptr, MAKEINTRESOURCEA(1), RT_VERSION)));
  EXPECT_EQ(version->productName, "Lorvane");

  HWND owner = recorder.Create(WS_OVERLAPPEDWINDOW, 100, 100, 247, 363);
  HWND dialog = CreateDialogIndirectParamA(self, t, owner, nullptr, 0);
  ASSERT_NE(dialog, nullptr);
  EXPECT_FALSE(IsWindowVisible(dialog));  // no WS_VISIBLE in the template
  char caption[32];
  GetWindowTextA(dialog, caption, sizeof caption);
  EXPECT_STREQ(caption, "About Lorvane");
  HWND iconStatic = GetWindow(dialog, GW_CHILD);
  HWND text = GetWindow(iconStatic, GW_HWNDNEXT);
  EXPECT_EQ(qobject_cast<QLabel*>(wt::WidgetOf(text))->text(), "Lorvane V0.30");
  // Laid out in dialog units of the template's font, at (0, 0) in the
  // owner's client area.
  RECT units{0, 0, 235, 55}, textUnits{40, 10, 159, 18};
  MapDialogRect(dialog, &units);
  MapDialogRect(dialog, &textUnits);
  EXPECT_EQ(Str(ClientRectOf(dialog)), Str(units));
  EXPECT_GT(units.right, 235);  // a real font: more than a pixel per unit
  RECT textRect = WindowRectOf(text);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&textRect), 2);
  // Left, top and right; the height is mapped on its own and may round apart.
  EXPECT_EQ(Str(textRect),
            Str(RECT{textUnits.left, textUnits.top, textUnits.right, textRect.bottom}));
  POINT ownerOrigin{0, 0};
  ClientToScreen(owner, &ownerOrigin);
  EXPECT_EQ(WindowRectOf(dialog).left + GetSystemMetrics(SM_CXDLGFRAME), ownerOrigin.x);
  // The icon static takes the icon's size, whatever the template says.
  EXPECT_EQ(Str(ClientRectOf(iconStatic)),
            Str(RECT{0, 0, GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)}));
  HICON icon = LoadIconA(self, MAKEINTRESOURCEA(128));
  EXPECT_EQ(LoadIconA(self, MAKEINTRESOURCEA(128)), icon);  // shared
  EXPECT_EQ(LoadIconA(self, MAKEINTRESOURCEA(129)), nullptr);
  EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(iconStatic, STM_GETICON, 0, 0)), icon);
  const QImage shown = qobject_cast<QLabel*>(wt::WidgetOf(iconStatic))->pixmap().toImage();
  ASSERT_EQ(shown.size(), QSize(32, 32));
  EXPECT_EQ(shown.pixelColor(16, 16), QColor(0, 0, 128));
  EXPECT_EQ(shown.pixelColor(0, 0).alpha(), 0);

  SetClassLongA(owner, GCL_HICON, static_cast<LONG>(reinterpret_cast<LONG_PTR>(icon)));
  EXPECT_EQ(reinterpret_cast<HICON>(static_cast<ULONG_PTR>(GetClassLongA(owner, GCL_HICON))), icon);
  const QImage small = wt::WidgetOf(owner)->windowIcon().pixmap(16, 16).toImage();
  EXPECT_EQ(small.pixelColor(8, 8), QColor(0, 128, 0));
  SetClassLongA(owner, GCL_HICON, 0);
}

TEST_F(Resources, MenuBarShowsThePopupsWhichArePreparedBeforeTheyOpenAndSendCommands) {
  ShowWithMenu();
  QMenuBar* bar = wt::MenuBarOf(top);
  ASSERT_NE(bar, nullptr);
  QStringList titles;
  for (QAction* action : bar->actions()) titles << action->text();
  EXPECT_EQ(titles, (QStringList{"&File", "Function", "&Help"}));
  EXPECT_EQ(GetMenuItemCount(menu), 3);
  EXPECT_EQ(GetMenuItemID(GetSubMenu(menu, 0), 0), kExit);
  EXPECT_EQ(GetMenuItemID(menu, 0), 0xFFFFFFFFu);  // a popup has no command
  EXPECT_EQ(bar->geometry().height(), GetSystemMetrics(SM_CYMENU));

  bool actionEnabledWhenAsked = false;
  recorder.onMessage = [&](HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT*) {
    if (message == WM_INITMENUPOPUP) {
      EXPECT_EQ(lParam, MAKELPARAM(1, FALSE));
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
  QTest::mouseClick(popup, Qt::LeftButton, {},
                    popup->actionGeometry(popup->actions().at(0)).center());
  wt::PumpMessages();
  const auto commands = recorder.Messages(WM_COMMAND);
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0].wParam, MAKEWPARAM(kChangeMac, 0));
  EXPECT_EQ(commands[0].lParam, 0);
}

TEST_F(Resources, AcceleratorKeysBecomeCommandsUnlessTheirItemIsGreyed) {
  ShowWithMenu();
  HACCEL table = LoadAcceleratorsA(self, MAKEINTRESOURCEA(128));
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
