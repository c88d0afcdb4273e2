#pragma once
// The work list's context-menu item "Utolsó futás visszavonása" (Utolsfutsvisszavonsa1): takes
// the last organise run back from its journal (organise/undo_run.h decides every book; this is
// only the window side of it).
#include <QString>

#include "app/form_controls.h"

namespace app {

struct FormState;

// Finds the newest journal not yet undone below FormState::settingsFolder and asks, through
// app::dialogs(), whether to take back its books, naming how many; without one it says so and
// does nothing. Once confirmed the rows of RzListView1 become the run's books, the last one
// first, and each outcome is written into its row as a run writes its results ("Hiba": the
// outcome, "Kimenet": where the book is now), with the progress bar and the status panes as a
// run keeps them. It refuses with a message while an organise run goes (FormState::busy), and
// holds that flag itself so that no run starts during it. The stop button, clearing the list
// and closing the window stop it after the book being handled; the journal then stays
// not-undone, so the next undo finishes it.
void runUndoCommand(const RunControls& controls, FormState& state);

// What the window says after a run whose journal could not be written: that run cannot be
// undone. `error` is the journal's own description of the failure.
QString journalWarning(const QString& error, bool englishUi);

}  // namespace app
