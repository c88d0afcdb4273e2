#pragma once
// The work list as the organise run and the undo see it: the rows of RzListView1 that were there
// when the list was counted, in the order they were added (whatever order the view shows).
#include <QAbstractItemModel>
#include <QObject>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QTreeWidget>
#include <utility>
#include <vector>

#include "app/row_tooltip.h"
#include "app/work_list_view.h"
#include "organise/work_list.h"

namespace app {

// The rows of RzListView1 as the run counted them at its start. Each counted row is held by a
// persistent index, so that a row removed while the run lets events through is noticed instead
// of being confused with whatever row later stands at the same position (also when sorting the
// view moves it).
class ListViewWorkList final : public organise::WorkList {
public:
    // resultPrefix goes before every result text: a preview marks its rows as planned with it.
    explicit ListViewWorkList(QTreeWidget* list, QString resultPrefix = QString())
        : list_(list), resultPrefix_(std::move(resultPrefix)) {
        if (!list_) return;
        const QList<QTreeWidgetItem*> rows = WorkListView::addedOrder(list_);
        rows_.reserve(static_cast<std::size_t>(rows.size()));
        for (QTreeWidgetItem* row : rows) rows_.emplace_back(list_->indexFromItem(row));
        QAbstractItemModel* model = list_->model();
        // Rows are only ever appended or all removed (sorting moves them, it removes none); any
        // removal means the counted rows are gone. The context object disconnects these when the
        // run ends.
        QObject::connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, &context_,
                         [this] { lost_ = true; });
        QObject::connect(model, &QAbstractItemModel::modelAboutToBeReset, &context_,
                         [this] { lost_ = true; });
        QObject::connect(list_, &QObject::destroyed, &context_, [this] { lost_ = true; });
    }

    // True once any of the counted rows has been removed.
    bool rowsLost() const { return lost_ || !list_; }

    int rowCount() const override { return list_ ? list_->topLevelItemCount() : 0; }

    QString source(int row) const override {
        QTreeWidgetItem* item = counted(row);
        return item ? item->text(0) : QString();
    }

    void setResultText(int row, const QString& text) override {
        if (QTreeWidgetItem* item = counted(row)) item->setText(1, resultPrefix_ + text);
    }

    void setOutputText(int row, const QString& text) override {
        if (QTreeWidgetItem* item = counted(row)) item->setText(2, text);
    }

    void setReason(int row, const QString& reason) override { setRowReason(counted(row), reason); }

    void setOutcome(int row, organise::OrganiseResult result,
                    organise::ExistingTarget existing) override {
        WorkListView::setOutcome(counted(row), result, existing);
    }

    // The row as the list holds it now, if it is still the one counted at the start.
    QTreeWidgetItem* counted(int row) const {
        if (!list_ || row < 0 || static_cast<std::size_t>(row) >= rows_.size()) return nullptr;
        const QPersistentModelIndex& index = rows_[static_cast<std::size_t>(row)];
        if (!index.isValid()) return nullptr;
        return list_->itemFromIndex(index);
    }

private:
    QPointer<QTreeWidget> list_;
    QString resultPrefix_;
    std::vector<QPersistentModelIndex> rows_;
    QObject context_;
    bool lost_ = false;
};

}  // namespace app
