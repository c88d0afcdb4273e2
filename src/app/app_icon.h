#pragma once
// The window's icons by name ("play", "stop", "dustbin", "open_folder", "preview",
// "epub-polcaro"): drawn from the SVG files where Qt's SVG support is present, and from PNGs
// rendered at build time (one per size the window uses at 100 % to 300 % scaling) in the Windows
// build, which has no QtSvg.
#include <QIcon>

namespace app {

QIcon appIcon(const char* name);

}  // namespace app
