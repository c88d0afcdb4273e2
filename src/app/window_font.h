#pragma once
#include <QFont>

namespace app {

// The font of every window: Tahoma at a height of 11 pixels. Wine's Tahoma is loaded when it is
// installed; otherwise the system's sans-serif font stands in. Needs a QGuiApplication.
QFont windowFont();

}  // namespace app
