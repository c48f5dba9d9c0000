// The overview pass against a count made the slow way, row by row, from the
// listing texts; and the strip drawn from the slices at any height.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <stop_token>
#include <thread>
#include <utility>
#include <vector>

#include "overview.h"
#include "progress_calls.h"
#include "word_images.h"

namespace sorrel {
namespace {

using test::ImageBytes;
using test::Jmp;
using test::Mov;
using test::NoClassWord;
using test::Rows;

WordKind TextKind(std::uint16_t word) {
    if (WordText(word).empty()) {
        return WordKind::NoInstruction;
    }
    return test::TextJumpAddress(word) >= 0 ? WordKind::Jump : WordKind::Instruction;
}

// The kind of every row: header rows, then each maximal stretch of equal
// program words is a run if it is long enough and of 0000h or FFFFh.
std::vector<WordKind> SlowKinds(const std::vector<std::uint16_t>& words, bool raw) {
    const std::size_t first = std::min<std::size_t>(raw ? 0 : HeaderWords, words.size());
    std::vector<WordKind> kinds(words.size(), WordKind::Header);
    for (std::size_t row = first; row < words.size(); ++row) {
        kinds[row] = TextKind(words[row]);
    }
    for (std::size_t start = first, end = first; start < words.size(); start = end) {
        while (end < words.size() && words[end] == words[start]) {
            ++end;
        }
        if ((words[start] == 0x0000 || words[start] == 0xFFFF) && end - start >= 8) {
            std::fill(kinds.begin() + static_cast<std::ptrdiff_t>(start),
                      kinds.begin() + static_cast<std::ptrdiff_t>(end),
                      words[start] == 0 ? WordKind::ZeroRun : WordKind::OnesRun);
        }
    }
    return kinds;
}

// The slices of those kinds: min(4096, n) of them, slice i from row i * n / s.
std::vector<KindCounts> SlowSlices(const std::vector<WordKind>& kinds) {
    const std::size_t n = kinds.size();
    const std::size_t s = std::min<std::size_t>(4096, n);
    std::vector<KindCounts> slices(s);
    for (std::size_t i = 0; i < s; ++i) {
        for (std::size_t row = i * n / s; row < (i + 1) * n / s; ++row) {
            ++slices[i][kinds[row]];
        }
    }
    return slices;
}

constexpr WordKind H = WordKind::Header;
constexpr WordKind N = WordKind::NoInstruction;
constexpr WordKind J = WordKind::Jump;
constexpr WordKind I = WordKind::Instruction;
constexpr WordKind R = WordKind::ZeroRun;
constexpr WordKind F = WordKind::OnesRun;

TEST(ScanOverview, KindsOfSmallImages) {
    // Fewer rows than slices: one slice a row.
    struct Case {
        const char* what;
        std::vector<std::uint16_t> words;
        bool raw;
        std::vector<WordKind> kinds;
    };
    const std::vector<std::uint16_t> sample = {
        Jmp(5), 0xFFFF, Mov,    NoClassWord, 0,      0,      0,      0,      0,      0,
        0,      0,      0xFFFF, 0xFFFF,      0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0x0000};
    const Case cases[] = {
        {"eight 0000h are a run, seven FFFFh are not", sample, true, {J, N, I, N, R, R, R,
                                                                      R, R, R, R, R, N, N,
                                                                      N, N, N, N, N, I}},
        {"eight FFFFh are a run of their own",
         {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0x0000},
         true,
         {F, F, F, F, F, F, F, F, I}},
        {"all header", sample, false, std::vector<WordKind>(sample.size(), H)},
        {"one word", {Jmp(0)}, true, {J}},
        {"one header word", {Jmp(0)}, false, {H}},
        {"no word", {}, true, {}},
    };
    for (const Case& c : cases) {
        const std::vector<std::uint8_t> bytes = ImageBytes(c.words, true);
        const OverviewSlices slices = ScanOverview(Rows(bytes, c.raw));
        EXPECT_EQ(slices.rows, c.words.size()) << c.what;
        ASSERT_EQ(slices.slices.size(), c.kinds.size()) << c.what;
        for (std::size_t row = 0; row < c.kinds.size(); ++row) {
            KindCounts expected;
            expected[c.kinds[row]] = 1;
            EXPECT_EQ(slices.slices[row], expected) << c.what << ", row " << row;
        }
    }
}

// Random words with stretches of one word laid over them.
struct Stretch {
    std::size_t first;
    std::size_t length;
    std::uint16_t word;
};

std::vector<std::uint16_t> RandomWithStretches(std::size_t count, unsigned seed,
                                               const std::vector<Stretch>& stretches) {
    std::vector<std::uint16_t> words = test::RandomWords(count, seed);
    for (const Stretch& s : stretches) {
        std::fill_n(words.begin() + static_cast<std::ptrdiff_t>(s.first), s.length, s.word);
    }
    return words;
}

// Runs around the slice boundaries of an image of n rows (slice i starts at
// row i * n / 4096), each reaching a few rows into the next slice.
std::vector<Stretch> AroundSliceBoundaries(std::size_t n) {
    std::vector<Stretch> stretches;
    for (std::size_t i = 2; i < 4096; i += 97) {
        const std::size_t boundary = i * n / 4096;
        stretches.push_back(
            {boundary - 7, 7 + i % 5, static_cast<std::uint16_t>(i % 2 == 0 ? 0 : 0xFFFF)});
    }
    return stretches;
}

// Stretches of every length from 1 to 20 at every offset from a chunk of four
// words, of 0000h and of FFFFh, with other words between them.
std::vector<std::uint16_t> EveryLengthAndOffset() {
    std::vector<std::uint16_t> words(300, Mov);
    for (const std::uint16_t word : {std::uint16_t{0}, std::uint16_t{0xFFFF}}) {
        for (std::size_t length = 1; length <= 20; ++length) {
            for (std::size_t offset = 0; offset < 4; ++offset) {
                words.resize(words.size() + offset, Mov);
                words.resize(words.size() + length, word);
                words.resize((words.size() / 4 + 2) * 4, Mov);
            }
        }
    }
    return words;
}

TEST(ScanOverview, MatchesTheSlowCount) {
    struct Case {
        const char* what;
        std::vector<std::uint16_t> words;
        bool oddByte;
    };
    const std::size_t atSlices = 4096 * 5 + 123;
    const Case cases[] = {
        {"random words", test::RandomWords(300'000, 1), false},
        {"fewer rows than slices, runs at both ends",
         RandomWithStretches(600, 2, {{0, 9, 0}, {256, 8, 0xFFFF}, {588, 12, 0}}), true},
        {"runs across slice boundaries",
         RandomWithStretches(atSlices, 3, AroundSliceBoundaries(atSlices)), false},
        {"runs across blocks of the pass (8192 rows), four words on each side or fewer",
         RandomWithStretches(50'000, 4,
                             {{8188, 8, 0},
                              {24575, 8, 0xFFFF},
                              {32764, 10, 0},
                              {40955, 7, 0},
                              {45000, 4000, 0xFFFF}}),
         false},
        {"runs at both ends of a large image",
         RandomWithStretches(70'000, 5, {{0, 300, 0xFFFF}, {69'987, 13, 0}}), true},
        {"runs at the header's edge",
         RandomWithStretches(2000, 6,
                             {{250, 20, 0xFFFF}, {1000, 5, 0}, {1005, 9, 0xFFFF}, {1014, 8, 0}}),
         false},
        {"a header run that leaves seven program words",
         RandomWithStretches(2000, 7, {{240, 23, 0}}), false},
        {"one run over the whole image", std::vector<std::uint16_t>(100'000, 0xFFFF), false},
        {"every length at every offset", EveryLengthAndOffset(), false},
    };
    for (const Case& c : cases) {
        const std::vector<std::uint8_t> bytes = ImageBytes(c.words, c.oddByte);
        for (const bool raw : {true, false}) {
            const std::vector<KindCounts> expected = SlowSlices(SlowKinds(c.words, raw));
            for (const unsigned threads : {1u, 2u, 3u, 7u}) {
                const OverviewSlices slices =
                    ScanOverview(Rows(bytes, raw), {}, {}, SliceOptions{threads, 0});
                EXPECT_FALSE(slices.stopped);
                EXPECT_EQ(slices.rows, c.words.size());
                ASSERT_EQ(slices.slices.size(), expected.size()) << c.what;
                for (std::size_t i = 0; i < expected.size(); ++i) {
                    ASSERT_EQ(slices.slices[i], expected[i])
                        << c.what << ", raw " << raw << ", " << threads << " threads, slice " << i;
                }
            }
        }
    }
}

// The pass spread over threads cuts the program rows into parts at multiples
// of four rows; stretches of 0000h or FFFFh laid the same way over every
// boundary between parts: runs that end, begin or cross there, runs over
// whole parts, and stretches too short to be runs.
TEST(ScanOverview, RunsAtTheBoundariesOfThePartsOfThreads) {
    struct Pattern {
        const char* what;
        std::int64_t offset;  // from the boundary
        std::size_t length;
    };
    const Pattern patterns[] = {
        {"a run ending at the boundary", -8, 8},
        {"a run starting at the boundary", 0, 8},
        {"a run with one whole chunk on each side", -4, 8},
        {"a run with its first whole chunk just before the boundary", -5, 9},
        {"a run with its first whole chunk just after the boundary", -3, 11},
        {"a run from three rows before", -3, 12},
        {"seven words across, no run", -3, 7},
        {"a run over the next part and beyond", -6, 5000},
    };
    constexpr std::size_t rows = 20'000;
    unsigned seed = 100;
    for (const bool raw : {true, false}) {
        for (const unsigned threads : {2u, 3u, 7u}) {
            const std::uint64_t first = raw ? 0 : HeaderWords;
            const std::vector<SliceRange> parts =
                PlanSlices(first, rows, 4, SliceOptions{threads, 0});
            ASSERT_GE(parts.size(), threads);
            for (const Pattern& p : patterns) {
                for (const std::uint16_t word : {std::uint16_t{0}, std::uint16_t{0xFFFF}}) {
                    std::vector<Stretch> stretches;
                    for (std::size_t i = 1; i < parts.size(); ++i) {
                        const auto at = static_cast<std::int64_t>(parts[i].begin) + p.offset;
                        stretches.push_back(
                            {static_cast<std::size_t>(at),
                             std::min(p.length, rows - static_cast<std::size_t>(at)), word});
                    }
                    const std::vector<std::uint16_t> words =
                        RandomWithStretches(rows, seed++, stretches);
                    const std::vector<std::uint8_t> bytes = ImageBytes(words);
                    const OverviewSlices slices =
                        ScanOverview(Rows(bytes, raw), {}, {}, SliceOptions{threads, 0});
                    const std::vector<KindCounts> expected = SlowSlices(SlowKinds(words, raw));
                    ASSERT_EQ(slices.slices.size(), expected.size());
                    for (std::size_t i = 0; i < expected.size(); ++i) {
                        ASSERT_EQ(slices.slices[i], expected[i])
                            << p.what << ", word " << word << ", raw " << raw << ", " << threads
                            << " threads, slice " << i;
                    }
                }
            }
        }
    }
}

TEST(ScanOverview, ProgressAndStop) {
    const std::uint64_t rows = 2 * PassProgressStep + 1000;
    const std::vector<std::uint8_t> bytes = ImageBytes(test::RandomWords(rows, 8));
    const ListingRows image = Rows(bytes, false);
    const OverviewSlices one = ScanOverview(image, {}, {}, SliceOptions{1, 0});

    for (const unsigned threads : {1u, 2u, 3u, 7u}) {
        const SliceOptions options{threads, 0};
        // The header rows are done first; the calls pass the multiples of the
        // step, on this thread, and the last one has every row.
        test::ProgressCalls progress;
        const OverviewSlices whole = ScanOverview(image, {}, progress.fn(), options);
        const auto& calls = progress.calls;
        EXPECT_FALSE(whole.stopped);
        EXPECT_EQ(whole.slices, one.slices) << threads;
        EXPECT_FALSE(progress.elsewhere);
        ASSERT_FALSE(calls.empty());
        EXPECT_LE(calls.size(), 3u) << threads;
        EXPECT_GE(calls.front().first, HeaderWords + PassProgressStep) << threads;
        EXPECT_EQ(calls.back(), std::make_pair(rows, rows)) << threads;
        // Each call but the last (at the end) passed a multiple of the step.
        for (std::size_t i = 1; i + 1 < calls.size(); ++i) {
            EXPECT_GT(calls[i].first / PassProgressStep, calls[i - 1].first / PassProgressStep);
        }
        if (threads == 1) {
            EXPECT_EQ(calls, (std::vector<std::pair<std::uint64_t, std::uint64_t>>{
                                 {HeaderWords + PassProgressStep, rows},
                                 {HeaderWords + 2 * PassProgressStep, rows},
                                 {rows, rows}}));
        }

        std::stop_source before;
        before.request_stop();
        const OverviewSlices none = ScanOverview(image, before.get_token(), {}, options);
        EXPECT_TRUE(none.stopped);
        EXPECT_TRUE(none.slices.empty());

        std::stop_source during;
        int progressCalls = 0;
        const OverviewSlices part = ScanOverview(
            image, during.get_token(),
            [&](auto, auto) {
                ++progressCalls;
                during.request_stop();
            },
            options);
        // On several threads the others may have finished before the call:
        // then the pass is whole.
        EXPECT_EQ(progressCalls, 1);
        if (threads == 1 || part.stopped) {
            EXPECT_TRUE(part.stopped);
            EXPECT_TRUE(part.slices.empty());
        } else {
            EXPECT_EQ(part.slices, one.slices) << threads;
        }
    }
}

OverviewSlices SlicesOf(const std::vector<std::uint16_t>& words, bool raw = true) {
    const std::vector<std::uint8_t> bytes = ImageBytes(words);
    return ScanOverview(Rows(bytes, raw));
}

TEST(StripBands, BandsOfASmallImage) {
    // Ten rows, so ten slices of one row each.
    const OverviewSlices slices =
        SlicesOf({Jmp(0), Mov, Mov, NoClassWord, Mov, Mov, Mov, Mov, Jmp(1), Jmp(2)});
    struct Band {
        PixelRange pixels;
        RowRange rows;
        std::uint64_t jumps;
    };
    struct Case {
        int height;
        std::vector<Band> bands;
    };
    const Case cases[] = {
        {1, {{{0, 1}, {0, 10}, 3}}},
        {3, {{{0, 1}, {0, 3}, 1}, {{1, 2}, {3, 6}, 0}, {{2, 3}, {6, 10}, 2}}},
        // Taller than the slices: each slice is stretched over 2 or 3 pixel rows.
        {25,
         {{{0, 2}, {0, 1}, 1},
          {{2, 5}, {1, 2}, 0},
          {{5, 7}, {2, 3}, 0},
          {{7, 10}, {3, 4}, 0},
          {{10, 12}, {4, 5}, 0},
          {{12, 15}, {5, 6}, 0},
          {{15, 17}, {6, 7}, 0},
          {{17, 20}, {7, 8}, 0},
          {{20, 22}, {8, 9}, 1},
          {{22, 25}, {9, 10}, 1}}},
    };
    for (const Case& c : cases) {
        const StripBands strip(slices, c.height);
        ASSERT_EQ(strip.bands().size(), c.bands.size()) << c.height;
        for (std::size_t j = 0; j < c.bands.size(); ++j) {
            const StripBand& band = strip.bands()[j];
            EXPECT_EQ(band.pixels, c.bands[j].pixels) << c.height << " band " << j;
            EXPECT_EQ(band.rows, c.bands[j].rows) << c.height << " band " << j;
            EXPECT_EQ(band.counts[WordKind::Jump], c.bands[j].jumps) << c.height << " band " << j;
        }
    }
}

TEST(StripBands, BandsTileRowsAndPixelsAndKeepTheSums) {
    const std::vector<std::uint16_t> sizes = {1, 10, 5000};
    std::vector<OverviewSlices> images;
    for (const std::uint16_t size : sizes) {
        images.push_back(SlicesOf(test::RandomWords(size, size)));
    }
    images.push_back(SlicesOf(RandomWithStretches(100'003, 9, {{5000, 90'000, 0xFFFF}}), false));
    for (const OverviewSlices& slices : images) {
        KindCounts sum;
        for (const KindCounts& slice : slices.slices) {
            for (std::size_t k = 0; k < WordKindCount; ++k) {
                sum.words[k] += slice.words[k];
            }
        }
        for (const int height : {1, 2, 7, 600, 4095, 4096, 4097, 10'000}) {
            const StripBands strip(slices, height);
            const std::string what =
                std::to_string(slices.rows) + " rows, height " + std::to_string(height);
            ASSERT_EQ(strip.bands().size(),
                      std::min<std::size_t>(slices.slices.size(), static_cast<std::size_t>(height)))
                << what;
            KindCounts bandSum;
            RowRange rows;
            PixelRange pixels;
            for (const StripBand& band : strip.bands()) {
                ASSERT_EQ(band.rows.first, rows.end) << what;
                ASSERT_EQ(band.pixels.top, pixels.bottom) << what;
                ASSERT_LT(band.rows.first, band.rows.end) << what;
                ASSERT_LT(band.pixels.top, band.pixels.bottom) << what;
                ASSERT_EQ(band.counts.total(), band.rows.end - band.rows.first) << what;
                rows.end = band.rows.end;
                pixels.bottom = band.pixels.bottom;
                for (std::size_t k = 0; k < WordKindCount; ++k) {
                    bandSum.words[k] += band.counts.words[k];
                }
            }
            EXPECT_EQ(rows.end, slices.rows) << what;
            EXPECT_EQ(pixels.bottom, height) << what;
            EXPECT_EQ(bandSum, sum) << what;
        }
    }
}

TEST(StripBands, RowsAndPixelsFindTheirBands) {
    for (const std::size_t size : {1, 10, 5000, 100'000}) {
        const OverviewSlices slices = SlicesOf(test::RandomWords(size, 10));
        for (const int height : {1, 5, 300, 5000}) {
            const StripBands strip(slices, height);
            for (const StripBand& band : strip.bands()) {
                for (std::uint64_t row = band.rows.first; row < band.rows.end; ++row) {
                    ASSERT_EQ(strip.pixelsOfRow(row), band.pixels) << size << " " << row;
                }
                for (int y = band.pixels.top; y < band.pixels.bottom; ++y) {
                    ASSERT_EQ(strip.rowsOfPixel(y), band.rows) << size << " " << y;
                }
            }
            const StripBand& top = strip.bands().front();
            const StripBand& bottom = strip.bands().back();
            EXPECT_EQ(strip.pixelsOfRow(size), bottom.pixels) << "past the last row";
            EXPECT_EQ(strip.rowsOfPixel(-3), top.rows) << "above the strip";
            EXPECT_EQ(strip.rowsOfPixel(height), bottom.rows) << "below the strip";
            EXPECT_EQ(strip.pixelsOfRows({0, size}), (PixelRange{0, height})) << "all rows";
        }
    }
}

TEST(StripBands, RowsInView) {
    const OverviewSlices slices = SlicesOf(test::RandomWords(100'000, 11));
    const StripBands strip(slices, 1000);
    // 1000 pixel rows of about 4.1 slices of about 24.4 rows each.
    EXPECT_EQ(strip.pixelsOfRows({0, 60}), (PixelRange{0, 1}));
    EXPECT_EQ(strip.pixelsOfRows({50'000, 50'060}), (PixelRange{500, 501}));
    EXPECT_EQ(strip.pixelsOfRows({50'000, 50'200}), (PixelRange{500, 503}));
    EXPECT_EQ(strip.pixelsOfRows({99'990, 100'000}), (PixelRange{999, 1000}));
    EXPECT_EQ(strip.pixelsOfRows({7, 7}), strip.pixelsOfRow(7)) << "no rows: the row's band";
}

TEST(StripBands, NothingToDraw) {
    const OverviewSlices empty = SlicesOf({});
    const OverviewSlices some = SlicesOf({Mov, Mov});
    for (const StripBands& strip : {StripBands(empty, 100), StripBands(some, 0)}) {
        EXPECT_TRUE(strip.bands().empty());
        EXPECT_EQ(strip.pixelsOfRow(0), PixelRange{});
        EXPECT_EQ(strip.pixelsOfRows({0, 1}), PixelRange{});
        EXPECT_EQ(strip.rowsOfPixel(0), RowRange{});
    }
}

}  // namespace
}  // namespace sorrel
