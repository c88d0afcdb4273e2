// The main window's start-up placement: the outer right and bottom edges at the last screen's
// usable edges (window_placement.h), made again once the window manager has framed the window.
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

#include "app/tform1.h"
#include "app/window_placement.h"

namespace app {

void TForm1::placeAtLastScreenCorner() {
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.isEmpty()) return;
    // The last screen's size alone decides; its origin in the virtual desktop is not added.
    const QScreen* last = screens.last();
    // Before the window manager has framed the window its margins are unknown (empty); the
    // placement is made again once they are known (see event()).
    const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    placedFrame_ = frame;
    placementPending_ = frame.isNull();
    move(cornerPosition(last->geometry(), last->availableGeometry(), size(), frame));
}

bool TForm1::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::Show:
        case QEvent::Move:
        case QEvent::Resize:
            // The window manager has framed the window: place it again with the real frame.
            if (placementPending_ && isVisible() && windowHandle() &&
                windowHandle()->frameMargins() != placedFrame_)
                QMetaObject::invokeMethod(
                    this, [this] { placeAtLastScreenCorner(); }, Qt::QueuedConnection);
            break;
        default:
            break;
    }
    return QMainWindow::event(event);
}

}  // namespace app
