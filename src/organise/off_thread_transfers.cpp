#include "organise/off_thread_transfers.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>

namespace organise {

namespace {

// What the worker hands back; shared, so that neither side outlives it.
struct Outcome {
    std::mutex mutex;
    std::condition_variable doneSignal;
    bool done = false;
    platform::OsError value;
    std::exception_ptr error;
};

// Most moves are renames that take microseconds: waiting this long first spares them an event
// loop, and is far below what a user notices.
constexpr std::chrono::milliseconds kQuietWait{5};

}  // namespace

OffThreadTransfers::OffThreadTransfers(FileOperations& inner) : ForwardingFileOperations(inner) {
    worker_.setMaxThreadCount(1);
    worker_.setExpiryTimeout(-1);  // one thread for the whole run, not one per book
}

OffThreadTransfers::~OffThreadTransfers() {
    worker_.waitForDone();
}

platform::OsError OffThreadTransfers::copyFile(const QString& source, const QString& target) {
    return offThread([&] { return inner().copyFile(source, target); });
}

platform::OsError OffThreadTransfers::moveFile(const QString& source, const QString& target) {
    return offThread([&] { return inner().moveFile(source, target); });
}

platform::OsError OffThreadTransfers::sameContents(const QString& a, const QString& b, bool& same) {
    return offThread([&] { return inner().sameContents(a, b, same); });
}

void OffThreadTransfers::finish() {
    offThread([&] {
        inner().finish();
        return platform::OsError();
    });
}

platform::OsError OffThreadTransfers::offThread(const std::function<platform::OsError()>& work) {
    const auto outcome = std::make_shared<Outcome>();
    QCoreApplication* const app = QCoreApplication::instance();
    const bool pumping = app && QThread::currentThread() == app->thread();
    QEventLoop loop;
    worker_.start([outcome, &work, &loop, pumping] {
        platform::OsError value;
        std::exception_ptr error;
        try {
            value = work();
        } catch (...) {
            error = std::current_exception();
        }
        // Posted before `done` is set: the waiting side keeps the loop alive until it sees
        // `done`, and a loop destroyed with the quit still queued simply drops it.
        if (pumping) QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        {
            const std::lock_guard lock(outcome->mutex);
            outcome->value = value;
            outcome->error = error;
            outcome->done = true;
        }
        outcome->doneSignal.notify_all();
    });

    std::unique_lock lock(outcome->mutex);
    if (pumping && !outcome->doneSignal.wait_for(lock, kQuietWait, [&] { return outcome->done; })) {
        lock.unlock();
        // The loop ends with the worker's quit; if the application quits first (the window
        // closed), the book is still finished below before the run goes on.
        loop.exec();
        lock.lock();
    }
    outcome->doneSignal.wait(lock, [&] { return outcome->done; });
    if (outcome->error) std::rethrow_exception(outcome->error);
    return outcome->value;
}

}  // namespace organise
