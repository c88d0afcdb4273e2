#include "app/row_tooltip.h"

#include <QFontMetrics>
#include <QTreeWidget>

namespace app {

void setRowReason(QTreeWidgetItem* row, const QString& reason) {
    if (row) row->setData(1, kReasonRole, reason);
}

QString rowToolTip(const QTreeWidget* list, const QTreeWidgetItem* row, int column) {
    if (!list || !row || column < 0) return QString();
    QStringList lines;
    const QString text = row->text(column);
    // The cell's margins take a few pixels of the column; the text is elided before it fills it.
    constexpr int kCellMargins = 8;
    if (!text.isEmpty() && QFontMetrics(list->font()).horizontalAdvance(text) + kCellMargins >
                               list->columnWidth(column))
        lines << text;
    const QString reason = row->data(1, kReasonRole).toString();
    if (!reason.isEmpty()) lines << reason;
    return lines.join(QLatin1Char('\n'));
}

}  // namespace app
