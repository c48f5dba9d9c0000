// Region boundaries: small images whose boundaries are written out (both ends
// of the image, runs too short, runs that touch, no run at all), asked from
// every row and over every range; pseudo-random images against a walk over
// their runs; slices of a large image; a stop and progress, and a scan
// stopped on a worker.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <random>
#include <set>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "background_task.h"
#include "regions.h"

namespace sorrel {
namespace {

using BoundarySet = std::set<std::uint64_t>;

constexpr std::uint16_t Code = 0x11B9;
constexpr std::uint16_t Zero = 0x0000;
constexpr std::uint16_t Ones = 0xFFFF;

// Words given as (count, word) pieces.
std::vector<std::uint16_t> Words(std::initializer_list<std::pair<int, std::uint16_t>> pieces) {
    std::vector<std::uint16_t> words;
    for (const auto& [count, word] : pieces) {
        words.insert(words.end(), static_cast<std::size_t>(count), word);
    }
    return words;
}

std::vector<std::uint8_t> BytesOf(const std::vector<std::uint16_t>& words) {
    std::vector<std::uint8_t> bytes;
    for (const std::uint16_t w : words) {
        bytes.push_back(static_cast<std::uint8_t>(w & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(w >> 8));
    }
    return bytes;
}

std::optional<std::uint64_t> After(const BoundarySet& b, std::uint64_t row) {
    const auto it = b.upper_bound(row);
    return it == b.end() ? std::nullopt : std::optional(*it);
}

std::optional<std::uint64_t> Before(const BoundarySet& b, std::uint64_t row) {
    const auto it = b.lower_bound(row);
    return it == b.begin() ? std::nullopt : std::optional(*std::prev(it));
}

// Every question of rows (ListingRows or ByteRows) against the boundaries:
// next and previous from every row and past the end, first and last of
// every range.
template <typename Rows>
void CheckEveryQuestion(const Rows& rows, const BoundarySet& expected) {
    const std::uint64_t n = rows.rowCount();
    for (std::uint64_t row = 0; row <= n + 1; ++row) {
        ASSERT_EQ(NextRegionBoundary(rows, row), row < n ? After(expected, row) : std::nullopt)
            << "next from " << row;
        ASSERT_EQ(PreviousRegionBoundary(rows, row), Before(expected, std::min(row, n)))
            << "previous from " << row;
    }
    for (std::uint64_t begin = 0; begin <= n; ++begin) {
        for (std::uint64_t end = begin; end <= n + 2; ++end) {
            const auto first = expected.lower_bound(begin);
            const auto last = expected.lower_bound(std::min(end, n));
            ASSERT_EQ(FirstRegionBoundary(rows, begin, end), first != expected.end() && *first < end
                                                                 ? std::optional(*first)
                                                                 : std::nullopt)
                << "first of " << begin << ".." << end;
            ASSERT_EQ(LastRegionBoundary(rows, begin, end),
                      last != expected.begin() && *std::prev(last) >= begin
                          ? std::optional(*std::prev(last))
                          : std::nullopt)
                << "last of " << begin << ".." << end;
        }
    }
}

struct WordCase {
    const char* name;
    std::vector<std::uint16_t> words;
    BoundarySet boundaries;
};

TEST(Regions, WordImages) {
    const WordCase cases[] = {
        {"empty", {}, {}},
        {"code only", Words({{40, Code}}), {}},
        {"a run between code", Words({{3, Code}, {16, Zero}, {3, Code}}), {2, 19}},
        {"a run of FFFFh", Words({{3, Code}, {30, Ones}, {3, Code}}), {2, 33}},
        {"fifteen are too few", Words({{3, Code}, {15, Zero}, {3, Code}}), {}},
        {"at the start: no beginning", Words({{16, Ones}, {2, Code}}), {16}},
        {"at the end: no end", Words({{2, Code}, {20, Zero}}), {1}},
        {"the whole image", Words({{16, Zero}}), {}},
        {"one row of code before", Words({{1, Code}, {16, Zero}}), {0}},
        {"one row of code after", Words({{16, Ones}, {1, Code}}), {16}},
        {"0000h touching FFFFh",
         Words({{2, Code}, {16, Zero}, {16, Ones}, {2, Code}}),
         {1, 17, 18, 34}},
        {"one word apart: the same row ends one and begins the other",
         Words({{20, Zero}, {1, Code}, {20, Zero}}),
         {20}},
        {"fifteen of each in turn", Words({{15, Zero}, {15, Ones}, {15, Zero}, {1, Code}}), {}},
        {"00FFh and FF00h are no fill", Words({{20, 0x00FF}, {20, 0xFF00}}), {}},
        {"two runs",
         Words({{5, Code}, {17, Zero}, {9, Code}, {40, Ones}, {7, Code}}),
         {4, 22, 30, 71}},
    };
    for (const WordCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::uint8_t> bytes = BytesOf(c.words);
        CheckEveryQuestion(ListingRows{bytes.data(), bytes.size(), true}, c.boundaries);
        // A header changes nothing, nor does an odd last byte.
        std::vector<std::uint8_t> odd = bytes;
        odd.push_back(0);
        CheckEveryQuestion(ListingRows{odd.data(), odd.size(), false}, c.boundaries);
    }
}

struct ByteCase {
    const char* name;
    std::vector<std::uint8_t> bytes;
    BoundarySet boundaries;
};

std::vector<std::uint8_t> Bytes(std::initializer_list<std::pair<int, std::uint8_t>> pieces) {
    std::vector<std::uint8_t> bytes;
    for (const auto& [count, byte] : pieces) {
        bytes.insert(bytes.end(), static_cast<std::size_t>(count), byte);
    }
    return bytes;
}

TEST(Regions, ByteImages) {
    const ByteCase cases[] = {
        {"empty", {}, {}},
        {"a run of 00h", Bytes({{3, 0x42}, {16, 0x00}, {3, 0x42}}), {2, 19}},
        {"a run of FFh", Bytes({{1, 0x42}, {17, 0xFF}, {1, 0x42}}), {0, 18}},
        {"fifteen are too few", Bytes({{3, 0x42}, {15, 0x00}, {3, 0x42}}), {}},
        {"at both ends", Bytes({{16, 0xFF}, {3, 0x42}, {16, 0x00}}), {16, 18}},
        {"00h touching FFh", Bytes({{16, 0x00}, {16, 0xFF}}), {15, 16}},
        // Eight words of 0000h are sixteen bytes of 00h; 00FFh words are no run.
        {"eight zero words", BytesOf(Words({{1, Code}, {8, Zero}, {1, Code}})), {1, 18}},
        {"00FFh words", BytesOf(Words({{20, 0x00FF}})), {}},
    };
    for (const ByteCase& c : cases) {
        SCOPED_TRACE(c.name);
        CheckEveryQuestion(ByteRows{c.bytes.data(), c.bytes.size()}, c.boundaries);
    }
}

// The boundaries by walking the runs one row at a time.
BoundarySet Walk(const std::vector<std::uint16_t>& rows, std::uint16_t zero, std::uint16_t ones) {
    BoundarySet b;
    const std::uint64_t n = rows.size();
    for (std::uint64_t s = 0; s < n;) {
        std::uint64_t e = s + 1;
        while (e < n && rows[e] == rows[s]) {
            ++e;
        }
        if ((rows[s] == zero || rows[s] == ones) && e - s >= RegionMinimum) {
            if (s > 0) {
                b.insert(s - 1);
            }
            if (e < n) {
                b.insert(e);
            }
        }
        s = e;
    }
    return b;
}

TEST(Regions, AgreeWithAWalkOnPseudoRandomImages) {
    std::mt19937 rng(99);
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        // Runs of fill around the minimum and the blocks, and code between.
        std::vector<std::uint16_t> words;
        const std::size_t size = rng() % 2000;
        while (words.size() < size) {
            const std::uint32_t kind = rng() % 4;
            const std::uint16_t w = kind == 0 ? Zero : kind == 1 ? Ones : Code;
            const std::size_t run = kind < 2 ? 8 + rng() % 30 : rng() % 5;
            words.insert(words.end(), run, w);
        }
        const std::vector<std::uint8_t> bytes = BytesOf(words);
        const ListingRows rows{bytes.data(), bytes.size(), true};
        const BoundarySet expected = Walk(words, Zero, Ones);
        const std::vector<std::uint16_t> asBytes(bytes.begin(), bytes.end());
        const ByteRows byteRows{bytes.data(), bytes.size()};
        const BoundarySet expectedBytes = Walk(asBytes, 0x00, 0xFF);
        for (int q = 0; q < 100; ++q) {
            const std::uint64_t row = rng() % (words.size() + 2);
            ASSERT_EQ(NextRegionBoundary(rows, row),
                      row < words.size() ? After(expected, row) : std::nullopt);
            ASSERT_EQ(PreviousRegionBoundary(rows, row),
                      Before(expected, std::min<std::uint64_t>(row, words.size())));
            const std::uint64_t byte = rng() % (bytes.size() + 2);
            ASSERT_EQ(NextRegionBoundary(byteRows, byte),
                      byte < bytes.size() ? After(expectedBytes, byte) : std::nullopt);
            ASSERT_EQ(PreviousRegionBoundary(byteRows, byte),
                      Before(expectedBytes, std::min<std::uint64_t>(byte, bytes.size())));
            // A range, as a slice of a scan spread over threads asks it.
            const std::uint64_t begin = rng() % (words.size() + 1);
            const std::uint64_t end = begin + rng() % 40;
            const auto first = expected.lower_bound(begin);
            ASSERT_EQ(FirstRegionBoundary(rows, begin, end), first != expected.end() && *first < end
                                                                 ? std::optional(*first)
                                                                 : std::nullopt);
            const auto last = expected.lower_bound(end);
            ASSERT_EQ(LastRegionBoundary(rows, begin, end),
                      last != expected.begin() && *std::prev(last) >= begin
                          ? std::optional(*std::prev(last))
                          : std::nullopt);
        }
    }
}

// 3,000,000 rows of erased memory with two islands of code: the boundaries
// lie in different slices of the whole-image scans and are crossed in a few
// steps.
std::vector<std::uint8_t> ErasedImage() {
    std::vector<std::uint16_t> words(3'000'000, Ones);
    std::fill(words.begin() + 1'048'570, words.begin() + 1'048'600, Code);
    std::fill(words.begin() + 2'500'000, words.begin() + 2'500'001, Code);
    return BytesOf(words);
}

TEST(Regions, CrossErasedMemoryInAFewSteps) {
    const std::vector<std::uint8_t> bytes = ErasedImage();
    const ListingRows rows{bytes.data(), bytes.size(), false};
    std::vector<std::uint64_t> down;
    for (auto row = std::optional<std::uint64_t>(0); row; row = NextRegionBoundary(rows, *row)) {
        down.push_back(*row);
    }
    EXPECT_EQ(down, (std::vector<std::uint64_t>{0, 1'048'570, 1'048'599, 2'500'000}));
    std::vector<std::uint64_t> up;
    for (auto row = std::optional<std::uint64_t>(2'999'999); row;
         row = PreviousRegionBoundary(rows, *row)) {
        up.push_back(*row);
    }
    EXPECT_EQ(up, (std::vector<std::uint64_t>{2'999'999, 2'500'000, 1'048'599, 1'048'570}));
}

TEST(Regions, StopAndProgress) {
    const std::vector<std::uint8_t> bytes = ErasedImage();
    const ListingRows rows{bytes.data(), bytes.size(), false};
    std::vector<std::uint64_t> done;
    EXPECT_EQ(NextRegionBoundary(rows, 1'048'600, {},
                                 [&](std::uint64_t d, std::uint64_t total) {
                                     EXPECT_EQ(total, 3'000'000u - 1'048'601);
                                     done.push_back(d);
                                 }),
              2'500'000u);
    ASSERT_FALSE(done.empty());
    EXPECT_TRUE(std::is_sorted(done.begin(), done.end()));
    done.clear();
    EXPECT_EQ(PreviousRegionBoundary(rows, 1'048'570, {},
                                     [&](std::uint64_t d, std::uint64_t total) {
                                         EXPECT_EQ(total, 1'048'570u);
                                         done.push_back(d);
                                     }),
              std::nullopt);
    ASSERT_FALSE(done.empty());
    EXPECT_EQ(done.back(), 1'048'570u);

    std::stop_source stopped;
    stopped.request_stop();
    EXPECT_EQ(NextRegionBoundary(rows, 1'048'600, stopped.get_token()), std::nullopt);
    EXPECT_EQ(PreviousRegionBoundary(rows, 2'999'999, stopped.get_token()), std::nullopt);
    std::stop_source during;
    EXPECT_EQ(NextRegionBoundary(rows, 1'048'600, during.get_token(),
                                 [&](std::uint64_t, std::uint64_t) { during.request_stop(); }),
              std::nullopt);
}

TEST(Regions, AScanOnAWorkerStopsAtAnyMomentOrGivesTheWholeResult) {
    const std::vector<std::uint8_t> bytes = ErasedImage();
    const ByteRows rows{bytes.data(), bytes.size()};
    for (int delay = 0; delay < 40; ++delay) {
        std::atomic<int> results{0};
        std::atomic<bool> right{true};
        {
            BackgroundTask task;
            TaskCallbacks<std::optional<std::uint64_t>> callbacks;
            callbacks.result = [&](std::optional<std::uint64_t>&& row) {
                ++results;
                right = row == std::optional<std::uint64_t>(2 * 1'048'600 - 1);
            };
            task.start(TaskWork<std::optional<std::uint64_t>>(
                           [&](std::stop_token stop, const ProgressFn& progress) {
                               return PreviousRegionBoundary(rows, 5'000'000, stop, progress);
                           }),
                       std::move(callbacks));
            std::this_thread::sleep_for(std::chrono::microseconds(delay * 50));
            task.requestStop();
        }
        EXPECT_LE(results, 1) << delay;
        EXPECT_TRUE(right) << delay;
    }
}

}  // namespace
}  // namespace sorrel
