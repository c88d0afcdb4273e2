#include "organise/file_operations.h"

#include "epub/path_text_qt.h"
#include "platform/files.h"
#include "platform/path_rules.h"

namespace organise {

namespace {
// The folder that holds a path (everything before its last separator); the working folder for
// a relative name without one, such as an output folder "OUT" given on the command line.
QString parentOf(const QString& path) {
    const QString collapsed =
        epub::fromPlatformPath(platform::collapseSeparators(epub::toPlatformPath(path)));
    const qsizetype cut = collapsed.lastIndexOf(QLatin1Char(platform::nativeSeparator()));
    if (cut < 0) return QStringLiteral(".");
    return cut == 0 ? collapsed.left(1) : collapsed.left(cut);
}
}  // namespace

bool PlatformFileOperations::fileExists(const QString& path) {
    return platform::fileExists(epub::toPlatformPath(path));
}

bool PlatformFileOperations::folderExists(const QString& path) {
    return platform::folderExists(epub::toPlatformPath(path));
}

platform::OsError PlatformFileOperations::createFolder(const QString& path) {
    return platform::createFolder(epub::toPlatformPath(path));
}

platform::OsError PlatformFileOperations::copyFile(const QString& source, const QString& target) {
    const platform::OsError error =
        platform::copyFileNoReplace(epub::toPlatformPath(source), epub::toPlatformPath(target));
    if (!error) {
        std::string folder = epub::toPlatformPath(parentOf(target));
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

platform::OsError PlatformFileOperations::moveFile(const QString& source, const QString& target) {
    return platform::moveFileNoReplace(epub::toPlatformPath(source), epub::toPlatformPath(target));
}

QString DryRunFileOperations::key(const QString& path) {
    QString collapsed =
        epub::fromPlatformPath(platform::collapseSeparators(epub::toPlatformPath(path)));
    const QChar separator = QLatin1Char(platform::nativeSeparator());
    while (collapsed.size() > 1 && collapsed.endsWith(separator)) collapsed.chop(1);
    return collapsed;
}

bool DryRunFileOperations::fileExists(const QString& path) {
    const QString k = key(path);
    if (createdFiles_.contains(k)) return true;
    if (removedFiles_.contains(k)) return false;
    return platform::fileExists(epub::toPlatformPath(path));
}

bool DryRunFileOperations::folderExists(const QString& path) {
    return createdFolders_.contains(key(path)) ||
           platform::folderExists(epub::toPlatformPath(path));
}

platform::OsError DryRunFileOperations::createFolder(const QString& path) {
    using platform::ErrorCondition;
    if (folderExists(path) || fileExists(path))
        return platform::OsError::of(ErrorCondition::Exists);
    if (!folderExists(parentOf(key(path)))) return platform::OsError::of(ErrorCondition::NotFound);
    createdFolders_.insert(key(path));
    return {};
}

platform::OsError DryRunFileOperations::copyFile(const QString& source, const QString& target) {
    using platform::ErrorCondition;
    if (!fileExists(source)) return platform::OsError::of(ErrorCondition::NotFound);
    if (fileExists(target) || folderExists(target))
        return platform::OsError::of(ErrorCondition::Exists);
    if (!folderExists(parentOf(key(target))))
        return platform::OsError::of(ErrorCondition::NotFound);
    createdFiles_.insert(key(target));
    removedFiles_.remove(key(target));
    return {};
}

platform::OsError DryRunFileOperations::moveFile(const QString& source, const QString& target) {
    if (const platform::OsError error = copyFile(source, target)) return error;
    createdFiles_.remove(key(source));
    removedFiles_.insert(key(source));
    return {};
}

}  // namespace organise
