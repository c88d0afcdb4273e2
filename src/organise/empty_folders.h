#pragma once
// Removal of empty folders from the collection, deepest first.
#include <QString>
#include <functional>

#include "platform/error.h"

namespace organise {

// Raised when a folder about to be removed has vanished or gained content since it was found
// empty. It ends the whole walk; folders removed before stay removed.
class FolderRemovalError : public platform::Error {
public:
    enum class Cause { Vanished, NowAFile, Unreadable, NotEmpty };
    FolderRemovalError(Cause cause, const QString& folder);
    Cause cause() const noexcept { return cause_; }
    const QString& folder() const noexcept { return folder_; }
    // The message in the interface's language (what() is the English one).
    QString text(bool englishUi) const;

private:
    Cause cause_;
    QString folder_;
};

// True when a listing of the folder with every kind of entry included (hidden, links, ...)
// yields nothing. A folder that cannot be listed (missing, access refused) is not empty.
bool IsFolderEmpty(const QString& path);

// Removes, deepest first, every subfolder of path that is or becomes empty, and finally path
// itself when it ends up empty. Hidden and dot-named folders are neither visited nor removed.
// A symbolic link is never followed: it is an entry like a file, so it keeps its folder. A
// read-only empty folder is removed. A removal refused by the system leaves the folder silently
// (a folder that became empty during its own walk is tried once more). An empty path does
// nothing, so that the walk never starts from a root the user did not name.
// Raises FolderRemovalError when a folder changed between the emptiness test and its removal.
void RemoveEmptyFolders(const QString& path);

namespace testing {
// Called with each folder's path after it was found empty and before the checks that precede
// its removal, so that a test can change the tree in that gap. Empty: nothing is called.
void setBeforeRemoval(std::function<void(const QString&)> hook);
}  // namespace testing

}  // namespace organise
