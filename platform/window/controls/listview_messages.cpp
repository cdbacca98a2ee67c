// The list view's message switch: the LVM_* messages the program and the
// framework send, and the window messages, each unpacked and handed to one
// function on the rows.
#include <QHeaderView>
#include <algorithm>
#include <set>

#include "platform/window/controls/listview.h"
#include "platform/window/controls/procs.h"
#include "platform/window/paint.h"
#include "platform/window/text.h"

namespace lorvane::window::detail {

namespace {

bool ValidCell(const ListState& list, int row, int sub) {
  return list.Valid(row) && sub >= 0 &&
         static_cast<std::size_t>(sub) < std::max<std::size_t>(1, list.columns.size());
}

bool SetText(ListState& list, int row, int sub, LPCSTR text) {
  if (!ValidCell(list, row, sub)) return false;
  auto& texts = list.rows[static_cast<std::size_t>(row)].texts;
  if (texts.size() <= static_cast<std::size_t>(sub))
    texts.resize(static_cast<std::size_t>(sub) + 1);
  texts[static_cast<std::size_t>(sub)] = text != nullptr ? text : "";  // the control keeps a copy
  list.model->RowChanged(row);
  return true;
}

LRESULT InsertItem(ListState& list, const LVITEMA* item) {
  if (item == nullptr || item->iSubItem != 0 || item->iItem < 0) return -1;
  const int at = std::min(item->iItem, list.Count());
  Row row;
  if ((item->mask & LVIF_TEXT) && item->pszText != nullptr) row.texts.push_back(item->pszText);
  if (item->mask & LVIF_PARAM) row.param = item->lParam;
  list.model->beginInsertRows(QModelIndex(), at, at);
  list.rows.insert(list.rows.begin() + at, std::move(row));
  list.model->endInsertRows();
  if (item->mask & LVIF_STATE) list.SetState(at, item->state, item->stateMask);
  list.SyncView();
  return at;
}

BOOL GetItem(const ListState& list, LVITEMA* item) {
  if (item == nullptr || !ValidCell(list, item->iItem, item->iSubItem)) return FALSE;
  const Row& row = list.rows[static_cast<std::size_t>(item->iItem)];
  if ((item->mask & LVIF_TEXT) && item->pszText != nullptr) {
    const auto sub = static_cast<std::size_t>(item->iSubItem);
    CopyOut(sub < row.texts.size() ? row.texts[sub] : std::string(), item->pszText,
            item->cchTextMax);
  }
  if (item->mask & LVIF_PARAM) item->lParam = row.param;
  if (item->mask & LVIF_STATE) item->state = row.state & item->stateMask;
  return TRUE;
}

BOOL SetItem(ListState& list, const LVITEMA* item) {
  if (item == nullptr || !ValidCell(list, item->iItem, item->iSubItem)) return FALSE;
  if ((item->mask & LVIF_TEXT) && !SetText(list, item->iItem, item->iSubItem, item->pszText))
    return FALSE;
  if (item->iSubItem == 0) {
    if (item->mask & LVIF_PARAM)
      list.rows[static_cast<std::size_t>(item->iItem)].param = item->lParam;
    if (item->mask & LVIF_STATE) list.SetState(item->iItem, item->state, item->stateMask);
  }
  return TRUE;
}

// The first row after `start`, or with LVNI_SELECTED the first selected one.
LRESULT GetNextItem(const ListState& list, int start, UINT flags) {
  const UINT wanted = (flags & LVNI_SELECTED) ? LVIS_SELECTED : 0;
  for (int i = std::max(start + 1, 0); i < list.Count(); ++i)
    if ((list.rows[static_cast<std::size_t>(i)].state & wanted) == wanted) return i;
  return -1;
}

LRESULT InsertColumn(ListState& list, int index, const LVCOLUMNA* column) {
  if (column == nullptr || index < 0) return -1;
  if ((column->mask & LVCF_FMT) && column->fmt != LVCFMT_LEFT)
    LogUnsupported("list view columns not aligned left (shown left)");
  const int at = std::min(index, static_cast<int>(list.columns.size()));
  const bool hasText = (column->mask & LVCF_TEXT) && column->pszText != nullptr;
  list.model->beginInsertColumns(QModelIndex(), at, at);
  list.columns.insert(list.columns.begin() + at, hasText ? column->pszText : "");
  for (Row& row : list.rows) {
    if (at > 0 && static_cast<std::size_t>(at) < row.texts.size())
      row.texts.insert(row.texts.begin() + at, std::string());
  }
  list.model->endInsertColumns();
  list.view->header()->resizeSection(at, (column->mask & LVCF_WIDTH) ? std::max(0, column->cx) : 0);
  list.SyncView();
  return at;
}

LRESULT DeleteAll(ListState& list) {
  list.model->beginResetModel();
  list.rows.clear();
  list.model->endResetModel();
  list.SyncView();
  return TRUE;
}

}  // namespace

LRESULT CALLBACK ListViewProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  ListState* list = ListStateOf(handle);
  if (list == nullptr) return DefWindowProcA(handle, message, wParam, lParam);
  switch (message) {
    case WM_SETFONT:
      DefWindowProcA(handle, message, wParam, lParam);
      list->view->setFont(FontOf(reinterpret_cast<HFONT>(wParam), list->view->parentWidget()));
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      list->view->viewport()->update();  // the selection's colour follows the focus
      return 0;
    case WM_KEYDOWN:
      list->KeyDown(static_cast<int>(wParam));
      return 0;
    case LVM_GETITEMCOUNT:
      return list->Count();
    case LVM_INSERTITEMA:
      return InsertItem(*list, reinterpret_cast<const LVITEMA*>(lParam));
    case LVM_GETITEMA:
      return GetItem(*list, reinterpret_cast<LVITEMA*>(lParam));
    case LVM_SETITEMA:
      return SetItem(*list, reinterpret_cast<const LVITEMA*>(lParam));
    case LVM_SETITEMTEXTA: {
      const auto* item = reinterpret_cast<const LVITEMA*>(lParam);
      return item != nullptr &&
             SetText(*list, static_cast<int>(wParam), item->iSubItem, item->pszText);
    }
    case LVM_SETITEMSTATE: {
      const auto* item = reinterpret_cast<const LVITEMA*>(lParam);
      return item != nullptr &&
             list->SetState(static_cast<int>(wParam), item->state, item->stateMask);
    }
    case LVM_GETNEXTITEM:
      return GetNextItem(*list, static_cast<int>(static_cast<LONG>(wParam)), LOWORD(lParam));
    case LVM_DELETEALLITEMS:
      return DeleteAll(*list);
    case LVM_REDRAWITEMS: {
      const int last = static_cast<int>(lParam);
      for (int row = std::max(static_cast<int>(wParam), 0); row <= last && row < list->Count();
           ++row)
        list->view->viewport()->update(
            list->view->visualRect(list->model->index(row, 0)).adjusted(0, 0, 1 << 16, 0));
      return TRUE;
    }
    case LVM_INSERTCOLUMNA:
      return InsertColumn(*list, static_cast<int>(wParam),
                          reinterpret_cast<const LVCOLUMNA*>(lParam));
    default:
      if (message >= LVM_FIRST && message < LVM_FIRST + 0x100) {
        static std::set<UINT> reported;
        if (reported.insert(message).second) LogUnsupported("this list view message");
        return 0;
      }
      return DefWindowProcA(handle, message, wParam, lParam);
  }
}

}  // namespace lorvane::window::detail
