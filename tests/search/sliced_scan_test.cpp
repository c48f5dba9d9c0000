// The scans spread over threads against the same scans on one thread: matches
// at the boundaries of the slices and at the first and last rows, no match,
// limits reached at and across a boundary, a stop from another thread while
// every slice runs, and the progress summed over the slices.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "scan.h"
#include "search_test_words.h"

namespace sorrel {
namespace {

using Rows = std::vector<std::uint64_t>;

constexpr std::uint64_t Align = 64;  // the scans cut their slices at multiples of it

// The boundaries between the slices of begin..end on threads threads.
Rows Boundaries(std::uint64_t begin, std::uint64_t end, unsigned threads) {
    Rows cuts;
    const std::vector<SliceRange> slices = PlanSlices(begin, end, Align, Threads(threads));
    for (std::size_t i = 1; i < slices.size(); ++i) {
        cuts.push_back(slices[i].begin);
    }
    return cuts;
}

// The ranges to find next and previous in: the whole image, from and up to
// the first two and the last two boundaries, and the two rows around them.
std::vector<std::pair<std::uint64_t, std::uint64_t>> RangesAround(const Rows& cuts,
                                                                  std::uint64_t n) {
    std::vector<std::pair<std::uint64_t, std::uint64_t>> ranges{{0, n}, {1, n - 1}};
    for (std::size_t i = 0; i < cuts.size(); ++i) {
        if (i == 2 && cuts.size() > 4) {
            i = cuts.size() - 2;
        }
        const std::uint64_t b = cuts[i];
        ranges.insert(ranges.end(), {{b, n}, {0, b}, {b - 1, b + 1}, {b + 1, n}});
    }
    return ranges;
}

// Where the matches lie, given the slice boundaries and the rows of the image.
using Placement = Rows (*)(const Rows& cuts, std::uint64_t n);

struct PlacementCase {
    const char* what;
    Placement rows;
};

const PlacementCase Placements[] = {
    {"no match", [](const Rows&, std::uint64_t) { return Rows{}; }},
    {"the first and the last row",
     [](const Rows&, std::uint64_t n) {
         return Rows{0, n - 1};
     }},
    {"the first row only", [](const Rows&, std::uint64_t) { return Rows{0}; }},
    {"the last row only", [](const Rows&, std::uint64_t n) { return Rows{n - 1}; }},
    {"the first row of every slice but the first",
     [](const Rows& cuts, std::uint64_t) { return cuts; }},
    {"the last row of every slice but the last",
     [](const Rows& cuts, std::uint64_t) {
         Rows rows;
         for (const std::uint64_t b : cuts) {
             rows.push_back(b - 1);
         }
         return rows;
     }},
    {"both sides of every boundary",
     [](const Rows& cuts, std::uint64_t) {
         Rows rows;
         for (const std::uint64_t b : cuts) {
             rows.push_back(b - 1);
             rows.push_back(b);
         }
         return rows;
     }},
    {"the last slice only, at its first row",
     [](const Rows& cuts, std::uint64_t) { return cuts.empty() ? Rows{} : Rows{cuts.back()}; }},
};

TEST(SlicedScans, MatchesAtTheBoundariesAsOnOneThread) {
    const ListingMatch jmp = MatchListing(Query("jmp  03fe"));
    const ListingMatch bits = MatchListing(Query("1000001111111110"));
    for (const std::uint64_t n : {1000u, 4099u, 100'003u}) {
        for (const unsigned threads : {2u, 3u, 7u}) {
            const Rows cuts = Boundaries(0, n, threads);
            ASSERT_GE(cuts.size(), threads - 1) << n;
            for (const PlacementCase& p : Placements) {
                Rows placed = p.rows(cuts, n);
                std::sort(placed.begin(), placed.end());
                const std::vector<std::uint8_t> bytes = JumpsImage(n, placed);
                const std::vector<std::pair<std::uint64_t, std::uint64_t>> ranges =
                    RangesAround(cuts, n);
                for (const bool raw : {true, false}) {
                    const ListingRows rows{bytes.data(), bytes.size(), raw};
                    const std::string name = std::string(p.what) + ", " + std::to_string(n) +
                                             " rows, " + std::to_string(threads) +
                                             " threads, raw " + std::to_string(raw);
                    // One thread gives the rows laid (the disassembly only in
                    // program rows), and the slices give the same.
                    Rows program;
                    std::copy_if(placed.begin(), placed.end(), std::back_inserter(program),
                                 [&](std::uint64_t row) { return row >= rows.base(); });
                    const RowList one = FindAll(rows, jmp, FindAllLimit, {}, {}, Threads(1));
                    ASSERT_EQ(one.rows, program) << name;
                    for (const ListingMatch* match : {&jmp, &bits}) {
                        const RowList all =
                            FindAll(rows, *match, FindAllLimit, {}, {}, Threads(threads));
                        EXPECT_EQ(all.rows,
                                  FindAll(rows, *match, FindAllLimit, {}, {}, Threads(1)).rows)
                            << name;
                        for (const auto& [begin, end] : ranges) {
                            EXPECT_EQ(FindNext(rows, *match, begin, end, {}, {}, Threads(threads)),
                                      FindNext(rows, *match, begin, end, {}, {}, Threads(1)))
                                << name << ", next in " << begin << ".." << end;
                            EXPECT_EQ(
                                FindPrevious(rows, *match, begin, end, {}, {}, Threads(threads)),
                                FindPrevious(rows, *match, begin, end, {}, {}, Threads(1)))
                                << name << ", previous in " << begin << ".." << end;
                        }
                    }
                    EXPECT_EQ(
                        CrossReferences(rows, 0x3FE, FindAllLimit, {}, {}, Threads(threads)).rows,
                        program)
                        << name;
                }
            }
        }
    }
}

TEST(SlicedScans, TheByteListingAtTheBoundariesAsOnOneThread) {
    const ByteSet fe = MatchBytes(Query("11111110"));
    for (const std::uint64_t n : {1001u, 100'003u}) {  // bytes, an odd last one
        for (const unsigned threads : {2u, 3u, 7u}) {
            const Rows cuts = Boundaries(0, n, threads);
            for (const PlacementCase& p : Placements) {
                Rows placed = p.rows(cuts, n);
                std::vector<std::uint8_t> bytes(n, 0x00);
                for (const std::uint64_t at : placed) {
                    bytes[at] = 0xFE;
                }
                std::sort(placed.begin(), placed.end());
                const ByteRows rows{bytes.data(), bytes.size()};
                const std::string name = std::string(p.what) + ", " + std::to_string(n) +
                                         " bytes, " + std::to_string(threads) + " threads";
                EXPECT_EQ(FindAll(rows, fe, FindAllLimit, {}, {}, Threads(threads)).rows, placed)
                    << name;
                for (const auto& [begin, end] : RangesAround(cuts, n)) {
                    EXPECT_EQ(FindNext(rows, fe, begin, end, {}, {}, Threads(threads)),
                              FindNext(rows, fe, begin, end, {}, {}, Threads(1)))
                        << name << ", next in " << begin << ".." << end;
                    EXPECT_EQ(FindPrevious(rows, fe, begin, end, {}, {}, Threads(threads)),
                              FindPrevious(rows, fe, begin, end, {}, {}, Threads(1)))
                        << name << ", previous in " << begin << ".." << end;
                }
            }
        }
    }
}

TEST(SlicedScans, LimitsReachedAtAndAcrossASliceBoundary) {
    // A match every 10 rows: 1,000 of them.
    constexpr std::uint64_t n = 10'000;
    Rows placed;
    for (std::uint64_t row = 0; row < n; row += 10) {
        placed.push_back(row);
    }
    const std::vector<std::uint8_t> bytes = JumpsImage(n, placed);
    const ListingRows rows{bytes.data(), bytes.size(), true};
    const ListingMatch jmp = MatchListing(Query("jmp"));
    for (const unsigned threads : {2u, 3u, 7u}) {
        // Limits of every match before a boundary, one fewer and one or two
        // more, and around the whole count.
        std::vector<std::uint64_t> limits{0, 1, 999, 1000, 1001};
        for (const std::uint64_t b : Boundaries(0, n, threads)) {
            const auto before = static_cast<std::uint64_t>(
                std::lower_bound(placed.begin(), placed.end(), b) - placed.begin());
            limits.insert(limits.end(), {before - 1, before, before + 1, before + 2});
        }
        for (const std::uint64_t limit : limits) {
            const std::string name =
                std::to_string(threads) + " threads, limit " + std::to_string(limit);
            const RowList one = FindAll(rows, jmp, limit, {}, {}, Threads(1));
            ASSERT_EQ(one.rows.size(), std::min<std::uint64_t>(limit, placed.size())) << name;
            ASSERT_EQ(one.limited, limit < placed.size()) << name;
            const RowList sliced = FindAll(rows, jmp, limit, {}, {}, Threads(threads));
            EXPECT_EQ(sliced.rows, one.rows) << name;
            EXPECT_EQ(sliced.limited, one.limited) << name;
            const RowList refs = CrossReferences(rows, 0x3FE, limit, {}, {}, Threads(threads));
            EXPECT_EQ(refs.rows, one.rows) << name;
            EXPECT_EQ(refs.limited, one.limited) << name;
        }
    }
}

TEST(SlicedScans, ALimitReachedStopsEverySlice) {
    // Every row matches: each slice has its limit's worth in its first step,
    // and none goes on to its end.
    constexpr std::uint64_t n = 8 * ScanStepRows;
    const std::vector<std::uint8_t> bytes(2 * n, 0x00);
    const ListingRows rows{bytes.data(), bytes.size(), true};
    const ListingMatch nop = MatchListing(Query("nop"));
    for (const unsigned threads : {2u, 3u, 7u}) {
        std::uint64_t done = 0;
        const RowList all = FindAll(
            rows, nop, 1000, {}, [&](std::uint64_t d, std::uint64_t) { done = d; },
            Threads(threads));
        EXPECT_EQ(all.rows.size(), 1000u) << threads;
        EXPECT_EQ(all.rows.back(), 999u) << threads;
        EXPECT_TRUE(all.limited) << threads;
        EXPECT_LE(done, threads * ScanStepRows) << threads;
    }
}

// Progress calls of one scan: on the calling thread, monotonic, each but the
// last passing a multiple of ScanStepRows.
struct ProgressLog {
    std::thread::id caller = std::this_thread::get_id();
    std::vector<std::uint64_t> done;
    std::uint64_t total = 0;
    bool elsewhere = false;
    bool totalChanged = false;

    ProgressFn fn() {
        return [this](std::uint64_t d, std::uint64_t t) {
            elsewhere = elsewhere || std::this_thread::get_id() != caller;
            totalChanged = totalChanged || (!done.empty() && t != total);
            total = t;
            done.push_back(d);
        };
    }
    void expectWhole(std::uint64_t rows, const std::string& name) const {
        EXPECT_FALSE(elsewhere) << name;
        EXPECT_FALSE(totalChanged) << name;
        EXPECT_EQ(total, rows) << name;
        ASSERT_FALSE(done.empty()) << name;
        EXPECT_TRUE(std::is_sorted(done.begin(), done.end())) << name;
        EXPECT_EQ(done.back(), rows) << name;
        EXPECT_LE(done.size(), rows / ScanStepRows + 1) << name;
        for (std::size_t i = 1; i + 1 < done.size(); ++i) {
            EXPECT_GT(done[i] / ScanStepRows, done[i - 1] / ScanStepRows) << name;
        }
    }
};

TEST(SlicedScans, ProgressIsTheSumOfTheSlicesOnTheCallingThread) {
    constexpr std::uint64_t n = 5 * ScanStepRows + 123;
    const std::vector<std::uint8_t> bytes = JumpsImage(n, {n / 2});
    const ListingRows rows{bytes.data(), bytes.size(), false};
    const ByteRows byteRows{bytes.data(), bytes.size()};
    const ListingMatch absent = MatchListing(Query("1111111111111111"));
    const ListingMatch jmp = MatchListing(Query("jmp"));
    const ByteSet absentByte = MatchBytes(Query("11111111"));
    for (const unsigned threads : {1u, 2u, 3u, 7u}) {
        const std::string t = std::to_string(threads) + " threads";
        const SliceOptions options = Threads(threads);
        {
            ProgressLog log;
            EXPECT_EQ(FindNext(rows, absent, 10, n, {}, log.fn(), options), std::nullopt);
            log.expectWhole(n - 10, "next, " + t);
        }
        {
            ProgressLog log;
            EXPECT_EQ(FindPrevious(rows, absent, 0, n - 10, {}, log.fn(), options), std::nullopt);
            log.expectWhole(n - 10, "previous, " + t);
        }
        {
            ProgressLog log;
            EXPECT_EQ(FindAll(rows, jmp, FindAllLimit, {}, log.fn(), options).rows, Rows{n / 2});
            log.expectWhole(n, "all, " + t);
        }
        {
            ProgressLog log;
            EXPECT_EQ(CrossReferences(rows, 0x3FE, FindAllLimit, {}, log.fn(), options).rows,
                      Rows{n / 2});
            log.expectWhole(n - HeaderWords, "cross-references, " + t);
        }
        {
            ProgressLog log;
            EXPECT_TRUE(
                FindAll(byteRows, absentByte, FindAllLimit, {}, log.fn(), options).rows.empty());
            log.expectWhole(2 * n, "bytes, " + t);
        }
        {
            // A match: the scan ends before all rows are done.
            ProgressLog log;
            EXPECT_EQ(FindNext(rows, jmp, 0, n, {}, log.fn(), options), n / 2);
            EXPECT_TRUE(std::is_sorted(log.done.begin(), log.done.end()));
            EXPECT_FALSE(log.elsewhere);
            if (!log.done.empty()) {
                EXPECT_LT(log.done.back(), n) << t;
            }
        }
    }
}

TEST(SlicedScans, AStopFromAnotherThreadStopsEverySlice) {
    // 64 Mi rows of nop: every slice runs long after the first progress call.
    constexpr std::uint64_t n = std::uint64_t{64} << 20;
    const std::vector<std::uint8_t> bytes(2 * n, 0x00);
    const ListingRows rows{bytes.data(), bytes.size(), true};
    const ByteRows byteRows{bytes.data(), bytes.size()};
    const ListingMatch jmp = MatchListing(Query("jmp"));
    const ByteSet ff = MatchBytes(Query("11111111"));

    struct Scan {
        const char* what;
        // Runs the scan; true when it gave no row.
        bool (*run)(const ListingRows&, const ByteRows&, const ListingMatch&, const ByteSet&,
                    std::stop_token, const ProgressFn&, const SliceOptions&);
    };
    const Scan scans[] = {
        {"next", [](const ListingRows& r, const ByteRows&, const ListingMatch& m, const ByteSet&,
                    std::stop_token s, const ProgressFn& p,
                    const SliceOptions& o) { return !FindNext(r, m, 0, r.rowCount(), s, p, o); }},
        {"previous",
         [](const ListingRows& r, const ByteRows&, const ListingMatch& m, const ByteSet&,
            std::stop_token s, const ProgressFn& p,
            const SliceOptions& o) { return !FindPrevious(r, m, 0, r.rowCount(), s, p, o); }},
        {"all",
         [](const ListingRows& r, const ByteRows&, const ListingMatch& m, const ByteSet&,
            std::stop_token s, const ProgressFn& p,
            const SliceOptions& o) { return FindAll(r, m, FindAllLimit, s, p, o).rows.empty(); }},
        {"cross-references",
         [](const ListingRows& r, const ByteRows&, const ListingMatch&, const ByteSet&,
            std::stop_token s, const ProgressFn& p, const SliceOptions& o) {
             return CrossReferences(r, 0x3FE, FindAllLimit, s, p, o).rows.empty();
         }},
        {"bytes, next",
         [](const ListingRows&, const ByteRows& b, const ListingMatch&, const ByteSet& m,
            std::stop_token s, const ProgressFn& p,
            const SliceOptions& o) { return !FindNext(b, m, 0, b.rowCount(), s, p, o); }},
    };
    for (const Scan& scan : scans) {
        for (const unsigned threads : {2u, 3u, 7u}) {
            const std::string name = std::string(scan.what) + ", " + std::to_string(threads);
            // The first progress call comes from the first slice, on this
            // thread, while every slice runs; it waits there until another
            // thread has asked for the stop, so the first slice never ends.
            std::stop_source source;
            std::atomic<bool> running{false};
            std::atomic<bool> asked{false};
            std::uint64_t lastDone = 0;
            std::jthread stopper([&] {
                while (!running) {
                    std::this_thread::yield();
                }
                source.request_stop();
                asked = true;
            });
            const ProgressFn progress = [&](std::uint64_t done, std::uint64_t) {
                lastDone = done;
                running = true;
                while (!asked) {
                    std::this_thread::yield();
                }
            };
            EXPECT_TRUE(
                scan.run(rows, byteRows, jmp, ff, source.get_token(), progress, Threads(threads)))
                << name;
            EXPECT_TRUE(running) << name;
            // Not every row was done: the slices stopped.
            EXPECT_LT(lastDone, scan.run == scans[4].run ? 2 * n : n) << name;
        }
    }
}

}  // namespace
}  // namespace sorrel
