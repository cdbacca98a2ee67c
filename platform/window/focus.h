// Keyboard focus and window activation.
#pragma once

#include "platform/window/winuser.h"

namespace lorvane::window::detail {

HWND FocusWindow();
void ChangeFocus(HWND handle);
void Activate(HWND topLevel, WORD how);
void Deactivate(HWND topLevel);
HWND ActiveWindow();
void ForgetWindow(HWND handle);

}  // namespace lorvane::window::detail
