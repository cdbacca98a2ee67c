// The screen's size as the window layer sees it: Qt's primary screen, or
// the size a test set.
#pragma once

#include "platform/window/winuser.h"

namespace lorvane::window::detail {

SIZE ScreenSize();

}  // namespace lorvane::window::detail
