// A list view's mouse and keys, handled as the common control does: a click
// selects on the button going down (LVN_ITEMCHANGING / LVN_ITEMCHANGED) and
// sends NM_CLICK when it comes up; keys move the selection without NM_CLICK.
#include <QHeaderView>
#include <QMouseEvent>
#include <QScrollBar>
#include <cctype>

#include "platform/window/controls/listview.h"
#include "platform/window/controls/notify.h"

namespace lorvane::window::detail {

int ListState::HitTest(QPoint viewportPos) const {
  const QModelIndex index = view->indexAt(viewportPos);
  if (!index.isValid()) return -1;
  // Without full-row select only the item's own (first) column is the item.
  if (!FullRow() && index.column() != 0) return -1;
  return index.row();
}

QPoint ListState::ToClient(QPoint viewportPos) const {
  return view->viewport()->mapTo(view, viewportPos) - QPoint(Inset(), Inset());
}

QPoint ListState::FromClient(QPoint clientPos) const {
  return view->viewport()->mapFrom(view, clientPos + QPoint(Inset(), Inset()));
}

QRect ListState::RowRect(int row, int code) const {
  QRect rect = view->visualRect(model->index(row, 0));
  if (code == LVIR_BOUNDS) {
    for (int c = 1; c < static_cast<int>(columns.size()); ++c)
      rect = rect.united(view->visualRect(model->index(row, c)));
  }
  return QRect(ToClient(rect.topLeft()), rect.size());
}

bool ListState::NotifyClick(UINT code, QPoint viewportPos, Qt::KeyboardModifiers mods) {
  NMITEMACTIVATE nm{};
  const QPoint at = ToClient(viewportPos);
  nm.iItem = HitTest(viewportPos);
  nm.ptAction = POINT{at.x(), at.y()};
  if (Valid(nm.iItem)) nm.lParam = rows[static_cast<std::size_t>(nm.iItem)].param;
  if (mods & Qt::AltModifier) nm.uKeyFlags |= LVKF_ALT;
  if (mods & Qt::ControlModifier) nm.uKeyFlags |= LVKF_CONTROL;
  if (mods & Qt::ShiftModifier) nm.uKeyFlags |= LVKF_SHIFT;
  return SendNotify(handle, nm.hdr, code);
}

bool ListState::FilterQtEvent(QObject* object, QEvent* event) {
  if (object != view->viewport()) return false;
  const HWND self = handle;
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() != Qt::LeftButton && mouse->button() != Qt::RightButton) return true;
      const QPoint pos = mouse->position().toPoint();
      if (GetFocus() != self) SetFocus(self);
      if (!IsWindow(self)) return true;
      const int row = HitTest(pos);
      const bool ctrl = (mouse->modifiers() & Qt::ControlModifier) != 0;
      if (row < 0) {
        if (!ctrl && !(mouse->modifiers() & Qt::ShiftModifier)) DeselectAll();
      } else if (ctrl && !(style & LVS_SINGLESEL) && mouse->button() == Qt::LeftButton) {
        const UINT selected = rows[static_cast<std::size_t>(row)].state & LVIS_SELECTED;
        SetState(row, (selected ^ LVIS_SELECTED) | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
      } else if (!(rows[static_cast<std::size_t>(row)].state & LVIS_SELECTED) ||
                 mouse->button() == Qt::LeftButton) {
        SelectOnly(row);
      }
      if (!IsWindow(self)) return true;
      if (event->type() == QEvent::MouseButtonDblClick) {
        pressed_ = false;  // a double click reports itself, not a click
        NotifyClick(mouse->button() == Qt::LeftButton ? NM_DBLCLK : NM_RDBLCLK, pos,
                    mouse->modifiers());
      } else {
        pressed_ = true;
        pressButton_ = mouse->button();
      }
      return true;
    }
    case QEvent::MouseButtonRelease: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (!pressed_ || mouse->button() != pressButton_) return true;
      pressed_ = false;
      NotifyClick(pressButton_ == Qt::LeftButton ? NM_CLICK : NM_RCLICK,
                  mouse->position().toPoint(), mouse->modifiers());
      return true;
    }
    case QEvent::MouseMove:
      return static_cast<QMouseEvent*>(event)->buttons() != Qt::NoButton;
    default:
      return false;
  }
}

void ListState::KeyDown(int key) {
  const HWND self = handle;
  NMLVKEYDOWN nm{};
  nm.wVKey = static_cast<WORD>(key);
  if (!SendNotify(self, nm.hdr, LVN_KEYDOWN)) return;
  if (Count() == 0) return;
  const int current = FocusedRow();
  const int page =
      std::max(1, view->viewport()->height() / std::max(1, view->sizeHintForRow(0)) - 1);
  int target = -1;
  switch (key) {
    case VK_UP:
      target = current < 0 ? 0 : std::max(current - 1, 0);
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
      target = current < 0 ? 0 : std::max(current - page, 0);
      break;
    case VK_NEXT:
      target = current < 0 ? 0 : std::min(current + page, Count() - 1);
      break;
    case VK_SPACE:
      target = current < 0 ? 0 : current;
      break;
    case VK_RETURN:
      Notify(NM_RETURN, -1, 0);
      return;
    default:
      return;
  }
  const bool ctrl = GetKeyState(VK_CONTROL) < 0;
  if (ctrl && !(style & LVS_SINGLESEL) && key != VK_SPACE)
    SetState(target, LVIS_FOCUSED, LVIS_FOCUSED);  // moves the focus only
  else if (ctrl && key == VK_SPACE && !(style & LVS_SINGLESEL))
    SetState(target, rows[static_cast<std::size_t>(target)].state ^ LVIS_SELECTED, LVIS_SELECTED);
  else
    SelectOnly(target);
  if (IsWindow(self) && Valid(target)) view->scrollTo(model->index(target, 0));
}

void ListState::TypeAhead(char c) {
  if (Count() == 0 || static_cast<unsigned char>(c) < 0x20) return;
  const int start = FocusedRow();
  const auto lower = [](char x) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(x)));
  };
  for (int step = 1; step <= Count(); ++step) {
    const int i = (start + step + Count()) % Count();
    const auto& texts = rows[static_cast<std::size_t>(i)].texts;
    if (!texts.empty() && !texts[0].empty() && lower(texts[0][0]) == lower(c)) {
      SelectOnly(i);
      if (IsWindow(handle) && Valid(i)) view->scrollTo(model->index(i, 0));
      return;
    }
  }
}

}  // namespace lorvane::window::detail
