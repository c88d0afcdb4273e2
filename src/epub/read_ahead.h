#pragma once
// Work done ahead on worker threads and handed back strictly in the order it was queued: the
// reading of the books a run will come to next, while the caller still handles an earlier one.
//
//   epub::ReadAhead<Result> ahead(threads, window);
//   while (!ahead.full()) ahead.push([path] { return readBook(path); });
//   Result first = ahead.take();  // waits for it, or does it here if no worker has begun it
//
// A job may come in two stages: a fetch that mostly waits for the disk, run on a pool of its own
// I/O threads (many reads in flight keep a disk busy), and the work on what it fetched, run on
// the `threads` workers (one per core):
//
//   epub::ReadAhead<Result> ahead(threads, window, ioThreads);
//   ahead.push([path] { return BookFile::fetch(path); },
//              [path](BookFile file) { return readBook(path, std::move(file)); });
//
// At most `window` jobs are queued at a time, so memory stays flat however long the list is
// (at most `window` fetched results wait for their work). With no threads nothing is worked on
// ahead: take() does the work on the calling thread (a job's fetch still runs ahead when there
// are I/O threads). A job must not touch anything but what it captured (no widget, no shared
// state without its own lock). Dropping jobs (dropFront, clear, the destructor) never waits for
// one that is not yet running and never looks at what a running one yields.
#include <QThread>
#include <QThreadPool>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <type_traits>
#include <utility>

#include "epub/xml_tree.h"

namespace epub {

template <class Result>
class ReadAhead {
public:
    ReadAhead(int threads, int window, int ioThreads = 0) : window_(std::max(1, window)) {
        if (threads <= 0 && ioThreads <= 0) return;
        // The first libxml2 setup must not happen on two workers at once.
        initialiseXmlParser();
        if (threads > 0) {
            pool_ = std::make_unique<QThreadPool>();
            pool_->setMaxThreadCount(threads);
        }
        if (ioThreads > 0) {
            ioPool_ = std::make_unique<QThreadPool>();
            ioPool_->setMaxThreadCount(ioThreads);
        }
    }
    ~ReadAhead() {
        clear();
        // The I/O threads first: a fetch that ends hands its job to the workers unless the job
        // was dropped, and every job is dropped by now.
        if (ioPool_) ioPool_->waitForDone();
        if (pool_) pool_->waitForDone();
    }
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    bool full() const { return jobs_.size() >= static_cast<std::size_t>(window_); }
    bool empty() const { return jobs_.empty(); }
    std::size_t size() const { return jobs_.size(); }

    void push(std::function<Result()> work) {
        auto job = std::make_shared<Job>();
        job->work = std::move(work);
        jobs_.push_back(job);
        if (pool_) pool_->start([job] { job->runIfQueued(); });
    }

    // A job in two stages: fetch() on an I/O thread, then use(what it fetched) on a worker.
    // Without I/O threads both run where a one-stage job would.
    template <class Fetch, class Use>
    void push(Fetch fetch, Use use) {
        using Fetched = std::invoke_result_t<Fetch&>;
        if (!ioPool_) {
            push([fetch = std::move(fetch), use = std::move(use)]() mutable -> Result {
                return use(fetch());
            });
            return;
        }
        // What the fetch yields (or throws) waits here for the work.
        struct Holder {
            std::optional<Fetched> value;
            std::exception_ptr error;
        };
        auto held = std::make_shared<Holder>();
        auto job = std::make_shared<Job>();
        job->fetch = [fetch = std::move(fetch), held]() mutable {
            try {
                held->value.emplace(fetch());
            } catch (...) {
                held->error = std::current_exception();
            }
        };
        job->work = [use = std::move(use), held]() mutable -> Result {
            if (held->error) std::rethrow_exception(held->error);
            return use(std::move(*held->value));
        };
        jobs_.push_back(job);
        QThreadPool* const workers = pool_.get();
        ioPool_->start([job, workers] {
            if (job->fetchIfQueued() && workers) workers->start([job] { job->runIfFetched(); });
        });
    }

    // The oldest job's result. A job no worker has begun yet is done here rather than waited
    // for (after its fetch, when that is under way). Rethrows what the job threw. The queue must
    // not be empty.
    Result take() {
        std::shared_ptr<Job> job = std::move(jobs_.front());
        jobs_.pop_front();
        job->runHere();
        std::unique_lock lock(job->mutex);
        job->finished.wait(lock, [&] { return job->state == State::Done; });
        if (job->error) std::rethrow_exception(job->error);
        return std::move(*job->result);
    }

    // Forgets the oldest job, without waiting for it.
    void dropFront() {
        jobs_.front()->cancel();
        jobs_.pop_front();
    }

    // Forgets every job.
    void clear() {
        for (const auto& job : jobs_) job->cancel();
        jobs_.clear();
    }

private:
    // Queued -> [Fetching -> Fetched ->] Running -> Done; Queued, Fetching or Fetched ->
    // Cancelled. Whoever moves a job out of Queued or Fetched owns its functions from then on.
    enum class State { Queued, Fetching, Fetched, Running, Done, Cancelled };

    struct Job {
        std::function<void()> fetch;  // empty for a one-stage job
        std::function<Result()> work;
        std::atomic<State> state{State::Queued};
        std::mutex mutex;
        std::condition_variable finished;  // told of every change a waiter may want
        std::optional<Result> result;
        std::exception_ptr error;

        // On an I/O thread: fetches unless the taker or a cancellation got to the job first.
        // True when the job is fetched and waits for its work.
        bool fetchIfQueued() {
            State expected = State::Queued;
            if (!state.compare_exchange_strong(expected, State::Fetching)) return false;
            fetch();
            fetch = nullptr;
            expected = State::Fetching;
            const bool fetched = state.compare_exchange_strong(expected, State::Fetched);
            if (!fetched) {
                work = nullptr;  // dropped while fetching: what was fetched goes now
                return false;
            }
            {
                const std::lock_guard lock(mutex);  // no waiter misses the change
            }
            finished.notify_all();
            return true;
        }

        // On a worker: a one-stage job that nobody has begun.
        void runIfQueued() {
            State expected = State::Queued;
            if (state.compare_exchange_strong(expected, State::Running)) run();
        }

        // On a worker: a fetched job whose work nobody has begun.
        void runIfFetched() {
            State expected = State::Fetched;
            if (state.compare_exchange_strong(expected, State::Running)) run();
        }

        // On the taker's thread: does whatever nobody has begun, waiting for a fetch under way.
        void runHere() {
            for (;;) {
                State expected = State::Queued;
                if (state.compare_exchange_strong(expected, State::Running)) {
                    if (fetch) {
                        fetch();
                        fetch = nullptr;
                    }
                    run();
                    return;
                }
                if (expected != State::Fetching && expected != State::Fetched) return;
                expected = State::Fetched;
                if (state.compare_exchange_strong(expected, State::Running)) {
                    run();
                    return;
                }
                if (expected != State::Fetching) return;  // a worker has it
                std::unique_lock lock(mutex);
                finished.wait(lock, [&] { return state != State::Fetching; });
            }
        }

        void run() {
            std::optional<Result> value;
            std::exception_ptr thrown;
            try {
                value.emplace(work());
            } catch (...) {
                thrown = std::current_exception();
            }
            work = nullptr;  // what it captured goes now, not when the job is freed
            {
                const std::lock_guard lock(mutex);
                result = std::move(value);
                error = thrown;
                state = State::Done;
            }
            finished.notify_all();
        }

        void cancel() {
            for (State from : {State::Queued, State::Fetching, State::Fetched}) {
                State expected = from;
                if (state.compare_exchange_strong(expected, State::Cancelled)) {
                    // A fetched job's work is no one else's now: what it holds goes at once.
                    if (from == State::Fetched) work = nullptr;
                    return;
                }
            }
        }
    };

    int window_;
    std::deque<std::shared_ptr<Job>> jobs_;
    std::unique_ptr<QThreadPool> pool_;    // the workers
    std::unique_ptr<QThreadPool> ioPool_;  // the fetches
};

// The number of threads reading ahead when the user names none: one per core.
inline int defaultReadAheadThreads() {
    return std::max(1, QThread::idealThreadCount());
}

// How many books are fetched from the disk at once: enough requests in flight for an SSD's or a
// RAID's queue to work on together. Each costs a thread that mostly waits, and the bytes of one
// book's fetch (see book_file.h).
inline int defaultReadAheadIoThreads() {
    return 16;
}

// How many books may be read ahead with that many threads (and I/O threads): a few per thread,
// so that no worker waits for the next one to be queued, one per I/O thread besides, and few
// enough that memory does not grow with the list.
inline int readAheadWindow(int threads, int ioThreads = 0) {
    return std::clamp(threads * 4 + std::max(0, ioThreads), 2, 64);
}

}  // namespace epub
