#pragma once
// The work list's tooltips: the full text of a cell too narrow to show it, and, on every cell
// of a row the run could not organise, the reason beside the fixed result text.
#include <QString>
#include <Qt>

class QTreeWidget;
class QTreeWidgetItem;

namespace app {

// Where the run keeps a row's reason: this role of the row's "Hiba" cell.
inline constexpr int kReasonRole = Qt::UserRole + 1;

void setRowReason(QTreeWidgetItem* row, const QString& reason);

// The tooltip for `column` of `row`: the cell's text when the column is too narrow for it, then
// the row's reason on a line of its own; empty when there is nothing to add.
QString rowToolTip(const QTreeWidget* list, const QTreeWidgetItem* row, int column);

}  // namespace app
