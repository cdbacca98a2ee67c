// The screen and the fixed frame sizes, as GetSystemMetrics reports them.
#include "platform/window/metrics.h"

#include <QApplication>
#include <QScreen>
#include <optional>

#include "platform/window/seams.h"
#include "platform/window/text.h"

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

// The metrics the program, the framework and this layer ask for.
int GetSystemMetrics(int index) {
  using namespace lorvane::window;
  switch (index) {
    case SM_CXSCREEN:
      return ScreenSize().cx;
    case SM_CYSCREEN:
      return ScreenSize().cy;
    case SM_CYCAPTION:
      return kCaptionHeight;
    case SM_CYMENU:
      return kMenuHeight;
    case SM_CXFRAME:
    case SM_CYFRAME:
      return kSizingFrame;
    case SM_CXICON:
    case SM_CYICON:
      return 32;
    default:
      LogUnsupported("this GetSystemMetrics index");
      return 0;
  }
}
