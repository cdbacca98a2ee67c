// The Qt model and delegate through which a QTreeView shows a list view's
// rows; they read the rows and never change them.
#include "platform/window/controls/listview.h"
#include "platform/window/paint.h"
#include "platform/window/text.h"

namespace lorvane::window::detail {

int ListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : list_.Count();
}

int ListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(list_.columns.size());
}

QVariant ListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || !list_.Valid(index.row())) return {};
  const Row& row = list_.rows[static_cast<std::size_t>(index.row())];
  const auto column = static_cast<std::size_t>(index.column());
  if (role == Qt::DisplayRole)
    return column < row.texts.size() ? FromLocal(row.texts[column]) : QString();
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
  return {};
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 ||
      section >= static_cast<int>(list_.columns.size()))
    return {};
  if (role == Qt::DisplayRole) return FromLocal(list_.columns[static_cast<std::size_t>(section)]);
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

}  // namespace lorvane::window::detail
