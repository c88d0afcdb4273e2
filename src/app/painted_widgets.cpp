#include "app/painted_widgets.h"

#include <QLinearGradient>
#include <QPainter>
#include <algorithm>

namespace app {

void GridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
    QStyledItemDelegate::paint(painter, option, index);
    painter->save();
    painter->setPen(option.palette.color(QPalette::Midlight).darker(108));
    const QRect r = option.rect;
    painter->drawLine(r.topRight(), r.bottomRight());
    painter->drawLine(r.bottomLeft(), r.bottomRight());
    painter->restore();
}

QSize GridDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(std::max(size.height(), 17));
    return size;
}

void BannerGroupBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    p.setPen(palette().color(QPalette::Mid));
    p.setBrush(palette().color(QPalette::Window));
    p.drawRect(frame);
    const QRect banner(1, 1, width() - 2, kBannerHeight);
    QLinearGradient fill(banner.topLeft(), banner.bottomLeft());
    const QColor base = palette().color(QPalette::Highlight);
    fill.setColorAt(0, base.lighter(125));
    fill.setColorAt(1, base.darker(115));
    p.fillRect(banner, fill);
    QFont bold = font();
    bold.setBold(true);
    p.setFont(bold);
    p.setPen(palette().color(QPalette::HighlightedText));
    p.drawText(banner.adjusted(8, 0, -8, 0), Qt::AlignVCenter | Qt::AlignLeft, title());
}

}  // namespace app
