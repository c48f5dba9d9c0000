// The scans that read an image as data (strings, region boundaries, class
// counts), spread over 2, 3 and 7 threads, against the same scans on one
// thread: images made of pieces of text, fill and code of random lengths, so
// that strings and runs fall across the slices' boundaries, and images that
// are one string or one run from end to end.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "class_counts.h"
#include "regions.h"
#include "search_test_words.h"
#include "string_runs.h"

namespace sorrel {
namespace {

// count words of pieces chosen at random: text (one character a byte, or a
// word), 0000h, FFFFh and random words, each 1 to 40 words long.
std::vector<std::uint8_t> Patchwork(std::uint32_t seed, std::size_t count) {
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> bytes;
    while (bytes.size() < 2 * count) {
        const unsigned kind = rng() % 5;
        const unsigned length = 1 + rng() % 40;
        for (unsigned i = 0; i < length; ++i) {
            const auto letter = static_cast<std::uint8_t>('A' + rng() % 26);
            switch (kind) {
                case 0:  // a character a byte
                    bytes.insert(bytes.end(),
                                 {letter, static_cast<std::uint8_t>('a' + rng() % 26)});
                    break;
                case 1:  // a character a word
                    bytes.insert(bytes.end(), {letter, 0x00});
                    break;
                case 2:
                    bytes.insert(bytes.end(), {0x00, 0x00});
                    break;
                case 3:
                    bytes.insert(bytes.end(), {0xFF, 0xFF});
                    break;
                default:
                    bytes.insert(bytes.end(), {static_cast<std::uint8_t>(rng()),
                                               static_cast<std::uint8_t>(rng())});
            }
        }
    }
    bytes.resize(2 * count + seed % 2);  // an odd last byte now and then
    return bytes;
}

struct ImageCase {
    const char* what;
    std::vector<std::uint8_t> bytes;
};

std::vector<ImageCase> Images() {
    std::vector<ImageCase> images;
    for (std::uint32_t seed = 1; seed <= 6; ++seed) {
        images.push_back({"patchwork", Patchwork(seed, 3000 + 517 * seed)});
    }
    images.push_back({"one string a byte", std::vector<std::uint8_t>(5000, 'S')});
    images.push_back({"one string a word", [] {
                          std::vector<std::uint8_t> b(5000, 0);
                          for (std::size_t i = 0; i < b.size(); i += 2) {
                              b[i] = 'W';
                          }
                          return b;
                      }()});
    images.push_back({"erased", std::vector<std::uint8_t>(6000, 0xFF)});
    return images;
}

TEST(SlicedDataScans, StringsAsOnOneThread) {
    for (const ImageCase& image : Images()) {
        for (const StringPacking packing : {StringPacking::Bytes, StringPacking::Words}) {
            const StringSource source{image.bytes.data(), image.bytes.size(), packing};
            for (const std::uint64_t limit : {FindAllLimit, std::uint64_t{1}, std::uint64_t{7}}) {
                const StringList one = FindStrings(source, limit, {}, {}, Threads(1));
                for (const unsigned threads : {2u, 3u, 7u}) {
                    const StringList many = FindStrings(source, limit, {}, {}, Threads(threads));
                    EXPECT_EQ(many.runs, one.runs) << image.what << ", " << threads << " threads";
                    EXPECT_EQ(many.limited, one.limited)
                        << image.what << ", " << threads << " threads, limit " << limit;
                }
            }
        }
    }
}

template <typename Rows>
void ExpectBoundariesAsOnOneThread(const Rows& rows, const char* what) {
    const std::uint64_t n = rows.rowCount();
    for (std::uint64_t row = 0; row <= n; row += 1 + n / 11) {
        const auto next = NextRegionBoundary(rows, row, {}, {}, Threads(1));
        const auto previous = PreviousRegionBoundary(rows, row, {}, {}, Threads(1));
        for (const unsigned threads : {2u, 3u, 7u}) {
            ASSERT_EQ(NextRegionBoundary(rows, row, {}, {}, Threads(threads)), next)
                << what << ", next from " << row << ", " << threads << " threads";
            ASSERT_EQ(PreviousRegionBoundary(rows, row, {}, {}, Threads(threads)), previous)
                << what << ", previous from " << row << ", " << threads << " threads";
        }
    }
}

TEST(SlicedDataScans, RegionBoundariesAsOnOneThread) {
    for (const ImageCase& image : Images()) {
        ExpectBoundariesAsOnOneThread(ListingRows{image.bytes.data(), image.bytes.size(), true},
                                      image.what);
        ExpectBoundariesAsOnOneThread(ByteRows{image.bytes.data(), image.bytes.size()}, image.what);
    }
}

TEST(SlicedDataScans, ClassCountsAsOnOneThread) {
    for (const ImageCase& image : Images()) {
        for (const bool raw : {true, false}) {
            const ListingRows rows{image.bytes.data(), image.bytes.size(), raw};
            const ClassCounts one = CountClasses(rows, {}, {}, Threads(1));
            for (const unsigned threads : {2u, 3u, 7u}) {
                EXPECT_EQ(CountClasses(rows, {}, {}, Threads(threads)), one)
                    << image.what << ", " << threads << " threads";
            }
        }
    }
}

}  // namespace
}  // namespace sorrel
