// The scans over images made here: next, previous and all in both modes and
// in the byte-order listing, ranges at both ends, cross-references against a
// brute-force count, stops and progress, and every query against the text
// scan on pseudo-random images.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <random>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "background_task.h"
#include "scan.h"
#include "search_test_words.h"
#include "text_scan.h"

namespace sorrel {
namespace {

using Rows = std::vector<std::uint64_t>;

std::vector<std::uint8_t> Image(const std::vector<std::uint16_t>& words) {
    std::vector<std::uint8_t> bytes;
    for (const std::uint16_t w : words) {
        bytes.push_back(static_cast<std::uint8_t>(w & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(w >> 8));
    }
    return bytes;
}

constexpr std::uint16_t Nop = 0x0000;

// A header of 256 words with jmp 03FEh in rows 0, 5 and 255, then program
// words with it in rows 256, 300 and the last row, 299.
std::vector<std::uint8_t> HeaderImage() {
    std::vector<std::uint16_t> words(300, Nop);
    for (const std::size_t row : {0, 5, 255, 256, 270, 299}) {
        words[row] = Jmp3FE;
    }
    words[260] = Add;
    return Image(words);
}

struct RangeCase {
    const char* query;
    bool raw;
    std::uint64_t begin;
    std::uint64_t end;
    std::optional<std::uint64_t> next;
    std::optional<std::uint64_t> previous;
};

TEST(Scan, NextAndPreviousInRanges) {
    const std::vector<std::uint8_t> bytes = HeaderImage();
    const RangeCase cases[] = {
        // The disassembly: header rows have none.
        {"j* 03fe*", false, 0, 300, 256, 299},
        {"j* 03fe*", false, 257, 299, 270, 270},
        {"j* 03fe*", false, 0, 256, std::nullopt, std::nullopt},
        {"j* 03fe*", false, 299, 300, 299, 299},
        {"j* 03fe*", false, 299, 1000, 299, 299},  // end cut to the rows
        {"j* 03fe*", false, 300, 1000, std::nullopt, std::nullopt},
        {"j* 03fe*", false, 271, 299, std::nullopt, std::nullopt},
        {"j* 03fe*", false, 200, 200, std::nullopt, std::nullopt},
        {"j* 03fe*", false, 250, 100, std::nullopt, std::nullopt},
        // The bits: header rows too.
        {"1000001111111110", false, 0, 300, 0, 299},
        {"1000001111111110", false, 1, 255, 5, 5},
        {"1000001111111110", false, 6, 257, 255, 256},
        {"1000001111111110", false, 1, 5, std::nullopt, std::nullopt},
        {"1000001111111110", false, 0, 1, 0, 0},
        // A raw image decodes every row.
        {"j* 03fe*", true, 0, 300, 0, 299},
        {"j* 03fe*", true, 1, 255, 5, 5},
        {"j* 03fe*", true, 6, 256, 255, 255},
        // Words of no class and header rows both have an empty column 2,
        // which no query of a character matches.
        {"d1", false, 0, 300, 260, 260},
        {"d1", true, 261, 300, std::nullopt, std::nullopt},
    };
    for (const RangeCase& c : cases) {
        const ListingRows rows{bytes.data(), bytes.size(), c.raw};
        const ListingMatch match = MatchListing(Query(c.query));
        const std::string name = std::string(c.query) + (c.raw ? " raw " : " header ") +
                                 std::to_string(c.begin) + ".." + std::to_string(c.end);
        EXPECT_EQ(FindNext(rows, match, c.begin, c.end), c.next) << name;
        EXPECT_EQ(FindPrevious(rows, match, c.begin, c.end), c.previous) << name;
    }
}

TEST(Scan, AllRowsInBothModes) {
    const std::vector<std::uint8_t> bytes = HeaderImage();
    const ListingRows header{bytes.data(), bytes.size(), false};
    const ListingRows raw{bytes.data(), bytes.size(), true};
    const ListingMatch disassembly = MatchListing(Query("j* 03fe*"));
    const ListingMatch bits = MatchListing(Query("1000001111111110"));
    EXPECT_EQ(FindAll(header, disassembly).rows, (Rows{256, 270, 299}));
    EXPECT_EQ(FindAll(header, bits).rows, (Rows{0, 5, 255, 256, 270, 299}));
    EXPECT_EQ(FindAll(raw, disassembly).rows, (Rows{0, 5, 255, 256, 270, 299}));
    EXPECT_FALSE(FindAll(raw, disassembly).limited);

    const RowList four = FindAll(raw, disassembly, 4);
    EXPECT_EQ(four.rows, (Rows{0, 5, 255, 256}));
    EXPECT_TRUE(four.limited);
    const RowList six = FindAll(raw, disassembly, 6);
    EXPECT_EQ(six.rows.size(), 6u);
    EXPECT_FALSE(six.limited);
    const RowList none = FindAll(raw, disassembly, 0);
    EXPECT_TRUE(none.rows.empty());
    EXPECT_TRUE(none.limited);
}

TEST(Scan, ShortImages) {
    const std::vector<std::uint8_t> bytes = Image({Add, Jmp3FE, NoClassWord});
    const ListingMatch match = MatchListing(Query("*"));
    for (const bool raw : {false, true}) {
        // Three words and an odd byte that belongs to none.
        std::vector<std::uint8_t> odd = bytes;
        odd.push_back(0x00);
        const ListingRows rows{odd.data(), odd.size(), raw};
        EXPECT_EQ(FindAll(rows, match).rows, (Rows{0, 1, 2}));
        EXPECT_EQ(FindPrevious(rows, match, 0, 100), 2u);
        const ListingRows empty{nullptr, 0, raw};
        EXPECT_EQ(FindNext(empty, match, 0, 100), std::nullopt);
        EXPECT_EQ(FindPrevious(empty, match, 0, 100), std::nullopt);
        EXPECT_TRUE(FindAll(empty, match).rows.empty());
    }
}

TEST(Scan, ByteListing) {
    // 34h 12h A5h 00h A5h, an odd last byte included.
    const std::vector<std::uint8_t> bytes{0x34, 0x12, 0xA5, 0x00, 0xA5};
    const ByteRows rows{bytes.data(), bytes.size()};
    const ByteSet a5 = MatchBytes(Query("10100101"));
    EXPECT_EQ(FindAll(rows, a5).rows, (Rows{2, 4}));
    EXPECT_EQ(FindNext(rows, a5, 0, 5), 2u);
    EXPECT_EQ(FindNext(rows, a5, 3, 5), 4u);
    EXPECT_EQ(FindNext(rows, a5, 3, 4), std::nullopt);
    EXPECT_EQ(FindPrevious(rows, a5, 0, 5), 4u);
    EXPECT_EQ(FindPrevious(rows, a5, 0, 4), 2u);
    EXPECT_EQ(FindPrevious(rows, a5, 3, 4), std::nullopt);
    EXPECT_EQ(FindPrevious(rows, a5, 0, 99), 4u);
    // The word index of column 1 is not searched.
    EXPECT_TRUE(FindAll(rows, MatchBytes(Query("0002"))).rows.empty());
    EXPECT_EQ(FindAll(rows, MatchBytes(Query("*")), 3).rows, (Rows{0, 1, 2}));
    EXPECT_TRUE(FindAll(rows, MatchBytes(Query("*")), 3).limited);
}

// Every word once: word k is k.
std::vector<std::uint8_t> AllWords() {
    std::vector<std::uint16_t> words(0x10000);
    for (std::uint32_t k = 0; k < 0x10000; ++k) {
        words[k] = static_cast<std::uint16_t>(k);
    }
    return Image(words);
}

TEST(CrossReferences, EveryAddressHasEightJumpsInARawImageOfAllWords) {
    const std::vector<std::uint8_t> bytes = AllWords();
    const ListingRows rows{bytes.data(), bytes.size(), true};
    std::vector<Rows> expected(0x400);
    for (std::uint32_t k = 0; k < 0x10000; ++k) {
        const int target = JumpField(static_cast<std::uint16_t>(k));
        if (target >= 0) {
            expected[static_cast<std::size_t>(target)].push_back(k);
        }
    }
    for (std::uint64_t address = 0; address < 0x400; ++address) {
        const RowList refs = CrossReferences(rows, address);
        ASSERT_EQ(refs.rows.size(), 8u) << address;
        EXPECT_EQ(refs.rows, expected[address]) << address;
        EXPECT_FALSE(refs.limited);
    }
    EXPECT_TRUE(CrossReferences(rows, 0x400).rows.empty());
    EXPECT_TRUE(CrossReferences(rows, UINT64_MAX).rows.empty());
    const RowList three = CrossReferences(rows, 0x3FE, 3);
    EXPECT_EQ(three.rows, (Rows{0x83FE, 0x93FE, 0xA3FE}));
    EXPECT_TRUE(three.limited);
}

TEST(CrossReferences, HeaderRowsAreNeverJumps) {
    // A header of jumps to 03FEh, then every word.
    std::vector<std::uint8_t> bytes = Image(std::vector<std::uint16_t>(256, Jmp3FE));
    const std::vector<std::uint8_t> all = AllWords();
    bytes.insert(bytes.end(), all.begin(), all.end());
    const ListingRows rows{bytes.data(), bytes.size(), false};
    const Rows expected{256 + 0x83FE, 256 + 0x93FE, 256 + 0xA3FE, 256 + 0xB3FE,
                        256 + 0xC3FE, 256 + 0xD3FE, 256 + 0xE3FE, 256 + 0xF3FE};
    EXPECT_EQ(CrossReferences(rows, 0x3FE).rows, expected);

    const ListingRows headerOnly{bytes.data(), 512, false};
    EXPECT_TRUE(CrossReferences(headerOnly, 0x3FE).rows.empty());
}

TEST(Scan, ProgressCountsTheRangeUpToItsEnd) {
    constexpr std::uint64_t n = 3'000'000;
    const std::vector<std::uint8_t> bytes = JumpsImage(n, {2'500'000});
    const ListingRows rows{bytes.data(), bytes.size(), false};
    const ListingMatch match = MatchListing(Query("jmp"));
    std::vector<std::uint64_t> done;
    const ProgressFn progress = [&](std::uint64_t d, std::uint64_t total) {
        EXPECT_EQ(total, n - 10);
        done.push_back(d);
    };
    EXPECT_EQ(FindNext(rows, match, 10, n, {}, progress), 2'500'000u);
    ASSERT_FALSE(done.empty());
    EXPECT_TRUE(std::is_sorted(done.begin(), done.end()));
    EXPECT_LT(done.back(), n - 10);  // it stopped at the match

    done.clear();
    EXPECT_EQ(FindPrevious(rows, match, 10, 2'000'000, {},
                           [&](std::uint64_t d, std::uint64_t) { done.push_back(d); }),
              std::nullopt);
    EXPECT_EQ(done.back(), 2'000'000u - 10);

    done.clear();
    const RowList all =
        FindAll(rows, match, FindAllLimit, {}, [&](std::uint64_t d, std::uint64_t t) {
            EXPECT_EQ(t, n);
            done.push_back(d);
        });
    EXPECT_EQ(all.rows, Rows{2'500'000});
    EXPECT_EQ(done.back(), n);
}

TEST(Scan, AStoppedScanReturnsWithoutItsRows) {
    constexpr std::uint64_t n = 3'000'000;
    const std::vector<std::uint8_t> bytes = JumpsImage(n, {2'999'999});
    const ListingRows rows{bytes.data(), bytes.size(), true};
    const ListingMatch jmp = MatchListing(Query("jmp"));
    const ListingMatch every = MatchListing(Query("*"));

    std::stop_source stopped;
    stopped.request_stop();
    EXPECT_EQ(FindNext(rows, jmp, 0, n, stopped.get_token()), std::nullopt);
    EXPECT_EQ(FindPrevious(rows, jmp, 0, n, stopped.get_token()), std::nullopt);
    EXPECT_TRUE(FindAll(rows, every, FindAllLimit, stopped.get_token()).rows.empty());
    EXPECT_TRUE(CrossReferences(rows, 0x3FE, FindAllLimit, stopped.get_token()).rows.empty());
    const ByteRows byteRows{bytes.data(), bytes.size()};
    EXPECT_EQ(FindNext(byteRows, MatchBytes(Query("*")), 0, n, stopped.get_token()), std::nullopt);

    // A stop during the scan: it returns after the slice it is in.
    std::stop_source source;
    const ProgressFn stopAtFirstReport = [&](std::uint64_t, std::uint64_t) {
        source.request_stop();
    };
    EXPECT_EQ(FindNext(rows, jmp, 0, n, source.get_token(), stopAtFirstReport), std::nullopt);
    std::stop_source again;
    const RowList partial = FindAll(rows, every, FindAllLimit, again.get_token(),
                                    [&](std::uint64_t, std::uint64_t) { again.request_stop(); });
    EXPECT_GT(partial.rows.size(), 0u);
    EXPECT_LT(partial.rows.size(), n);
}

TEST(Scan, AScanOnAWorkerStopsAtAnyMomentOrGivesTheWholeResult) {
    constexpr std::uint64_t n = 3'000'000;
    const std::vector<std::uint8_t> bytes = JumpsImage(n, {7, 1'500'000, 2'999'999});
    const ListingRows rows{bytes.data(), bytes.size(), true};
    const ListingMatch match = MatchListing(Query("jmp"));
    for (int delay = 0; delay < 40; ++delay) {
        std::atomic<int> results{0};
        std::atomic<bool> whole{true};
        {
            BackgroundTask task;
            TaskCallbacks<RowList> callbacks;
            callbacks.result = [&](RowList&& list) {
                ++results;
                whole = list.rows == Rows{7, 1'500'000, 2'999'999};
            };
            task.start(TaskWork<RowList>([&](std::stop_token stop, const ProgressFn& progress) {
                           return FindAll(rows, match, FindAllLimit, stop, progress);
                       }),
                       std::move(callbacks));
            std::this_thread::sleep_for(std::chrono::microseconds(delay * 50));
            task.requestStop();
        }
        EXPECT_LE(results, 1) << delay;
        EXPECT_TRUE(whole) << delay;
    }
}

// Words drawn mostly from a few that the queries below find, with every
// other word now and then.
std::vector<std::uint8_t> RandomImage(std::mt19937& rng) {
    static const std::uint16_t palette[] = {Jmp3FE, Nop,    Add,    NoClassWord, 0x93FE, 0x8400,
                                            0x2563, 0x07E0, 0x1234, 0xF001,      0x0003};
    const std::size_t n = std::uniform_int_distribution<std::size_t>(0, 1200)(rng);
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint16_t w = rng() % 3 == 0 ? static_cast<std::uint16_t>(rng())
                                               : palette[rng() % std::size(palette)];
        bytes.push_back(static_cast<std::uint8_t>(w & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(w >> 8));
    }
    if (rng() % 2) {
        bytes.push_back(static_cast<std::uint8_t>(rng()));
    }
    return bytes;
}

std::optional<std::uint64_t> FirstIn(const Rows& rows, std::uint64_t begin, std::uint64_t end) {
    const auto it = std::lower_bound(rows.begin(), rows.end(), begin);
    return it != rows.end() && *it < end ? std::optional(*it) : std::nullopt;
}

std::optional<std::uint64_t> LastIn(const Rows& rows, std::uint64_t begin, std::uint64_t end) {
    const auto it = std::lower_bound(rows.begin(), rows.end(), end);
    return it != rows.begin() && *(it - 1) >= begin ? std::optional(*(it - 1)) : std::nullopt;
}

TEST(Scan, EveryQueryAgreesWithTheTextScanOnPseudoRandomImages) {
    const char* const queries[] = {"j* 03fe*",
                                   "jmp",
                                   "1???00??????????",
                                   "d1",
                                   "add d1",
                                   "#",
                                   "0000",
                                   "1111111111111111",
                                   "h",
                                   "a? ",
                                   " ",
                                   "*",
                                   "?0?1",
                                   "c?h",
                                   "nop",
                                   "10100101",
                                   "0???1*",
                                   "mov  a0, d7",
                                   "ijmp"};
    std::mt19937 rng(12345);
    std::vector<std::vector<std::uint8_t>> images;
    for (int image = 0; image < 60; ++image) {
        images.push_back(RandomImage(rng));
    }
    for (const char* text : queries) {
        const Query query(text);
        const ListingMatch match = MatchListing(query);
        const ByteSet byteMatch = MatchBytes(query);
        for (std::size_t image = 0; image < images.size(); ++image) {
            const std::vector<std::uint8_t>& bytes = images[image];
            const ByteRows byteRows{bytes.data(), bytes.size()};
            for (const bool raw : {false, true}) {
                const ListingRows rows{bytes.data(), bytes.size(), raw};
                const RowList expected = TextScanAll(rows, query);
                const std::string name = std::string(text) + (raw ? " raw" : " header") +
                                         " image " + std::to_string(image);
                ASSERT_EQ(FindAll(rows, match).rows, expected.rows) << name;
                const std::uint64_t limit = rng() % 40;
                const RowList limited = FindAll(rows, match, limit);
                const RowList expectedLimited = TextScanAll(rows, query, limit);
                ASSERT_EQ(limited.rows, expectedLimited.rows) << name;
                ASSERT_EQ(limited.limited, expectedLimited.limited) << name;
                for (int r = 0; r < 8; ++r) {
                    std::uint64_t begin = rng() % (rows.rowCount() + 20);
                    std::uint64_t end = rng() % (rows.rowCount() + 20);
                    if (begin > end) {
                        std::swap(begin, end);
                    }
                    ASSERT_EQ(FindNext(rows, match, begin, end), FirstIn(expected.rows, begin, end))
                        << name << " " << begin << ".." << end;
                    ASSERT_EQ(FindPrevious(rows, match, begin, end),
                              LastIn(expected.rows, begin, std::min(end, rows.rowCount())))
                        << name << " " << begin << ".." << end;
                }
            }
            const RowList expectedBytes = TextScanAll(byteRows, query);
            ASSERT_EQ(FindAll(byteRows, byteMatch).rows, expectedBytes.rows) << text;
            const std::uint64_t begin = rng() % (bytes.size() + 1);
            ASSERT_EQ(FindNext(byteRows, byteMatch, begin, bytes.size()),
                      FirstIn(expectedBytes.rows, begin, bytes.size()))
                << text;
            ASSERT_EQ(FindPrevious(byteRows, byteMatch, 0, begin),
                      LastIn(expectedBytes.rows, 0, begin))
                << text;
        }
    }
}

}  // namespace
}  // namespace sorrel
