#include "views/event_list_model.h"

namespace kore::views {

void EventListModel::SetList(const MidiEventList* list, const TimeBase& timeBase) {
  beginResetModel();
  list_ = list;
  timeBase_ = timeBase;
  endResetModel();
}

EventRowText EventListModel::Row(int row) const {
  if (!list_ || row < 0 || size_t(row) >= list_->size()) return {};
  return FormatEventRow((*list_)[row], timeBase_);
}

int EventListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() || !list_ ? 0 : static_cast<int>(list_->size());
}

int EventListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kEventListColumns;
}

QVariant EventListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) return {};
  const auto cells = Row(index.row()).Cells((*list_)[index.row()].kind);
  return QString::fromStdString(cells[index.column()]);
}

QVariant EventListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Horizontal) {
    if (section < 0 || section >= kEventListColumns) return {};
    return QString::fromLatin1(kEventListColumnNames[section]);
  }
  if (section < 0 || section >= rowCount()) return {};
  return QString::fromStdString(Row(section).Line());
}

}  // namespace kore::views
