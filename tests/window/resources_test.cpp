// The resource model as the load calls read it.
#include "platform/window/resources.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPixmap>
#include <cstring>

#include "platform/window/test_support.h"
#include "recorder.h"

namespace {

namespace lw = lorvane::window;
namespace wt = lorvane::window::testing;

lw::IconImage Square(int size, COLORREF colour) {
  lw::IconImage image;
  image.width = image.height = size;
  image.palette[4] = colour;
  image.pixels.assign(static_cast<std::size_t>(size * size), 4);
  image.mask.assign(static_cast<std::size_t>(size * size), 0);
  image.mask[0] = 1;  // the top-left corner is see-through
  return image;
}

class Resources : public ::testing::Test {
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
    lw::InstallResources(r);
  }
  void TearDown() override {
    recorder.onMessage = nullptr;  // its captures die with the test body
    wt::DestroyAllWindows();
    lw::InstallResources({});
  }
  lorvane::test::Recorder recorder;
};

TEST_F(Resources, StringsAreCutToTheBufferAndMissingOnesAreEmpty) {
  char buffer[5];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(LoadStringA(GetModuleHandleA(nullptr), 0xE000, buffer, sizeof buffer), 4);
  EXPECT_STREQ(buffer, "dhcp");
  EXPECT_EQ(LoadStringA(GetModuleHandleA(nullptr), 128, buffer, sizeof buffer), 4);
  EXPECT_STREQ(buffer, "Lorv");
  EXPECT_EQ(LoadStringA(GetModuleHandleA(nullptr), 104, buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "");
}

TEST_F(Resources, DialogTemplateFoundByNumberBuildsItsIconStatic) {
  HRSRC found = FindResourceA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(100), RT_DIALOG);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(FindResourceA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(131), RT_DIALOG), nullptr);
  auto* t =
      static_cast<LPCDLGTEMPLATEA>(LockResource(LoadResource(GetModuleHandleA(nullptr), found)));
  EXPECT_EQ(t->caption, "About Lorvane");
  auto* version = static_cast<const lw::VersionRecord*>(
      LockResource(FindResourceA(nullptr, MAKEINTRESOURCEA(1), RT_VERSION)));
  EXPECT_EQ(version->productName, "Lorvane");

  HWND owner = recorder.Create(WS_OVERLAPPEDWINDOW, 0, 0, 247, 363);
  HWND dialog = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), t, owner, nullptr, 0);
  ASSERT_NE(dialog, nullptr);
  EXPECT_FALSE(IsWindowVisible(dialog));  // no WS_VISIBLE in the template
  char caption[32];
  GetWindowTextA(dialog, caption, sizeof caption);
  EXPECT_STREQ(caption, "About Lorvane");
  HWND icon = GetWindow(dialog, GW_CHILD);
  HWND text = GetWindow(icon, GW_HWNDNEXT);
  EXPECT_EQ(qobject_cast<QLabel*>(wt::WidgetOf(text))->text(), "Lorvane V0.30");
  // The icon static takes the icon's size, whatever the template says.
  RECT r{};
  GetClientRect(icon, &r);
  EXPECT_EQ(r.right, GetSystemMetrics(SM_CXICON));
  EXPECT_EQ(r.bottom, GetSystemMetrics(SM_CYICON));
  EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(icon, STM_GETICON, 0, 0)),
            LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(128)));
  const QImage shown = qobject_cast<QLabel*>(wt::WidgetOf(icon))->pixmap().toImage();
  ASSERT_EQ(shown.size(), QSize(32, 32));
  EXPECT_EQ(shown.pixelColor(16, 16), QColor(0, 0, 128));
  EXPECT_EQ(shown.pixelColor(0, 0).alpha(), 0);
}

}  // namespace
