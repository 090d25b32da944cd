#include "views/accessible_rows.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QWidget>

namespace kore::views {

namespace {

class RowsTable;

class RowsCell : public QAccessibleInterface, public QAccessibleTableCellInterface {
 public:
  RowsCell(RowsTable* table, int row, int column) : table_(table), row_(row), column_(column) {}

  bool isValid() const override;
  QObject* object() const override { return nullptr; }
  QWindow* window() const override;
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessibleInterface* parent() const override;
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QString text(QAccessible::Text t) const override;
  void setText(QAccessible::Text, const QString&) override {}
  QRect rect() const override;
  QAccessible::Role role() const override;
  QAccessible::State state() const override;
  void* interface_cast(QAccessible::InterfaceType type) override {
    return type == QAccessible::TableCellInterface
               ? static_cast<QAccessibleTableCellInterface*>(this) : nullptr;
  }

  bool isSelected() const override;
  QList<QAccessibleInterface*> columnHeaderCells() const override { return {}; }
  QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
  int columnIndex() const override { return column_; }
  int rowIndex() const override { return row_; }
  int columnExtent() const override { return 1; }
  int rowExtent() const override { return 1; }
  QAccessibleInterface* table() const override;

 private:
  RowsTable* table_;
  int row_, column_;
};

class RowsTable : public QAccessibleWidget, public QAccessibleTableInterface {
 public:
  RowsTable(QWidget* widget, AccessibleRowsHost* host)
      : QAccessibleWidget(widget, host->AccessibleRole()), host_(host) {}
  ~RowsTable() override { DropCells(); }

  AccessibleRowsHost* Host() const { return host_; }
  QAbstractItemModel* Model() const { return host_->AccessibleModel(); }
  bool IsList() const { return host_->AccessibleRole() == QAccessible::List; }
  int Columns() const { return IsList() ? 1 : Model()->columnCount(); }
  QWidget* Widget() const { return widget(); }

  void DropCells() {
    for (QAccessible::Id id : std::as_const(cells_)) QAccessible::deleteAccessibleInterface(id);
    cells_.clear();
  }

  int childCount() const override { return Model()->rowCount() * Columns(); }
  QAccessibleInterface* child(int index) const override {
    const int columns = Columns();
    if (index < 0 || columns == 0 || index >= childCount()) return nullptr;
    return cellAt(index / columns, index % columns);
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    if (!child || child->parent() != this) return -1;
    auto* cell = const_cast<QAccessibleInterface*>(child)->tableCellInterface();
    return cell ? cell->rowIndex() * Columns() + cell->columnIndex() : -1;
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    const QPoint local = Widget()->mapFromGlobal(QPoint(x, y));
    for (int column = 0; column < Columns(); ++column) {
      for (int row = 0; row < Model()->rowCount(); ++row) {
        const QRect r = host_->CellRect(row, column);
        if (r.isEmpty()) continue;
        if (r.contains(local)) return cellAt(row, column);
        if (r.top() > local.y()) break;
      }
    }
    return nullptr;
  }
  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TableInterface) return static_cast<QAccessibleTableInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }

  QAccessibleInterface* caption() const override { return nullptr; }
  QAccessibleInterface* summary() const override { return nullptr; }
  QAccessibleInterface* cellAt(int row, int column) const override {
    if (row < 0 || column < 0 || row >= Model()->rowCount() || column >= Columns()) return nullptr;
    const quint64 key = (quint64(row) << 16) | quint64(column);
    auto it = cells_.constFind(key);
    if (it != cells_.constEnd()) return QAccessible::accessibleInterface(*it);
    auto* cell = new RowsCell(const_cast<RowsTable*>(this), row, column);
    cells_.insert(key, QAccessible::registerAccessibleInterface(cell));
    return cell;
  }
  int selectedCellCount() const override { return host_->SelectedRow() >= 0 ? Columns() : 0; }
  QList<QAccessibleInterface*> selectedCells() const override {
    QList<QAccessibleInterface*> list;
    const int row = host_->SelectedRow();
    if (row >= 0)
      for (int c = 0; c < Columns(); ++c) list.append(cellAt(row, c));
    return list;
  }
  QString columnDescription(int column) const override {
    return Model()->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
  }
  QString rowDescription(int row) const override {
    return Model()->headerData(row, Qt::Vertical, Qt::DisplayRole).toString();
  }
  int selectedColumnCount() const override { return 0; }
  int selectedRowCount() const override { return host_->SelectedRow() >= 0 ? 1 : 0; }
  int columnCount() const override { return Columns(); }
  int rowCount() const override { return Model()->rowCount(); }
  QList<int> selectedColumns() const override { return {}; }
  QList<int> selectedRows() const override {
    return host_->SelectedRow() >= 0 ? QList<int>{host_->SelectedRow()} : QList<int>{};
  }
  bool isColumnSelected(int) const override { return false; }
  bool isRowSelected(int row) const override { return row >= 0 && row == host_->SelectedRow(); }
  bool selectRow(int row) override {
    host_->SelectRowFromAccessibility(row);
    return host_->SelectedRow() == row;
  }
  bool selectColumn(int) override { return false; }
  bool unselectRow(int) override { return false; }
  bool unselectColumn(int) override { return false; }
  void modelChange(QAccessibleTableModelChangeEvent*) override { DropCells(); }

 private:
  AccessibleRowsHost* host_;
  mutable QHash<quint64, QAccessible::Id> cells_;
};

bool RowsCell::isValid() const {
  return table_->isValid() && row_ < table_->Model()->rowCount();
}
QWindow* RowsCell::window() const { return table_->window(); }
QAccessibleInterface* RowsCell::parent() const { return table_; }
QAccessibleInterface* RowsCell::table() const { return table_; }
bool RowsCell::isSelected() const { return table_->Host()->SelectedRow() == row_; }

QString RowsCell::text(QAccessible::Text t) const {
  QAbstractItemModel* model = table_->Model();
  if (t == QAccessible::Name)
    return model->data(model->index(row_, column_), Qt::DisplayRole).toString();
  if (t == QAccessible::Description)
    return model->headerData(row_, Qt::Vertical, Qt::DisplayRole).toString();
  return {};
}

QRect RowsCell::rect() const {
  const QRect local = table_->Host()->CellRect(row_, column_);
  if (local.isEmpty()) return {};
  return QRect(table_->Widget()->mapToGlobal(local.topLeft()), local.size());
}

QAccessible::Role RowsCell::role() const {
  return table_->IsList() ? QAccessible::ListItem : QAccessible::Cell;
}

QAccessible::State RowsCell::state() const {
  QAccessible::State s;
  s.selectable = true;
  s.selected = isSelected();
  s.invisible = table_->Host()->CellRect(row_, column_).isEmpty();
  return s;
}

QAccessibleInterface* Factory(const QString&, QObject* object) {
  auto* host = dynamic_cast<AccessibleRowsHost*>(object);
  auto* widget = qobject_cast<QWidget*>(object);
  if (!host || !widget) return nullptr;
  return new RowsTable(widget, host);
}

}  // namespace

void InstallAccessibleRowsFactory() {
  static const bool installed = [] {
    QAccessible::installFactory(Factory);
    return true;
  }();
  (void)installed;
}

void NotifyAccessibleSelection(QObject* widget, int row, int columns) {
  if (!QAccessible::isActive() || row < 0) return;
  QAccessibleEvent event(widget, QAccessible::Selection);
  event.setChild(row * columns);
  QAccessible::updateAccessibility(&event);
}

void NotifyAccessibleRowsReset(QObject* widget) {
  if (!QAccessible::isActive()) return;
  QAccessibleTableModelChangeEvent event(widget, QAccessibleTableModelChangeEvent::ModelReset);
  QAccessible::updateAccessibility(&event);
}

}  // namespace kore::views
