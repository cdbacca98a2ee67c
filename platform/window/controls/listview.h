// The list view's private parts, shared by its files: the rows and columns
// it keeps (listview.cpp), the Qt model and delegate that show them
// (listview_model.cpp) and its mouse and key handling (listview_input.cpp).
#pragma once

#include <QAbstractTableModel>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <string>
#include <vector>

#include "platform/window/controls/controls.h"
#include "platform/window/geometry.h"

namespace lorvane::window::detail {

struct Row {
  std::vector<std::string> texts;
  LPARAM param = 0;
  UINT state = 0;
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
  using QAbstractTableModel::beginResetModel;
  using QAbstractTableModel::endInsertColumns;
  using QAbstractTableModel::endInsertRows;
  using QAbstractTableModel::endResetModel;
  void RowChanged(int row) {
    emit dataChanged(index(row, 0), index(row, std::max(0, columnCount({}) - 1)));
  }

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

// A single-selection list: one selected row at most, one focused row at most.
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
  QPointer<QTreeView> view;
  ListModel* model = nullptr;
  std::vector<Row> rows;
  std::vector<std::string> columns;  // the headers' texts

  bool HasFocus() const { return GetFocus() == handle; }
  int Count() const { return static_cast<int>(rows.size()); }
  bool Valid(int row) const { return row >= 0 && row < Count(); }

  void SyncView();
  bool SetState(int row, UINT state, UINT mask);
  // Selects and focuses `row`; -1 leaves no row selected.
  void SelectOnly(int row);
  int FocusedRow() const;
  int HitTest(QPoint viewportPos) const;
  void NotifyClick(QPoint viewportPos);
  void KeyDown(int key);

  bool FilterQtEvent(QObject* object, QEvent* event) override;

 private:
  bool pressed_ = false;
};

ListState* ListStateOf(HWND handle);

}  // namespace lorvane::window::detail
