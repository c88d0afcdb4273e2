#include "app/status_summary.h"

#include <QPainter>
#include <QStyle>

namespace app {

StatusSummary::StatusSummary(QLabel* pane2, QWidget* parent)
    : QLabel(parent), pane2_(pane2), pane2Widest_(pane2->maximumWidth()) {
    setObjectName(QStringLiteral("StatusSummary"));
    setTextFormat(Qt::PlainText);
    setContentsMargins(4, 0, 4, 0);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    hide();
}

void StatusSummary::showSummary(const QString& text) {
    if (text.isEmpty()) return clearSummary();
    setText(text);
    setToolTip(text);
    pane2_->setMaximumWidth(pane2_->minimumWidth());
    show();
}

void StatusSummary::clearSummary() {
    hide();
    clear();
    setToolTip(QString());
    pane2_->setMaximumWidth(pane2Widest_);
}

QSize StatusSummary::minimumSizeHint() const {
    // Any width will do: the text is cut to fit (see paintEvent).
    return {0, QLabel::minimumSizeHint().height()};
}

void StatusSummary::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect area = contentsRect();
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, area.width());
    style()->drawItemText(&painter, area, Qt::AlignLeft | Qt::AlignVCenter, palette(), isEnabled(),
                          shown, foregroundRole());
}

}  // namespace app
