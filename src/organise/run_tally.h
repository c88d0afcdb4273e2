#pragma once
// The counts per outcome at the end of a run, a preview or an undo: what the window's status bar
// shows and the command line prints on stderr.
#include <QString>
#include <string>

#include "organise/organise_result.h"

namespace organise {

struct UndoSummary;

struct RunTally {
    int ok = 0;
    int identical = 0;  // TargetExists, the target holds the same bytes
    int different = 0;  // TargetExists, another file has the name
    int readFailed = 0;
    int copyFailed = 0;
    int notEpub = 0;
    int stopped = 0;  // rows a stop (or a shortened list) left unhandled

    void add(OrganiseResult result, ExistingTarget existing);
    int existing() const { return identical + different; }
};

// One line in the interface's language, e.g. "Ok: 12 · already there: 3 (identical: 2,
// different: 1) · read errors: 1". Ok is always named, every other outcome only when some rows
// had it. A preview's line starts with the preview's word.
QString runTallyText(const RunTally& tally, bool englishUi, bool preview = false);

// "ok=12 identical=2 different=1 read_failed=1 copy_failed=0 not_epub=0 stopped=0"
std::string runTallyKeyValues(const RunTally& tally);

// The same for an undo; left is the number of the run's books still to take back (after a
// stopped undo), named only when it is not 0.
QString undoTallyText(const UndoSummary& summary, int left, bool englishUi);
// "undone=10 kept=1 failed=0 left=0"
std::string undoTallyKeyValues(const UndoSummary& summary, int left);

}  // namespace organise
