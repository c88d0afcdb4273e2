#pragma once
// What the undo's confirmation says about the run it would take back: when it started, how many
// of its books are still where it put them, into which folder, copied or moved. Read from the
// journal's first line and from the disk.
//
// (The organise layer is to gain the same description of a journal; this one serves the window
// until then.)
#include <QDateTime>
#include <QString>

#include "organise/run_journal.h"

namespace app {

struct LastRunDescription {
    QDateTime started;     // invalid for a journal of an earlier version (no first line)
    QString outputFolder;  // the run's output folder as it started
    bool moved = false;    // the run's mode as it started
    // The run's books still at their targets: all of them, or after a stopped undo the ones it
    // did not reach.
    int booksLeft = 0;
};

// `contents` is the journal at journalPath as organise::ReadJournal read it.
LastRunDescription describeLastRun(const QString& journalPath,
                                   const organise::JournalContents& contents);

// The confirmation's question: UndoRunQuestion with the start time (local, to the minute), the
// books left, the folder and the mode; the plain UndoQuestion with the number of books when the
// journal does not say when the run started.
QString undoQuestion(const LastRunDescription& run, bool englishUi);

}  // namespace app
