#include "organise/undo_file_operations.h"

#include "epub/path_text_qt.h"
#include "platform/files.h"
#include "platform/listing.h"

namespace organise {

namespace {

using epub::parentFolder;
using epub::toPlatformPath;
using platform::ErrorCondition;
using platform::OsError;

}  // namespace

std::optional<platform::FileStatus> PlatformUndoFileOperations::fileStatus(const QString& path,
                                                                           OsError& error) {
    return platform::fileStatus(toPlatformPath(path), error);
}

bool PlatformUndoFileOperations::pathTaken(const QString& path) {
    return platform::fileExists(toPlatformPath(path)) ||
           platform::folderExists(toPlatformPath(path));
}

OsError PlatformUndoFileOperations::compareFiles(const QString& a, const QString& b, bool& same) {
    return platform::compareFiles(toPlatformPath(a), toPlatformPath(b), same);
}

OsError PlatformUndoFileOperations::moveFile(const QString& from, const QString& to) {
    const OsError error = platform::moveFileNoReplace(toPlatformPath(from), toPlatformPath(to));
    if (!error) {
        std::string folder = toPlatformPath(parentFolder(to));
        if (touchedFolders_.empty() || touchedFolders_.back() != folder)
            touchedFolders_.push_back(std::move(folder));
    }
    return error;
}

OsError PlatformUndoFileOperations::deleteFile(const QString& path) {
    return platform::deleteFile(toPlatformPath(path));
}

OsError PlatformUndoFileOperations::removeEmptyFolder(const QString& path) {
    // The system refuses to remove a folder that holds anything: that is the emptiness test.
    return platform::removeFolder(toPlatformPath(path));
}

void PlatformUndoFileOperations::finish() {
    // Renames are not forced to the disk one by one; once per volume at the end, as the run does.
    platform::flushFileSystems(touchedFolders_);
    touchedFolders_.clear();
}

std::optional<platform::FileStatus> DryRunUndoFileOperations::fileStatus(const QString& path,
                                                                         OsError& error) {
    if (const auto found = created_.constFind(path); found != created_.constEnd()) {
        error = OsError();
        return *found;
    }
    if (removed_.contains(path)) {
        error = OsError::of(ErrorCondition::NotFound);
        return std::nullopt;
    }
    return platform::fileStatus(toPlatformPath(path), error);
}

bool DryRunUndoFileOperations::pathTaken(const QString& path) {
    if (created_.contains(path)) return true;
    if (removed_.contains(path)) return false;
    return platform::fileExists(toPlatformPath(path)) ||
           platform::folderExists(toPlatformPath(path));
}

OsError DryRunUndoFileOperations::compareFiles(const QString& a, const QString& b, bool& same) {
    same = false;
    if (!pathTaken(a) || !pathTaken(b)) return OsError::of(ErrorCondition::NotFound);
    return platform::compareFiles(toPlatformPath(a), toPlatformPath(b), same);
}

OsError DryRunUndoFileOperations::moveFile(const QString& from, const QString& to) {
    OsError error;
    const auto status = fileStatus(from, error);
    if (!status) return error;
    if (pathTaken(to)) return OsError::of(ErrorCondition::Exists);
    const QString folder = parentFolder(to);
    if (removed_.contains(folder) || !platform::folderExists(toPlatformPath(folder)))
        return OsError::of(ErrorCondition::NotFound);
    created_.remove(from);
    removed_.insert(from);
    removed_.remove(to);
    created_.insert(to, *status);
    return {};
}

OsError DryRunUndoFileOperations::deleteFile(const QString& path) {
    if (!pathTaken(path)) return OsError::of(ErrorCondition::NotFound);
    created_.remove(path);
    removed_.insert(path);
    return {};
}

OsError DryRunUndoFileOperations::removeEmptyFolder(const QString& path) {
    if (removed_.contains(path) || !platform::folderExists(toPlatformPath(path)))
        return OsError::of(ErrorCondition::NotFound);
    for (auto it = created_.constBegin(); it != created_.constEnd(); ++it)
        if (parentFolder(it.key()) == path) return OsError::of(ErrorCondition::NotEmpty);
    bool empty = true;
    const OsError status =
        platform::listFolder(toPlatformPath(path), [&](const platform::FolderEntry& entry) {
            if (removed_.contains(epub::joinPath(path, epub::fromPlatformPath(entry.name))))
                return true;
            empty = false;
            return false;
        });
    if (status) return status;
    if (!empty) return OsError::of(ErrorCondition::NotEmpty);
    removed_.insert(path);
    return {};
}

}  // namespace organise
