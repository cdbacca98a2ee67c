// The built-in controls' constructors, one per class.
#pragma once

#include "platform/window/commctrl.h"
#include "platform/window/window_table.h"

namespace lorvane::window::detail {

bool CreateButton(Window& window, QWidget* parent, const CREATESTRUCTA& cs);
bool CreateEdit(Window& window, QWidget* parent, const CREATESTRUCTA& cs);
bool CreateStatic(Window& window, QWidget* parent, const CREATESTRUCTA& cs);
bool CreateListView(Window& window, QWidget* parent, const CREATESTRUCTA& cs);

}  // namespace lorvane::window::detail
