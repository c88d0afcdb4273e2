#include "organise/file_operations.h"

#include <cerrno>

#include "platform/files.h"
#include "platform/path_rules.h"

namespace organise {

namespace {
std::string native(const QString& path) {
    return path.toStdString();
}

// The folder that holds a path (everything before its last separator).
QString parentOf(const QString& path) {
    const QString collapsed = QString::fromStdString(platform::collapseSeparators(native(path)));
    const qsizetype cut = collapsed.lastIndexOf(QLatin1Char(platform::nativeSeparator()));
    return cut <= 0 ? collapsed.left(cut + 1) : collapsed.left(cut);
}
}  // namespace

bool PlatformFileOperations::fileExists(const QString& path) {
    return platform::fileExists(native(path));
}

bool PlatformFileOperations::folderExists(const QString& path) {
    return platform::folderExists(native(path));
}

bool PlatformFileOperations::createFolder(const QString& path) {
    return platform::createFolder(native(path));
}

int PlatformFileOperations::copyFile(const QString& source, const QString& target) {
    const int error = platform::copyFileNoReplace(native(source), native(target));
    if (error == 0) {
        std::string folder = native(parentOf(target));
        if (copiedFolders_.empty() || copiedFolders_.back() != folder)
            copiedFolders_.push_back(std::move(folder));
    }
    return error;
}

void PlatformFileOperations::finish() {
    // One flush per volume at the end of a run costs about as much as one per book would cost
    // for a handful of books, and keeps a large run close to the speed of a plain cp.
    platform::flushFileSystems(copiedFolders_);
    copiedFolders_.clear();
}

int PlatformFileOperations::moveFile(const QString& source, const QString& target) {
    return platform::moveFileNoReplace(native(source), native(target));
}

QString DryRunFileOperations::key(const QString& path) {
    QString collapsed = QString::fromStdString(platform::collapseSeparators(native(path)));
    const QChar separator = QLatin1Char(platform::nativeSeparator());
    while (collapsed.size() > 1 && collapsed.endsWith(separator)) collapsed.chop(1);
    return collapsed;
}

bool DryRunFileOperations::fileExists(const QString& path) {
    const QString k = key(path);
    if (createdFiles_.contains(k)) return true;
    if (removedFiles_.contains(k)) return false;
    return platform::fileExists(native(path));
}

bool DryRunFileOperations::folderExists(const QString& path) {
    return createdFolders_.contains(key(path)) || platform::folderExists(native(path));
}

bool DryRunFileOperations::createFolder(const QString& path) {
    if (folderExists(path) || fileExists(path)) return false;
    if (!folderExists(parentOf(key(path)))) return false;
    createdFolders_.insert(key(path));
    return true;
}

int DryRunFileOperations::copyFile(const QString& source, const QString& target) {
    if (!fileExists(source)) return ENOENT;
    if (fileExists(target) || folderExists(target)) return EEXIST;
    if (!folderExists(parentOf(key(target)))) return ENOENT;
    createdFiles_.insert(key(target));
    removedFiles_.remove(key(target));
    return 0;
}

int DryRunFileOperations::moveFile(const QString& source, const QString& target) {
    const int error = copyFile(source, target);
    if (error != 0) return error;
    createdFiles_.remove(key(source));
    removedFiles_.insert(key(source));
    return 0;
}

}  // namespace organise
