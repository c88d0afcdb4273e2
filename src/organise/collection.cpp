#include "organise/collection.h"

#include <QScopeGuard>
#include <string>
#include <vector>

#include "core/message_catalogue.h"
#include "core/path_text_qt.h"
#include "platform/listing.h"
#include "platform/path_text.h"

namespace organise {
namespace {

bool hiddenAndSystem(unsigned attributes) {
    const unsigned both = platform::AttrHidden | platform::AttrSystem;
    return (attributes & both) == both;
}

class Walk {
public:
    explicit Walk(const FolderSearch::FoundFile& onFound) : onFound_(onFound) {}

    // Lists one folder and then its subfolders. False when a listing failed unexpectedly, which
    // ends the whole search. The walk keeps the file system's own bytes: a name that is not
    // valid UTF-8 becomes text only when it is reported.
    bool searchFolder(const std::string& folder) {
        const std::string prefix = platform::withTrailingSeparator(folder);

        // A symbolic link (or bind mount) may lead back into a folder that is being searched
        // further up; searching it again would never end.
        const auto identity = platform::folderIdentity(prefix);
        if (identity) {
            for (const platform::FileIdentity& open : chain_)
                if (open == *identity) return true;
            chain_.push_back(*identity);
        }

        std::vector<std::string> subfolders;
        const platform::OsError status =
            platform::listFolder(prefix, [&](const platform::FolderEntry& entry) {
                if (hiddenAndSystem(entry.attributes)) return true;
                if (entry.attributes & platform::AttrDirectory)
                    subfolders.push_back(prefix + entry.name);
                else if (platform::isEpubFileName(entry.name))
                    onFound_(core::fromPlatformPath(prefix + entry.name));
                return true;
            });

        // Not found and access denied count as an empty folder.
        bool ok = !status || status.is(platform::ErrorCondition::NotFound) ||
                  status.is(platform::ErrorCondition::AccessDenied);
        for (const std::string& sub : subfolders) {
            if (!ok) break;
            ok = searchFolder(sub);
        }
        if (identity) chain_.pop_back();
        return ok;
    }

private:
    const FolderSearch::FoundFile& onFound_;
    std::vector<platform::FileIdentity> chain_;
};

}  // namespace

QString countText(int rows, bool english) {
    return core::message(core::MessageId::ListCount, english) + QString::number(rows);
}

QString scanCompleteText(bool english) {
    return core::message(core::MessageId::ScanComplete, english);
}

SearchOutcome FolderSearch::run(const QString& folder, const FoundFile& onFound) {
    if (running_) return SearchOutcome::AlreadyRunning;
    running_ = true;
    // Cleared however the search ends, an exception from onFound included.
    const auto clearRunning = qScopeGuard([this] { running_ = false; });
    Walk walk(onFound);
    return walk.searchFolder(core::toPlatformPath(core::pathFromOutside(folder)))
               ? SearchOutcome::Completed
               : SearchOutcome::ListingFailed;
}

}  // namespace organise
