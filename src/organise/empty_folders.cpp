#include "organise/empty_folders.h"

#include <string>
#include <utility>

#include "core/message_catalogue.h"
#include "core/path_text_qt.h"
#include "platform/files.h"
#include "platform/listing.h"
#include "platform/temporaries.h"

namespace organise {
namespace {

std::function<void(const QString&)> beforeRemoval;

// Lists folder until it finds an entry that counts. A temporary file that a killed copy left
// behind does not count: it is removed on the way.
platform::OsError findAnything(const std::string& folder, bool& anything) {
    anything = false;
    return platform::listFolder(folder, [&](const platform::FolderEntry& entry) {
        if ((entry.attributes & platform::AttrDirectory) == 0 &&
            platform::removeStaleTemporary(platform::joinPath(folder, entry.name)))
            return true;
        anything = true;
        return false;
    });
}

bool isEmpty(const std::string& folder) {
    bool anything = false;
    return !findAnything(folder, anything) && !anything;
}

// The walk goes into real folders only. Hidden and system entries are not even listed; a link
// (to a folder or not) is never followed, so the walk cannot leave the tree or remove the
// target of a link as if it were the folder itself.
bool visited(const platform::FolderEntry& entry) {
    constexpr unsigned skipped = platform::AttrHidden | platform::AttrSystem | platform::AttrLink;
    return (entry.attributes & platform::AttrDirectory) != 0 && (entry.attributes & skipped) == 0 &&
           !entry.name.starts_with('.');
}

void removeFolder(const std::string& folder) {
    if (beforeRemoval) beforeRemoval(core::fromPlatformPath(folder));
    // The folder was found empty a moment ago; if that no longer holds, something else is at
    // work in the tree and the walk stops rather than guess. One listing answers both questions
    // (does the folder exist, is it empty), which matters over tens of thousands of folders.
    bool anything = false;
    const auto status = findAnything(folder, anything);
    const QString name = core::fromPlatformPath(folder);
    if (status.is(platform::ErrorCondition::NotFound))
        throw FolderRemovalError(platform::fileExists(folder) ? FolderRemovalError::Cause::NowAFile
                                                              : FolderRemovalError::Cause::Vanished,
                                 name);
    if (status) throw FolderRemovalError(FolderRemovalError::Cause::Unreadable, name);
    if (anything) throw FolderRemovalError(FolderRemovalError::Cause::NotEmpty, name);
    platform::resetAttributes(folder);
    // A refusal (in use, access denied) leaves the folder where it is, silently.
    platform::removeFolder(folder);
}

void removeEmptyFolders(const std::string& folder) {
    platform::listFolder(folder, [&](const platform::FolderEntry& entry) {
        if (!visited(entry)) return true;
        const std::string sub = platform::joinPath(folder, entry.name);
        if (isEmpty(sub)) {
            removeFolder(sub);
        } else {
            removeEmptyFolders(sub);
            // Still there and empty: its own removal did not take effect; try once more.
            if (isEmpty(sub)) removeEmptyFolders(sub);
        }
        return true;
    });
    if (isEmpty(folder)) removeFolder(folder);
}

QString causeText(FolderRemovalError::Cause cause, bool english) {
    switch (cause) {
        case FolderRemovalError::Cause::Vanished:
            return core::message(core::MessageId::FolderVanished, english);
        case FolderRemovalError::Cause::NowAFile:
            return core::message(core::MessageId::FolderNowAFile, english);
        case FolderRemovalError::Cause::Unreadable:
            return core::message(core::MessageId::FolderUnreadable, english);
        case FolderRemovalError::Cause::NotEmpty:
            break;
    }
    return core::message(core::MessageId::FolderNotEmpty, english);
}

QString removalText(FolderRemovalError::Cause cause, const QString& folder, bool english) {
    return core::message(core::MessageId::FolderNotRemovable, english)
        .arg(folder, causeText(cause, english));
}

}  // namespace

FolderRemovalError::FolderRemovalError(Cause cause, const QString& folder)
    : platform::Error(removalText(cause, folder, true).toStdString()),
      cause_(cause),
      folder_(folder) {}

QString FolderRemovalError::text(bool englishUi) const {
    return removalText(cause_, folder_, englishUi);
}

bool IsFolderEmpty(const QString& path) {
    return isEmpty(core::toPlatformPath(path));
}

void RemoveEmptyFolders(const QString& path) {
    if (path.isEmpty()) return;
    removeEmptyFolders(core::toPlatformPath(path));
}

namespace testing {
void setBeforeRemoval(std::function<void(const QString&)> hook) {
    beforeRemoval = std::move(hook);
}
}  // namespace testing

}  // namespace organise
