// A list view's mouse and keys, handled as the common control does: a click
// selects on the button going down and sends NM_CLICK when it comes up; keys
// move the selection without NM_CLICK.
#include <QMouseEvent>

#include "platform/window/controls/listview.h"
#include "platform/window/controls/notify.h"

namespace lorvane::window::detail {

int ListState::HitTest(QPoint viewportPos) const {
  const QModelIndex index = view->indexAt(viewportPos);
  // Without full-row select only the item's own (first) column is the item.
  if (!index.isValid() || index.column() != 0) return -1;
  return index.row();
}

void ListState::NotifyClick(QPoint viewportPos) {
  NMITEMACTIVATE nm{};
  const Window* window = FindQuiet(handle);
  const int inset = window != nullptr ? NonClientInsets(*window).left : 0;
  const QPoint at = view->viewport()->mapTo(view, viewportPos) - QPoint(inset, inset);
  nm.iItem = HitTest(viewportPos);
  nm.ptAction = POINT{at.x(), at.y()};
  if (Valid(nm.iItem)) nm.lParam = rows[static_cast<std::size_t>(nm.iItem)].param;
  SendNotify(handle, nm.hdr, NM_CLICK);
}

bool ListState::FilterQtEvent(QObject* object, QEvent* event) {
  if (object != view->viewport()) return false;
  const HWND self = handle;
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() != Qt::LeftButton) return true;
      if (GetFocus() != self) SetFocus(self);
      if (!IsWindow(self)) return true;
      SelectOnly(HitTest(mouse->position().toPoint()));
      // The second press of a double click makes no NM_CLICK.
      pressed_ = event->type() == QEvent::MouseButtonPress;
      return true;
    }
    case QEvent::MouseButtonRelease: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (!pressed_ || mouse->button() != Qt::LeftButton) return true;
      pressed_ = false;
      NotifyClick(mouse->position().toPoint());
      return true;
    }
    case QEvent::MouseMove:
      return static_cast<QMouseEvent*>(event)->buttons() != Qt::NoButton;
    default:
      return false;
  }
}

void ListState::KeyDown(int key) {
  if (Count() == 0) return;
  const int current = FocusedRow();
  const int page =
      std::max(1, view->viewport()->height() / std::max(1, view->sizeHintForRow(0)) - 1);
  int target = -1;
  switch (key) {
    case VK_UP:
      target = std::max(current - 1, 0);
      break;
    case VK_DOWN:
      target = current < 0 ? 0 : std::min(current + 1, Count() - 1);
      break;
    case VK_HOME:
      target = 0;
      break;
    case VK_END:
      target = Count() - 1;
      break;
    case VK_PRIOR:
      target = std::max(current - page, 0);
      break;
    case VK_NEXT:
      target = current < 0 ? 0 : std::min(current + page, Count() - 1);
      break;
    default:
      return;
  }
  SelectOnly(target);
  view->scrollTo(model->index(target, 0));
}

}  // namespace lorvane::window::detail
