#pragma once
#include <functional>

class QWidget;

namespace app {

// The first thing the program does, before the application object exists: installs the
// context-menu verb handler as the elevated action and ends the process here when it was
// started as the elevated copy (the marker switch on the command line).
void installElevatedActionAndCheck();

// The window's two registration commands ("Regisztráció", "Regisztráció törlése"): an elevated
// copy of the program writes or removes the context-menu entries while `pump` keeps the window
// alive. Success is confirmed in a message box; administrator rights that were not granted
// (prompt declined, not authorised, no authentication agent, no pkexec) are explained in the
// standard error box, both in the interface's language. Any other error passes through.
void runVerbRegistration(bool registerVerbs, QWidget* owner, bool englishUi,
                         const std::function<void()>& pump);

}  // namespace app
