// The image's hash: XXH3-64 of the little-endian digests of its 16 MiB
// pieces, whatever the ranges of pieces it is made in or the pieces a
// stream arrives in; stopped and watched as a worker's pass.
#include "image_hash.h"

#include <algorithm>
#include <random>
#include <stop_token>
#include <vector>

#include <gtest/gtest.h>

#define XXH_INLINE_ALL
#include <xxhash.h>

namespace sorrel {
namespace {

std::vector<std::uint8_t> RandomBytes(std::size_t size, std::uint32_t seed) {
    std::vector<std::uint8_t> bytes(size);
    std::mt19937 random(seed);
    for (std::size_t i = 0; i < size; i += 4) {
        const std::uint32_t r = random();
        for (std::size_t j = 0; j < 4 && i + j < size; ++j) {
            bytes[i + j] = static_cast<std::uint8_t>(r >> (8 * j));
        }
    }
    return bytes;
}

// The hash as README tells how to check it: the pieces' XXH3-64 digests,
// each as 8 little-endian bytes, hashed again with XXH3-64.
std::uint64_t AsDocumented(const std::vector<std::uint8_t>& image) {
    std::vector<std::uint8_t> digests;
    for (std::size_t at = 0; at < image.size(); at += 16 << 20) {
        const std::uint64_t d =
            XXH3_64bits(image.data() + at, std::min<std::size_t>(16 << 20, image.size() - at));
        for (int i = 0; i < 8; ++i) {
            digests.push_back(static_cast<std::uint8_t>(d >> (8 * i)));
        }
    }
    return XXH3_64bits(digests.data(), digests.size());
}

TEST(ImageHash, IsTheHashOfThePiecesDigestsInAnyRangesAndStreams) {
    const std::size_t piece = ImageHashPiece;
    const std::vector<std::uint8_t> all = RandomBytes(2 * piece + piece / 2 + 3, 1);
    for (const std::size_t size :
         {std::size_t{0}, std::size_t{1}, piece - 1, piece, piece + 1, all.size()}) {
        SCOPED_TRACE(size);
        const std::vector<std::uint8_t> image(all.begin(),
                                              all.begin() + static_cast<std::ptrdiff_t>(size));
        const std::uint64_t expected = AsDocumented(image);
        EXPECT_EQ(ImageHash(image.data(), size), expected);
        // Pieces hashed by slices of 1, 2, 3 and 7 threads.
        for (const unsigned threads : {1u, 2u, 3u, 7u}) {
            EXPECT_EQ(ImageHash(image.data(), size, {}, {}, SliceOptions{threads, 0}), expected)
                << threads << " threads";
        }

        // Two ranges of pieces, as two threads would hash them.
        const std::size_t pieces = ImageHashPieceCount(size);
        std::vector<std::uint64_t> digests(pieces);
        const std::size_t half = pieces / 2;
        EXPECT_TRUE(HashImagePieces(image.data(), size, 0, half, digests.data()));
        EXPECT_TRUE(HashImagePieces(image.data(), size, half, pieces, digests.data() + half));
        EXPECT_EQ(CombineImageHash(digests), expected);

        // A stream in pieces that do not fall on the 16 MiB boundaries.
        for (const std::size_t step : {std::size_t{1} << 20, std::size_t{999'999}, piece}) {
            ImageHasher hasher;
            for (std::size_t at = 0; at < size; at += step) {
                hasher.add(image.data() + at, std::min(step, size - at));
            }
            EXPECT_EQ(hasher.finish(), expected) << step;
        }
    }
    EXPECT_EQ(HashText(0x0123456789abcdefULL), "0123456789abcdef");
    EXPECT_EQ(HashText(1), "0000000000000001");
}

TEST(ImageHash, EveryByteCounts) {
    std::vector<std::uint8_t> image = RandomBytes(ImageHashPiece + 100, 2);
    const std::uint64_t before = *ImageHash(image.data(), image.size());
    for (const std::size_t at :
         {std::size_t{0}, ImageHashPiece - 1, ImageHashPiece, image.size() - 1}) {
        image[at] ^= 1;
        EXPECT_NE(ImageHash(image.data(), image.size()), before) << at;
        image[at] ^= 1;
    }
    EXPECT_NE(ImageHash(image.data(), image.size() - 1), before);
}

TEST(ImageHash, StopsAndReportsProgress) {
    const std::vector<std::uint8_t> image = RandomBytes(3 * ImageHashPiece, 3);
    std::vector<std::pair<std::uint64_t, std::uint64_t>> reports;
    const auto report = [&](std::uint64_t done, std::uint64_t total) {
        reports.emplace_back(done, total);
    };
    const SliceOptions oneThread{1, 0};
    EXPECT_TRUE(ImageHash(image.data(), image.size(), {}, report, oneThread).has_value());
    const std::vector<std::pair<std::uint64_t, std::uint64_t>> expected = {
        {ImageHashPiece, image.size()},
        {2 * ImageHashPiece, image.size()},
        {3 * ImageHashPiece, image.size()}};
    EXPECT_EQ(reports, expected);
    // On every core the reports still rise to the whole.
    reports.clear();
    EXPECT_TRUE(ImageHash(image.data(), image.size(), {}, report).has_value());
    ASSERT_FALSE(reports.empty());
    EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
    EXPECT_EQ(reports.back(), expected.back());

    std::stop_source stop;
    int calls = 0;
    EXPECT_EQ(ImageHash(
                  image.data(), image.size(), stop.get_token(),
                  [&](std::uint64_t, std::uint64_t) {
                      ++calls;
                      stop.request_stop();
                  },
                  oneThread),
              std::nullopt);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(ImageHash(image.data(), image.size(), stop.get_token()), std::nullopt);
}

}  // namespace
}  // namespace sorrel
