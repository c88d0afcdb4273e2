#include "epub/read_ahead.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
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

TEST(ReadAhead, FetchesRunAheadOnTheirOwnThreadsAndDroppedJobsAreNeverUsed) {
    // More fetches in flight than workers, and with no worker at all: every fetch runs ahead of
    // the taker, and the results still come in queue order.
    for (const int threads : {0, 1, 2}) {
        std::mutex mutex;
        std::condition_variable changed;
        int fetched = 0;
        std::atomic<int> used{0};
        ReadAhead<int> ahead(threads, 8, 4);
        for (int i = 0; i < 8; ++i)
            ahead.push(
                [&, i] {
                    const std::lock_guard lock(mutex);
                    ++fetched;
                    changed.notify_all();
                    return i;
                },
                [&](int value) {
                    ++used;
                    return value * value;
                });
        {
            std::unique_lock lock(mutex);
            EXPECT_TRUE(changed.wait_for(lock, std::chrono::seconds(10), [&] {
                return fetched == 8;
            })) << threads;
        }
        for (int i = 0; i < 8; ++i) EXPECT_EQ(ahead.take(), i * i) << threads;
        EXPECT_EQ(used, 8);
    }

    // One I/O thread held inside the first fetch: the jobs behind it are dropped unfetched, and
    // a job dropped once fetched is never used.
    Gate gate;
    std::atomic<int> fetches{0};
    std::atomic<int> uses{0};
    {
        ReadAhead<int> ahead(0, 8, 1);
        ahead.push([] { return 1; }, [&](int) { return ++uses; });
        EXPECT_EQ(ahead.size(), 1u);
        ahead.push(
            [&] {
                std::unique_lock lock(gate.mutex);
                gate.entered = true;
                gate.changed.notify_all();
                gate.changed.wait(lock, [&] { return gate.open; });
                return 0;
            },
            [&](int) { return ++uses; });
        for (int i = 0; i < 5; ++i)
            ahead.push([&] { return ++fetches; }, [&](int) { return ++uses; });
        {
            std::unique_lock lock(gate.mutex);
            gate.changed.wait(lock, [&] { return gate.entered; });
        }
        ahead.dropFront();  // fetched, never used
        ahead.dropFront();  // being fetched
        ahead.clear();
        {
            const std::lock_guard lock(gate.mutex);
            gate.open = true;
        }
        gate.changed.notify_all();
    }  // waits for the I/O thread
    EXPECT_EQ(fetches, 0);
    EXPECT_EQ(uses, 0);

    ReadAhead<int> failing(0, 2, 2);
    failing.push([]() -> int { throw std::runtime_error("unreadable"); },
                 [](int value) { return value; });
    EXPECT_THROW(failing.take(), std::runtime_error);
}

}  // namespace
}  // namespace epub
