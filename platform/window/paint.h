// Painting, colours, brushes and fonts.
#pragma once

#include <QColor>
#include <QFont>
#include <QRect>

#include "platform/window/winuser.h"

namespace lorvane::window::detail {

struct Window;

// Sends WM_PAINT for a Qt paint event of the window's client widget.
void PaintFromQt(Window& window, const QRect& area);
QColor ColorOf(COLORREF color);
COLORREF ColorRefOf(const QColor& color);
COLORREF SysColor(int index);
// The colour of a brush handle; false for the null brush or an unknown one.
bool BrushColor(HBRUSH brush, COLORREF* color);
QFont FontOf(HFONT font, const QWidget* fallback);
HFONT CreateFontObject(const QFont& font);
void DeleteFontObject(HFONT font);

}  // namespace lorvane::window::detail
