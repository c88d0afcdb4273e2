#pragma once
// Work done ahead on worker threads and handed back strictly in the order it was queued: the
// reading of the books a run will come to next, while the caller still handles an earlier one.
//
//   epub::ReadAhead<Result> ahead(threads, window);
//   while (!ahead.full()) ahead.push([path] { return readBook(path); });
//   Result first = ahead.take();  // waits for it, or does it here if no worker has begun it
//
// At most `window` jobs are queued at a time, so memory stays flat however long the list is.
// With no threads nothing runs ahead: take() does each job on the calling thread. A job must not
// touch anything but what it captured (no widget, no shared state without its own lock).
// Dropping jobs (dropFront, clear, the destructor) never waits for one that is not yet
// running and never looks at what a running one yields.
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
#include <utility>

#include "epub/xml_tree.h"

namespace epub {

template <class Result>
class ReadAhead {
public:
    ReadAhead(int threads, int window) : window_(std::max(1, window)) {
        if (threads <= 0) return;
        // The first libxml2 setup must not happen on two workers at once.
        initialiseXmlParser();
        pool_ = std::make_unique<QThreadPool>();
        pool_->setMaxThreadCount(threads);
    }
    ~ReadAhead() {
        clear();
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

    // The oldest job's result. A job no worker has begun yet is done here rather than waited
    // for. Rethrows what the job threw. The queue must not be empty.
    Result take() {
        std::shared_ptr<Job> job = std::move(jobs_.front());
        jobs_.pop_front();
        job->runIfQueued();
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
    enum class State { Queued, Running, Done, Cancelled };

    struct Job {
        std::function<Result()> work;
        std::atomic<State> state{State::Queued};
        std::mutex mutex;
        std::condition_variable finished;
        std::optional<Result> result;
        std::exception_ptr error;

        // Runs the job unless a worker, the taker or a cancellation got to it first.
        void runIfQueued() {
            State expected = State::Queued;
            if (!state.compare_exchange_strong(expected, State::Running)) return;
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
            State expected = State::Queued;
            state.compare_exchange_strong(expected, State::Cancelled);
        }
    };

    int window_;
    std::deque<std::shared_ptr<Job>> jobs_;
    std::unique_ptr<QThreadPool> pool_;
};

// The number of threads reading ahead when the user names none: one per core.
inline int defaultReadAheadThreads() {
    return std::max(1, QThread::idealThreadCount());
}

// How many books may be read ahead with that many threads: a few per thread, so that no worker
// waits for the next one to be queued, and few enough that memory does not grow with the list.
inline int readAheadWindow(int threads) {
    return std::clamp(threads * 4, 2, 64);
}

}  // namespace epub
