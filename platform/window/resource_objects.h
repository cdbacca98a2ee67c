// The Qt objects behind icon and cursor handles, and resource names.
#pragma once

#include <QIcon>

#include "platform/window/winuser.h"

namespace lorvane::window::detail {

QIcon IconOf(HICON icon);
Qt::CursorShape CursorShapeOf(HCURSOR cursor);
bool IsWaitCursor(HCURSOR cursor);
UINT ResourceId(LPCSTR name, bool* ok);
void ForgetProgramIcons();

}  // namespace lorvane::window::detail
