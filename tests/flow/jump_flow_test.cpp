// The jump counts against a count read from the listing texts, and the
// arrows and target marks of the rows in view.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <stop_token>
#include <thread>
#include <utility>
#include <vector>

#include "jump_flow.h"
#include "progress_calls.h"
#include "word_images.h"

namespace sorrel {
namespace {

using test::ImageBytes;
using test::Jmp;
using test::Jsr;
using test::Mov;
using test::Rows;

// The counts of the program rows first to end - 1, from the listing texts.
std::array<std::uint32_t, JumpAddressCount> TextCounts(const ListingRows& image,
                                                       std::uint64_t end) {
    std::array<std::uint32_t, JumpAddressCount> counts{};
    for (std::uint64_t row = image.base(); row < end; ++row) {
        const int address = test::TextJumpAddress(image.word(row));
        if (address >= 0) {
            ++counts[static_cast<std::size_t>(address)];
        }
    }
    return counts;
}

TEST(JumpCounts, EveryAddressHasEightJumpsAmongAllWords) {
    std::vector<std::uint16_t> words(65536);
    for (std::size_t w = 0; w < words.size(); ++w) {
        words[w] = static_cast<std::uint16_t>(w);
    }
    const std::vector<std::uint8_t> bytes = ImageBytes(words);
    const JumpCounts counts = CountJumps(Rows(bytes, true));
    EXPECT_FALSE(counts.stopped);
    for (const std::uint32_t n : counts.jumps) {
        ASSERT_EQ(n, 8u);
    }
    // With a header the first 256 words (none a jump) are left out.
    EXPECT_EQ(CountJumps(Rows(bytes, false)).jumps, counts.jumps);
}

TEST(JumpCounts, MatchTheListingTexts) {
    // Sizes in bytes: empty, one byte, one word, a header and no program,
    // a header and one word and an odd byte, and images of several blocks.
    const std::size_t sizes[] = {0, 1, 2, 511, 512, 515, 2000, 400'003};
    unsigned seed = 1;
    for (const std::size_t size : sizes) {
        std::vector<std::uint8_t> bytes = ImageBytes(test::RandomWords(size / 2, seed++));
        bytes.resize(size, 0x80);
        for (const bool raw : {true, false}) {
            const ListingRows image = Rows(bytes, raw);
            const auto expected = TextCounts(image, image.rowCount());
            for (const unsigned threads : {1u, 2u, 3u, 7u}) {
                EXPECT_EQ(CountJumps(image, {}, {}, SliceOptions{threads, 0}).jumps, expected)
                    << size << " bytes, raw " << raw << ", " << threads << " threads";
            }
        }
    }
}

TEST(JumpCounts, HeaderWordsAreNotCounted) {
    std::vector<std::uint16_t> words(300, Jmp(7));
    const std::vector<std::uint8_t> bytes = ImageBytes(words);
    EXPECT_EQ(CountJumps(Rows(bytes, true)).jumps[7], 300u);
    EXPECT_EQ(CountJumps(Rows(bytes, false)).jumps[7], 44u);
}

TEST(JumpCounts, ProgressAndStop) {
    // Two progress steps and a bit of program rows after the header.
    const std::uint64_t program = 2 * PassProgressStep + 1000;
    const std::vector<std::uint8_t> bytes =
        ImageBytes(test::RandomWords(HeaderWords + program, 99));
    const ListingRows image = Rows(bytes, false);
    const JumpCounts one = CountJumps(image, {}, {}, SliceOptions{1, 0});
    EXPECT_EQ(one.jumps, TextCounts(image, image.rowCount()));

    for (const unsigned threads : {1u, 2u, 3u, 7u}) {
        const SliceOptions options{threads, 0};
        // The calls pass the multiples of the step, on this thread, and the
        // last one has every program row.
        test::ProgressCalls progress;
        const JumpCounts whole = CountJumps(image, {}, progress.fn(), options);
        const auto& calls = progress.calls;
        EXPECT_FALSE(whole.stopped);
        EXPECT_EQ(whole.jumps, one.jumps) << threads;
        EXPECT_FALSE(progress.elsewhere);
        ASSERT_FALSE(calls.empty());
        EXPECT_LE(calls.size(), 3u) << threads;
        EXPECT_GE(calls.front().first, PassProgressStep) << threads;
        EXPECT_EQ(calls.back(), std::make_pair(program, program)) << threads;
        // Each call but the last (at the end) passed a multiple of the step.
        for (std::size_t i = 1; i + 1 < calls.size(); ++i) {
            EXPECT_GT(calls[i].first / PassProgressStep, calls[i - 1].first / PassProgressStep);
        }
        if (threads == 1) {
            EXPECT_EQ(calls, (std::vector<std::pair<std::uint64_t, std::uint64_t>>{
                                 {PassProgressStep, program},
                                 {2 * PassProgressStep, program},
                                 {program, program}}));
        }

        // A stop asked for before the pass: nothing is counted.
        std::stop_source before;
        before.request_stop();
        const JumpCounts none = CountJumps(image, before.get_token(), {}, options);
        EXPECT_TRUE(none.stopped);
        EXPECT_EQ(none.jumps, (std::array<std::uint32_t, JumpAddressCount>{}));

        // A stop asked for at the first progress call: on one thread the
        // counts are those of the rows done. On several, the other threads may
        // have finished before the call: then the pass is whole.
        std::stop_source during;
        std::uint64_t done = 0;
        const JumpCounts part = CountJumps(
            image, during.get_token(),
            [&](std::uint64_t rows, std::uint64_t) {
                done = rows;
                during.request_stop();
            },
            options);
        if (threads == 1) {
            EXPECT_TRUE(part.stopped);
            EXPECT_EQ(done, PassProgressStep);
            EXPECT_EQ(part.jumps, TextCounts(image, HeaderWords + done));
        } else if (!part.stopped) {
            EXPECT_EQ(part.jumps, one.jumps) << threads;
        }
    }
}

TEST(JumpTargetRow, RowsOfTargets) {
    std::vector<std::uint16_t> words(260, Mov);
    words[3] = Jmp(1);
    words[257] = Jmp(2);
    words[258] = Jsr(1000);
    const std::vector<std::uint8_t> bytes = ImageBytes(words);
    const ListingRows raw = Rows(bytes, true);
    const ListingRows header = Rows(bytes, false);
    EXPECT_EQ(JumpTargetRow(raw, 3), 1u);
    EXPECT_EQ(JumpTargetRow(header, 3), std::nullopt);  // a header row
    EXPECT_EQ(JumpTargetRow(raw, 257), 2u);
    EXPECT_EQ(JumpTargetRow(header, 257), 258u);
    EXPECT_EQ(JumpTargetRow(header, 258), 1256u);         // past the end
    EXPECT_EQ(JumpTargetRow(header, 259), std::nullopt);  // no jump
    EXPECT_EQ(JumpTargetRow(header, 260), std::nullopt);  // past the last row
}

// count filler words with the given words at the given rows.
std::vector<std::uint16_t> Words(std::size_t count,
                                 std::vector<std::pair<std::size_t, std::uint16_t>> at) {
    std::vector<std::uint16_t> words(count, Mov);
    for (const auto& [row, word] : at) {
        words[row] = word;
    }
    return words;
}

// A header of 256 filler words (with the given words at the given rows) and
// then program.
std::vector<std::uint16_t> WithHeader(std::vector<std::uint16_t> program,
                                      std::vector<std::pair<std::size_t, std::uint16_t>> at = {}) {
    std::vector<std::uint16_t> words = Words(HeaderWords, std::move(at));
    words.insert(words.end(), program.begin(), program.end());
    return words;
}

using enum ArrowDirection;
using enum TargetPlace;

struct LayoutCase {
    const char* what;
    std::vector<std::uint16_t> words;
    bool raw;
    std::uint64_t first;
    std::uint64_t inView;
    int maxLanes;
    std::vector<JumpArrow> arrows;
    int lanes;
};

TEST(LayOutFlow, Arrows) {
    const LayoutCase cases[] = {
        {"a short arrow inside a long one is nearer the text",
         Words(12, {{1, Jmp(8)}, {3, Jmp(5)}}),
         true,
         0,
         12,
         4,
         {{1, 8, Down, InView, 1}, {3, 5, Down, InView, 0}},
         2},
        {"disjoint arrows share a lane",
         Words(12, {{0, Jmp(11)}, {1, Jmp(3)}, {5, Jmp(7)}}),
         true,
         0,
         12,
         4,
         {{0, 11, Down, InView, 1}, {1, 3, Down, InView, 0}, {5, 7, Down, InView, 0}},
         2},
        {"arrows that meet at a row do not",
         Words(8, {{1, Jmp(4)}, {4, Jmp(6)}}),
         true,
         0,
         8,
         4,
         {{1, 4, Down, InView, 1}, {4, 6, Down, InView, 0}},
         2},
        {"crossing arrows: the shorter nearer the text",
         Words(10, {{1, Jmp(5)}, {3, Jmp(9)}}),
         true,
         0,
         10,
         4,
         {{1, 5, Down, InView, 0}, {3, 9, Down, InView, 1}},
         2},
        {"upward arrows nest alike",
         Words(10, {{6, Jsr(4)}, {8, Jmp(1)}}),
         true,
         0,
         10,
         4,
         {{6, 4, Up, InView, 0}, {8, 1, Up, InView, 1}},
         2},
        {"equal spans: the upper one first",
         Words(10, {{2, Jmp(5)}, {4, Jmp(1)}}),
         true,
         0,
         10,
         4,
         {{2, 5, Down, InView, 1}, {4, 1, Up, InView, 0}},
         2},
        {"a jump to itself has the innermost lane",
         Words(8, {{1, Jmp(6)}, {3, Jmp(3)}}),
         true,
         0,
         8,
         4,
         {{1, 6, Down, InView, 1}, {3, 3, Self, InView, 0}},
         2},
        {"targets out of view are stubs without a lane",
         Words(40, {{11, Jmp(10)}, {12, Jmp(2)}, {13, Jmp(39)}, {15, Jmp(30)}, {19, Jmp(20)}}),
         true,
         10,
         10,
         4,
         {{11, 10, Up, InView, 0},
          {12, 2, Up, Above, NoLane},
          {13, 39, Down, Below, NoLane},
          {15, 30, Down, Below, NoLane},
          {19, 20, Down, Below, NoLane}},
         1},
        {"targets past the end of a raw image",
         Words(20, {{5, Jmp(20)}, {6, Jmp(19)}, {7, Jmp(1000)}}),
         true,
         0,
         20,
         4,
         {{5, 20, Down, PastEnd, NoLane},
          {6, 19, Down, InView, 0},
          {7, 1000, Down, PastEnd, NoLane}},
         1},
        {"targets past the end of an image with a header",
         WithHeader(Words(10, {{2, Jmp(10)}, {3, Jmp(9)}})),
         false,
         256,
         10,
         4,
         {{258, 266, Down, PastEnd, NoLane}, {259, 265, Down, InView, 0}},
         1},
        {"header rows have no arrows; targets are 256 rows on",
         WithHeader(Words(8, {{1, Jmp(0)}, {4, Jmp(2)}}), {{250, Jmp(3)}}),
         false,
         248,
         16,
         4,
         {{257, 256, Up, InView, 0}, {260, 258, Up, InView, 0}},
         1},
        {"the same words in a raw image",
         WithHeader(Words(8, {{1, Jmp(0)}, {4, Jmp(2)}}), {{250, Jmp(3)}}),
         true,
         248,
         16,
         4,
         {{250, 3, Up, Above, NoLane}, {257, 0, Up, Above, NoLane}, {260, 2, Up, Above, NoLane}},
         0},
        {"a view at the first rows",
         Words(6, {{0, Jmp(0)}, {1, Jmp(0)}, {2, Jmp(5)}}),
         true,
         0,
         3,
         4,
         {{0, 0, Self, InView, 0}, {1, 0, Up, InView, 1}, {2, 5, Down, Below, NoLane}},
         2},
        {"a view cut at the last row",
         Words(10, {{8, Jmp(2)}, {9, Jmp(9)}}),
         true,
         8,
         60,
         4,
         {{8, 2, Up, Above, NoLane}, {9, 9, Self, InView, 0}},
         1},
        {"a view past the last row", Words(4, {{0, Jmp(0)}}), true, 4, 10, 4, {}, 0},
        {"past the lane limit the outermost lane takes the rest",
         Words(10, {{0, Jmp(9)}, {1, Jmp(8)}, {2, Jmp(7)}, {3, Jmp(6)}}),
         true,
         0,
         10,
         2,
         {{0, 9, Down, InView, 1},
          {1, 8, Down, InView, 1},
          {2, 7, Down, InView, 1},
          {3, 6, Down, InView, 0}},
         2},
        {"a lane limit below one counts as one",
         Words(10, {{0, Jmp(9)}, {1, Jmp(8)}, {2, Jmp(7)}, {3, Jmp(6)}}),
         true,
         0,
         10,
         0,
         {{0, 9, Down, InView, 0},
          {1, 8, Down, InView, 0},
          {2, 7, Down, InView, 0},
          {3, 6, Down, InView, 0}},
         1},
    };
    for (const LayoutCase& c : cases) {
        const std::vector<std::uint8_t> bytes = ImageBytes(c.words);
        const FlowView view = LayOutFlow(Rows(bytes, c.raw), c.first, c.inView, c.maxLanes);
        EXPECT_EQ(view.arrows, c.arrows) << c.what;
        EXPECT_EQ(view.lanes, c.lanes) << c.what;
        EXPECT_TRUE(view.marks.empty()) << c.what;
    }
}

struct MarkCase {
    const char* what;
    std::uint64_t first;
    std::uint64_t inView;
    std::vector<TargetMark> marks;
};

TEST(LayOutFlow, TargetMarksInARawImage) {
    const std::vector<std::uint8_t> bytes = ImageBytes(
        Words(1100, {{100, Jmp(5)}, {200, Jsr(5)}, {300, Jmp(1023)}, {1030, Jmp(1030 - 1024)}}));
    const ListingRows image = Rows(bytes, true);
    const JumpCounts counts = CountJumps(image);
    const MarkCase cases[] = {
        {"two jumps to one row", 0, 10, {{5, 2}, {6, 1}}},
        {"no address past 03FFh", 1020, 20, {{1023, 1}}},
        {"a view without targets", 50, 200, {}},
    };
    for (const MarkCase& c : cases) {
        EXPECT_EQ(LayOutFlow(image, c.first, c.inView, 4, counts.jumps).marks, c.marks) << c.what;
    }
    EXPECT_TRUE(LayOutFlow(image, 0, 10, 4, {}).marks.empty()) << "counts not ready";
}

TEST(LayOutFlow, TargetMarksInAnImageWithHeader) {
    // The header's jump to address 0 neither counts nor is marked.
    const std::vector<std::uint8_t> bytes =
        ImageBytes(WithHeader(Words(50, {{44, Jmp(0)}, {45, Jmp(0)}}), {{3, Jmp(0)}}));
    const ListingRows image = Rows(bytes, false);
    const JumpCounts counts = CountJumps(image);
    EXPECT_EQ(LayOutFlow(image, 0, 300, 4, counts.jumps).marks,
              (std::vector<TargetMark>{{256, 2}}));
}

}  // namespace
}  // namespace sorrel
