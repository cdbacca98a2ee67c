// The list view in report mode: its rows, texts, item data and states.
#include "platform/window/controls/listview.h"

#include <QHeaderView>
#include <algorithm>

#include "platform/window/text.h"

namespace lorvane::window::detail {

void ListState::SyncView() {
  QItemSelection selection;
  for (int i = 0; i < Count(); ++i) {
    if (rows[static_cast<std::size_t>(i)].state & LVIS_SELECTED)
      selection.select(model->index(i, 0), model->index(i, 0));
  }
  view->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
  const int focused = FocusedRow();
  view->selectionModel()->setCurrentIndex(focused >= 0 ? model->index(focused, 0) : QModelIndex(),
                                          QItemSelectionModel::NoUpdate);
  view->viewport()->update();
}

bool ListState::SetState(int row, UINT state, UINT mask) {
  if (!Valid(row)) return false;
  const UINT old = rows[static_cast<std::size_t>(row)].state;
  const UINT now = (old & ~mask) | (state & mask);
  // The selected row and the focused row are each the only one.
  const UINT taken = now & ~old & (LVIS_SELECTED | LVIS_FOCUSED);
  if (taken != 0) {
    for (Row& other : rows) other.state &= ~taken;
  }
  rows[static_cast<std::size_t>(row)].state = now;
  SyncView();
  return true;
}

void ListState::SelectOnly(int row) {
  for (Row& other : rows) other.state &= ~LVIS_SELECTED;
  if (Valid(row)) SetState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  SyncView();
}

int ListState::FocusedRow() const {
  for (int i = 0; i < Count(); ++i)
    if (rows[static_cast<std::size_t>(i)].state & LVIS_FOCUSED) return i;
  return -1;
}

ListState* ListStateOf(HWND handle) {
  Window* window = FindQuiet(handle);
  return window != nullptr ? dynamic_cast<ListState*>(window->control.get()) : nullptr;
}

bool CreateListView(Window& window, QWidget* parent, const CREATESTRUCTA& cs) {
  const DWORD style = static_cast<DWORD>(cs.style);
  if ((style & (LVS_REPORT | LVS_SINGLESEL)) != (LVS_REPORT | LVS_SINGLESEL)) {
    LogUnsupported("list views other than single-selection report views");
    return false;
  }
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
  view->header()->setStretchLastSection(false);
  view->header()->setSectionsMovable(false);
  view->header()->setSectionResizeMode(QHeaderView::Interactive);
  view->header()->setMinimumSectionSize(0);
  view->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  if (style & WS_BORDER) {
    view->setFrameStyle(QFrame::Box | QFrame::Plain);
    view->setLineWidth(1);
  } else {
    view->setFrameStyle(QFrame::NoFrame);
  }
  window.control = std::move(state);
  window.outer = window.client = view;
  return true;
}

}  // namespace lorvane::window::detail
