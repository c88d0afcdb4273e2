#pragma once

namespace app {

// The first thing the program does, before the application object exists: installs the
// context-menu verb handler as the elevated action and ends the process here when it was
// started as the elevated copy (the marker switch on the command line).
void installElevatedActionAndCheck();

}  // namespace app
