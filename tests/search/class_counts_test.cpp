// The classes of an image's words: an image of all 65,536 words, raw and
// behind a header; slices of an image counted apart add up to the whole; a
// stop and progress; the example word and format of each class.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <stop_token>
#include <string>
#include <vector>

#include "class_counts.h"

namespace sorrel {
namespace {

std::vector<std::uint8_t> BytesOf(const std::vector<std::uint16_t>& words) {
    std::vector<std::uint8_t> bytes;
    for (const std::uint16_t w : words) {
        bytes.push_back(static_cast<std::uint8_t>(w & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(w >> 8));
    }
    return bytes;
}

// Every word once, after `before` words of FFFFh.
std::vector<std::uint8_t> AllWords(std::size_t before) {
    std::vector<std::uint16_t> words(before, 0xFFFF);
    for (unsigned w = 0; w < 65536; ++w) {
        words.push_back(static_cast<std::uint16_t>(w));
    }
    return BytesOf(words);
}

// Each class has a word for every value of its operand bits.
void ExpectEveryWordOnce(const ClassCounts& counts) {
    std::uint64_t decoded = 0;
    for (int cls = 0; cls < InstructionClassCount; ++cls) {
        const std::size_t patternBits =
            InstructionTable[static_cast<std::size_t>(cls)].pattern.size();
        EXPECT_EQ(counts.classes[static_cast<std::size_t>(cls)],
                  std::uint64_t{1} << (16 - patternBits))
            << InstructionTable[static_cast<std::size_t>(cls)].mnemonic;
        decoded += counts.classes[static_cast<std::size_t>(cls)];
    }
    EXPECT_EQ(decoded, 40'829u);
    EXPECT_EQ(counts.noClass, 65'536u - 40'829u);
}

TEST(ClassCounts, EveryWordOnceRawAndBehindAHeader) {
    const std::vector<std::uint8_t> raw = AllWords(0);
    const ClassCounts rawCounts = CountClasses(ListingRows{raw.data(), raw.size(), true});
    ExpectEveryWordOnce(rawCounts);
    EXPECT_EQ(rawCounts.header, 0u);
    EXPECT_EQ(rawCounts.total(), 65'536u);

    // 256 header words of FFFFh, never decoded, and an odd last byte.
    std::vector<std::uint8_t> withHeader = AllWords(256);
    withHeader.push_back(0x00);
    const ClassCounts headerCounts =
        CountClasses(ListingRows{withHeader.data(), withHeader.size(), false});
    ExpectEveryWordOnce(headerCounts);
    EXPECT_EQ(headerCounts.header, 256u);
    EXPECT_EQ(headerCounts.total(), 65'536u + 256u);

    // The same words read raw: the 256 FFFFh words are of no class.
    const ClassCounts asRaw = CountClasses(ListingRows{withHeader.data(), withHeader.size(), true});
    EXPECT_EQ(asRaw.noClass, headerCounts.noClass + 256);
    EXPECT_EQ(asRaw.header, 0u);
}

TEST(ClassCounts, ShortImages) {
    const std::vector<std::uint8_t> bytes = BytesOf({0x0000, 0x11B9, 0xFFFF});
    struct Case {
        std::uint64_t size;
        bool raw;
        std::uint64_t nop, add, noClass, header;
    };
    const Case cases[] = {
        {0, true, 0, 0, 0, 0}, {1, true, 0, 0, 0, 0},  {6, true, 1, 1, 1, 0},
        {5, true, 1, 1, 0, 0}, {6, false, 0, 0, 0, 3}, {0, false, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        const ClassCounts counts = CountClasses(ListingRows{bytes.data(), c.size, c.raw});
        EXPECT_EQ(counts.classes[51], c.nop) << c.size << (c.raw ? " raw" : "");
        EXPECT_EQ(counts.classes[1], c.add) << c.size << (c.raw ? " raw" : "");
        EXPECT_EQ(counts.noClass, c.noClass) << c.size << (c.raw ? " raw" : "");
        EXPECT_EQ(counts.header, c.header) << c.size << (c.raw ? " raw" : "");
    }
}

TEST(ClassCounts, SlicesAddUpToTheWhole) {
    std::mt19937 rng(5);
    std::vector<std::uint16_t> words(3'000'000);
    for (std::uint16_t& w : words) {
        w = rng() % 4 == 0 ? 0x0000 : static_cast<std::uint16_t>(rng());
    }
    const std::vector<std::uint8_t> bytes = BytesOf(words);
    for (const bool raw : {true, false}) {
        const ListingRows rows{bytes.data(), bytes.size(), raw};
        const ClassCounts whole = CountClasses(rows);
        EXPECT_EQ(whole.total(), words.size());
        // Cuts within the header, at its end and anywhere after.
        for (const std::vector<std::uint64_t>& cuts : std::vector<std::vector<std::uint64_t>>{
                 {0, 3, 255, 256, 257, 1000, 2'999'999, 3'000'000},
                 {0, 100, 1'500'001, 3'000'000},
                 {0, 7, 3'000'000}}) {
            ClassCounts summed;
            for (std::size_t i = 0; i + 1 < cuts.size(); ++i) {
                ClassCounts slice;
                CountClassesIn(rows, cuts[i], cuts[i + 1], slice);
                summed += slice;
            }
            EXPECT_EQ(summed, whole) << (raw ? "raw" : "header");
        }
    }
}

TEST(ClassCounts, StopAndProgress) {
    const std::vector<std::uint8_t> bytes(2 * 3'000'000, 0);
    const ListingRows rows{bytes.data(), bytes.size(), false};
    std::vector<std::uint64_t> done;
    const ClassCounts counts = CountClasses(rows, {}, [&](std::uint64_t d, std::uint64_t total) {
        EXPECT_EQ(total, 3'000'000u);
        done.push_back(d);
    });
    EXPECT_EQ(counts.classes[51], 3'000'000u - 256);
    ASSERT_FALSE(done.empty());
    EXPECT_EQ(done.back(), 3'000'000u);

    std::stop_source stopped;
    stopped.request_stop();
    EXPECT_EQ(CountClasses(rows, stopped.get_token()).total(), 0u);
    std::stop_source during;
    const ClassCounts partial = CountClasses(
        rows, during.get_token(), [&](std::uint64_t, std::uint64_t) { during.request_stop(); });
    EXPECT_GT(partial.total(), 0u);
    EXPECT_LT(partial.total(), 3'000'000u);
}

struct ExampleCase {
    InstructionClass cls;
    std::uint16_t word;
    const char* format;
};

TEST(ClassCounts, ExamplesOfClasses) {
    const ExampleCase cases[] = {
        {0, 0x0400, "регистр, регистр"},      // mov
        {7, 0x4000, "регистр, биты (8)"},     // movl
        {9, 0x3000, "регистр, биты (5)"},     // addl
        {19, 0x0020, "регистр"},              // swap
        {29, 0x2000, "число (3), байт (8)"},  // ldr
        {30, 0x0300, "регистр, число (3)"},   // mfpr
        {31, 0x0200, "число (3), регистр"},   // mtpr
        {32, 0x0010, "число (3)"},            // push
        {34, 0x0180, "биты (4)"},             // sst
        {39, 0x8000, "адрес перехода (10)"},  // jmp
        {49, 0x000E, "число (1)"},            // rtsc
        {51, 0x0000, "без операндов"},        // nop
        {37, 0x0005, "без операндов"},        // tdc: its layout shows no bits
    };
    for (const ExampleCase& c : cases) {
        const ClassExample example = ExampleOfClass(c.cls);
        EXPECT_EQ(example.word, c.word) << c.cls;
        EXPECT_EQ(example.format, c.format) << c.cls;
    }
    // Every class: the smallest word of the class.
    for (InstructionClass cls = 0; cls < InstructionClassCount; ++cls) {
        unsigned smallest = 0;
        while (ClassOfWord(static_cast<std::uint16_t>(smallest)) != cls) {
            ++smallest;
        }
        EXPECT_EQ(ExampleOfClass(cls).word, smallest) << cls;
    }
    EXPECT_THROW(ExampleOfClass(-1), std::out_of_range);
    EXPECT_THROW(ExampleOfClass(InstructionClassCount), std::out_of_range);
}

}  // namespace
}  // namespace sorrel
