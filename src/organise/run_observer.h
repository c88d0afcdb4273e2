#pragma once
// What the organise run needs from its front end besides the rows: the progress bar, the two
// status panes, the message pump, the stop flag, and the options as they stand at this moment.
// The window implements it over its widgets; the command line and the tests headlessly. The
// display hooks do nothing unless a front end shows something, so a new hook touches only the
// front ends that want it.
#include <QString>

#include "organise/naming_options.h"
#include "organise/organise_result.h"
#include "organise/run_tally.h"

namespace core {
class MessageSink;
}

namespace organise {

class RunObserver {
public:
    virtual ~RunObserver() = default;

    // RzProgressStatus1: the total (set once, only when there is at least one row), the
    // completed parts, and back to 0 percent at the end of the run.
    virtual void setProgressTotal(int total) { (void)total; }
    virtual void setProgressPosition(int position) { (void)position; }
    virtual void resetProgress() {}

    // Scrolls the list so that the row is fully visible.
    virtual void ensureRowVisible(int row) { (void)row; }

    // RzStatusPane1 and RzStatusPane2.
    virtual void setStatus1(const QString& text) { (void)text; }
    virtual void setStatus2(const QString& text) { (void)text; }

    // Lets pending work happen (the window: QCoreApplication::processEvents). The stop button,
    // repaints and other commands run from here.
    virtual void processEvents() {}

    // Called once a row has been handled and its texts written, before the progress and status
    // updates of that row. The window needs nothing here; the command line reports the book.
    virtual void rowFinished(int row, OrganiseResult result, ExistingTarget existing) {
        (void)row;
        (void)result;
        (void)existing;
    }

    // Once at the end of the run (also a stopped one), with the counts of the whole list.
    virtual void runFinished(const RunTally& tally) { (void)tally; }

    // StopRequested: cleared when a run starts, read before every row.
    virtual void clearStopRequest() = 0;
    virtual bool stopRequested() const = 0;

    // Read afresh for every book: a change made during a run applies from the next book on.
    virtual BookSettings bookSettings() const = 0;
    virtual bool englishUi() const = 0;

    // Where the book model's own messages go (the window: a modal message box; the run waits).
    virtual core::MessageSink& messageSink() = 0;
    // A modal message box with an OK button (the missing output folder).
    virtual void showMessage(const QString& text) = 0;
};

}  // namespace organise
