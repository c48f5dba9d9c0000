// The strings of an image: small images in both packings, both ends of the
// image and every edge of the character set; the scan against a reading
// character by character on pseudo-random images, whole, in ranges with their
// carry and in slices started mid-image; the limit, the texts, a stop and
// progress, and a scan stopped on a worker.
#include <gtest/gtest.h>
#include <algorithm>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <random>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "background_task.h"
#include "data_text.h"
#include "string_runs.h"

namespace sorrel {
namespace {

using Runs = std::vector<StringRun>;

std::vector<std::uint8_t> ToBytes(const std::string& text) {
    return {text.begin(), text.end()};
}

StringSource Source(const std::vector<std::uint8_t>& bytes, StringPacking packing) {
    return {bytes.data(), bytes.size(), packing};
}

// Each string by walking the units one by one.
Runs Walk(const StringSource& source) {
    Runs runs;
    const std::uint64_t n = source.unitCount();
    std::uint64_t start = 0;
    for (std::uint64_t i = 0; i <= n; ++i) {
        bool character = false;
        if (i < n) {
            if (source.packing == StringPacking::Bytes) {
                character = IsTextByte(source.bytes[i]);
            } else {
                character = source.bytes[2 * i + 1] == 0 && IsTextByte(source.bytes[2 * i]);
            }
        }
        if (!character) {
            const bool erased = source.packing == StringPacking::Bytes &&
                                std::all_of(source.bytes + start, source.bytes + i,
                                            [](std::uint8_t b) { return b == 0xFF; });
            if (i - start >= StringMinimum && !erased) {
                runs.push_back({static_cast<std::uint32_t>(start * source.unitBytes()),
                                static_cast<std::uint32_t>(i - start)});
            }
            start = i + 1;
        }
    }
    return runs;
}

struct SmallCase {
    const char* name;
    std::string bytes;
    StringPacking packing;
    Runs runs;
};

TEST(Strings, SmallImages) {
    using enum StringPacking;
    const SmallCase cases[] = {
        {"empty", "", Bytes, {}},
        {"three characters", "abc", Bytes, {}},
        {"four, the whole image", "abcd", Bytes, {{0, 4}}},
        {"at the start", std::string("Name\0\1", 6), Bytes, {{0, 4}}},
        {"at the end", std::string("\0\1Name", 6), Bytes, {{2, 4}}},
        {"one byte apart",
         std::string("abcd\x7F"
                     "efgh",
                     9),
         Bytes,
         {{0, 4}, {5, 4}}},
        {"three then four", std::string("abc\0defg", 8), Bytes, {{4, 4}}},
        {"blank and tilde", " ~ ~", Bytes, {{0, 4}}},
        {"below the blank",
         "ab\x1F"
         "cd",
         Bytes,
         {}},
        // Cyrillic: C0h to FFh, Ё A8h, ё B8h; their neighbours are not.
        {"Windows-1251", "\xD1\xEE\xF0\xE5\xEB\xFC", Bytes, {{0, 6}}},
        {"А and я", "\xC0\xFF\xC0\xFF", Bytes, {{0, 4}}},
        // Erased memory, FFh bytes alone, is no string; FFh among others is я.
        {"erased", "\xFF\xFF\xFF\xFF\xFF\xFF", Bytes, {}},
        {"я among erased", "\xFF\xFF\xFF\xFF\xC0\xFF\xFF", Bytes, {{0, 7}}},
        {"я a word", std::string("\xFF\0\xFF\0\xFF\0\xFF\0", 8), Words, {{0, 4}}},
        {"Ё and ё", "\xA8\xB8\xA8\xB8", Bytes, {{0, 4}}},
        {"A7h",
         "ab\xA7"
         "cd",
         Bytes,
         {}},
        {"A9h",
         "ab\xA9"
         "cd",
         Bytes,
         {}},
        {"B7h",
         "ab\xB7"
         "cd",
         Bytes,
         {}},
        {"B9h",
         "ab\xB9"
         "cd",
         Bytes,
         {}},
        {"BFh",
         "ab\xBF"
         "cd",
         Bytes,
         {}},
        {"80h",
         "ab\x80"
         "cd",
         Bytes,
         {}},
        // The last odd byte is a character of its own in bytes.
        {"odd length", "abcde", Bytes, {{0, 5}}},
        // One character a word.
        {"words", std::string("N\0a\0m\0e\0", 8), Words, {{0, 4}}},
        {"words, three", std::string("N\0a\0m\0", 6), Words, {}},
        {"words, high byte set", std::string("N\0a\0m\1e\0", 8), Words, {}},
        {"words, Cyrillic", std::string("\xD1\0\xEE\0\xF0\0\xA8\0", 8), Words, {{0, 4}}},
        {"words, later", std::string("\1\0N\0a\0m\0e\0\0\0", 12), Words, {{2, 4}}},
        {"words, a zero word ends it", std::string("N\0a\0m\0e\0\0\0x\0", 12), Words, {{0, 4}}},
        // Bytes text is no words text, and a last odd byte is no word.
        {"bytes read as words", "Name", Words, {}},
        {"words, odd byte", std::string("N\0a\0m\0e\0x", 9), Words, {{0, 4}}},
        {"words read as bytes", std::string("N\0a\0m\0e\0", 8), Bytes, {}},
    };
    for (const SmallCase& c : cases) {
        const std::vector<std::uint8_t> bytes = ToBytes(c.bytes);
        const StringList list = FindStrings(Source(bytes, c.packing));
        EXPECT_EQ(list.runs, c.runs) << c.name;
        EXPECT_FALSE(list.limited) << c.name;
    }
}

// Pseudo-random images of runs and gaps of every length around the blocks
// of 64 units: characters, non-characters and, for words, high bytes.
std::vector<std::uint8_t> RandomImage(std::mt19937& rng, std::size_t size) {
    static const std::uint8_t characters[] = {'A', 'z', ' ', '~', 0xC0, 0xFF, 0xA8, 0xB8};
    static const std::uint8_t others[] = {0x00, 0x1F, 0x7F, 0x80, 0xA7, 0xB9, 0xBF, 0x01};
    std::vector<std::uint8_t> bytes;
    const std::uint32_t density = rng() % 4;  // from few characters to many
    while (bytes.size() < size) {
        const bool text = rng() % 4 < density + 1;
        std::size_t run = rng() % 8 == 0 ? rng() % 200 : rng() % 9;
        for (; run > 0 && bytes.size() < size; --run) {
            const bool words = rng() % 2 == 0;
            bytes.push_back(text ? characters[rng() % 8] : others[rng() % 8]);
            if (words && bytes.size() < size) {
                bytes.push_back(text && rng() % 16 != 0 ? 0 : static_cast<std::uint8_t>(rng()));
            }
        }
    }
    return bytes;
}

TEST(Strings, AgreeWithAWalkWholeInRangesAndInSlices) {
    std::mt19937 rng(2024);
    for (int round = 0; round < 300; ++round) {
        const std::size_t size = rng() % 3 == 0 ? rng() % 100 : rng() % 5000;
        const std::vector<std::uint8_t> bytes = RandomImage(rng, size);
        for (const StringPacking packing : {StringPacking::Bytes, StringPacking::Words}) {
            const StringSource source = Source(bytes, packing);
            SCOPED_TRACE("round " + std::to_string(round) +
                         (packing == StringPacking::Words ? " words" : " bytes"));
            const Runs expected = Walk(source);
            ASSERT_EQ(FindStrings(source).runs, expected);

            // Cut points anywhere, carrying the open run from range to range.
            const std::uint64_t n = source.unitCount();
            std::vector<std::uint64_t> cuts = {0};
            while (cuts.back() < n) {
                cuts.push_back(std::min<std::uint64_t>(n, cuts.back() + rng() % 150));
            }
            StringList carried;
            OpenString open;
            for (std::size_t i = 0; i + 1 < cuts.size(); ++i) {
                ASSERT_EQ(OpenStringAt(source, cuts[i]), open) << "at " << cuts[i];
                open = ScanStrings(source, cuts[i], cuts[i + 1], open, FindAllLimit, carried);
            }
            CloseString(source, open, FindAllLimit, carried);
            ASSERT_EQ(carried.runs, expected);

            // Slices scanned apart, each from the run open at its start.
            StringList joined;
            for (std::size_t i = 0; i + 1 < cuts.size(); ++i) {
                StringList slice;
                const OpenString end =
                    ScanStrings(source, cuts[i], cuts[i + 1], OpenStringAt(source, cuts[i]),
                                FindAllLimit, slice);
                if (i + 2 == cuts.size()) {
                    CloseString(source, end, FindAllLimit, slice);
                }
                joined.runs.insert(joined.runs.end(), slice.runs.begin(), slice.runs.end());
            }
            ASSERT_EQ(joined.runs, expected);
        }
    }
}

TEST(Strings, LongRunsAcrossManyBlocksAndSlices) {
    // Runs of 3,000,000 characters and more cross every block and slice.
    std::vector<std::uint8_t> bytes(5'000'000, 'x');
    bytes[1'000'000] = 0;
    bytes[4'999'000] = 0;
    const StringList list = FindStrings(Source(bytes, StringPacking::Bytes));
    EXPECT_EQ(list.runs, (Runs{{0, 1'000'000}, {1'000'001, 3'998'999}, {4'999'001, 999}}));
    EXPECT_EQ(OpenStringAt(Source(bytes, StringPacking::Bytes), 4'000'000),
              (OpenString{1'000'001, 2'999'999}));

    // The same in words: a high byte set ends a run.
    std::vector<std::uint8_t> words(2 * 3'000'000, 0);
    for (std::size_t i = 0; i < words.size(); i += 2) {
        words[i] = 'x';
    }
    words[2 * 1'234'567 + 1] = 1;
    EXPECT_EQ(FindStrings(Source(words, StringPacking::Words)).runs,
              (Runs{{0, 1'234'567}, {2 * 1'234'568, 3'000'000 - 1'234'568}}));
}

TEST(Strings, StopAtTheLimit) {
    // Five strings of four characters.
    const std::vector<std::uint8_t> bytes =
        ToBytes(std::string("abcd\0efgh\0ijkl\0mnop\0qrst", 24));
    const StringSource source = Source(bytes, StringPacking::Bytes);
    const StringList all = FindStrings(source, 5);
    EXPECT_EQ(all.runs.size(), 5u);
    EXPECT_FALSE(all.limited);
    const StringList four = FindStrings(source, 4);
    EXPECT_EQ(four.runs, (Runs{{0, 4}, {5, 4}, {10, 4}, {15, 4}}));
    EXPECT_TRUE(four.limited);
    // The limit reached by the string open at the image's end.
    const StringList none = FindStrings(Source(ToBytes("abcd"), StringPacking::Bytes), 0);
    EXPECT_TRUE(none.runs.empty());
    EXPECT_TRUE(none.limited);
}

TEST(Strings, TextsAndRows) {
    const std::vector<std::uint8_t> bytes =
        ToBytes(std::string("\0\0\xD1\xEE\xF0\xE5\xEB\xFC\xA8\xB8 ok!\0", 15));
    const StringSource source = Source(bytes, StringPacking::Bytes);
    const StringList list = FindStrings(source);
    ASSERT_EQ(list.runs, (Runs{{2, 12}}));
    EXPECT_EQ(StringText(source, list.runs[0]), "СорельЁё ok!");
    EXPECT_EQ(StringText(source, list.runs[0], 3), "Сор");
    EXPECT_EQ(WordRowOfString(list.runs[0]), 1u);
    EXPECT_EQ(ByteRowOfString(list.runs[0]), 2u);

    const std::vector<std::uint8_t> words = ToBytes(std::string("\1\1\1\1\1\1W\0o\0r\0d\0", 14));
    const StringSource wordSource = Source(words, StringPacking::Words);
    const StringList wordList = FindStrings(wordSource);
    ASSERT_EQ(wordList.runs, (Runs{{6, 4}}));
    EXPECT_EQ(StringText(wordSource, wordList.runs[0]), "Word");
    EXPECT_EQ(WordRowOfString(wordList.runs[0]), 3u);
    EXPECT_EQ(ByteRowOfString(wordList.runs[0]), 6u);
}

TEST(Strings, StopAndProgress) {
    constexpr std::uint64_t n = 3'000'000;
    std::vector<std::uint8_t> bytes(n, 0);
    for (std::uint64_t i = 0; i < n; i += 1000) {
        std::copy_n("text", 4, bytes.begin() + static_cast<std::ptrdiff_t>(i));
    }
    const StringSource source = Source(bytes, StringPacking::Bytes);
    std::vector<std::uint64_t> done;
    const StringList all =
        FindStrings(source, FindAllLimit, {}, [&](std::uint64_t d, std::uint64_t t) {
            EXPECT_EQ(t, n);
            done.push_back(d);
        });
    EXPECT_EQ(all.runs.size(), n / 1000);
    ASSERT_FALSE(done.empty());
    EXPECT_TRUE(std::is_sorted(done.begin(), done.end()));
    EXPECT_EQ(done.back(), n);

    std::stop_source stopped;
    stopped.request_stop();
    EXPECT_TRUE(FindStrings(source, FindAllLimit, stopped.get_token()).runs.empty());

    std::stop_source during;
    const StringList partial =
        FindStrings(source, FindAllLimit, during.get_token(),
                    [&](std::uint64_t, std::uint64_t) { during.request_stop(); });
    EXPECT_GT(partial.runs.size(), 0u);
    EXPECT_LT(partial.runs.size(), n / 1000);
}

TEST(Strings, AScanOnAWorkerStopsAtAnyMomentOrGivesTheWholeResult) {
    constexpr std::uint64_t n = 3'000'000;
    std::vector<std::uint8_t> bytes(2 * n, 0);
    for (std::uint64_t i = 0; i < n; i += 500) {
        for (std::uint64_t k = 0; k < 5; ++k) {
            bytes[2 * (i + k)] = 'w';
        }
    }
    const StringSource source = Source(bytes, StringPacking::Words);
    for (int delay = 0; delay < 40; ++delay) {
        std::atomic<int> results{0};
        std::atomic<bool> whole{true};
        {
            BackgroundTask task;
            TaskCallbacks<StringList> callbacks;
            callbacks.result = [&](StringList&& list) {
                ++results;
                whole = list.runs.size() == n / 500 && !list.limited;
            };
            task.start(TaskWork<StringList>([&](std::stop_token stop, const ProgressFn& progress) {
                           return FindStrings(source, FindAllLimit, stop, progress);
                       }),
                       std::move(callbacks));
            std::this_thread::sleep_for(std::chrono::microseconds(delay * 50));
            task.requestStop();
        }
        EXPECT_LE(results, 1) << delay;
        EXPECT_TRUE(whole) << delay;
    }
}

}  // namespace
}  // namespace sorrel
