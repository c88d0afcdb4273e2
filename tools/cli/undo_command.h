#pragma once
// epub-polcaro-cli undo, and the journal folder the organise command writes into.
#include <QString>
#include <QStringList>

namespace cli {

// The run journals' folder: "journal" in the per-user settings folder the window uses.
QString journalFolder();

int runUndo(const QStringList& args);

}  // namespace cli
