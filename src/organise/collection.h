#pragma once
// How files get into the work list: the recursive "*.epub" search of a folder and the texts the
// window shows while it runs. The window owns the rows; this code only finds paths.
#include <QString>
#include <functional>

namespace organise {

// The count display after a found file: "Db:" (English "Count:") and the row count, no blank.
QString countText(int rows, bool english);

// The completion text a drop or a folder scan leaves in the first status pane.
QString scanCompleteText(bool english);

enum class SearchOutcome {
    Completed,       // every readable folder was listed (unreadable ones count as empty)
    AlreadyRunning,  // a search was under way; this call did nothing
    ListingFailed,   // a listing failed in an unexpected way; the search ended there
};

// The recursive search. Every matching file of a folder is reported, in listing order, before
// any file of its subfolders; subfolders are searched in the order they were listed.
// Only one search runs at a time per FolderSearch: onFound may let window messages be
// handled, and a search requested from inside it returns AlreadyRunning at once.
class FolderSearch {
public:
    using FoundFile = std::function<void(const QString& fullPath)>;

    SearchOutcome run(const QString& folder, const FoundFile& onFound);
    bool running() const { return running_; }

private:
    bool running_ = false;
};

}  // namespace organise
