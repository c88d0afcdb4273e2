#pragma once
// The file operations the organise run performs, behind one seam so that a dry run takes exactly
// the same decisions as a real one without touching the disk. Paths are native; the real
// implementation forwards to src/platform.
#include <QSet>
#include <QString>
#include <string>
#include <vector>

#include "platform/error.h"

namespace organise {

class FileOperations {
public:
    virtual ~FileOperations() = default;
    // A folder never counts as an existing file.
    virtual bool fileExists(const QString& path) = 0;
    virtual bool folderExists(const QString& path) = 0;
    // Creates one level; an error when nothing was created (Exists when the name is taken).
    virtual platform::OsError createFolder(const QString& path) = 0;
    // Never replace an existing file: Exists when the target is there, also when it appeared
    // since it was last looked at.
    virtual platform::OsError copyFile(const QString& source, const QString& target) = 0;
    virtual platform::OsError moveFile(const QString& source, const QString& target) = 0;
    // Called once when the run ends: copies are forced to the disk here rather than one by one.
    virtual void finish() {}
};

// The real disk, through src/platform.
class PlatformFileOperations final : public FileOperations {
public:
    bool fileExists(const QString& path) override;
    bool folderExists(const QString& path) override;
    platform::OsError createFolder(const QString& path) override;
    platform::OsError copyFile(const QString& source, const QString& target) override;
    platform::OsError moveFile(const QString& source, const QString& target) override;
    void finish() override;

private:
    std::vector<std::string> copiedFolders_;
};

// Reads the real disk and remembers, without writing anything, what the run would have created,
// copied or moved away, so that later books of the same run see those effects (a second book
// with the same target reports TargetExists, a moved source is gone).
class DryRunFileOperations final : public FileOperations {
public:
    bool fileExists(const QString& path) override;
    bool folderExists(const QString& path) override;
    platform::OsError createFolder(const QString& path) override;
    platform::OsError copyFile(const QString& source, const QString& target) override;
    platform::OsError moveFile(const QString& source, const QString& target) override;

private:
    static QString key(const QString& path);
    QSet<QString> createdFolders_;
    QSet<QString> createdFiles_;
    QSet<QString> removedFiles_;
};

}  // namespace organise
