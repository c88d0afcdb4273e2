#pragma once
// The organise run: the body of the start button's handler (RzToolButton1Click), shared by the
// window and the command line. The stop button only sets the observer's stop flag.
#include "organise/file_operations.h"
#include "organise/run_observer.h"
#include "organise/work_list.h"

namespace organise {

// Walks the rows top to bottom, organising each book, writing its texts and reporting progress.
// Returns at once, with a message, when no output folder is chosen.
//
// readAheadThreads worker threads read the books of the next rows while a row is handled (0:
// each book is read at its turn). Reading changes nothing and depends on no option, so the
// results are the same either way: building the target with the options of that moment, the
// disk and the row's texts stay strictly in list order, and the book model's messages are
// shown at the book's turn. A stop, or a row gone from the list, drops what was read ahead.
void OrganiseRun(WorkList& list, RunObserver& observer, FileOperations& files,
                 int readAheadThreads = 0);

// The same with the real disk, reading ahead on one thread per core.
void OrganiseRun(WorkList& list, RunObserver& observer);

}  // namespace organise
