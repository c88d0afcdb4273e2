#include "organise/organise_run.h"

#include <algorithm>
#include <deque>
#include <optional>
#include <utility>

#include "core/message_catalogue.h"
#include "core/path_text_qt.h"
#include "epub/read_ahead.h"
#include "organise/book_reading.h"
#include "organise/extension.h"
#include "organise/organise_book.h"
#include "platform/path_text.h"

namespace organise {

void OrganiseRun(WorkList& list, RunObserver& observer, FileOperations& files,
                 int readAheadThreads) {
    observer.clearStopRequest();
    if (observer.bookSettings().outputFolder.isEmpty()) {
        observer.showMessage(
            core::message(core::MessageId::RunWithoutOutputFolder, observer.englishUi()));
        return;
    }

    const int count = list.rowCount();
    if (count > 0) observer.setProgressTotal(count);

    // Books are read ahead of their turn: fetched from the disk many at a time, parsed on the
    // reading threads. Which rows are queued, oldest first.
    const int threads = std::max(0, readAheadThreads);
    const int ioThreads = threads > 0 ? epub::defaultReadAheadIoThreads() : 0;
    epub::ReadAhead<BookReading> ahead(threads, epub::readAheadWindow(threads, ioThreads),
                                       ioThreads);
    std::deque<int> queuedRows;
    int nextToQueue = 0;
    RunTally tally;

    for (int i = 0; i < count; ++i) {
        if (observer.stopRequested()) {
            // Nothing read ahead is used or shown: the rows are skipped.
            ahead.clear();
            queuedRows.clear();
            ++tally.stopped;
            continue;
        }
        // The list may have been emptied by a command run from the message pump; a row that is
        // no longer there is skipped like a stopped one.
        if (i >= list.rowCount()) {
            ++tally.stopped;
            continue;
        }

        while (!queuedRows.empty() && queuedRows.front() < i) {
            ahead.dropFront();
            queuedRows.pop_front();
        }
        if (threads > 0) {
            nextToQueue = std::max(nextToQueue, i);
            for (const int rows = std::min(count, list.rowCount());
                 nextToQueue < rows && !ahead.full(); ++nextToQueue) {
                const QString next = list.source(nextToQueue);
                if (!hasEpubExtension(next)) continue;
                ahead.push([next] { return fetchBookAhead(next); },
                           [next](FetchedBook fetched) {
                               return readBookAhead(next, std::move(fetched));
                           });
                queuedRows.push_back(nextToQueue);
            }
        }
        std::optional<BookReading> reading;
        if (!queuedRows.empty() && queuedRows.front() == i) {
            reading = ahead.take();
            queuedRows.pop_front();
        }

        const QString source = list.source(i);
        BookSettings settings = observer.bookSettings();
        settings.englishUi = observer.englishUi();
        const auto [result, existing] =
            OrganiseBook(source, i, list, settings, observer.messageSink(), files,
                         reading ? &*reading : nullptr);
        if (result != OrganiseResult::NotEpub)
            list.setResultText(i, resultText(result, observer.englishUi()));
        list.setOutcome(i, result, existing);
        tally.add(result, existing);
        observer.rowFinished(i, result, existing);

        observer.setProgressPosition(i);
        observer.ensureRowVisible(i);
        observer.setStatus1(QString::number(i) + QLatin1Char('/') +
                            QString::number(list.rowCount()));
        observer.setStatus2(core::lastComponent(source));
        observer.processEvents();
    }

    files.finish();
    observer.setStatus1(QString());
    observer.setStatus2(core::message(core::MessageId::Ready, observer.englishUi()));
    observer.resetProgress();
    observer.runFinished(tally);
}

void OrganiseRun(WorkList& list, RunObserver& observer) {
    PlatformFileOperations files;
    OrganiseRun(list, observer, files, epub::defaultReadAheadThreads());
}

}  // namespace organise
