#pragma once
// The two widgets the window paints itself: the work list's grid lines and the options group's
// banner caption.
#include <QGroupBox>
#include <QStyledItemDelegate>

namespace app {

// The work list's grid lines: each cell gets a line on its right and bottom edges.
class GridDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// The options group: its caption is drawn as a banner across the top instead of a frame title.
class BannerGroupBox : public QGroupBox {
public:
    static constexpr int kBannerHeight = 18;
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent*) override;
};

}  // namespace app
