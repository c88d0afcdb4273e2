#pragma once
// The organise run: the body of the start button's handler (RzToolButton1Click), shared by the
// window and the command line. The stop button only sets the observer's stop flag.
#include "organise/file_operations.h"
#include "organise/run_observer.h"
#include "organise/work_list.h"

namespace organise {

// Walks the rows top to bottom, organising each book, writing its texts and reporting progress.
// Returns at once, with a message, when no output folder is chosen.
void OrganiseRun(WorkList& list, RunObserver& observer, FileOperations& files);

// The same with the real disk.
void OrganiseRun(WorkList& list, RunObserver& observer);

}  // namespace organise
