#pragma once
// The rows the organise run walks: the window implements this over RzListView1, the command
// line over a vector. Rows are addressed by zero-based index in list order.
#include <QString>

#include "organise/organise_result.h"

namespace organise {

class WorkList {
public:
    virtual ~WorkList() = default;
    // The number of rows the list holds at this moment.
    virtual int rowCount() const = 0;
    // Column 0 ("Másolandó file"): the source path exactly as it was added.
    virtual QString source(int row) const = 0;
    // Column 1 ("Hiba"): the result text of the last run.
    virtual void setResultText(int row, const QString& text) = 0;
    // Column 2 ("Kimenet"): the target path the run shows for the row.
    virtual void setOutputText(int row, const QString& text) = 0;
    // Why the row ended as it did, beside the fixed result text: the system's text for a failed
    // copy or move, the reader's error for an unreadable book; empty when nothing went wrong.
    // Lists that have nowhere to show it leave this as it is.
    virtual void setReason(int /*row*/, const QString& /*reason*/) {}
    // The row's outcome as a value, for every row the run handled (NotEpub included): what a
    // list sorts, filters or counts by. Lists that need none of that leave this as it is.
    virtual void setOutcome(int /*row*/, OrganiseResult /*result*/, ExistingTarget /*existing*/) {}
};

}  // namespace organise
