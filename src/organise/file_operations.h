#pragma once
// The file system as the organise run and its undo see it: one seam, so that a dry run takes
// exactly the same decisions as a real one without touching the disk, and so that a decorator
// (the journal, the off-thread transfers) wraps every user of the disk alike. Paths are native
// (the journal holds them so); the real implementation forwards to src/platform.
//
//   PlatformFileOperations disk;            the real disk
//   DryRunFileOperations dry;               the real disk read, nothing written
//   JournalingFileOperations files(disk, journal);
//                                           a decorator: derives from ForwardingFileOperations
//                                           and overrides only what it changes
#include <QHash>
#include <QSet>
#include <QString>
#include <optional>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/file_status.h"

namespace organise {

class FileOperations {
public:
    virtual ~FileOperations() = default;

    // A folder never counts as an existing file.
    virtual bool fileExists(const QString& path) = 0;
    virtual bool folderExists(const QString& path) = 0;
    // Anything (file or folder) at the path.
    bool pathTaken(const QString& path) { return fileExists(path) || folderExists(path); }
    // An existing file's status; otherwise empty, with the reason in error.
    virtual std::optional<platform::FileStatus> fileStatus(const QString& path,
                                                           platform::OsError& error) = 0;
    // Sets `same`, or returns the error. One file under two names is not two copies: `same` is
    // false for it (the undo must never delete a book as its own copy).
    virtual platform::OsError compareFiles(const QString& a, const QString& b, bool& same) = 0;
    // Whether a and b hold the same bytes, for telling a duplicate from another file: sizes
    // first, then the bytes in bounded chunks. One file under two names holds the same bytes.
    virtual platform::OsError sameContents(const QString& a, const QString& b, bool& same) = 0;

    // Creates one level; an error when nothing was created (Exists when the name is taken).
    virtual platform::OsError createFolder(const QString& path) = 0;
    // Never replace an existing file: Exists when the target is there, also when it appeared
    // since it was last looked at. A move is a rename on one volume, else a flushed copy and
    // then the delete.
    virtual platform::OsError copyFile(const QString& source, const QString& target) = 0;
    virtual platform::OsError moveFile(const QString& source, const QString& target) = 0;
    virtual platform::OsError deleteFile(const QString& path) = 0;
    // Removes the folder only when it is empty (NotEmpty otherwise).
    virtual platform::OsError removeEmptyFolder(const QString& path) = 0;
    // Called once when the run or the undo ends: what was copied or moved is forced to the disk
    // here rather than one by one.
    virtual void finish() {}
};

// Hands every operation to `inner`. A decorator derives from it and overrides only the
// operations it changes.
class ForwardingFileOperations : public FileOperations {
public:
    explicit ForwardingFileOperations(FileOperations& inner) : inner_(inner) {}

    bool fileExists(const QString& path) override { return inner_.fileExists(path); }
    bool folderExists(const QString& path) override { return inner_.folderExists(path); }
    std::optional<platform::FileStatus> fileStatus(const QString& path,
                                                   platform::OsError& error) override {
        return inner_.fileStatus(path, error);
    }
    platform::OsError compareFiles(const QString& a, const QString& b, bool& same) override {
        return inner_.compareFiles(a, b, same);
    }
    platform::OsError sameContents(const QString& a, const QString& b, bool& same) override {
        return inner_.sameContents(a, b, same);
    }
    platform::OsError createFolder(const QString& path) override {
        return inner_.createFolder(path);
    }
    platform::OsError copyFile(const QString& source, const QString& target) override {
        return inner_.copyFile(source, target);
    }
    platform::OsError moveFile(const QString& source, const QString& target) override {
        return inner_.moveFile(source, target);
    }
    platform::OsError deleteFile(const QString& path) override { return inner_.deleteFile(path); }
    platform::OsError removeEmptyFolder(const QString& path) override {
        return inner_.removeEmptyFolder(path);
    }
    void finish() override { inner_.finish(); }

protected:
    FileOperations& inner() { return inner_; }

private:
    FileOperations& inner_;
};

// The real disk, through src/platform.
class PlatformFileOperations final : public FileOperations {
public:
    bool fileExists(const QString& path) override;
    bool folderExists(const QString& path) override;
    std::optional<platform::FileStatus> fileStatus(const QString& path,
                                                   platform::OsError& error) override;
    platform::OsError compareFiles(const QString& a, const QString& b, bool& same) override;
    platform::OsError sameContents(const QString& a, const QString& b, bool& same) override;
    platform::OsError createFolder(const QString& path) override;
    platform::OsError copyFile(const QString& source, const QString& target) override;
    platform::OsError moveFile(const QString& source, const QString& target) override;
    platform::OsError deleteFile(const QString& path) override;
    platform::OsError removeEmptyFolder(const QString& path) override;
    void finish() override;

private:
    void remember(const QString& target);
    std::vector<std::string> writtenFolders_;
};

// Reads the real disk and remembers, without writing anything, what would have been created,
// copied, moved, deleted or removed, so that later steps of the same run or undo see those
// effects: a second book with the same target reports TargetExists, a moved source is gone, a
// folder whose books would all be taken back counts as empty. A file that would have arrived
// holds the bytes of the file it came from, which is still on the disk: comparisons read that.
class DryRunFileOperations final : public FileOperations {
public:
    bool fileExists(const QString& path) override;
    bool folderExists(const QString& path) override;
    std::optional<platform::FileStatus> fileStatus(const QString& path,
                                                   platform::OsError& error) override;
    platform::OsError compareFiles(const QString& a, const QString& b, bool& same) override;
    platform::OsError sameContents(const QString& a, const QString& b, bool& same) override;
    platform::OsError createFolder(const QString& path) override;
    platform::OsError copyFile(const QString& source, const QString& target) override;
    platform::OsError moveFile(const QString& source, const QString& target) override;
    platform::OsError deleteFile(const QString& path) override;
    platform::OsError removeEmptyFolder(const QString& path) override;

private:
    static QString key(const QString& path);
    // A file that would be at target, with the status it would have.
    platform::OsError arrive(const QString& source, const QString& target);
    // Where the bytes of the file at path are on the real disk (itself, or the file it would
    // have come from), with `planned` set for the latter; NotFound when there would be none.
    platform::OsError onDisk(const QString& path, QString& found, bool& planned);

    struct PlannedFile {
        platform::FileStatus status;
        QString origin;  // the file on the real disk whose bytes it would hold
    };
    // A path is in at most one of these; one in none is as the disk shows it.
    QSet<QString> createdFolders_;
    QHash<QString, PlannedFile> createdFiles_;
    QSet<QString> removed_;  // files and folders gone
};

}  // namespace organise
