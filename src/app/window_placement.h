#pragma once
// Where start-up puts the main window: with its outer edges (title bar and borders included)
// at the right and bottom edges of the last screen's usable area, the part panels and docks
// leave free. The screen's own origin in the virtual desktop is not added, so on one screen
// the window sits in the bottom-right corner.
#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace app {

// `screen` is the last screen's geometry, `available` its usable part, `client` the window's
// client size and `frame` the margins the window manager draws around it (empty before the
// window is framed). The answer is the position of the frame's top-left corner.
inline QPoint cornerPosition(const QRect& screen, const QRect& available, const QSize& client,
                             const QMargins& frame) {
    const QRect usable = available.isValid() ? available : screen;
    const QSize outer = client.grownBy(frame);
    return {usable.x() + usable.width() - screen.x() - outer.width(),
            usable.y() + usable.height() - screen.y() - outer.height()};
}

}  // namespace app
