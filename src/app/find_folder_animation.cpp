#include "app/find_folder_animation.h"

#include <QPainter>
#include <QPainterPath>
#include <QTimerEvent>
#include <cmath>
#include <numbers>

namespace app {

FindFolderAnimation::FindFolderAnimation(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void FindFolderAnimation::play() {
    frame_ = 0;
    timer_.start(60, this);
    update();
}

void FindFolderAnimation::timerEvent(QTimerEvent* event) {
    if (event->timerId() != timer_.timerId()) return QWidget::timerEvent(event);
    if (frame_ >= kStopFrame) {
        timer_.stop();
        return;
    }
    ++frame_;
    if (frame_ >= kStopFrame) timer_.stop();
    update();
}

void FindFolderAnimation::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // Drawn on an 80 x 50 canvas, scaled to the widget.
    p.scale(width() / 80.0, height() / 50.0);

    // The folder: back panel with its tab, a few sheets, the front flap.
    const QColor edge(150, 110, 20);
    p.setPen(QPen(edge, 1));
    QPainterPath back;
    back.moveTo(8, 14);
    back.lineTo(20, 14);
    back.lineTo(23, 17);
    back.lineTo(44, 17);
    back.lineTo(44, 42);
    back.lineTo(8, 42);
    back.closeSubpath();
    p.setBrush(QColor(230, 180, 60));
    p.drawPath(back);
    p.setBrush(Qt::white);
    p.setPen(QPen(QColor(140, 140, 140), 0.8));
    p.drawRect(QRectF(12, 20, 26, 16));
    p.drawRect(QRectF(14, 19, 26, 16));
    QPainterPath front;
    front.moveTo(8, 42);
    front.lineTo(12, 26);
    front.lineTo(48, 26);
    front.lineTo(44, 42);
    front.closeSubpath();
    p.setPen(QPen(edge, 1));
    p.setBrush(QColor(250, 205, 90));
    p.drawPath(front);

    // The magnifying glass circles over the folder, one full turn over the frames.
    const double turn = 2.0 * std::numbers::pi * frame_ / kStopFrame;
    const QPointF centre(52 + 10 * std::cos(turn), 24 + 7 * std::sin(turn));
    p.setPen(QPen(QColor(90, 60, 30), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre + QPointF(6, 6), centre + QPointF(13, 13));
    p.setPen(QPen(QColor(60, 60, 70), 2));
    p.setBrush(QColor(200, 230, 255, 170));
    p.drawEllipse(centre, 7.5, 7.5);
    p.setPen(QPen(QColor(255, 255, 255, 200), 1.2));
    p.drawArc(QRectF(centre.x() - 5, centre.y() - 5, 10, 10), 100 * 16, 60 * 16);
}

}  // namespace app
