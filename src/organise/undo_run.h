#pragma once
// Taking a run back: the run's journal walked from its last line to its first. A moved book
// goes back to its source path, a copied book is deleted, the folders the run created are
// removed when empty, and nothing is ever overwritten or deleted unless its twin exists: every
// book the undo cannot take back safely stays where it is, with the reason.
#include <QDateTime>
#include <QList>
#include <QString>

#include "organise/file_operations.h"
#include "organise/run_journal.h"
#include "organise/work_list.h"

namespace organise {

enum class UndoOutcome {
    Undone,           // the book is back (moved) or its copy removed (copied)
    KeptChanged,      // the target's size or modification time differ from the journal's
    KeptSourceTaken,  // something now occupies the source path
    KeptOnlyCopy,     // the source is gone or no longer holds the same bytes
    KeptUnfinished,   // the run ended during this book's copy or move, and the disk does not
                      // show that taking it back is safe
    Failed            // the system refused, or the journal's paths are not the run's own;
                      // reason says why
};

// "Undone", "KeptChanged", "KeptSourceTaken", "KeptOnlyCopy", "KeptUnfinished", "Failed".
const char* undoOutcomeName(UndoOutcome outcome);
// The text a row of the work list shows for an outcome; Failed carries the system's reason.
QString undoOutcomeText(UndoOutcome outcome, const QString& reason, bool englishUi);

struct UndoBookResult {
    JournalEntry entry;
    UndoOutcome outcome = UndoOutcome::Failed;
    QString reason;  // the system's description of the error, for Failed
    // Where the book is once the undo is done with it: its source path when it was moved back,
    // empty when its copy was removed, otherwise its target.
    QString nowAt;
};

class UndoObserver {
public:
    virtual ~UndoObserver() = default;
    // Book `index` in undo order (0 is the last book the run wrote) has been handled.
    virtual void bookFinished(int index, const UndoBookResult& result) = 0;
    virtual void folderRemoved(const QString& folder) { (void)folder; }
    // Lets pending work happen between books (the window: processEvents).
    virtual void processEvents() {}
    virtual bool stopRequested() const { return false; }
    // The language of the reasons the undo words itself.
    virtual bool englishUi() const { return true; }
};

struct UndoSummary {
    int books = 0;  // books handled
    int undone = 0;
    int kept = 0;
    int failed = 0;
    int foldersRemoved = 0;
    bool stopped = false;
    // Why the journal could not be marked undone (the next undo then takes this run again and
    // finds its books already back); empty when it was, or when nothing was to be marked.
    QString journalError;
};

// The books in the order the undo takes them (the last one written first): the window fills
// its list with these, one row each, so that the outcome of book i goes to row i.
QList<JournalEntry> UndoOrder(const JournalContents& journal);

// Walks the journal backwards. Stops before the next entry once the observer asks it to.
// Whatever the journal says, nothing outside the run's output folder is touched: a book whose
// target (or a created folder that) lies outside it, a path with "." or ".." levels, and a source
// that is not absolute are refused (Failed, with the reason); a folder is removed only when it
// lies below the output folder and holds one of the journal's own books.
UndoSummary UndoRun(const JournalContents& journal, UndoObserver& observer, FileOperations& files);

// Undoes the journal file: a real undo on the disk marks the journal undone when it has gone
// through to its first line, so that the next undo takes the run before it. Returns the error of
// reading the journal, if any.
platform::OsError UndoJournal(const QString& journalPath, UndoObserver& observer, bool dryRun,
                              UndoSummary& summary);

// The number of the run's books an undo left to take back: those it did not reach when it was
// stopped, 0 when it went through (what it kept it judged). With the undo's counts it makes up
// every book of the run.
int undoBooksLeft(const JournalContents& journal, const UndoSummary& summary);

// What the confirmation before an undo names: the run, and how much of it is left.
struct UndoPreview {
    QDateTime startTime;  // UTC; invalid when the journal does not tell it
    int booksLeft = 0;    // not yet taken back (after a stopped undo: only those)
    QString outputFolder;
    bool moved = false;  // the run moved its books (its mode as it started)
};
UndoPreview describeLastRun(const JournalContents& journal);
// "Undo the run started at 2026-12-08 22:41? 3 book(s) will be taken back from /books/out/
// (moved). ...": the start in local time, "?" when unknown.
QString undoRunQuestion(const UndoPreview& preview, bool englishUi);

// Writes a book's outcome into its row, as the run writes a book's result: "Hiba" gets the
// outcome text and "Kimenet" the place where the book now is.
void writeUndoRow(WorkList& list, int row, const UndoBookResult& result, bool englishUi);

}  // namespace organise
