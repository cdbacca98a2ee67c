// Menu bars and the commands of their items.
#pragma once

#include "platform/window/winuser.h"

namespace lorvane::window::detail {

struct Window;

void AttachMenuBar(Window& window);
void DetachMenuBar(Window& window);
bool IsMenuHandle(HMENU menu);
void DestroyMenuTree(HMENU menu);
// Enabled state of a command in the window's menu: -1 when the menu has no
// such item; also sends WM_INITMENUPOPUP as a menu would.
int PrepareMenuCommand(HWND handle, UINT command);

}  // namespace lorvane::window::detail
