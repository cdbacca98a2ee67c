// The border of a child window with WS_BORDER or WS_EX_CLIENTEDGE, drawn
// around its client area.
#pragma once

#include <QWidget>

#include "platform/base/types.h"

namespace lorvane::window::detail {

QWidget* NewBorderWidget(QWidget* parent, DWORD style, DWORD exStyle);

}  // namespace lorvane::window::detail
