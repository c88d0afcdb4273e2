#pragma once
// The window side of the organise run: the start and stop buttons. The run itself is the one
// shared with the command line (organise/organise_run.h); this class lays its work list over the
// rows of RzListView1 and its observer over the status bar, the option widgets and FormState.
//
// The window owns one RunController and wires:
//   RzToolButton1 clicked -> RzToolButton1Click()
//   RzToolButton2 clicked -> RzToolButton2Click()
//   RzToolButton9 clicked, the menu's preview item -> preview()
// Commands that change the list (clearing, dropping, scanning) may consult isRunning(); they
// need not, because a run survives the list being cleared under it (see RzToolButton1Click).
#include <QPointer>

#include "app/form_controls.h"

namespace app {

struct FormState;

class RunController {
public:
    // `controls` are the main window's; `state` is its FormState. Both outlive the controller.
    RunController(const RunControls& controls, FormState& state);
    ~RunController();
    RunController(const RunController&) = delete;
    RunController& operator=(const RunController&) = delete;

    // Organises every row of RzListView1 into FormState::outputFolder, with the options read
    // from the widgets afresh for each book, writing "Hiba"/"Kimenet", the progress bar and the
    // status panes, and processing pending events after every row.
    //
    // The run counts its rows once at the start and then addresses them by index, while the
    // events it lets through may run any other command. So:
    //  - a second press while a run is going is ignored (it would clear the stop flag of the
    //    first and walk the same books twice at once), and so is a press while the last run is
    //    being undone (FormState::busy, see undo_command.h);
    //  - if rows the run counted are removed under it (the list cleared, a drop or a scan that
    //    starts by clearing), the run writes nothing more into the list and skips every
    //    remaining row, as after the stop button: the rows now shown are not the books it was
    //    started on. Rows appended during a run are left for the next run;
    //  - closing the window during a run stops it the same way: the event loop ends only once
    //    the run returns, so it would otherwise go on organising behind a closed window.
    // Once the run has ended, a journal that could not be written is reported in the standard
    // error box: that run cannot be undone.
    // At the end, the counts per outcome go into the status bar's summary.
    void RzToolButton1Click();

    // The same run with the same options and the same reading ahead, but nothing on disk is
    // written: no folder, no book, no journal (organise::DryRunFileOperations remembers what
    // the run would have done, so that later rows see it). Every row gets the outcome and the
    // target the run would give it, its result text marked as planned (PreviewResultPrefix),
    // and the end text is PreviewFinished. It is a run in every other way: the stop button,
    // closing the window and clearing the list stop it, and neither it nor a run starts while
    // the other goes.
    void preview();

    // Sets FormState::stopRequested; the running run skips the rows it has not started yet.
    void RzToolButton2Click();

    bool isRunning() const { return running_; }

private:
    void organise(bool preview);

    RunControls controls_;
    QPointer<QWidget> form_;
    FormState& state_;
    bool running_ = false;
};

}  // namespace app
