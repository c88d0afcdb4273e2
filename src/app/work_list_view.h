#pragma once
// How the work list is looked at, apart from what it holds: sorted by a column (a header click;
// another click on the same header reverses it) and, on request, showing only the rows that
// did not end well. Both are a view only: the run, the undo and every command that walks the
// rows take them in the order they were added (addedOrder), whatever the header shows, and the
// row count ("Db:") stays that of the whole list.
//
// RzListView1 sorts its own items, so each row is stamped with the number of its addition when
// it arrives; the outcome a run gave a row is kept on the row, and the failures-only filter
// hides a row by that value, not by its text.
#include <QList>
#include <QObject>
#include <Qt>

#include "organise/organise_result.h"

class QTreeWidget;
class QTreeWidgetItem;

namespace app {

// Roles of column 0 of a row: its place in the order of addition, and its outcome.
inline constexpr int kAddedOrderRole = Qt::UserRole + 2;
inline constexpr int kOutcomeRole = Qt::UserRole + 3;
inline constexpr int kExistingRole = Qt::UserRole + 4;

class WorkListView : public QObject {
    Q_OBJECT

public:
    // Makes the header sort and stamps the rows added from now on. A child of `list`; the list
    // starts in the order of addition, with no sort indicator.
    explicit WorkListView(QTreeWidget* list);

    // The view belonging to `list` (null for a list without one).
    static WorkListView* of(const QTreeWidget* list);

    // Only the rows whose outcome is not Ok nor an identical book already there; rows without an
    // outcome stay visible.
    void setFailuresOnly(bool on);
    bool failuresOnly() const { return failuresOnly_; }

    // The rows of `list` in the order they were added.
    static QList<QTreeWidgetItem*> addedOrder(const QTreeWidget* list);

    // Keeps the outcome the run gave `row`, and hides or shows it as the filter asks.
    static void setOutcome(QTreeWidgetItem* row, organise::OrganiseResult result,
                           organise::ExistingTarget existing);

    // True when the row ended well: Ok, or the same book already at its target.
    static bool succeeded(const QTreeWidgetItem* row);

private:
    void stamp(int first, int last);
    void filter(QTreeWidgetItem* row) const;

    QTreeWidget* list_;
    qint64 nextStamp_ = 0;
    bool failuresOnly_ = false;
};

}  // namespace app
