#include "app/run_controller.h"

#include <QAbstractItemModel>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QObject>
#include <QPersistentModelIndex>
#include <QProgressBar>
#include <QScopeGuard>
#include <QTreeWidget>
#include <optional>
#include <vector>

#include "app/dialogs.h"
#include "app/form_state.h"
#include "app/list_view_work_list.h"
#include "app/row_tooltip.h"
#include "app/status_summary.h"
#include "app/undo_command.h"
#include "core/message_catalogue.h"
#include "core/message_sink.h"
#include "epub/read_ahead.h"
#include "organise/off_thread_transfers.h"
#include "organise/organise_run.h"
#include "organise/run_journal.h"

namespace app {
namespace {

// The book model's messages become modal message boxes; the run waits until they are closed.
class DialogMessageSink final : public core::MessageSink {
public:
    explicit DialogMessageSink(QWidget* owner) : owner_(owner) {}
    void showMessage(const QString& text) override { dialogs().message(owner_, text); }

private:
    QWidget* owner_;
};

// The status bar, the option widgets and FormState, as the run sees them.
class FormRunObserver final : public organise::RunObserver {
public:
    FormRunObserver(const RunControls& controls, FormState& state, ListViewWorkList& rows,
                    bool preview)
        : controls_(controls),
          form_(controls.form),
          state_(state),
          rows_(rows),
          preview_(preview),
          messages_(controls.form),
          shownAtStart_(form_ && form_->isVisible()) {}

    void setProgressTotal(int total) override {
        if (QProgressBar* bar = control(controls_.RzProgressStatus1)) bar->setMaximum(total);
    }
    void setProgressPosition(int position) override {
        if (QProgressBar* bar = control(controls_.RzProgressStatus1)) bar->setValue(position);
    }
    void resetProgress() override {
        // Back to 0 percent; QProgressBar::reset() would blank the bar instead.
        if (QProgressBar* bar = control(controls_.RzProgressStatus1)) bar->setValue(bar->minimum());
    }

    void ensureRowVisible(int row) override {
        if (QTreeWidgetItem* item = rows_.counted(row)) item->treeWidget()->scrollToItem(item);
    }

    void setStatus1(const QString& text) override {
        if (QLabel* pane = control(controls_.RzStatusPane1)) pane->setText(text);
    }
    void setStatus2(const QString& text) override {
        if (QLabel* pane = control(controls_.RzStatusPane2)) pane->setText(text);
    }

    void processEvents() override { QCoreApplication::processEvents(); }

    void runFinished(const organise::RunTally& tally) override {
        if (!form_) return;
        if (preview_) setStatus2(core::message(core::MessageId::PreviewFinished, state_.englishUi));
        // Counts of rows the list no longer shows would be read as counts of the rows it does.
        if (controls_.summary && !rows_.rowsLost())
            controls_.summary->showSummary(
                organise::runTallyText(tally, state_.englishUi, preview_));
    }

    void clearStopRequest() override { state_.stopRequested = false; }
    // A list emptied under the run stops it like the stop button: the rows left are not the
    // books it was started on. So does closing the window: the event loop ends only once the
    // run returns, and books should not go on being copied or moved behind a closed window.
    bool stopRequested() const override {
        return state_.stopRequested || rows_.rowsLost() || !form_ ||
               (shownAtStart_ && !form_->isVisible());
    }

    organise::BookSettings bookSettings() const override {
        // A favourite picked during the run changes the output folder from the next book on;
        // the journal must know, since undo touches nothing outside the run's output folders.
        if (journal_) journal_->recordOutputFolder(state_.outputFolder);
        return {namingOptions(), transferMode(), state_.outputFolder};
    }
    void keepJournalInformed(organise::RunJournal& journal) { journal_ = &journal; }
    bool englishUi() const override { return state_.englishUi; }

    core::MessageSink& messageSink() override { return messages_; }
    void showMessage(const QString& text) override { dialogs().message(form_, text); }

private:
    organise::NamingOptions namingOptions() const {
        organise::NamingOptions options;
        if (!form_) {
            options.renameScheme = organise::RenameScheme::NoneSelected;
            return options;
        }
        options.renameScheme =
            organise::renameSchemeOfItem(controls_.RzRadioGroup1Items->checkedId());
        options.language = controls_.chknyelv->isChecked();
        options.creator = controls_.chkszerzo->isChecked();
        options.title = controls_.chkkonvcimmappa->isChecked();
        options.series = controls_.chksorozat->isChecked();
        options.none = controls_.chknone->isChecked();
        return options;
    }
    organise::TransferMode transferMode() const {
        return form_ && controls_.RzRadioGroup3Items->checkedId() == 1
                   ? organise::TransferMode::Move
                   : organise::TransferMode::Copy;
    }

    // The controls are the window's children: they live exactly as long as the window does.
    template <typename T>
    T* control(T* widget) const {
        return form_ ? widget : nullptr;
    }

    const RunControls controls_;
    QPointer<QWidget> form_;
    FormState& state_;
    ListViewWorkList& rows_;
    const bool preview_;
    DialogMessageSink messages_;
    bool shownAtStart_;
    organise::RunJournal* journal_ = nullptr;
};

}  // namespace

RunController::RunController(const RunControls& controls, FormState& state)
    : controls_(controls), form_(controls.form), state_(state) {}

RunController::~RunController() = default;

void RunController::RzToolButton1Click() {
    organise(false);
}

void RunController::preview() {
    organise(true);
}

void RunController::organise(bool preview) {
    if (running_ || state_.busy || !form_) return;
    running_ = true;
    state_.busy = true;
    const auto notRunning = qScopeGuard([this] {
        running_ = false;
        state_.busy = false;
    });

    if (controls_.summary) controls_.summary->clearSummary();
    ListViewWorkList rows(
        controls_.RzListView1,
        preview ? core::message(core::MessageId::PreviewResultPrefix, state_.englishUi)
                : QString());
    FormRunObserver observer(controls_, state_, rows, preview);
    // A preview reads the disk and writes nothing, so it keeps no journal (and creates none);
    // the rest of the way, the transfers off the window's thread included, is the run's.
    organise::PlatformFileOperations disk;
    organise::DryRunFileOperations dryRun;
    std::optional<organise::RunJournal> journal;
    std::optional<organise::JournalingFileOperations> journaled;
    if (!preview) {
        journal.emplace(organise::journalFolder(state_.settingsFolder), state_.outputFolder,
                        observer.bookSettings().mode);
        journaled.emplace(disk, *journal);
        observer.keepJournalInformed(*journal);
    }
    organise::FileOperations& organised =
        journaled ? static_cast<organise::FileOperations&>(*journaled) : dryRun;
    // The copy runs off the window's thread, so the window stays responsive during a long one.
    organise::OffThreadTransfers files(organised);
    organise::OrganiseRun(rows, observer, files, epub::defaultReadAheadThreads());
    if (journal && !journal->error().isEmpty() && form_)
        dialogs().error(form_, journalWarning(journal->error(), state_.englishUi));
}

void RunController::RzToolButton2Click() {
    state_.stopRequested = true;
}

}  // namespace app
