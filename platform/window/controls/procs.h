// What the window layer needs of the built-in controls: their window
// procedures and the making of their widgets.
#pragma once

#include "platform/window/winuser.h"

class QWidget;

namespace lorvane::window::detail {

struct Window;

LRESULT CALLBACK ButtonProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK EditProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK StaticProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ListViewProc(HWND, UINT, WPARAM, LPARAM);
// Makes the Qt widget of a built-in control (and its state); false when the
// style asks for something this layer does not do.
bool CreateControlWidget(Window& window, QWidget* parent, const CREATESTRUCTA& cs);

}  // namespace lorvane::window::detail
