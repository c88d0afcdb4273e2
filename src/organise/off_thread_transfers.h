#pragma once
// The copy or move of the current book, its comparison with a file already at its target, and
// the final flush, on a worker thread while the calling thread (the window's) goes on handling its
// events: repaints, scrolling and the stop button keep working while one large book is copied.
// Each call still returns only when its work is done, so the run's order and results are those
// of the plain operations; a stop is seen, as always, before the next book.
//
//   organise::OffThreadTransfers files(disk);
//   organise::OrganiseRun(rows, observer, files, threads);
//
// Everything else (existence checks, folder creation) is quick and stays on the calling thread.
// Only one thread uses `inner` at any time. Without a QCoreApplication the calling thread
// simply waits.
#include <QThreadPool>
#include <functional>

#include "organise/file_operations.h"

namespace organise {

class OffThreadTransfers final : public ForwardingFileOperations {
public:
    explicit OffThreadTransfers(FileOperations& inner);
    ~OffThreadTransfers() override;
    OffThreadTransfers(const OffThreadTransfers&) = delete;
    OffThreadTransfers& operator=(const OffThreadTransfers&) = delete;

    platform::OsError copyFile(const QString& source, const QString& target) override;
    platform::OsError moveFile(const QString& source, const QString& target) override;
    // Reading two large books through to compare them takes as long as a copy.
    platform::OsError sameContents(const QString& a, const QString& b, bool& same) override;
    void finish() override;

private:
    // Runs work on the worker and handles events until it is done; rethrows what it threw.
    platform::OsError offThread(const std::function<platform::OsError()>& work);

    QThreadPool worker_;
};

}  // namespace organise
