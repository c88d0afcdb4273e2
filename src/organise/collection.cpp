#include "organise/collection.h"

#include "platform/files.h"
#include "platform/listing.h"

#include <vector>

namespace organise {
namespace {

bool hiddenAndSystem(unsigned attributes) {
    const unsigned both = platform::AttrHidden | platform::AttrSystem;
    return (attributes & both) == both;
}

QString withTrailingSeparator(const QString& folder) {
    const QChar native = QLatin1Char(platform::nativeSeparator());
    if (folder.endsWith(native) || folder.endsWith(QLatin1Char('\\'))) return folder;
    return folder + native;
}

class Walk {
public:
    explicit Walk(const FolderSearch::FoundFile& onFound) : onFound_(onFound) {}

    // Lists one folder and then its subfolders. False when a listing failed unexpectedly, which
    // ends the whole search.
    bool searchFolder(const QString& folder) {
        const QString prefix = withTrailingSeparator(folder);
        const std::string native = prefix.toStdString();

        // A symbolic link (or bind mount) may lead back into a folder that is being searched
        // further up; searching it again would never end.
        const auto identity = platform::folderIdentity(native);
        if (identity) {
            for (const platform::FileIdentity& open : chain_)
                if (open == *identity) return true;
            chain_.push_back(*identity);
        }

        std::vector<QString> subfolders;
        const platform::ListStatus status =
            platform::listFolder(native, [&](const platform::FolderEntry& entry) {
                if (hiddenAndSystem(entry.attributes)) return true;
                const QString name = QString::fromStdString(entry.name);
                if (entry.attributes & platform::AttrDirectory)
                    subfolders.push_back(prefix + name);
                else if (matchesEpubMask(name))
                    onFound_(prefix + name);
                return true;
            });

        bool ok = status != platform::ListStatus::Failed;
        // Not found and access denied count as an empty folder.
        for (const QString& sub : subfolders) {
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

// Clears the running flag however the search ends, an exception from onFound included.
class RunningFlag {
public:
    explicit RunningFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~RunningFlag() { flag_ = false; }
    RunningFlag(const RunningFlag&) = delete;
    RunningFlag& operator=(const RunningFlag&) = delete;

private:
    bool& flag_;
};

}  // namespace

bool matchesEpubMask(const QString& name) {
    static const char16_t kTail[] = u".epub";
    if (name.size() < 5) return false;
    const qsizetype start = name.size() - 5;
    for (qsizetype i = 0; i < 5; ++i) {
        char16_t c = name.at(start + i).unicode();
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
        if (c != kTail[i]) return false;
    }
    return true;
}

QString countText(int rows, bool english) {
    return (english ? QStringLiteral("Count:") : QStringLiteral("Db:")) + QString::number(rows);
}

QString scanCompleteText(bool english) {
    return english ? QStringLiteral("Scanning is complete") : QStringLiteral("Beolvasás kész");
}

SearchOutcome FolderSearch::run(const QString& folder, const FoundFile& onFound) {
    if (running_) return SearchOutcome::AlreadyRunning;
    RunningFlag flag(running_);
    Walk walk(onFound);
    return walk.searchFolder(folder) ? SearchOutcome::Completed : SearchOutcome::ListingFailed;
}

}  // namespace organise
