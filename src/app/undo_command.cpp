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
#include "core/path_text_qt.h"
#include "organise/run_journal.h"
#include "organise/undo_run.h"
#include "organise/work_list.h"
#include "platform/error.h"
#include "platform/path_text.h"

namespace app {
namespace {

QString pick(bool englishUi, const char* hungarian, const char* english) {
    return QString::fromUtf8(englishUi ? english : hungarian);
}

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
        dialogs().message(owner, pick(english, "Egy futás még tart; visszavonni csak utána lehet",
                                      "A run is still going; it can be undone once it has ended"));
        return;
    }
    const QString journal = organise::NewestJournal(organise::journalFolder(state.settingsFolder));
    if (journal.isEmpty()) {
        dialogs().message(owner,
                          pick(english, "Nincs visszavonható futás", "There is no run to undo"));
        return;
    }
    organise::JournalContents contents;
    if (const platform::OsError error = organise::ReadJournal(journal, contents)) {
        dialogs().error(
            owner,
            pick(english, "A futás naplója nem olvasható: ", "The run's journal cannot be read: ") +
                QString::fromStdString(error.describe()));
        return;
    }
    const QList<organise::JournalEntry> books = organise::UndoOrder(contents);
    if (books.isEmpty()) {
        dialogs().message(owner,
                          pick(english, "Az utolsó futás egy könyvet sem másolt vagy helyezett át",
                               "The last run copied or moved no book"));
        return;
    }
    const QString question =
        pick(english,
             "Visszavonod az utolsó futást? %1 könyv kerül vissza: az áthelyezettek az eredeti "
             "helyükre, a másolatok törlődnek. Ami a futás óta megváltozott, marad.",
             "Undo the last run? %1 book(s) will be taken back: moved books return to where they "
             "were, copies are deleted. Whatever changed since the run is kept.")
            .arg(books.size());
    if (!dialogs().confirm(owner, pick(english, "Visszavonás jóváhagyása", "Confirm undo"),
                           question, pick(english, "Visszavonás", "Undo"),
                           pick(english, "Mégse", "Cancel")))
        return;
    // A run may have started while the confirmation was open.
    if (state.busy || !controls.RzListView1) return;

    state.busy = true;
    state.stopRequested = false;
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
        dialogs().error(
            owner,
            pick(english, "A futás naplója nem olvasható: ", "The run's journal cannot be read: ") +
                QString::fromStdString(error.describe()));
        return;
    }
    controls.RzStatusPane1->setText(
        pick(english, "Visszavonva: %1/%2", "Undone: %1/%2").arg(summary.undone).arg(books.size()));
    controls.RzStatusPane2->setText(pick(english, "Kész", "Ready"));
    controls.RzProgressStatus1->setValue(controls.RzProgressStatus1->minimum());
}

QString journalWarning(const QString& error, bool englishUi) {
    return pick(englishUi, "A futás naplója nem írható, ezért ez a futás nem vonható vissza: ",
                "The run's journal could not be written, so this run cannot be undone: ") +
           error;
}

}  // namespace app
