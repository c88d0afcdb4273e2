#pragma once
// The work list as the organise run and the undo see it: the rows of RzListView1 that were there
// when the list was counted.
#include <QAbstractItemModel>
#include <QObject>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QTreeWidget>
#include <vector>

#include "app/row_tooltip.h"
#include "organise/work_list.h"

namespace app {

// The rows of RzListView1 as the run counted them at its start. Each counted row is held by a
// persistent index, so that a row removed while the run lets events through is noticed instead
// of being confused with whatever row later stands at the same position.
class ListViewWorkList final : public organise::WorkList {
public:
    explicit ListViewWorkList(QTreeWidget* list) : list_(list) {
        if (!list_) return;
        QAbstractItemModel* model = list_->model();
        const int n = list_->topLevelItemCount();
        rows_.reserve(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) rows_.emplace_back(model->index(i, 0));
        // Rows are only ever appended or all removed; any removal means the counted rows are
        // gone. The context object disconnects these when the run ends.
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
        if (QTreeWidgetItem* item = counted(row)) item->setText(1, text);
    }

    void setOutputText(int row, const QString& text) override {
        if (QTreeWidgetItem* item = counted(row)) item->setText(2, text);
    }

    void setReason(int row, const QString& reason) override { setRowReason(counted(row), reason); }

    // The row as the list holds it now, if it is still the one counted at the start.
    QTreeWidgetItem* counted(int row) const {
        if (!list_ || row < 0 || static_cast<std::size_t>(row) >= rows_.size()) return nullptr;
        const QPersistentModelIndex& index = rows_[static_cast<std::size_t>(row)];
        if (!index.isValid()) return nullptr;
        return list_->topLevelItem(index.row());
    }

private:
    QPointer<QTreeWidget> list_;
    std::vector<QPersistentModelIndex> rows_;
    QObject context_;
    bool lost_ = false;
};

}  // namespace app
