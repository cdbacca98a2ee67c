// How a control tells its parent what happened.
#pragma once

#include "platform/window/commctrl.h"
#include "platform/window/winuser.h"

namespace lorvane::window::detail {

// Every notification a control sends its parent (WM_COMMAND and WM_NOTIFY)
// goes through here. Returns false when the control did not survive the
// parent's handler.
bool NotifyParent(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                  LRESULT* result = nullptr);
bool SendNotify(HWND control, NMHDR& header, UINT code, LRESULT* result = nullptr);
bool SendCommand(HWND control, WORD code);

}  // namespace lorvane::window::detail
