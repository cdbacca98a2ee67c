// The dialog class's window procedure.
#pragma once

#include "platform/window/winuser.h"

namespace lorvane::window::detail {

LRESULT CALLBACK DialogProc(HWND, UINT, WPARAM, LPARAM);

}  // namespace lorvane::window::detail
