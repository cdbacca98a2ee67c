// What the window layer makes of the resource model: a dialog built from its
// template in dialog units, and an icon shown in a static and as a window's.
#include <QFontMetrics>
#include <QLabel>
#include <cmath>

#include "recorder.h"

namespace {

using lorvane::test::ClientOf;
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

using Resources = lorvane::test::WindowTest;

TEST_F(Resources, ADialogIsLaidOutInDialogUnitsAndItsIconStaticTakesTheIconsSize) {
  lw::Resources r;
  r.icons = {{128, {Square(32, RGB(0, 0, 128)), Square(16, RGB(0, 128, 0))}}};
  lw::DialogTemplate about;
  about.id = 100;
  about.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
  about.cx = 235;
  about.cy = 55;
  about.caption = "About Lorvane";
  about.fontName = "MS Sans Serif";
  about.pointSize = 8;
  about.items = {{"Static", 11, "#128", 11, 17, 20, 20, WS_CHILD | WS_VISIBLE | SS_ICON, 0},
                 {"Static", 12, "Lorvane V0.30", 40, 10, 119, 8,
                  WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT | SS_NOPREFIX, 0}};
  r.dialogs = {about};
  lw::InstallResources(r);
  const HINSTANCE self = GetModuleHandleA(nullptr);

  HWND owner = Create(WS_OVERLAPPEDWINDOW, 100, 100, 247, 363);
  HWND dialog = CreateDialogParamA(self, MAKEINTRESOURCEA(100), owner, nullptr, 0);
  ASSERT_NE(dialog, nullptr);
  HWND iconStatic = GetDlgItem(dialog, 11);
  HWND text = GetDlgItem(dialog, 12);
  // Dialog units: a quarter of the font's average character width, an
  // eighth of its height.
  const QFontMetrics metrics(wt::ClientWidgetOf(dialog)->font());
  const int baseX =
      (metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 26 + 1) / 2;
  const int baseY = metrics.height();
  auto pixels = [&](RECT r) {
    auto x = [&](int v) { return static_cast<LONG>(std::lround(v * baseX / 4.0)); };
    auto y = [&](int v) { return static_cast<LONG>(std::lround(v * baseY / 8.0)); };
    return RECT{x(r.left), y(r.top), x(r.right), y(r.bottom)};
  };
  const RECT units = pixels(RECT{0, 0, 235, 55});
  const RECT textUnits = pixels(RECT{40, 10, 159, 18});
  EXPECT_EQ(ClientOf(dialog), Str(units));
  EXPECT_GT(units.right, 235);  // a real font: more than a pixel per unit
  // Where the text's widget is on the dialog's client area.
  const QRect placed = wt::WidgetOf(text)->geometry();
  const RECT textRect{placed.left(), placed.top(), placed.left() + placed.width(),
                      placed.top() + placed.height()};
  // Left, top and right; the height is mapped on its own and may round apart.
  EXPECT_EQ(Str(textRect),
            Str(RECT{textUnits.left, textUnits.top, textUnits.right, textRect.bottom}));
  EXPECT_EQ(ClientOf(iconStatic),
            Str(RECT{0, 0, GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)}));
  const QImage shown = qobject_cast<QLabel*>(wt::WidgetOf(iconStatic))->pixmap().toImage();
  ASSERT_EQ(shown.size(), QSize(32, 32));
  EXPECT_EQ(shown.pixelColor(16, 16), QColor(0, 0, 128));
  EXPECT_EQ(shown.pixelColor(0, 0).alpha(), 0);

  // A window's icon offers each size the resource has.
  HICON icon = LoadIconA(self, MAKEINTRESOURCEA(128));
  SetClassLongA(owner, GCL_HICON, static_cast<LONG>(reinterpret_cast<LONG_PTR>(icon)));
  const QImage small = wt::WidgetOf(owner)->windowIcon().pixmap(16, 16).toImage();
  EXPECT_EQ(small.pixelColor(8, 8), QColor(0, 128, 0));
  SetClassLongA(owner, GCL_HICON, 0);
}

}  // namespace
