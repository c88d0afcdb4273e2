#pragma once
// An empty caption (an empty language file empties the window captions) must show empty, but
// Qt puts the application's name into an empty title bar. The native title of such a window
// gets one blank instead; the window's own caption stays empty.
class QWidget;

namespace app {

// Watches `window` (a top-level widget) for as long as it lives.
void keepCaptionBlank(QWidget* window);

}  // namespace app
