#include "organise/undo_run.h"

#include <QDir>
#include <QSet>
#include <algorithm>

#include "core/message_catalogue.h"
#include "core/path_text_qt.h"
#include "organise/target_rules.h"
#include "platform/code_page.h"
#include "platform/error.h"
#include "platform/path_text.h"

namespace organise {

namespace {

using core::message;
using core::MessageId;
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

// The levels of a path, split at either separator the platform knows.
QStringList levelsOf(const QString& path) {
    QStringList levels;
    QString level;
    for (const QChar c : path) {
        if (c.unicode() < 0x80 && platform::isSeparator(static_cast<char>(c.unicode()))) {
            levels.append(level);
            level.clear();
        } else {
            level += c;
        }
    }
    levels.append(level);
    return levels;
}

bool hasDotLevels(const QString& path) {
    const QStringList levels = levelsOf(path);
    return std::any_of(levels.begin(), levels.end(), [](const QString& level) {
        return level == QLatin1String(".") || level == QLatin1String("..");
    });
}

// True when path lies strictly below folder (which ends with its separator).
bool below(const QString& path, const QString& folder) {
    const Qt::CaseSensitivity sensitivity =
        platform::pathsIgnoreCase() ? Qt::CaseInsensitive : Qt::CaseSensitive;
    return !folder.isEmpty() && path.size() > folder.size() && path.startsWith(folder, sensitivity);
}

// Why the journal's paths for this entry are not the run's own; empty when they are.
QString refusal(const JournalEntry& entry, bool english) {
    const QString& output = entry.outputFolder;
    if (output.isEmpty() || !QDir::isAbsolutePath(output) || hasDotLevels(output))
        return message(MessageId::JournalNoOutputFolder, english);
    if (hasDotLevels(entry.target) || hasDotLevels(entry.source))
        return message(MessageId::JournalDotLevel, english) +
               (hasDotLevels(entry.target) ? entry.target : entry.source);
    if (!QDir::isAbsolutePath(entry.target) || !below(entry.target, output))
        return message(MessageId::JournalOutsideOutput, english) + entry.target;
    if (entry.kind == JournalEntry::Kind::Book && !QDir::isAbsolutePath(entry.source))
        return message(MessageId::JournalSourceNotAbsolute, english) + entry.source;
    return {};
}

bool isSeparatorChar(QChar c) {
    return c.unicode() < 0x80 && platform::isSeparator(static_cast<char>(c.unicode()));
}

// A path as this platform compares paths.
QString comparable(const QString& path) {
    return platform::pathsIgnoreCase() ? path.toCaseFolded() : path;
}

// Every folder that holds one of the journal's books at some depth, as comparable() gives it
// and without a final separator. Built once per undo: a created folder is the run's own only
// when it is one of these, and a run has thousands of folders and books.
QSet<QString> foldersHoldingBooks(const JournalContents& journal) {
    QSet<QString> folders;
    for (const JournalEntry& entry : journal.entries) {
        if (entry.kind != JournalEntry::Kind::Book) continue;
        const QString target = comparable(entry.target);
        for (qsizetype i = target.size() - 1; i > 0; --i) {
            if (!isSeparatorChar(target.at(i))) continue;
            // Deepest first: once a folder is known, so are the folders above it.
            const QString folder = target.left(i);
            if (folders.contains(folder)) break;
            folders.insert(folder);
        }
    }
    return folders;
}

bool holdsABookOfTheRun(const QString& folder, const QSet<QString>& foldersWithBooks) {
    QString key = comparable(folder);
    while (!key.isEmpty() && isSeparatorChar(key.back())) key.chop(1);
    return !key.isEmpty() && foldersWithBooks.contains(key);
}

// "Undone" only when the disk shows it: nothing at the target, and for a move the book at its
// source.
UndoBookResult confirmedOnDisk(const UndoBookResult& result, FileOperations& files, bool english) {
    if (result.outcome != UndoOutcome::Undone) return result;
    const bool targetGone = !files.pathTaken(result.entry.target);
    const bool sourceThere =
        result.entry.mode == TransferMode::Copy || files.pathTaken(result.entry.source);
    if (targetGone && sourceThere) return result;
    return {result.entry, UndoOutcome::Failed, message(MessageId::UndoBookNotBack, english),
            targetGone ? QString() : result.entry.target};
}

// A book whose copy or move was begun but never marked done: only the disk tells what happened.
UndoBookResult undoUnfinished(const JournalEntry& entry, FileOperations& files) {
    const bool atTarget = files.pathTaken(entry.target);
    const bool atSource = files.pathTaken(entry.source);
    // The copy or move never happened: the book is where it was.
    if (!atTarget && atSource)
        return undone(entry, entry.mode == TransferMode::Move ? entry.source : QString());
    OsError error;
    if (atTarget && !atSource && entry.mode == TransferMode::Move) {
        // Moved, and killed before the mark: move it back, never overwriting.
        if (!files.fileStatus(entry.target, error)) return failed(entry, error, entry.target);
        error = files.moveFile(entry.target, entry.source);
        if (!error) return undone(entry, entry.source);
        return failed(entry, error, entry.target);
    }
    if (atTarget && atSource) {
        // A complete copy (a move across volumes copies first): taken back when it is the same
        // book, byte for byte.
        bool same = false;
        if (files.fileStatus(entry.target, error) && files.fileStatus(entry.source, error) &&
            !files.compareFiles(entry.source, entry.target, same) && same) {
            error = files.deleteFile(entry.target);
            if (!error)
                return undone(entry, entry.mode == TransferMode::Move ? entry.source : QString());
            return failed(entry, error, entry.target);
        }
    }
    return kept(entry, UndoOutcome::KeptUnfinished);
}

UndoBookResult undoMove(const JournalEntry& entry, FileOperations& files) {
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

UndoBookResult undoCopy(const JournalEntry& entry, FileOperations& files) {
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

// Hands everything to the front end's observer, and appends each book taken back to the
// journal, so that after a stopped undo the journal tells how many books are left.
class RecordingUndoObserver final : public UndoObserver {
public:
    RecordingUndoObserver(UndoObserver& inner, UndoRecord& record)
        : inner_(inner), record_(record) {}
    void bookFinished(int index, const UndoBookResult& result) override {
        if (result.outcome == UndoOutcome::Undone && !result.entry.takenBack)
            record_.recordBack(result.entry.target);
        inner_.bookFinished(index, result);
    }
    void folderRemoved(const QString& folder) override { inner_.folderRemoved(folder); }
    void processEvents() override { inner_.processEvents(); }
    bool stopRequested() const override { return inner_.stopRequested(); }
    bool englishUi() const override { return inner_.englishUi(); }

private:
    UndoObserver& inner_;
    UndoRecord& record_;
};

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
        case UndoOutcome::KeptUnfinished:
            return "KeptUnfinished";
        case UndoOutcome::Failed:
            break;
    }
    return "Failed";
}

QString undoOutcomeText(UndoOutcome outcome, const QString& reason, bool englishUi) {
    switch (outcome) {
        case UndoOutcome::Undone:
            return message(MessageId::UndoOutcomeUndone, englishUi);
        case UndoOutcome::KeptChanged:
            return message(MessageId::UndoOutcomeKeptChanged, englishUi);
        case UndoOutcome::KeptSourceTaken:
            return message(MessageId::UndoOutcomeKeptSourceTaken, englishUi);
        case UndoOutcome::KeptOnlyCopy:
            return message(MessageId::UndoOutcomeKeptOnlyCopy, englishUi);
        case UndoOutcome::KeptUnfinished:
            return message(MessageId::UndoOutcomeKeptUnfinished, englishUi);
        case UndoOutcome::Failed:
            break;
    }
    return message(MessageId::UndoOutcomeFailed, englishUi) + reason;
}

QList<JournalEntry> UndoOrder(const JournalContents& journal) {
    QList<JournalEntry> books;
    for (qsizetype k = journal.entries.size() - 1; k >= 0; --k)
        if (journal.entries.at(k).kind == JournalEntry::Kind::Book)
            books.append(journal.entries.at(k));
    return books;
}

UndoSummary UndoRun(const JournalContents& journal, UndoObserver& observer, FileOperations& files) {
    UndoSummary summary;
    const QSet<QString> foldersWithBooks = foldersHoldingBooks(journal);
    for (qsizetype k = journal.entries.size() - 1; k >= 0; --k) {
        if (observer.stopRequested()) {
            summary.stopped = true;
            break;
        }
        const JournalEntry& entry = journal.entries.at(k);
        const QString refused = refusal(entry, observer.englishUi());
        if (entry.kind == JournalEntry::Kind::Folder) {
            // Only a folder this run created below its output folder, holding one of its books,
            // and only when nothing is left in it.
            if (refused.isEmpty() && holdsABookOfTheRun(entry.target, foldersWithBooks) &&
                !files.removeEmptyFolder(entry.target)) {
                ++summary.foldersRemoved;
                observer.folderRemoved(entry.target);
            }
            continue;
        }
        UndoBookResult result;
        try {
            if (!refused.isEmpty())
                result = {entry, UndoOutcome::Failed, refused, entry.target};
            else if (!entry.confirmed)
                result = undoUnfinished(entry, files);
            else
                result = entry.mode == TransferMode::Move ? undoMove(entry, files)
                                                          : undoCopy(entry, files);
            if (refused.isEmpty()) result = confirmedOnDisk(result, files, observer.englishUi());
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
        DryRunFileOperations files;
        summary = UndoRun(journal, observer, files);
        return {};
    }
    PlatformFileOperations files;
    UndoRecord record(journalPath);
    RecordingUndoObserver recording(observer, record);
    summary = UndoRun(journal, recording, files);
    record.finish();
    if (summary.stopped) return {};
    if (const OsError error = MarkJournalUndone(journalPath))
        summary.journalError = QStringLiteral("cannot mark %1 undone: %2")
                                   .arg(journalPath, QString::fromStdString(error.describe()));
    return {};
}

int undoBooksLeft(const JournalContents& journal, const UndoSummary& summary) {
    return summary.stopped ? std::max(0, journal.bookCount() - summary.books) : 0;
}

UndoPreview describeLastRun(const JournalContents& journal) {
    UndoPreview preview;
    preview.startTime = journal.started;
    preview.booksLeft = journal.booksLeft();
    preview.outputFolder = journal.outputFolder;
    preview.moved = journal.mode == TransferMode::Move;
    return preview;
}

QString undoRunQuestion(const UndoPreview& preview, bool englishUi) {
    const QString started =
        preview.startTime.isValid()
            ? preview.startTime.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"))
            : QStringLiteral("?");
    return message(MessageId::UndoRunQuestion, englishUi)
        .arg(started)
        .arg(preview.booksLeft)
        .arg(DisplayPath(preview.outputFolder))
        .arg(
            message(preview.moved ? MessageId::UndoRunMoved : MessageId::UndoRunCopied, englishUi));
}

void writeUndoRow(WorkList& list, int row, const UndoBookResult& result, bool englishUi) {
    if (row < 0 || row >= list.rowCount()) return;
    list.setResultText(row, undoOutcomeText(result.outcome, result.reason, englishUi));
    list.setOutputText(row, result.nowAt.isEmpty() ? QString() : DisplayPath(result.nowAt));
}

}  // namespace organise
