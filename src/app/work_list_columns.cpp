#include "app/work_list_columns.h"

#include <QEvent>
#include <QHeaderView>
#include <QTreeWidget>
#include <algorithm>

namespace app {
namespace {

// The narrowest the first two columns become while making room for "Kimenet": the start of a
// path and of an outcome text stay readable.
constexpr int kShrunkMinimum = 60;

}  // namespace

WorkListColumns::WorkListColumns(QTreeWidget* list) : QObject(list), list_(list) {
    QHeaderView* header = list_->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    list_->setColumnWidth(0, kSourceWidth);
    list_->setColumnWidth(1, kOutcomeWidth);
    list_->setColumnWidth(2, kTargetMinimum);
    connect(header, &QHeaderView::sectionResized, this,
            [this](int column, int, int newWidth) { userResized(column, newWidth); });
    list_->viewport()->installEventFilter(this);
}

bool WorkListColumns::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_->viewport() && event->type() == QEvent::Resize) fit();
    return QObject::eventFilter(watched, event);
}

void WorkListColumns::fit() {
    const int available = list_->viewport()->width();
    int widths[2] = {wanted_[0], wanted_[1]};
    const int excess = widths[0] + widths[1] + kTargetMinimum - available;
    if (excess > 0) {
        // Both give way in proportion to what they have above their floor.
        const int spare0 = std::max(0, widths[0] - kShrunkMinimum);
        const int spare1 = std::max(0, widths[1] - kShrunkMinimum);
        const int spare = spare0 + spare1;
        if (spare > 0) {
            const int cut = std::min(excess, spare);
            const int cut0 = static_cast<int>(static_cast<long long>(cut) * spare0 / spare);
            widths[0] -= cut0;
            widths[1] -= cut - cut0;
        }
    }
    fitting_ = true;
    list_->setColumnWidth(0, widths[0]);
    list_->setColumnWidth(1, widths[1]);
    list_->setColumnWidth(2, std::max(kTargetMinimum, available - widths[0] - widths[1]));
    fitting_ = false;
}

void WorkListColumns::userResized(int column, int newWidth) {
    if (fitting_) return;
    if (column == 0 || column == 1) {
        // A border the user dragged: that width is wanted from now on, as far as "Kimenet"
        // keeps its 100 pixels.
        const int other = column == 0 ? list_->columnWidth(1) : list_->columnWidth(0);
        const int room = list_->viewport()->width() - other - kTargetMinimum;
        wanted_[column] =
            std::max(list_->header()->minimumSectionSize(), std::min(newWidth, std::max(room, 0)));
        wanted_[1 - column] = other;
    }
    fit();
}

}  // namespace app
