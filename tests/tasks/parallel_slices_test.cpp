// The cutting of a range into slices, and runs of slices on threads: each body
// once on its slice, the first on the calling thread, progress summed and
// passed on by the calling thread, a stop from another thread, a slice's
// exception, and the stops of the slices after or before a match.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <stdexcept>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "parallel_slices.h"

namespace sorrel {
namespace {

using Slices = std::vector<SliceRange>;

TEST(CutRange, NearlyEqualAlignedSlices) {
    struct Case {
        std::uint64_t begin, end, parts, align;
        Slices slices;
    };
    const Case cases[] = {
        {0, 0, 4, 1, {}},
        {5, 5, 2, 1, {}},
        {7, 3, 2, 1, {}},
        {0, 10, 1, 1, {{0, 10}}},
        {0, 10, 0, 1, {{0, 10}}},  // no parts counts as one
        {0, 10, 2, 1, {{0, 5}, {5, 10}}},
        {0, 10, 3, 1, {{0, 3}, {3, 6}, {6, 10}}},
        {0, 3, 7, 1, {{0, 1}, {1, 2}, {2, 3}}},  // more parts than rows
        {0, 100, 3, 8, {{0, 32}, {32, 64}, {64, 100}}},
        {3, 100, 3, 8, {{3, 32}, {32, 64}, {64, 100}}},  // begin off the grid
        {0, 10, 2, 16, {{0, 10}}},                       // no boundary on the grid
        {10, 20, 4, 4, {{10, 12}, {12, 16}, {16, 20}}},
        {256,
         256 + 1000,
         7,
         64,
         {{256, 384}, {384, 512}, {512, 640}, {640, 768}, {768, 960}, {960, 1088}, {1088, 1256}}},
        // The largest image: 2^32 - 1 bytes, the cuts computed without overflow.
        {0,
         4294967295,
         3,
         64,
         {{0, 1431655744}, {1431655744, 2863311488}, {2863311488, 4294967295}}},
    };
    for (const Case& c : cases) {
        const std::string name = std::to_string(c.begin) + ".." + std::to_string(c.end) + " in " +
                                 std::to_string(c.parts) + " by " + std::to_string(c.align);
        const Slices slices = CutRange(c.begin, c.end, c.parts, c.align);
        EXPECT_EQ(slices, c.slices) << name;
    }
}

TEST(CutRange, SlicesTileTheRangeOnTheGrid) {
    for (const std::uint64_t begin : {0u, 1u, 256u, 1000u}) {
        for (const std::uint64_t size : {1u, 63u, 64u, 1000u, 100'000u}) {
            for (const std::uint64_t parts : {1u, 2u, 3u, 7u, 64u}) {
                for (const std::uint64_t align : {1u, 4u, 64u}) {
                    const Slices slices = CutRange(begin, begin + size, parts, align);
                    ASSERT_FALSE(slices.empty());
                    ASSERT_LE(slices.size(), parts);
                    EXPECT_EQ(slices.front().begin, begin);
                    EXPECT_EQ(slices.back().end, begin + size);
                    for (std::size_t i = 0; i < slices.size(); ++i) {
                        EXPECT_LT(slices[i].begin, slices[i].end);
                        if (i > 0) {
                            EXPECT_EQ(slices[i].begin, slices[i - 1].end);
                            EXPECT_EQ(slices[i].begin % align, 0u);
                        }
                    }
                    // Nearly equal: no slice more than align rows over an equal share.
                    for (const SliceRange& s : slices) {
                        EXPECT_LE(s.size(), size / parts + 1 + align);
                    }
                }
            }
        }
    }
}

TEST(PlanSlices, ShortRangesStayOnOneSlice) {
    struct Case {
        std::uint64_t rows;
        unsigned threads;
        std::uint64_t serialRows;
        std::size_t slices;
    };
    const Case cases[] = {
        {0, 4, 0, 0},
        {100, 4, 0, 4 * SlicesPerThread},
        {100, 4, 101, 1},
        {100, 4, 100, 4 * SlicesPerThread},
        {100, 1, 0, 1},
        {DefaultSerialRows - 1, 2, DefaultSerialRows, 1},
        {DefaultSerialRows, 2, DefaultSerialRows, 2 * SlicesPerThread},
        {DefaultSerialRows, 7, DefaultSerialRows, 7 * SlicesPerThread},
        {DefaultSerialRows, 1, 0, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PlanSlices(0, c.rows, 1, {c.threads, c.serialRows}).size(), c.slices)
            << c.rows << " rows, " << c.threads << " threads";
    }
    EXPECT_EQ(ThreadCount({}), std::max(1u, std::thread::hardware_concurrency()));
    EXPECT_EQ(ThreadCount({3, 0}), 3u);
}

// Progress calls seen by a run: each on the thread that made the run.
struct ProgressLog {
    std::thread::id caller = std::this_thread::get_id();
    std::vector<std::uint64_t> done;
    bool elsewhere = false;
    bool wrongTotal = false;
    std::uint64_t total = 0;
    ProgressFn fn() {
        return [this](std::uint64_t d, std::uint64_t t) {
            elsewhere = elsewhere || std::this_thread::get_id() != caller;
            wrongTotal = wrongTotal || t != total;
            done.push_back(d);
        };
    }
};

// Each slice once, on no more threads than asked for, the first one taken
// (the first slice, or the last) on the calling thread.
TEST(RunSlices, EveryBodyOnceTheFirstTakenOnTheCallingThreadProgressSummed) {
    struct Case {
        std::uint64_t rows;
        unsigned threads;
        std::uint64_t step;
        bool lastFirst;
    };
    const Case cases[] = {{1, 1, 1, false},          {10, 2, 3, false},     {1000, 3, 100, true},
                          {1000, 7, 1, false},       {999, 7, 1000, true},  {5000, 2, 64, true},
                          {100'000, 3, 4096, false}, {100'000, 2, 1, true}, {20, 3, 1, false}};
    for (const Case& c : cases) {
        const std::string name = std::to_string(c.rows) + " rows, " + std::to_string(c.threads) +
                                 " threads, step " + std::to_string(c.step) +
                                 (c.lastFirst ? ", last first" : "");
        const Slices slices = PlanSlices(0, c.rows, 1, {c.threads, 0});
        std::vector<std::atomic<int>> runs(slices.size());
        std::vector<SliceRange> seen(slices.size());
        std::vector<std::thread::id> threads(slices.size());
        ProgressLog log;
        log.total = c.rows;
        const ProgressFn progress = log.fn();
        const bool stopped = RunSlices(
            slices, {}, {&progress, c.rows, c.step, 0},
            [&](SliceContext& slice) {
                ++runs[slice.index()];
                seen[slice.index()] = slice.range();
                threads[slice.index()] = std::this_thread::get_id();
                // Progress in pieces of up to 7 rows.
                for (std::uint64_t row = slice.range().begin; row < slice.range().end;) {
                    const std::uint64_t n = std::min<std::uint64_t>(7, slice.range().end - row);
                    EXPECT_FALSE(slice.stopped());
                    slice.advance(n);
                    row += n;
                }
            },
            {c.threads, c.lastFirst});
        EXPECT_FALSE(stopped) << name;
        for (std::size_t i = 0; i < slices.size(); ++i) {
            EXPECT_EQ(runs[i], 1) << name << " slice " << i;
            EXPECT_EQ(seen[i], slices[i]) << name << " slice " << i;
        }
        EXPECT_EQ(threads[c.lastFirst ? slices.size() - 1 : 0], log.caller) << name;
        std::sort(threads.begin(), threads.end());
        EXPECT_LE(std::unique(threads.begin(), threads.end()) - threads.begin(), c.threads) << name;
        EXPECT_FALSE(log.elsewhere) << name;
        EXPECT_FALSE(log.wrongTotal) << name;
        ASSERT_FALSE(log.done.empty()) << name;
        EXPECT_TRUE(std::is_sorted(log.done.begin(), log.done.end())) << name;
        EXPECT_EQ(log.done.back(), c.rows) << name;
        // At most once for each multiple of the step passed, and once at the end.
        EXPECT_LE(log.done.size(), c.rows / c.step + 1) << name;
        // Each report but the last (at the end) passed a multiple of the step.
        for (std::size_t i = 1; i + 1 < log.done.size(); ++i) {
            EXPECT_GT(log.done[i] / c.step, log.done[i - 1] / c.step)
                << name << " report " << i << " passed no multiple of the step";
        }
    }
}

TEST(RunSlices, ProgressStartsFromRowsAlreadyDone) {
    const Slices slices = CutRange(0, 100, 3, 1);
    ProgressLog log;
    log.total = 356;
    const ProgressFn progress = log.fn();
    RunSlices(slices, {}, {&progress, 356, 50, 256},
              [](SliceContext& slice) { slice.advance(slice.range().size()); });
    ASSERT_FALSE(log.done.empty());
    EXPECT_GE(log.done.front(), 300u);
    EXPECT_EQ(log.done.back(), 356u);
}

TEST(RunSlices, AStopFromAnotherThreadStopsEverySlice) {
    for (const unsigned threads : {1u, 2u, 3u, 7u}) {
        const Slices slices = CutRange(0, 7000, threads, 1);
        std::atomic<std::size_t> running{0};
        std::atomic<std::size_t> sawStop{0};
        std::stop_source source;
        std::jthread stopper([&] {
            while (running < slices.size()) {
                std::this_thread::yield();
            }
            source.request_stop();
        });
        const bool stopped = RunSlices(slices, source.get_token(), {}, [&](SliceContext& slice) {
            ++running;
            while (!slice.stopped()) {
                std::this_thread::yield();
            }
            ++sawStop;
        });
        EXPECT_TRUE(stopped) << threads;
        EXPECT_EQ(sawStop, slices.size()) << threads;
    }
}

TEST(RunSlices, AnExceptionOfASliceStopsTheOthersAndIsThrown) {
    for (const unsigned threads : {1u, 2u, 3u, 7u}) {
        for (std::size_t thrower = 0; thrower < threads; ++thrower) {
            const Slices slices = CutRange(0, 7000, threads, 1);
            std::atomic<std::size_t> running{0};
            auto run = [&] {
                RunSlices(slices, {}, {}, [&](SliceContext& slice) {
                    ++running;
                    if (slice.index() == thrower) {
                        while (running < slices.size()) {
                            std::this_thread::yield();
                        }
                        throw std::runtime_error("slice " + std::to_string(thrower));
                    }
                    while (!slice.stopped()) {
                        std::this_thread::yield();
                    }
                });
            };
            try {
                run();
                ADD_FAILURE() << "nothing thrown";
            } catch (const std::runtime_error& e) {
                EXPECT_EQ(e.what(), "slice " + std::to_string(thrower));
            }
        }
    }
}

TEST(RunSlices, AnExceptionOfTheProgressStopsTheSlicesAndIsThrown) {
    // The first slice reports while it runs, or has returned and the calling
    // thread reports while it waits for the others.
    for (const bool firstReturnsAtOnce : {false, true}) {
        const Slices slices = CutRange(0, 3000, 3, 1);
        const ProgressFn progress = [](std::uint64_t, std::uint64_t) {
            throw std::runtime_error("progress");
        };
        try {
            RunSlices(slices, {}, {&progress, 3000, 1, 0}, [&](SliceContext& slice) {
                if (slice.index() == 0 && firstReturnsAtOnce) {
                    return;
                }
                while (!slice.stopped()) {
                    slice.advance(1);
                    std::this_thread::yield();
                }
            });
            ADD_FAILURE() << "nothing thrown";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "progress");
        }
    }
}

// Slice `found` finds its match and stops the slices after it (or before it):
// those stop, and the others must run to their end unstopped.
TEST(RunSlices, AMatchStopsTheSlicesBeyondItOnly) {
    for (const bool later : {true, false}) {
        for (const unsigned threads : {1u, 2u, 3u, 7u}) {
            for (std::size_t found = 0; found < threads; ++found) {
                const std::string name = std::string(later ? "later" : "earlier") + ", " +
                                         std::to_string(threads) + " threads, match in " +
                                         std::to_string(found);
                const Slices slices = CutRange(0, 7000, threads, 1);
                const std::size_t beyond = later ? threads - 1 - found : found;
                std::atomic<std::size_t> beyondEnded{0};
                std::vector<int> stoppedSlices(slices.size(), 0);
                const bool stopped = RunSlices(slices, {}, {}, [&](SliceContext& slice) {
                    const std::size_t i = slice.index();
                    if (i == found) {
                        later ? slice.stopLaterSlices() : slice.stopEarlierSlices();
                        return;
                    }
                    if (later ? i > found : i < found) {
                        while (!slice.stopped()) {
                            std::this_thread::yield();
                        }
                        stoppedSlices[i] = 1;
                        ++beyondEnded;
                        return;
                    }
                    // A slice on the near side outlives the stopped ones unstopped.
                    while (beyondEnded < beyond) {
                        std::this_thread::yield();
                    }
                    stoppedSlices[i] = slice.stopped() ? 1 : 0;
                });
                EXPECT_FALSE(stopped) << name;
                for (std::size_t i = 0; i < slices.size(); ++i) {
                    const bool expected = i != found && (later ? i > found : i < found);
                    EXPECT_EQ(stoppedSlices[i], expected ? 1 : 0) << name << " slice " << i;
                }
            }
        }
    }
}

}  // namespace
}  // namespace sorrel
