#include "organise/undo_run.h"

#include "organise/target_rules.h"
#include "platform/error.h"

namespace organise {

namespace {

using platform::OsError;

UndoBookResult kept(const JournalEntry& entry, UndoOutcome outcome) {
    return {entry, outcome, QString(), entry.target};
}

UndoBookResult failed(const JournalEntry& entry, const OsError& error, const QString& nowAt) {
    return {entry, UndoOutcome::Failed, QString::fromStdString(error.describe()), nowAt};
}

UndoBookResult undone(const JournalEntry& entry, const QString& nowAt) {
    return {entry, UndoOutcome::Undone, QString(), nowAt};
}

UndoBookResult undoMove(const JournalEntry& entry, UndoFileOperations& files) {
    OsError error;
    const auto now = files.fileStatus(entry.target, error);
    if (!now) {
        // Taken back by an earlier undo that was interrupted or retried: the book is home.
        OsError sourceError;
        const auto atSource = files.fileStatus(entry.source, sourceError);
        if (atSource && *atSource == entry.written) return undone(entry, entry.source);
        return failed(entry, error, QString());
    }
    if (!(*now == entry.written)) return kept(entry, UndoOutcome::KeptChanged);
    if (files.pathTaken(entry.source)) return kept(entry, UndoOutcome::KeptSourceTaken);
    error = files.moveFile(entry.target, entry.source);
    if (!error) return undone(entry, entry.source);
    // Something took the source path between the test and the move: it is never overwritten.
    if (files.pathTaken(entry.source)) return kept(entry, UndoOutcome::KeptSourceTaken);
    return failed(entry, error, entry.target);
}

UndoBookResult undoCopy(const JournalEntry& entry, UndoFileOperations& files) {
    OsError error;
    const auto now = files.fileStatus(entry.target, error);
    // Already gone: nothing of the run is left to take back.
    if (!now) return undone(entry, QString());
    if (!(*now == entry.written)) return kept(entry, UndoOutcome::KeptChanged);
    OsError sourceError;
    if (!files.fileStatus(entry.source, sourceError)) return kept(entry, UndoOutcome::KeptOnlyCopy);
    bool same = false;
    error = files.compareFiles(entry.source, entry.target, same);
    if (error) return failed(entry, error, entry.target);
    // The source was changed after the run: the copy is the only one of the book as it was.
    if (!same) return kept(entry, UndoOutcome::KeptOnlyCopy);
    error = files.deleteFile(entry.target);
    if (error) return failed(entry, error, entry.target);
    return undone(entry, QString());
}

}  // namespace

const char* undoOutcomeName(UndoOutcome outcome) {
    switch (outcome) {
        case UndoOutcome::Undone:
            return "Undone";
        case UndoOutcome::KeptChanged:
            return "KeptChanged";
        case UndoOutcome::KeptSourceTaken:
            return "KeptSourceTaken";
        case UndoOutcome::KeptOnlyCopy:
            return "KeptOnlyCopy";
        case UndoOutcome::Failed:
            break;
    }
    return "Failed";
}

QString undoOutcomeText(UndoOutcome outcome, const QString& reason, bool englishUi) {
    switch (outcome) {
        case UndoOutcome::Undone:
            return englishUi ? QStringLiteral("Undone") : QStringLiteral("Visszavonva");
        case UndoOutcome::KeptChanged:
            return englishUi ? QStringLiteral("Kept: the file changed after the run")
                             : QStringLiteral("Megtartva: a fájl megváltozott a futás óta");
        case UndoOutcome::KeptSourceTaken:
            return englishUi ? QStringLiteral("Kept: the original place is taken")
                             : QStringLiteral("Megtartva: az eredeti helyén már van valami");
        case UndoOutcome::KeptOnlyCopy:
            return englishUi ? QStringLiteral("Kept: it is the only copy")
                             : QStringLiteral("Megtartva: ez az egyetlen példány");
        case UndoOutcome::Failed:
            break;
    }
    return (englishUi ? QStringLiteral("Failed: ") : QStringLiteral("Hiba: ")) + reason;
}

QList<JournalEntry> UndoOrder(const JournalContents& journal) {
    QList<JournalEntry> books;
    for (qsizetype k = journal.entries.size() - 1; k >= 0; --k)
        if (journal.entries.at(k).kind == JournalEntry::Kind::Book)
            books.append(journal.entries.at(k));
    return books;
}

UndoSummary UndoRun(const JournalContents& journal, UndoObserver& observer,
                    UndoFileOperations& files) {
    UndoSummary summary;
    for (qsizetype k = journal.entries.size() - 1; k >= 0; --k) {
        if (observer.stopRequested()) {
            summary.stopped = true;
            break;
        }
        const JournalEntry& entry = journal.entries.at(k);
        if (entry.kind == JournalEntry::Kind::Folder) {
            // Only a folder this run created, and only when nothing is left in it.
            if (!files.removeEmptyFolder(entry.target)) {
                ++summary.foldersRemoved;
                observer.folderRemoved(entry.target);
            }
            continue;
        }
        UndoBookResult result;
        try {
            result =
                entry.mode == TransferMode::Move ? undoMove(entry, files) : undoCopy(entry, files);
        } catch (const std::exception& e) {
            result = {entry, UndoOutcome::Failed, QString::fromUtf8(e.what()), entry.target};
        }
        switch (result.outcome) {
            case UndoOutcome::Undone:
                ++summary.undone;
                break;
            case UndoOutcome::Failed:
                ++summary.failed;
                break;
            default:
                ++summary.kept;
        }
        observer.bookFinished(summary.books++, result);
        observer.processEvents();
    }
    files.finish();
    return summary;
}

OsError UndoJournal(const QString& journalPath, UndoObserver& observer, bool dryRun,
                    UndoSummary& summary) {
    JournalContents journal;
    if (const OsError error = ReadJournal(journalPath, journal)) return error;
    if (dryRun) {
        DryRunUndoFileOperations files;
        summary = UndoRun(journal, observer, files);
        return {};
    }
    PlatformUndoFileOperations files;
    summary = UndoRun(journal, observer, files);
    if (summary.stopped) return {};
    if (const OsError error = MarkJournalUndone(journalPath))
        summary.journalError = QStringLiteral("cannot mark %1 undone: %2")
                                   .arg(journalPath, QString::fromStdString(error.describe()));
    return {};
}

void writeUndoRow(WorkList& list, int row, const UndoBookResult& result, bool englishUi) {
    if (row < 0 || row >= list.rowCount()) return;
    list.setResultText(row, undoOutcomeText(result.outcome, result.reason, englishUi));
    list.setOutputText(row, result.nowAt.isEmpty() ? QString() : DisplayPath(result.nowAt));
}

}  // namespace organise
