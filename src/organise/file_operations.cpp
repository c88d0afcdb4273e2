#include "organise/file_operations.h"

#include "core/path_text_qt.h"
#include "platform/files.h"
#include "platform/listing.h"
#include "platform/path_rules.h"
#include "platform/path_text.h"

namespace organise {

namespace {

using core::toPlatformPath;
using platform::ErrorCondition;
using platform::OsError;

}  // namespace

bool PlatformFileOperations::fileExists(const QString& path) {
    return platform::fileExists(toPlatformPath(path));
}

bool PlatformFileOperations::folderExists(const QString& path) {
    return platform::folderExists(toPlatformPath(path));
}

std::optional<platform::FileStatus> PlatformFileOperations::fileStatus(const QString& path,
                                                                       OsError& error) {
    return platform::fileStatus(toPlatformPath(path), error);
}

OsError PlatformFileOperations::compareFiles(const QString& a, const QString& b, bool& same) {
    return platform::compareFiles(toPlatformPath(a), toPlatformPath(b), same);
}

OsError PlatformFileOperations::sameContents(const QString& a, const QString& b, bool& same) {
    return platform::sameContents(toPlatformPath(a), toPlatformPath(b), same);
}

OsError PlatformFileOperations::createFolder(const QString& path) {
    return platform::createFolder(toPlatformPath(path));
}

OsError PlatformFileOperations::copyFile(const QString& source, const QString& target) {
    const OsError error =
        platform::copyFileNoReplace(toPlatformPath(source), toPlatformPath(target));
    if (!error) remember(target);
    return error;
}

OsError PlatformFileOperations::moveFile(const QString& source, const QString& target) {
    const OsError error =
        platform::moveFileNoReplace(toPlatformPath(source), toPlatformPath(target));
    if (!error) remember(target);
    return error;
}

OsError PlatformFileOperations::deleteFile(const QString& path) {
    return platform::deleteFile(toPlatformPath(path));
}

OsError PlatformFileOperations::removeEmptyFolder(const QString& path) {
    // The system refuses to remove a folder that holds anything: that is the emptiness test.
    return platform::removeFolder(toPlatformPath(path));
}

void PlatformFileOperations::remember(const QString& target) {
    std::string folder = toPlatformPath(core::parentFolder(target));
    if (writtenFolders_.empty() || writtenFolders_.back() != folder)
        writtenFolders_.push_back(std::move(folder));
}

void PlatformFileOperations::finish() {
    // One flush per volume at the end costs about as much as one per book would cost for a
    // handful of books, and keeps a large run close to the speed of a plain cp.
    platform::flushFileSystems(writtenFolders_);
    writtenFolders_.clear();
}

QString DryRunFileOperations::key(const QString& path) {
    // The form core::parentFolder gives: one separator between components, none after the last
    // one but a root's own.
    return core::fromPlatformPath(
        platform::withoutTrailingSeparators(platform::collapseSeparators(toPlatformPath(path))));
}

bool DryRunFileOperations::fileExists(const QString& path) {
    const QString k = key(path);
    if (createdFiles_.contains(k)) return true;
    if (removed_.contains(k) || createdFolders_.contains(k)) return false;
    return platform::fileExists(toPlatformPath(path));
}

bool DryRunFileOperations::folderExists(const QString& path) {
    const QString k = key(path);
    if (createdFolders_.contains(k)) return true;
    if (removed_.contains(k) || createdFiles_.contains(k)) return false;
    return platform::folderExists(toPlatformPath(path));
}

std::optional<platform::FileStatus> DryRunFileOperations::fileStatus(const QString& path,
                                                                     OsError& error) {
    const QString k = key(path);
    if (const auto found = createdFiles_.constFind(k); found != createdFiles_.constEnd()) {
        error = OsError();
        return found->status;
    }
    if (removed_.contains(k) || createdFolders_.contains(k)) {
        error = OsError::of(ErrorCondition::NotFound);
        return std::nullopt;
    }
    return platform::fileStatus(toPlatformPath(path), error);
}

OsError DryRunFileOperations::onDisk(const QString& path, QString& found, bool& planned) {
    const QString k = key(path);
    planned = false;
    if (const auto it = createdFiles_.constFind(k); it != createdFiles_.constEnd()) {
        found = it->origin;
        planned = true;
        return {};
    }
    if (removed_.contains(k) || createdFolders_.contains(k))
        return OsError::of(ErrorCondition::NotFound);
    found = path;
    return {};
}

OsError DryRunFileOperations::compareFiles(const QString& a, const QString& b, bool& same) {
    same = false;
    QString diskA, diskB;
    bool plannedA = false, plannedB = false;
    if (const OsError error = onDisk(a, diskA, plannedA)) return error;
    if (const OsError error = onDisk(b, diskB, plannedB)) return error;
    // A planned copy is a second file even when its bytes are still only in its origin; one
    // name is still one file.
    if ((plannedA || plannedB) && key(a) != key(b))
        return platform::sameContents(toPlatformPath(diskA), toPlatformPath(diskB), same);
    return platform::compareFiles(toPlatformPath(diskA), toPlatformPath(diskB), same);
}

OsError DryRunFileOperations::sameContents(const QString& a, const QString& b, bool& same) {
    same = false;
    QString diskA, diskB;
    bool planned = false;
    if (const OsError error = onDisk(a, diskA, planned)) return error;
    if (const OsError error = onDisk(b, diskB, planned)) return error;
    return platform::sameContents(toPlatformPath(diskA), toPlatformPath(diskB), same);
}

OsError DryRunFileOperations::createFolder(const QString& path) {
    if (pathTaken(path)) return OsError::of(ErrorCondition::Exists);
    const QString k = key(path);
    if (!folderExists(core::parentFolder(k))) return OsError::of(ErrorCondition::NotFound);
    removed_.remove(k);
    createdFolders_.insert(k);
    return {};
}

OsError DryRunFileOperations::arrive(const QString& source, const QString& target) {
    if (!fileExists(source)) return OsError::of(ErrorCondition::NotFound);
    OsError error;
    const auto status = fileStatus(source, error);
    if (!status) return error;
    if (pathTaken(target)) return OsError::of(ErrorCondition::Exists);
    const QString k = key(target);
    if (!folderExists(core::parentFolder(k))) return OsError::of(ErrorCondition::NotFound);
    // A file that would itself have arrived holds the bytes of the one it came from.
    const auto planned = createdFiles_.constFind(key(source));
    const QString origin = planned != createdFiles_.constEnd() ? planned->origin : source;
    removed_.remove(k);
    createdFiles_.insert(k, {*status, origin});
    return {};
}

OsError DryRunFileOperations::copyFile(const QString& source, const QString& target) {
    return arrive(source, target);
}

OsError DryRunFileOperations::moveFile(const QString& source, const QString& target) {
    if (const OsError error = arrive(source, target)) return error;
    const QString k = key(source);
    createdFiles_.remove(k);
    removed_.insert(k);
    return {};
}

OsError DryRunFileOperations::deleteFile(const QString& path) {
    if (!fileExists(path)) return OsError::of(ErrorCondition::NotFound);
    const QString k = key(path);
    createdFiles_.remove(k);
    removed_.insert(k);
    return {};
}

OsError DryRunFileOperations::removeEmptyFolder(const QString& path) {
    if (!folderExists(path)) return OsError::of(ErrorCondition::NotFound);
    const QString k = key(path);
    for (auto it = createdFiles_.constBegin(); it != createdFiles_.constEnd(); ++it)
        if (core::parentFolder(it.key()) == k) return OsError::of(ErrorCondition::NotEmpty);
    for (const QString& folder : createdFolders_)
        if (core::parentFolder(folder) == k) return OsError::of(ErrorCondition::NotEmpty);
    if (!createdFolders_.contains(k)) {
        bool empty = true;
        const OsError status =
            platform::listFolder(toPlatformPath(path), [&](const platform::FolderEntry& entry) {
                if (removed_.contains(key(core::joinPath(k, core::fromPlatformPath(entry.name)))))
                    return true;
                empty = false;
                return false;
            });
        if (status) return status;
        if (!empty) return OsError::of(ErrorCondition::NotEmpty);
    }
    createdFolders_.remove(k);
    removed_.insert(k);
    return {};
}

}  // namespace organise
