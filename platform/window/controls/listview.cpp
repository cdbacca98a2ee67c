// The list view in report mode: its rows, texts, item data and states, and
// the message switch the program and the framework talk to.
#include <QHeaderView>
#include <algorithm>
#include <cstring>
#include <set>

#include "platform/window/controls/listview.h"
#include "platform/window/controls/notify.h"
#include "platform/window/queue.h"
#include "platform/window/text.h"

namespace lorvane::window::detail {

void ListState::SyncView() {
  QItemSelection selection;
  const int lastColumn = std::max(0, static_cast<int>(columns.size()) - 1);
  for (int i = 0; i < Count(); ++i) {
    if (rows[static_cast<std::size_t>(i)].state & LVIS_SELECTED)
      selection.select(model->index(i, 0), model->index(i, FullRow() ? lastColumn : 0));
  }
  view->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
  const int focused = FocusedRow();
  view->selectionModel()->setCurrentIndex(focused >= 0 ? model->index(focused, 0) : QModelIndex(),
                                          QItemSelectionModel::NoUpdate);
  view->viewport()->update();
}

bool ListState::Notify(UINT code, int item, int subItem, POINT at, LRESULT* result) {
  NMLISTVIEW nm{};
  nm.iItem = item;
  nm.iSubItem = subItem;
  nm.ptAction = at;
  if (Valid(item)) nm.lParam = rows[static_cast<std::size_t>(item)].param;
  return SendNotify(handle, nm.hdr, code, result);
}

namespace {

NMLISTVIEW StateChange(const Row& row, int index, UINT now, UINT old) {
  NMLISTVIEW nm{};
  nm.iItem = index;
  nm.uNewState = now;
  nm.uOldState = old;
  nm.uChanged = LVIF_STATE;
  nm.lParam = row.param;
  return nm;
}

}  // namespace

bool ListState::SetState(int row, UINT state, UINT mask) {
  if (!Valid(row)) return false;
  const HWND self = handle;
  const UINT old = rows[static_cast<std::size_t>(row)].state;
  const UINT now = (old & ~mask) | (state & mask);
  if (now == old) return true;
  NMLISTVIEW changing = StateChange(rows[static_cast<std::size_t>(row)], row, now, old);
  LRESULT veto = 0;
  if (!SendNotify(self, changing.hdr, LVN_ITEMCHANGING, &veto) || veto) return false;
  if (!Valid(row)) return false;
  // One selected row in a single-selection list, one focused row in any.
  if ((now & LVIS_SELECTED) && !(old & LVIS_SELECTED) && (style & LVS_SINGLESEL) &&
      !ClearOthers(row, LVIS_SELECTED))
    return false;
  if ((now & LVIS_FOCUSED) && !(old & LVIS_FOCUSED) && !ClearOthers(row, LVIS_FOCUSED))
    return false;
  if (!Valid(row)) return false;
  rows[static_cast<std::size_t>(row)].state = now;
  SyncView();
  NMLISTVIEW changed = StateChange(rows[static_cast<std::size_t>(row)], row, now, old);
  return SendNotify(self, changed.hdr, LVN_ITEMCHANGED);
}

bool ListState::ClearOthers(int keep, UINT bit) {
  const HWND self = handle;
  for (int i = 0; i < Count(); ++i)
    if (i != keep && (rows[static_cast<std::size_t>(i)].state & bit)) {
      if (!SetState(i, 0, bit) || !IsWindow(self)) return false;
    }
  return true;
}

void ListState::DeselectAll() { ClearOthers(-1, LVIS_SELECTED); }

void ListState::SelectOnly(int row) {
  if (ClearOthers(row, LVIS_SELECTED))
    SetState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

int ListState::FocusedRow() const {
  for (int i = 0; i < Count(); ++i)
    if (rows[static_cast<std::size_t>(i)].state & LVIS_FOCUSED) return i;
  return -1;
}

namespace {

}  // namespace

ListState* ListStateOf(HWND handle) {
  Window* window = FindQuiet(handle);
  return window != nullptr ? dynamic_cast<ListState*>(window->control.get()) : nullptr;
}

bool CreateListView(Window& window, QWidget* parent, const CREATESTRUCTA& cs) {
  const DWORD style = static_cast<DWORD>(cs.style);
  if ((style & LVS_TYPEMASK) != LVS_REPORT)
    LogUnsupported("list views other than the report view (shown as a report)");
  if (style & (LVS_SORTASCENDING | LVS_SORTDESCENDING))
    LogUnsupported("sorted list views (kept in insertion order)");
  auto state = std::make_unique<ListState>();
  state->handle = window.handle;
  state->style = style;
  auto* view = new QTreeView(parent);
  state->view = view;
  state->model = new ListModel(*state);
  state->model->setParent(view);
  view->setModel(state->model);
  view->setItemDelegate(new ListDelegate(*state, view));
  view->setRootIsDecorated(false);
  view->setItemsExpandable(false);
  view->setUniformRowHeights(true);
  view->setSelectionMode(QAbstractItemView::NoSelection);  // selection is this control's
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view->setTextElideMode(Qt::ElideRight);
  view->setHeaderHidden((style & LVS_NOCOLUMNHEADER) != 0);
  view->header()->setStretchLastSection(false);
  view->header()->setSectionsMovable(false);
  view->header()->setSectionResizeMode(QHeaderView::Interactive);
  view->header()->setMinimumSectionSize(0);
  view->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  view->header()->setSectionsClickable(!(style & LVS_NOSORTHEADER));
  if (cs.dwExStyle & WS_EX_CLIENTEDGE) {
    view->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  } else if (style & WS_BORDER) {
    view->setFrameStyle(QFrame::Box | QFrame::Plain);
    view->setLineWidth(1);
  } else {
    view->setFrameStyle(QFrame::NoFrame);
  }
  const HWND handle = window.handle;
  QObject::connect(view->header(), &QHeaderView::sectionClicked, [handle](int column) {
    CallFromQt([handle, column] {
      if (ListState* list = ListStateOf(handle)) list->Notify(LVN_COLUMNCLICK, -1, column);
    });
  });
  QObject::connect(view->header(), &QHeaderView::sectionResized,
                   [handle](int column, int, int size) {
                     ListState* list = ListStateOf(handle);
                     if (list != nullptr && column < static_cast<int>(list->columns.size()))
                       list->columns[static_cast<std::size_t>(column)].width = size;
                   });
  window.control = std::move(state);
  window.outer = window.client = view;
  return true;
}

}  // namespace lorvane::window::detail
