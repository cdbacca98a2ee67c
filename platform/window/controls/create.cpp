// Makes the Qt widget behind each built-in control class.
#include "platform/window/controls/controls.h"
#include "platform/window/controls/procs.h"

namespace lorvane::window::detail {

bool CreateControlWidget(Window& window, QWidget* parent, const CREATESTRUCTA& cs) {
  switch (window.cls->kind) {
    case ControlKind::kButton:
      return CreateButton(window, parent, cs);
    case ControlKind::kEdit:
      return CreateEdit(window, parent, cs);
    case ControlKind::kStatic:
      return CreateStatic(window, parent, cs);
    case ControlKind::kListView:
      return CreateListView(window, parent, cs);
    default:
      return false;
  }
}

}  // namespace lorvane::window::detail
