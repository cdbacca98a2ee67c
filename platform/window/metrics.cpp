// The screen and the fixed frame sizes, as GetSystemMetrics reports them.
#include <QApplication>
#include <QScreen>
#include <QStyle>
#include <optional>

#include "platform/window/metrics.h"
#include "platform/window/seams.h"

namespace lorvane::window::detail {
namespace {

std::optional<SIZE>& ScreenOverride() {
  static std::optional<SIZE> size;
  return size;
}

}  // namespace

SIZE ScreenSize() {
  if (ScreenOverride()) return *ScreenOverride();
  if (qApp != nullptr) {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
      const QRect r = screen->geometry();
      return SIZE{r.width(), r.height()};
    }
  }
  return SIZE{0, 0};
}

}  // namespace lorvane::window::detail

using namespace lorvane::window::detail;

namespace lorvane::window {
std::optional<SIZE> SetScreenSize(std::optional<SIZE> size) {
  std::optional<SIZE> old = ScreenOverride();
  ScreenOverride() = size;
  return old;
}
}  // namespace lorvane::window

int GetSystemMetrics(int index) {
  using namespace lorvane::window;
  const SIZE screen = ScreenSize();
  switch (index) {
    case SM_CXSCREEN:
    case SM_CXFULLSCREEN:
      return screen.cx;
    case SM_CYSCREEN:
      return screen.cy;
    case SM_CYFULLSCREEN:
      return screen.cy - kCaptionHeight;
    case SM_CXMAXIMIZED:
      return screen.cx + 2 * kSizingFrame;
    case SM_CYMAXIMIZED:
      return screen.cy + 2 * kSizingFrame;
    case SM_CYCAPTION:
      return kCaptionHeight;
    case SM_CYSMCAPTION:
      return kCaptionHeight - 4;
    case SM_CYMENU:
      return kMenuHeight;
    case SM_CXBORDER:
    case SM_CYBORDER:
      return kBorder;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME:
      return kDialogFrame;
    case SM_CXFRAME:
    case SM_CYFRAME:
      return kSizingFrame;
    case SM_CXEDGE:
    case SM_CYEDGE:
      return 2;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR:
      return 32;
    case SM_CXSMICON:
    case SM_CYSMICON:
      return 16;
    case SM_CXSIZE:
    case SM_CYSIZE:
      return kCaptionHeight - 1;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL:
      return qApp != nullptr ? QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent) : 16;
    case SM_CXMIN:
    case SM_CXMINTRACK:
      return 112;
    case SM_CYMIN:
    case SM_CYMINTRACK:
      return kCaptionHeight + 2 * kSizingFrame;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
      return 4;
    case SM_MOUSEPRESENT:
      return 1;
    default:
      return 0;
  }
}
