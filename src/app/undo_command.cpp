#include "app/undo_command.h"

#include <QAbstractItemModel>
#include <QCoreApplication>
#include <QLabel>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QProgressBar>
#include <QScopeGuard>
#include <QTreeWidget>
#include <vector>

#include "app/dialogs.h"
#include "app/form_state.h"
#include "app/list_view_work_list.h"
#include "app/status_summary.h"
#include "core/message_catalogue.h"
#include "core/path_text_qt.h"
#include "organise/run_journal.h"
#include "organise/run_tally.h"
#include "organise/undo_run.h"
#include "organise/work_list.h"
#include "platform/error.h"
#include "platform/path_text.h"

namespace app {
namespace {

using core::message;
using core::MessageId;

// The rows, the progress bar and the status panes, as the organise run keeps them.
class FormUndoObserver final : public organise::UndoObserver {
public:
    FormUndoObserver(const RunControls& controls, FormState& state, ListViewWorkList& rows)
        : controls_(controls),
          form_(controls.form),
          state_(state),
          rows_(rows),
          shownAtStart_(form_ && form_->isVisible()) {}

    void bookFinished(int index, const organise::UndoBookResult& result) override {
        organise::writeUndoRow(rows_, index, result, state_.englishUi);
        if (!form_) return;
        controls_.RzProgressStatus1->setValue(index);
        if (QTreeWidgetItem* item = rows_.counted(index)) item->treeWidget()->scrollToItem(item);
        controls_.RzStatusPane1->setText(QString::number(index) + QLatin1Char('/') +
                                         QString::number(controls_.RzProgressStatus1->maximum()));
        controls_.RzStatusPane2->setText(core::lastComponent(result.entry.source));
    }
    void processEvents() override { QCoreApplication::processEvents(); }
    bool englishUi() const override { return state_.englishUi; }
    bool stopRequested() const override {
        return state_.stopRequested || rows_.rowsLost() || !form_ ||
               (shownAtStart_ && !form_->isVisible());
    }

private:
    const RunControls controls_;
    QPointer<QWidget> form_;
    FormState& state_;
    ListViewWorkList& rows_;
    bool shownAtStart_;
};

}  // namespace

void runUndoCommand(const RunControls& controls, FormState& state) {
    QWidget* const owner = controls.form;
    const bool english = state.englishUi;
    if (state.busy) {
        dialogs().message(owner, message(MessageId::UndoWhileRunning, english));
        return;
    }
    const QString journal = organise::NewestJournal(organise::journalFolder(state.settingsFolder));
    if (journal.isEmpty()) {
        dialogs().message(owner, message(MessageId::UndoNoRun, english));
        return;
    }
    organise::JournalContents contents;
    if (const platform::OsError error = organise::ReadJournal(journal, contents)) {
        dialogs().error(owner, message(MessageId::JournalUnreadable, english) +
                                   QString::fromStdString(error.describe()));
        return;
    }
    const QList<organise::JournalEntry> books = organise::UndoOrder(contents);
    if (books.isEmpty()) {
        dialogs().message(owner, message(MessageId::UndoNothingCopied, english));
        return;
    }
    const QString question =
        organise::undoRunQuestion(organise::describeLastRun(contents), english);
    if (!dialogs().confirm(owner, message(MessageId::UndoConfirmTitle, english), question,
                           message(MessageId::UndoButton, english),
                           message(MessageId::Cancel, english)))
        return;
    // A run may have started while the confirmation was open.
    if (state.busy || !controls.RzListView1) return;

    state.busy = true;
    state.stopRequested = false;
    if (controls.summary) controls.summary->clearSummary();
    const auto notBusy = qScopeGuard([&state] { state.busy = false; });
    // The rows are the run's books, last first; a row removed while the undo lets events through
    // (the list cleared, a drop, a scan) is noticed, and the undo stops.
    controls.RzListView1->clear();
    for (const organise::JournalEntry& book : books)
        controls.RzListView1->addTopLevelItem(
            new QTreeWidgetItem(QStringList{book.source, {}, {}}));
    ListViewWorkList rows(controls.RzListView1);
    FormUndoObserver observer(controls, state, rows);
    controls.RzProgressStatus1->setMaximum(static_cast<int>(books.size()));
    const QPointer<QWidget> form = owner;
    organise::UndoSummary summary;
    const platform::OsError error = organise::UndoJournal(journal, observer, false, summary);
    if (!form) return;
    if (error) {
        dialogs().error(owner, message(MessageId::JournalUnreadable, english) +
                                   QString::fromStdString(error.describe()));
        return;
    }
    controls.RzStatusPane1->setText(
        message(MessageId::UndoneCount, english).arg(summary.undone).arg(books.size()));
    controls.RzStatusPane2->setText(message(MessageId::Ready, english));
    controls.RzProgressStatus1->setValue(controls.RzProgressStatus1->minimum());
    // A stopped undo leaves the books it did not reach; the next undo takes them.
    const int left = organise::undoBooksLeft(contents, summary);
    if (controls.summary && !rows.rowsLost())
        controls.summary->showSummary(organise::undoTallyText(summary, left, english));
}

QString journalWarning(const QString& error, bool englishUi) {
    return message(MessageId::JournalNotWritten, englishUi) + error;
}

}  // namespace app
