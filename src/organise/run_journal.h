#pragma once
// The run journal: one JSON Lines file per organise run in "<SettingsFolder>journal", written
// while the run goes so that a run, even a killed one, can be taken back. Each line is one
// object:
//   {"folder":PATH}                                   a folder the run created
//   {"mode":"copy"|"move","source":PATH,"target":PATH,"size":N,"mtime":NS}
//                                                     a book that ended Done; size and mtime
//                                                     (nanoseconds since 1970 UTC) of the target
//                                                     as written
//   {"undone":TIME}                                   appended once the run has been undone
// A run that changes nothing on disk leaves no journal. The newest kJournalsKept are kept.
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
};

// Writes one run's journal. The file is created with the first line, every line is handed to
// the system as soon as it is known, and finish() forces the file to the disk. A journal that
// cannot be written never stops the run: error() tells the front end, which says so.
class RunJournal {
public:
    // An empty folder keeps no journal (a front end that has no settings folder).
    explicit RunJournal(QString folder);
    RunJournal(const RunJournal&) = delete;
    RunJournal& operator=(const RunJournal&) = delete;

    void recordFolder(const QString& folder);
    // Reads the target's size and modification time now, as the run left it.
    void recordBook(TransferMode mode, const QString& source, const QString& target);
    void finish();

    // The journal file; empty until the first line is written.
    QString path() const { return path_; }
    // The first failure to create or write the journal, as the system describes it.
    QString error() const { return error_; }

private:
    void append(const QByteArray& line);
    bool open();

    QString folder_;
    QString path_;
    QString error_;
    platform::AppendOnlyFile file_;
};

// The file operations of the run, with every folder created and every book copied or moved
// recorded in a journal. The run itself knows nothing of the journal.
class JournalingFileOperations final : public FileOperations {
public:
    JournalingFileOperations(FileOperations& disk, RunJournal& journal)
        : disk_(disk), journal_(journal) {}
    bool fileExists(const QString& path) override { return disk_.fileExists(path); }
    bool folderExists(const QString& path) override { return disk_.folderExists(path); }
    platform::OsError createFolder(const QString& path) override;
    platform::OsError copyFile(const QString& source, const QString& target) override;
    platform::OsError moveFile(const QString& source, const QString& target) override;
    void finish() override;

private:
    FileOperations& disk_;
    RunJournal& journal_;
};

// A journal as read back. Lines that cannot be read (the last line of a killed run may be cut
// off) are counted and passed over.
struct JournalContents {
    QList<JournalEntry> entries;  // in the order written
    int unreadableLines = 0;
    bool undone = false;
    int bookCount() const;
};

// Returns the error of reading the file, if any.
platform::OsError ReadJournal(const QString& path, JournalContents& contents);

// The journal files in `folder`, oldest first.
QStringList JournalFiles(const QString& folder);
// The newest journal that has not been undone; empty when there is none.
QString NewestJournal(const QString& folder);
// Appends the "undone" line.
platform::OsError MarkJournalUndone(const QString& path);

}  // namespace organise
