// The list view in report mode. The rows, their texts, item data and states
// live here; a QTreeView only shows them. Mouse and keys are handled here as
// the common control does, so that selection changes and notifications reach
// the parent in Windows' order: a click selects on the button going down
// (LVN_ITEMCHANGING / LVN_ITEMCHANGED) and sends NM_CLICK when it comes up;
// keys move the selection without NM_CLICK.
#include <QAbstractTableModel>
#include <QHeaderView>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>

#include "platform/window/controls/controls.h"

namespace lorvane::window::detail {
namespace {

struct Column {
  std::string text;
  int width = 0;
  int fmt = LVCFMT_LEFT;
};

struct Row {
  std::vector<std::string> texts;
  LPARAM param = 0;
  UINT state = 0;
  int image = 0;
  int indent = 0;
};

class ListState;

class ListModel : public QAbstractTableModel {
 public:
  explicit ListModel(ListState& list) : list_(list) {}
  int rowCount(const QModelIndex& parent) const override;
  int columnCount(const QModelIndex& parent) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // The model's structure follows the rows; these bracket each change.
  using QAbstractTableModel::beginInsertColumns;
  using QAbstractTableModel::beginInsertRows;
  using QAbstractTableModel::beginRemoveColumns;
  using QAbstractTableModel::beginRemoveRows;
  using QAbstractTableModel::beginResetModel;
  using QAbstractTableModel::endInsertColumns;
  using QAbstractTableModel::endInsertRows;
  using QAbstractTableModel::endRemoveColumns;
  using QAbstractTableModel::endRemoveRows;
  using QAbstractTableModel::endResetModel;
  void RowChanged(int row) {
    emit dataChanged(index(row, 0), index(row, std::max(0, columnCount({}) - 1)));
  }
  void HeaderChanged(int column) { emit headerDataChanged(Qt::Horizontal, column, column); }

 private:
  ListState& list_;
};

// Without LVS_SHOWSELALWAYS the selection is not shown while the list does
// not have the focus; with it, it shows in the face colour.
class ListDelegate : public QStyledItemDelegate {
 public:
  ListDelegate(ListState& list, QObject* parent) : QStyledItemDelegate(parent), list_(list) {}

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

 private:
  ListState& list_;
};

class ListState : public Control {
 public:
  ~ListState() override {
    // The widget goes later than this state: leave it nothing that points here.
    if (view == nullptr) return;
    view->setModel(nullptr);
    view->setItemDelegate(new QStyledItemDelegate(view));
    delete model;
  }
  HWND handle = nullptr;
  DWORD style = 0;
  DWORD extended = 0;
  QPointer<QTreeView> view;
  ListModel* model = nullptr;
  std::vector<Row> rows;
  std::vector<Column> columns;

  bool HasFocus() const { return GetFocus() == handle; }
  int Count() const { return static_cast<int>(rows.size()); }
  bool Valid(int row) const { return row >= 0 && row < Count(); }
  bool FullRow() const { return (extended & LVS_EX_FULLROWSELECT) != 0; }
  int Inset() const { return FindQuiet(handle) ? NonClientInsets(*FindQuiet(handle)).left : 0; }

  void SyncView();
  bool SetState(int row, UINT state, UINT mask);
  void SelectOnly(int row);
  void DeselectAll();
  int FocusedRow() const;
  int HitTest(QPoint viewportPos) const;
  QPoint ToClient(QPoint viewportPos) const;
  QPoint FromClient(QPoint clientPos) const;
  QRect RowRect(int row, int code) const;
  bool Notify(UINT code, int item, int subItem, POINT at = {}, LRESULT* result = nullptr);
  bool NotifyClick(UINT code, QPoint viewportPos, Qt::KeyboardModifiers mods);
  void KeyDown(int key);
  void TypeAhead(char c);

  bool FilterQtEvent(QObject* object, QEvent* event) override;

 private:
  bool pressed_ = false;
  Qt::MouseButton pressButton_ = Qt::NoButton;
};

int ListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : list_.Count();
}

int ListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(list_.columns.size());
}

Qt::Alignment AlignmentOf(int fmt) {
  switch (fmt & LVCFMT_JUSTIFYMASK) {
    case LVCFMT_RIGHT:
      return Qt::AlignRight | Qt::AlignVCenter;
    case LVCFMT_CENTER:
      return Qt::AlignHCenter | Qt::AlignVCenter;
    default:
      return Qt::AlignLeft | Qt::AlignVCenter;
  }
}

QVariant ListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || !list_.Valid(index.row())) return {};
  const Row& row = list_.rows[static_cast<std::size_t>(index.row())];
  const auto column = static_cast<std::size_t>(index.column());
  if (role == Qt::DisplayRole)
    return column < row.texts.size() ? FromLocal(row.texts[column]) : QString();
  if (role == Qt::TextAlignmentRole && column < list_.columns.size())
    return QVariant::fromValue(AlignmentOf(column == 0 ? LVCFMT_LEFT : list_.columns[column].fmt));
  return {};
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 ||
      section >= static_cast<int>(list_.columns.size()))
    return {};
  const Column& column = list_.columns[static_cast<std::size_t>(section)];
  if (role == Qt::DisplayRole) return FromLocal(column.text);
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(AlignmentOf(column.fmt));
  return {};
}

Qt::ItemFlags ListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void ListDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
  QStyledItemDelegate::initStyleOption(option, index);
  if (list_.HasFocus()) return;
  option->state &= ~QStyle::State_HasFocus;
  if (!(option->state & QStyle::State_Selected)) return;
  if (!(list_.style & LVS_SHOWSELALWAYS)) {
    option->state &= ~QStyle::State_Selected;
    return;
  }
  option->palette.setColor(QPalette::Highlight, ColorOf(SysColor(COLOR_3DFACE)));
  option->palette.setColor(QPalette::HighlightedText, ColorOf(SysColor(COLOR_WINDOWTEXT)));
}

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

bool ListState::SetState(int row, UINT state, UINT mask) {
  if (!Valid(row)) return false;
  const HWND self = handle;
  const UINT old = rows[static_cast<std::size_t>(row)].state;
  const UINT now = (old & ~mask) | (state & mask);
  if (now == old) return true;
  NMLISTVIEW nm{};
  nm.iItem = row;
  nm.uNewState = now;
  nm.uOldState = old;
  nm.uChanged = LVIF_STATE;
  nm.lParam = rows[static_cast<std::size_t>(row)].param;
  LRESULT veto = 0;
  if (!SendNotify(self, nm.hdr, LVN_ITEMCHANGING, &veto) || veto) return false;
  if (!Valid(row)) return false;
  // One selected row in a single-selection list, one focused row in any.
  if ((now & LVIS_SELECTED) && !(old & LVIS_SELECTED) && (style & LVS_SINGLESEL)) {
    for (int i = 0; i < Count(); ++i)
      if (i != row && (rows[static_cast<std::size_t>(i)].state & LVIS_SELECTED)) {
        if (!SetState(i, 0, LVIS_SELECTED) || !IsWindow(self)) return false;
      }
  }
  if ((now & LVIS_FOCUSED) && !(old & LVIS_FOCUSED)) {
    for (int i = 0; i < Count(); ++i)
      if (i != row && (rows[static_cast<std::size_t>(i)].state & LVIS_FOCUSED)) {
        if (!SetState(i, 0, LVIS_FOCUSED) || !IsWindow(self)) return false;
      }
  }
  if (!Valid(row)) return false;
  rows[static_cast<std::size_t>(row)].state = now;
  SyncView();
  nm = NMLISTVIEW{};
  nm.iItem = row;
  nm.uNewState = now;
  nm.uOldState = old;
  nm.uChanged = LVIF_STATE;
  nm.lParam = rows[static_cast<std::size_t>(row)].param;
  return SendNotify(self, nm.hdr, LVN_ITEMCHANGED);
}

void ListState::DeselectAll() {
  const HWND self = handle;
  for (int i = 0; i < Count(); ++i)
    if (rows[static_cast<std::size_t>(i)].state & LVIS_SELECTED) {
      if (!SetState(i, 0, LVIS_SELECTED) || !IsWindow(self)) return;
    }
}

void ListState::SelectOnly(int row) {
  const HWND self = handle;
  for (int i = 0; i < Count(); ++i)
    if (i != row && (rows[static_cast<std::size_t>(i)].state & LVIS_SELECTED)) {
      if (!SetState(i, 0, LVIS_SELECTED) || !IsWindow(self)) return;
    }
  SetState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

int ListState::FocusedRow() const {
  for (int i = 0; i < Count(); ++i)
    if (rows[static_cast<std::size_t>(i)].state & LVIS_FOCUSED) return i;
  return -1;
}

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

ListState* StateOf(HWND handle) {
  Window* window = FindQuiet(handle);
  return window != nullptr ? dynamic_cast<ListState*>(window->control.get()) : nullptr;
}

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
    ListState* again = StateOf(self);
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
  ListState* again = StateOf(self);
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
  ListState* again = StateOf(self);
  if (again == nullptr || !again->Valid(row)) return TRUE;
  again->model->beginRemoveRows(QModelIndex(), row, row);
  again->rows.erase(again->rows.begin() + row);
  again->model->endRemoveRows();
  again->SyncView();
  return TRUE;
}

}  // namespace

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
      if (ListState* list = StateOf(handle)) list->Notify(LVN_COLUMNCLICK, -1, column);
    });
  });
  QObject::connect(view->header(), &QHeaderView::sectionResized,
                   [handle](int column, int, int size) {
                     ListState* list = StateOf(handle);
                     if (list != nullptr && column < static_cast<int>(list->columns.size()))
                       list->columns[static_cast<std::size_t>(column)].width = size;
                   });
  window.control = std::move(state);
  window.outer = window.client = view;
  return true;
}

LRESULT CALLBACK ListViewProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  ListState* list = StateOf(handle);
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
          if ((list = StateOf(handle)) == nullptr) return FALSE;
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
