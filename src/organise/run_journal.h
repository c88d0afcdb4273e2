#pragma once
// The run journal: one JSON Lines file per organise run in "<SettingsFolder>journal", written
// while the run goes so that a run, even a killed one, can be taken back. Each line is one
// object:
//   {"journal":1,"mode":"copy"|"move","output":PATH,"started":TIME}
//                                                     the first line: the run's output folder
//                                                     (absolute), its mode at the start, when
//   {"output":PATH}                                   the output folder changed during the run
//   {"folder":PATH}                                   a folder the run created
//   {"mode":"copy"|"move","source":PATH,"target":PATH}
//                                                     a book about to be copied or moved,
//                                                     written before the disk is touched
//   {"done":PATH,"mtime":NS,"size":N}                 that book (by its target) arrived; size
//                                                     and mtime (nanoseconds since 1970 UTC) of
//                                                     the target as written
//   {"failed":PATH}                                   that book's copy or move failed: not ours
//   {"back":PATH}                                     that book (by its target) was taken back
//                                                     by an undo, appended as the undo goes: a
//                                                     stopped undo leaves the books it did
//   {"undone":TIME}                                   appended once the run has been undone
// Journals of earlier versions have no first line and a book's line carries size and mtime
// itself. Paths keep their exact bytes: a byte that is no UTF-8 is written as its \udcXX escape.
// A run that changes nothing on disk leaves no journal. The newest kJournalsKept are kept.
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>

#include "organise/file_operations.h"
#include "organise/naming_options.h"
#include "platform/file_status.h"

namespace organise {

constexpr int kJournalsKept = 20;

// settingsFolder followed by "journal" and a separator; empty when settingsFolder is.
QString journalFolder(const QString& settingsFolder);

struct JournalEntry {
    enum class Kind { Folder, Book };
    Kind kind = Kind::Book;
    TransferMode mode = TransferMode::Copy;
    QString source;  // empty for a folder
    QString target;  // the book as written, or the folder created
    platform::FileStatus written;
    // False for a book whose copy or move was begun but never marked done (a killed run): what
    // happened shows only on the disk, and `written` is unknown.
    bool confirmed = true;
    // The run's output folder when the line was written (absolute, with its final separator);
    // the undo touches nothing outside it.
    QString outputFolder;
    // An undo took the book back already (a later undo finds it back and says so again).
    bool takenBack = false;
};

// Writes one run's journal. The file is created with the first line, every line is handed to
// the system as soon as it is known, and finish() forces the file to the disk. A journal that
// cannot be written never stops the run: error() tells the front end, which says so.
class RunJournal {
public:
    // An empty folder keeps no journal (a front end that has no settings folder). outputFolder
    // and mode are the run's as it starts; the first line records them.
    explicit RunJournal(QString folder, QString outputFolder = QString(),
                        TransferMode mode = TransferMode::Copy);
    RunJournal(const RunJournal&) = delete;
    RunJournal& operator=(const RunJournal&) = delete;

    // The output folder in force from now on (the window's may change between books).
    void recordOutputFolder(const QString& outputFolder);
    void recordFolder(const QString& folder);
    // Before a book's copy or move starts.
    void recordIntent(TransferMode mode, const QString& source, const QString& target);
    // After it: reads the target's size and modification time now, as the run left it.
    void recordDone(const QString& target);
    void recordFailed(const QString& target);
    // Forces the journal to the disk; a journal that records no change is removed.
    void finish();

    // The journal file; empty until the first line is written.
    QString path() const { return path_; }
    // The first failure to create or write the journal, as the system describes it.
    QString error() const { return error_; }

private:
    void append(const QByteArray& line);
    void appendOpen(const QByteArray& line);
    bool open();

    QString folder_;
    QString outputFolder_;
    TransferMode mode_;
    QString path_;
    QString error_;
    int changes_ = 0;  // folders created and books begun
    platform::AppendOnlyFile file_;
};

// The file operations of the run, with every folder created and every book copied or moved
// recorded in a journal. The run itself knows nothing of the journal. The undo's deletions and
// removals are not the run's: they pass through unrecorded.
class JournalingFileOperations final : public ForwardingFileOperations {
public:
    JournalingFileOperations(FileOperations& disk, RunJournal& journal)
        : ForwardingFileOperations(disk), journal_(journal) {}
    platform::OsError createFolder(const QString& path) override;
    platform::OsError copyFile(const QString& source, const QString& target) override;
    platform::OsError moveFile(const QString& source, const QString& target) override;
    void finish() override;

private:
    RunJournal& journal_;
};

// A journal as read back. Lines that cannot be read (the last line of a killed run may be cut
// off) are counted and passed over.
struct JournalContents {
    QList<JournalEntry> entries;  // in the order written; failed books left out
    int unreadableLines = 0;
    bool undone = false;
    bool hasHeader = false;  // false for a journal of an earlier version
    // From the first line; for an earlier version's journal the start comes from the file's
    // name (invalid when that is not a journal's name) and the output folder from its books.
    QDateTime started;                       // UTC
    QString outputFolder;                    // as the run started, with its final separator
    TransferMode mode = TransferMode::Copy;  // as the run started
    int bookCount() const;
    // The books no undo has taken back yet: all of them until an undo (perhaps a stopped one)
    // took some back.
    int booksLeft() const;
};

// Returns the error of reading the file, if any.
platform::OsError ReadJournal(const QString& path, JournalContents& contents);

// The journal files in `folder`, oldest first.
QStringList JournalFiles(const QString& folder);
// The newest journal that has not been undone; empty when there is none.
QString NewestJournal(const QString& folder);
// Appends the "undone" line.
platform::OsError MarkJournalUndone(const QString& path);

// Appends a "back" line for each book an undo takes back, as it goes. Failing to write one
// only makes the count of books left larger than it is: the undo goes on.
class UndoRecord {
public:
    explicit UndoRecord(const QString& journalPath);
    void recordBack(const QString& target);
    void finish();

private:
    platform::AppendOnlyFile file_;
    bool opened_ = false;
    bool written_ = false;
};

}  // namespace organise
