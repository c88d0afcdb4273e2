#pragma once
// The file operations the undo of a run performs, behind one seam so that a dry run takes
// exactly the same decisions as a real one without touching the disk. Paths are native, as the
// journal holds them; the real implementation forwards to src/platform.
#include <QHash>
#include <QSet>
#include <QString>
#include <optional>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/file_status.h"

namespace organise {

class UndoFileOperations {
public:
    virtual ~UndoFileOperations() = default;
    // An existing file's status; otherwise empty, with the reason in error.
    virtual std::optional<platform::FileStatus> fileStatus(const QString& path,
                                                           platform::OsError& error) = 0;
    // Anything (file or folder) at the path.
    virtual bool pathTaken(const QString& path) = 0;
    // Sets `same`, or returns the error.
    virtual platform::OsError compareFiles(const QString& a, const QString& b, bool& same) = 0;
    // Never replaces: a rename on one volume, else a flushed copy and then the delete.
    virtual platform::OsError moveFile(const QString& from, const QString& to) = 0;
    virtual platform::OsError deleteFile(const QString& path) = 0;
    // Removes the folder only when it is empty (NotEmpty otherwise).
    virtual platform::OsError removeEmptyFolder(const QString& path) = 0;
    // Called once at the end: what was moved back is forced to the disk.
    virtual void finish() {}
};

// The real disk, through src/platform.
class PlatformUndoFileOperations final : public UndoFileOperations {
public:
    std::optional<platform::FileStatus> fileStatus(const QString& path,
                                                   platform::OsError& error) override;
    bool pathTaken(const QString& path) override;
    platform::OsError compareFiles(const QString& a, const QString& b, bool& same) override;
    platform::OsError moveFile(const QString& from, const QString& to) override;
    platform::OsError deleteFile(const QString& path) override;
    platform::OsError removeEmptyFolder(const QString& path) override;
    void finish() override;

private:
    std::vector<std::string> touchedFolders_;
};

// Reads the real disk and remembers, without writing anything, what the undo would have moved,
// deleted and removed, so that later steps of the same undo see those effects (a folder whose
// books would all be taken back counts as empty).
class DryRunUndoFileOperations final : public UndoFileOperations {
public:
    std::optional<platform::FileStatus> fileStatus(const QString& path,
                                                   platform::OsError& error) override;
    bool pathTaken(const QString& path) override;
    platform::OsError compareFiles(const QString& a, const QString& b, bool& same) override;
    platform::OsError moveFile(const QString& from, const QString& to) override;
    platform::OsError deleteFile(const QString& path) override;
    platform::OsError removeEmptyFolder(const QString& path) override;

private:
    QSet<QString> removed_;                         // files and folders gone
    QHash<QString, platform::FileStatus> created_;  // files moved back, with their status
};

}  // namespace organise
