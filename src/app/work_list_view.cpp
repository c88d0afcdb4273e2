#include "app/work_list_view.h"

#include <QHeaderView>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <algorithm>

namespace app {

namespace {

const QString kObjectName = QStringLiteral("RzListView1View");

}  // namespace

WorkListView::WorkListView(QTreeWidget* list) : QObject(list), list_(list) {
    setObjectName(kObjectName);
    // Rows already there count as added in their present order.
    stamp(0, list_->topLevelItemCount() - 1);
    connect(list_->model(), &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex& parent, int first, int last) {
                if (!parent.isValid()) stamp(first, last);
            });
    // A new column is first sorted A to Z; the same column again reverses (the header's own
    // behaviour). No indicator at the start: the rows show in the order they were added.
    for (int column = 0; column < list_->columnCount(); ++column)
        list_->headerItem()->setData(column, Qt::InitialSortOrderRole,
                                     static_cast<int>(Qt::AscendingOrder));
    list_->header()->setSortIndicator(-1, Qt::AscendingOrder);
    list_->setSortingEnabled(true);
}

WorkListView* WorkListView::of(const QTreeWidget* list) {
    return list ? list->findChild<WorkListView*>(kObjectName, Qt::FindDirectChildrenOnly) : nullptr;
}

void WorkListView::stamp(int first, int last) {
    // Nothing shows the stamp: the view need not hear of it (a search adds rows by the
    // thousand).
    const QSignalBlocker quiet(list_->model());
    for (int row = first; row <= last; ++row)
        if (QTreeWidgetItem* item = list_->topLevelItem(row))
            item->setData(0, kAddedOrderRole, nextStamp_++);
}

QList<QTreeWidgetItem*> WorkListView::addedOrder(const QTreeWidget* list) {
    QList<QTreeWidgetItem*> rows;
    if (!list) return rows;
    const int n = list->topLevelItemCount();
    rows.reserve(n);
    for (int i = 0; i < n; ++i) rows << list->topLevelItem(i);
    std::stable_sort(rows.begin(), rows.end(), [](QTreeWidgetItem* a, QTreeWidgetItem* b) {
        return a->data(0, kAddedOrderRole).toLongLong() < b->data(0, kAddedOrderRole).toLongLong();
    });
    return rows;
}

void WorkListView::setOutcome(QTreeWidgetItem* row, organise::OrganiseResult result,
                              organise::ExistingTarget existing) {
    if (!row) return;
    row->setData(0, kOutcomeRole, static_cast<int>(result));
    row->setData(0, kExistingRole, static_cast<int>(existing));
    if (const WorkListView* view = of(row->treeWidget())) view->filter(row);
}

bool WorkListView::succeeded(const QTreeWidgetItem* row) {
    const QVariant outcome = row->data(0, kOutcomeRole);
    if (!outcome.isValid()) return false;
    const auto result = static_cast<organise::OrganiseResult>(outcome.toInt());
    const auto existing =
        static_cast<organise::ExistingTarget>(row->data(0, kExistingRole).toInt());
    return result == organise::OrganiseResult::Done ||
           (result == organise::OrganiseResult::TargetExists &&
            existing == organise::ExistingTarget::Identical);
}

void WorkListView::filter(QTreeWidgetItem* row) const {
    const bool hide = failuresOnly_ && succeeded(row);
    if (row->isHidden() != hide) row->setHidden(hide);
}

void WorkListView::setFailuresOnly(bool on) {
    failuresOnly_ = on;
    const int n = list_->topLevelItemCount();
    for (int i = 0; i < n; ++i) filter(list_->topLevelItem(i));
}

}  // namespace app
