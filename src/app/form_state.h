#pragma once
// State held by the main window that several commands read and write.
#include <QString>

namespace app {

struct FormState {
    QString settingsFolder;  // per-user folder of the settings files, ends with a separator
    QString outputFolder;    // collection folder; empty or ending with a separator
    bool englishUi = false;  // English texts are in use (eng.lng beside the program)
    bool stopRequested = false;
    bool busy = false;  // an organise run or an undo is going: neither starts while the other does
};

}  // namespace app
