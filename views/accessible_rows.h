#pragma once
// Gives a painted widget whose rows come from a Qt model the accessible table (or list)
// interface: one cell per model cell, made only when an assistive tool asks for it.
//
// User-interface thread only.
#include <QAbstractItemModel>
#include <QAccessible>
#include <QRect>

namespace kore::views {

// Implemented by the widget; the factory finds it on any QObject deriving from it.
class AccessibleRowsHost {
 public:
  virtual ~AccessibleRowsHost() = default;
  virtual QAbstractItemModel* AccessibleModel() const = 0;
  // Role of the whole widget: Table, or List (then each row is one item of column 0).
  virtual QAccessible::Role AccessibleRole() const { return QAccessible::Table; }
  virtual int SelectedRow() const { return -1; }
  virtual void SelectRowFromAccessibility(int row) { (void)row; }
  // Where the cell is drawn, in widget coordinates (empty when out of view).
  virtual QRect CellRect(int row, int column) const = 0;
};

// Installs the accessibility factory once; widgets call it in their constructors.
void InstallAccessibleRowsFactory();

// Tells assistive tools that the selected row of `widget` changed, or that its rows were
// replaced (and drops the cells made so far).
void NotifyAccessibleSelection(QObject* widget, int row, int columns);
void NotifyAccessibleRowsReset(QObject* widget);

}  // namespace kore::views
