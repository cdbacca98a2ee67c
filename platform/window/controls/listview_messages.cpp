// The list view's message switch: LVM_* and the window messages, each
// unpacked and handed to one function on the rows.
#include <QHeaderView>
#include <algorithm>
#include <cstring>
#include <set>

#include "platform/window/controls/listview.h"
#include "platform/window/controls/procs.h"
#include "platform/window/paint.h"
#include "platform/window/text.h"

namespace lorvane::window::detail {

namespace {

std::size_t ColumnSlots(const ListState& list) {
  return std::max<std::size_t>(1, list.columns.size());
}

bool SetText(ListState& list, int row, int sub, LPCSTR text) {
  if (!list.Valid(row) || sub < 0 || static_cast<std::size_t>(sub) >= ColumnSlots(list))
    return false;
  if (text == LPSTR_TEXTCALLBACKA) {
    LogUnsupported("list view text callbacks");
    return false;
  }
  auto& texts = list.rows[static_cast<std::size_t>(row)].texts;
  if (texts.size() <= static_cast<std::size_t>(sub))
    texts.resize(static_cast<std::size_t>(sub) + 1);
  texts[static_cast<std::size_t>(sub)] = text != nullptr ? text : "";  // the control keeps a copy
  list.model->RowChanged(row);
  return true;
}

LRESULT InsertItem(ListState& list, const LVITEMA* item) {
  if (item == nullptr || item->iSubItem != 0 || item->iItem < 0) return -1;
  if ((item->mask & LVIF_TEXT) && item->pszText == LPSTR_TEXTCALLBACKA) {
    LogUnsupported("list view text callbacks");
    return -1;
  }
  const int at = std::min(item->iItem, list.Count());
  Row row;
  if ((item->mask & LVIF_TEXT) && item->pszText != nullptr) row.texts.push_back(item->pszText);
  if (item->mask & LVIF_PARAM) row.param = item->lParam;
  if (item->mask & LVIF_IMAGE) row.image = item->iImage;
  if (item->mask & LVIF_INDENT) row.indent = item->iIndent;
  list.model->beginInsertRows(QModelIndex(), at, at);
  list.rows.insert(list.rows.begin() + at, std::move(row));
  list.model->endInsertRows();
  list.SyncView();
  const HWND self = list.handle;
  if (!list.Notify(LVN_INSERTITEM, at, 0)) return at;
  if ((item->mask & LVIF_STATE) && (item->state & item->stateMask) != 0) {
    ListState* again = ListStateOf(self);
    if (again != nullptr) again->SetState(at, item->state, item->stateMask);
  }
  return at;
}

BOOL GetItem(ListState& list, LVITEMA* item) {
  if (item == nullptr || !list.Valid(item->iItem) || item->iSubItem < 0 ||
      static_cast<std::size_t>(item->iSubItem) >= ColumnSlots(list))
    return FALSE;
  const Row& row = list.rows[static_cast<std::size_t>(item->iItem)];
  if ((item->mask & LVIF_TEXT) && item->pszText != nullptr) {
    const auto sub = static_cast<std::size_t>(item->iSubItem);
    CopyOut(sub < row.texts.size() ? row.texts[sub] : std::string(), item->pszText,
            item->cchTextMax);
  }
  if (item->mask & LVIF_PARAM) item->lParam = row.param;
  if (item->mask & LVIF_STATE) item->state = row.state & item->stateMask;
  if (item->mask & LVIF_IMAGE) item->iImage = row.image;
  if (item->mask & LVIF_INDENT) item->iIndent = row.indent;
  return TRUE;
}

BOOL SetItem(ListState& list, const LVITEMA* item) {
  if (item == nullptr || !list.Valid(item->iItem) || item->iSubItem < 0 ||
      static_cast<std::size_t>(item->iSubItem) >= ColumnSlots(list))
    return FALSE;
  const HWND self = list.handle;
  if ((item->mask & LVIF_TEXT) && !SetText(list, item->iItem, item->iSubItem, item->pszText))
    return FALSE;
  if (item->iSubItem == 0) {
    Row& row = list.rows[static_cast<std::size_t>(item->iItem)];
    if (item->mask & LVIF_PARAM) row.param = item->lParam;
    if (item->mask & LVIF_IMAGE) row.image = item->iImage;
    if (item->mask & LVIF_INDENT) row.indent = item->iIndent;
    if (item->mask & LVIF_STATE) {
      if (!list.SetState(item->iItem, item->state, item->stateMask) && !IsWindow(self))
        return FALSE;
    }
  }
  return TRUE;
}

LRESULT GetNextItem(const ListState& list, int start, UINT flags) {
  auto matches = [&](int i) {
    const UINT state = list.rows[static_cast<std::size_t>(i)].state;
    if ((flags & LVNI_SELECTED) && !(state & LVIS_SELECTED)) return false;
    if ((flags & LVNI_FOCUSED) && !(state & LVIS_FOCUSED)) return false;
    return true;
  };
  if (flags & LVNI_ABOVE) {
    for (int i = std::min(start, list.Count()) - 1; i >= 0; --i)
      if (matches(i)) return i;
    return -1;
  }
  for (int i = std::max(start + 1, 0); i < list.Count(); ++i)
    if (matches(i)) return i;
  return -1;
}

LRESULT InsertColumn(ListState& list, int index, const LVCOLUMNA* column) {
  if (column == nullptr || index < 0) return -1;
  const int at = std::min(index, static_cast<int>(list.columns.size()));
  Column c;
  if ((column->mask & LVCF_TEXT) && column->pszText != nullptr) c.text = column->pszText;
  if (column->mask & LVCF_WIDTH) c.width = std::max(0, column->cx);
  if (column->mask & LVCF_FMT) c.fmt = column->fmt & LVCFMT_JUSTIFYMASK;
  list.model->beginInsertColumns(QModelIndex(), at, at);
  list.columns.insert(list.columns.begin() + at, c);
  for (Row& row : list.rows) {
    if (static_cast<std::size_t>(at) < row.texts.size() && !list.columns.empty() && at > 0)
      row.texts.insert(row.texts.begin() + at, std::string());
  }
  list.model->endInsertColumns();
  list.view->header()->resizeSection(at, c.width);
  list.SyncView();
  return at;
}

int ContentWidth(const ListState& list, int column, bool withHeader) {
  const QFontMetrics metrics(list.view->font());
  int width = 0;
  for (const Row& row : list.rows) {
    if (static_cast<std::size_t>(column) < row.texts.size())
      width = std::max(
          width, metrics.horizontalAdvance(FromLocal(row.texts[static_cast<std::size_t>(column)])));
  }
  if (withHeader)
    width = std::max(width, metrics.horizontalAdvance(
                                FromLocal(list.columns[static_cast<std::size_t>(column)].text)));
  return width + 12;
}

LRESULT ColumnMessage(ListState& list, UINT message, WPARAM wParam, LPARAM lParam) {
  const int index = static_cast<int>(wParam);
  const bool valid = index >= 0 && index < static_cast<int>(list.columns.size());
  switch (message) {
    case LVM_INSERTCOLUMNA:
      return InsertColumn(list, index, reinterpret_cast<const LVCOLUMNA*>(lParam));
    case LVM_DELETECOLUMN:
      if (!valid) return FALSE;
      list.model->beginRemoveColumns(QModelIndex(), index, index);
      list.columns.erase(list.columns.begin() + index);
      for (Row& row : list.rows)
        if (static_cast<std::size_t>(index) < row.texts.size())
          row.texts.erase(row.texts.begin() + index);
      list.model->endRemoveColumns();
      return TRUE;
    case LVM_GETCOLUMNWIDTH:
      return valid ? list.view->header()->sectionSize(index) : 0;
    case LVM_SETCOLUMNWIDTH: {
      if (!valid) return FALSE;
      int width = static_cast<SHORT>(LOWORD(lParam));
      if (width == LVSCW_AUTOSIZE || width == LVSCW_AUTOSIZE_USEHEADER)
        width = ContentWidth(list, index, width == LVSCW_AUTOSIZE_USEHEADER);
      list.columns[static_cast<std::size_t>(index)].width = std::max(0, width);
      list.view->header()->resizeSection(index, std::max(0, width));
      return TRUE;
    }
    case LVM_GETCOLUMNA: {
      auto* column = reinterpret_cast<LVCOLUMNA*>(lParam);
      if (!valid || column == nullptr) return FALSE;
      const Column& c = list.columns[static_cast<std::size_t>(index)];
      if (column->mask & LVCF_FMT) column->fmt = c.fmt;
      if (column->mask & LVCF_WIDTH) column->cx = list.view->header()->sectionSize(index);
      if ((column->mask & LVCF_TEXT) && column->pszText != nullptr)
        CopyOut(c.text, column->pszText, column->cchTextMax);
      if (column->mask & LVCF_SUBITEM) column->iSubItem = index;
      return TRUE;
    }
    case LVM_SETCOLUMNA: {
      const auto* column = reinterpret_cast<const LVCOLUMNA*>(lParam);
      if (!valid || column == nullptr) return FALSE;
      Column& c = list.columns[static_cast<std::size_t>(index)];
      if (column->mask & LVCF_FMT) c.fmt = column->fmt & LVCFMT_JUSTIFYMASK;
      if ((column->mask & LVCF_TEXT) && column->pszText != nullptr) c.text = column->pszText;
      if (column->mask & LVCF_WIDTH) {
        c.width = std::max(0, column->cx);
        list.view->header()->resizeSection(index, c.width);
      }
      list.model->HeaderChanged(index);
      return TRUE;
    }
    default:
      return 0;
  }
}

LRESULT DeleteAll(ListState& list) {
  if (list.rows.empty()) return TRUE;
  const HWND self = list.handle;
  LRESULT quiet = 0;
  if (!list.Notify(LVN_DELETEALLITEMS, -1, 0, {}, &quiet)) return TRUE;
  if (!quiet) {
    for (int i = 0; i < list.Count(); ++i)
      if (!list.Notify(LVN_DELETEITEM, i, 0)) return TRUE;
  }
  ListState* again = ListStateOf(self);
  if (again == nullptr) return TRUE;
  again->model->beginResetModel();
  again->rows.clear();
  again->model->endResetModel();
  again->SyncView();
  return TRUE;
}

LRESULT DeleteItem(ListState& list, int row) {
  if (!list.Valid(row)) return FALSE;
  const HWND self = list.handle;
  if (!list.Notify(LVN_DELETEITEM, row, 0)) return TRUE;
  ListState* again = ListStateOf(self);
  if (again == nullptr || !again->Valid(row)) return TRUE;
  again->model->beginRemoveRows(QModelIndex(), row, row);
  again->rows.erase(again->rows.begin() + row);
  again->model->endRemoveRows();
  again->SyncView();
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
      return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETFOCUS:
      list->view->viewport()->update();
      list->Notify(NM_SETFOCUS, -1, 0);
      return 0;
    case WM_KILLFOCUS:
      list->view->viewport()->update();
      list->Notify(NM_KILLFOCUS, -1, 0);
      return 0;
    case WM_KEYDOWN:
      list->KeyDown(static_cast<int>(wParam));
      return 0;
    case WM_CHAR:
      list->TypeAhead(static_cast<char>(wParam));
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
    case LVM_GETITEMTEXTA: {
      auto* item = reinterpret_cast<LVITEMA*>(lParam);
      if (item == nullptr) return 0;
      LVITEMA query = *item;
      query.iItem = static_cast<int>(wParam);
      query.mask = LVIF_TEXT;
      if (!GetItem(*list, &query)) {
        if (item->pszText != nullptr && item->cchTextMax > 0) item->pszText[0] = '\0';
        return 0;
      }
      return item->pszText != nullptr ? static_cast<LRESULT>(std::strlen(item->pszText)) : 0;
    }
    case LVM_SETITEMSTATE: {
      const auto* item = reinterpret_cast<const LVITEMA*>(lParam);
      const int row = static_cast<int>(static_cast<LONG>(wParam));
      if (item == nullptr) return FALSE;
      if (row == -1) {
        for (int i = 0; i < list->Count(); ++i) {
          list->SetState(i, item->state, item->stateMask);
          if ((list = ListStateOf(handle)) == nullptr) return FALSE;
        }
        return TRUE;
      }
      if (!list->Valid(row)) return FALSE;
      list->SetState(row, item->state, item->stateMask);
      return TRUE;
    }
    case LVM_GETITEMSTATE: {
      const int row = static_cast<int>(wParam);
      return list->Valid(row)
                 ? (list->rows[static_cast<std::size_t>(row)].state & static_cast<UINT>(lParam))
                 : 0;
    }
    case LVM_GETNEXTITEM:
      return GetNextItem(*list, static_cast<int>(static_cast<LONG>(wParam)), LOWORD(lParam));
    case LVM_GETSELECTEDCOUNT:
      return std::count_if(list->rows.begin(), list->rows.end(),
                           [](const Row& r) { return (r.state & LVIS_SELECTED) != 0; });
    case LVM_DELETEITEM:
      return DeleteItem(*list, static_cast<int>(wParam));
    case LVM_DELETEALLITEMS:
      return DeleteAll(*list);
    case LVM_REDRAWITEMS:
    case LVM_UPDATE: {
      const int first = static_cast<int>(wParam);
      const int last = message == LVM_UPDATE ? first : static_cast<int>(lParam);
      for (int row = std::max(first, 0); row <= last && row < list->Count(); ++row)
        list->view->viewport()->update(
            list->view->visualRect(list->model->index(row, 0)).adjusted(0, 0, 1 << 16, 0));
      return TRUE;
    }
    case LVM_ENSUREVISIBLE:
      if (!list->Valid(static_cast<int>(wParam))) return FALSE;
      list->view->scrollTo(list->model->index(static_cast<int>(wParam), 0));
      return TRUE;
    case LVM_GETITEMRECT: {
      auto* rect = reinterpret_cast<RECT*>(lParam);
      const int row = static_cast<int>(wParam);
      if (rect == nullptr || !list->Valid(row)) return FALSE;
      const QRect r = list->RowRect(row, rect->left);
      *rect = RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
      return TRUE;
    }
    case LVM_HITTEST: {
      auto* info = reinterpret_cast<LVHITTESTINFO*>(lParam);
      if (info == nullptr) return -1;
      info->iItem = list->HitTest(list->FromClient(QPoint(info->pt.x, info->pt.y)));
      info->iSubItem = 0;
      info->flags = info->iItem >= 0 ? LVHT_ONITEMLABEL : LVHT_NOWHERE;
      return info->iItem;
    }
    case LVM_GETTOPINDEX: {
      const QModelIndex top = list->view->indexAt(QPoint(0, 0));
      return top.isValid() ? top.row() : 0;
    }
    case LVM_GETCOUNTPERPAGE:
      return list->view->viewport()->height() / std::max(1, list->view->sizeHintForRow(0));
    case LVM_SETEXTENDEDLISTVIEWSTYLE: {
      const DWORD old = list->extended;
      const DWORD mask = wParam != 0 ? static_cast<DWORD>(wParam) : 0xFFFFFFFF;
      list->extended = (old & ~mask) | (static_cast<DWORD>(lParam) & mask);
      if (list->extended & ~(LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES))
        LogUnsupported("list view extended styles other than full-row select");
      list->view->setAllColumnsShowFocus(list->FullRow());
      list->SyncView();
      return old;
    }
    case LVM_GETEXTENDEDLISTVIEWSTYLE:
      return list->extended;
    case LVM_GETBKCOLOR:
      return ColorRefOf(list->view->palette().color(QPalette::Base));
    case LVM_SETBKCOLOR: {
      QPalette palette = list->view->palette();
      palette.setColor(QPalette::Base, ColorOf(static_cast<COLORREF>(lParam)));
      list->view->setPalette(palette);
      return TRUE;
    }
    case LVM_INSERTCOLUMNA:
    case LVM_DELETECOLUMN:
    case LVM_GETCOLUMNWIDTH:
    case LVM_SETCOLUMNWIDTH:
    case LVM_GETCOLUMNA:
    case LVM_SETCOLUMNA:
      return ColumnMessage(*list, message, wParam, lParam);
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
