#include "epub/read_ahead.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <vector>

namespace epub {
namespace {

// A gate the first job waits at, so that the test knows which jobs a worker has begun.
struct Gate {
    std::mutex mutex;
    std::condition_variable changed;
    bool entered = false;
    bool open = false;
};

TEST(ReadAhead, ResultsComeInQueueOrderAndDroppedJobsNeverRun) {
    for (const int threads : {0, 1, 4}) {
        std::atomic<int> runs{0};
        ReadAhead<int> ahead(threads, 8);
        for (int i = 0; i < 8; ++i)
            ahead.push([i, &runs] {
                ++runs;
                return i * i;
            });
        EXPECT_TRUE(ahead.full());
        for (int i = 0; i < 8; ++i) EXPECT_EQ(ahead.take(), i * i) << threads;
        EXPECT_EQ(runs, 8);
    }

    // One worker held inside the first job: the queued ones are dropped without ever running.
    Gate gate;
    std::atomic<int> runs{0};
    {
        ReadAhead<int> ahead(1, 8);
        ahead.push([&] {
            std::unique_lock lock(gate.mutex);
            gate.entered = true;
            gate.changed.notify_all();
            gate.changed.wait(lock, [&] { return gate.open; });
            return 0;
        });
        for (int i = 0; i < 5; ++i) ahead.push([&] { return ++runs; });
        {
            std::unique_lock lock(gate.mutex);
            gate.changed.wait(lock, [&] { return gate.entered; });
        }
        ahead.dropFront();  // the running one: its result is never looked at
        ahead.clear();
        EXPECT_TRUE(ahead.empty());
        {
            const std::lock_guard lock(gate.mutex);
            gate.open = true;
        }
        gate.changed.notify_all();
    }  // waits for the worker
    EXPECT_EQ(runs, 0);

    ReadAhead<int> failing(2, 2);
    failing.push([]() -> int { throw std::runtime_error("unreadable"); });
    EXPECT_THROW(failing.take(), std::runtime_error);
}

}  // namespace
}  // namespace epub
