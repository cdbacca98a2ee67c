// Where windows and their client areas are, and the Qt widgets placed to
// match.
#pragma once

#include "platform/window/winuser.h"

namespace lorvane::window::detail {

struct Window;

struct Insets {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};
// From the window rectangle to the client rectangle; for a top-level window
// the caption and the menu bar are in `top`.
Insets NonClientInsets(const Window& window);
// Where the Qt widgets go for the current window rectangle.
void ApplyGeometry(Window& window);
// AdjustWindowRectEx without a menu: the window rectangle around a client one.
RECT WindowRectFor(const RECT& client, DWORD style, DWORD exStyle);
// The screen position of the client area's top-left corner.
POINT ClientOrigin(const Window& window);
// Qt moved or resized a top-level window itself (a window manager did):
// take the new rectangle and tell the window.
void AdoptQtGeometry(Window& window);
// An internal WINDOWPOS flag: the client area did not change size.
inline constexpr UINT kNoClientSize = 0x0800;

}  // namespace lorvane::window::detail
