// The worker thread: results handed over once, stops at any moment, a new
// task replacing a running one, destruction while running, exceptions. These
// tests run under ThreadSanitizer too (scripts/tsan.sh).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <stop_token>
#include <thread>
#include <utility>
#include <vector>

#include "background_task.h"
#include "stoppable_work.h"

namespace sorrel {
namespace {

constexpr std::uint64_t Steps = 200'000;
constexpr std::uint64_t FullSum = Steps * (Steps - 1) / 2;

// Adds up 0..Steps-1, reporting progress and checking the stop token on the
// way; tells whether it saw a stop.
TaskWork<std::uint64_t> Summing(std::atomic<bool>& sawStop) {
    return [&sawStop](std::stop_token stop, const ProgressFn& progress) {
        std::uint64_t sum = 0;
        for (std::uint64_t i = 0; i < Steps; ++i) {
            if (i % 256 == 0) {
                if (stop.stop_requested()) {
                    sawStop = true;
                    return sum;
                }
                progress(i, Steps);
            }
            sum += i;
        }
        progress(Steps, Steps);
        return sum;
    };
}

TEST(BackgroundTask, HandsOverTheResultOnceAfterTheLastProgress) {
    std::atomic<bool> sawStop{false};
    std::vector<std::uint64_t> progressDone;  // written on the worker, read after wait()
    std::vector<std::uint64_t> results;
    BackgroundTask task;
    TaskCallbacks<std::uint64_t> callbacks;
    callbacks.progress = [&](std::uint64_t done, std::uint64_t total) {
        EXPECT_EQ(total, Steps);
        progressDone.push_back(done);
    };
    callbacks.result = [&](std::uint64_t&& sum) {
        EXPECT_FALSE(progressDone.empty());
        results.push_back(sum);
    };
    task.start(Summing(sawStop), std::move(callbacks));
    task.wait();
    EXPECT_EQ(results, std::vector<std::uint64_t>{FullSum});
    ASSERT_FALSE(progressDone.empty());
    EXPECT_EQ(progressDone.back(), Steps);
    EXPECT_FALSE(sawStop);
}

TEST(BackgroundTask, StopAtAnyMomentHandsOverNothingOrTheWholeResult) {
    for (int delay = 0; delay < 300; ++delay) {
        std::atomic<bool> sawStop{false};
        std::atomic<int> results{0};
        std::atomic<bool> complete{true};
        {
            BackgroundTask task;
            TaskCallbacks<std::uint64_t> callbacks;
            callbacks.result = [&](std::uint64_t&& sum) {
                ++results;
                complete = sum == FullSum;
            };
            task.start(Summing(sawStop), std::move(callbacks));
            std::this_thread::sleep_for(std::chrono::microseconds(delay * 5));
            task.requestStop();
            task.wait();
        }
        EXPECT_LE(results, 1) << delay;
        EXPECT_TRUE(complete) << delay;
        if (sawStop) {
            EXPECT_EQ(results, 0) << delay;
        }
    }
}

TEST(BackgroundTask, ANewTaskStopsTheRunningOneAndDropsItsResult) {
    StoppableWork running;
    std::atomic<int> firstResults{0};
    std::atomic<bool> sawStop{false};
    std::vector<std::uint64_t> secondResults;
    BackgroundTask task;

    TaskCallbacks<int> first;
    first.result = [&](int&&) { ++firstResults; };
    task.start(running.work(), std::move(first));
    running.waitUntilStarted();

    TaskCallbacks<std::uint64_t> second;
    second.result = [&](std::uint64_t&& sum) { secondResults.push_back(sum); };
    task.start(Summing(sawStop), std::move(second));
    EXPECT_TRUE(running.ended);  // the former work was joined before the new one began
    task.wait();
    EXPECT_EQ(firstResults, 0);
    EXPECT_EQ(secondResults, std::vector<std::uint64_t>{FullSum});
}

TEST(BackgroundTask, DestructionStopsAndJoinsRunningWork) {
    StoppableWork running;
    std::atomic<int> results{0};
    {
        BackgroundTask task;
        TaskCallbacks<int> callbacks;
        callbacks.result = [&](int&&) { ++results; };
        task.start(running.work(), std::move(callbacks));
        running.waitUntilStarted();
    }
    EXPECT_TRUE(running.ended);
    EXPECT_EQ(results, 0);
}

TEST(BackgroundTask, DestructionRightAfterStartIsSafe) {
    for (int i = 0; i < 100; ++i) {
        std::atomic<bool> sawStop{false};
        BackgroundTask task;
        task.start(Summing(sawStop), TaskCallbacks<std::uint64_t>{});
    }
}

TEST(BackgroundTask, AnExceptionOfTheWorkIsHandedOverInsteadOfTheResult) {
    BackgroundTask task;
    std::exception_ptr error;
    int results = 0;
    TaskCallbacks<int> callbacks;
    callbacks.result = [&](int&&) { ++results; };
    callbacks.error = [&](std::exception_ptr e) { error = e; };
    task.start(TaskWork<int>([](std::stop_token, const ProgressFn&) -> int {
                   throw std::runtime_error("no memory for the rows");
               }),
               std::move(callbacks));
    task.wait();
    EXPECT_EQ(results, 0);
    ASSERT_TRUE(error);
    try {
        std::rethrow_exception(error);
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "no memory for the rows");
    }
}

TEST(BackgroundTask, AnExceptionAfterAStopIsDropped) {
    std::atomic<bool> started{false};
    std::atomic<int> errors{0};
    BackgroundTask task;
    TaskCallbacks<int> callbacks;
    callbacks.error = [&](std::exception_ptr) { ++errors; };
    task.start(TaskWork<int>([&](std::stop_token stop, const ProgressFn&) -> int {
                   started = true;
                   while (!stop.stop_requested()) {
                       std::this_thread::yield();
                   }
                   throw std::runtime_error("stopped");
               }),
               std::move(callbacks));
    while (!started) {
        std::this_thread::yield();
    }
    task.requestStop();
    task.wait();
    EXPECT_EQ(errors, 0);
}

TEST(BackgroundTask, StopAndWaitWithoutWorkDoNothing) {
    BackgroundTask task;
    task.requestStop();
    task.wait();
}

}  // namespace
}  // namespace sorrel
