// Find next and previous round a listing document: the rows after (before)
// the current one first, then, wrapping, the rest with the current row last,
// in both the main and the byte-order listing.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "row_scanner.h"
#include "search_test_words.h"
#include "temporary_folder.h"
#include "wrap_find.h"

namespace sorrel {
namespace {

// A document of words in mode, read from a real file.
std::shared_ptr<const ListingDocument> Document(const TemporaryFolder& dir,
                                                const std::vector<std::uint16_t>& words,
                                                ListingMode mode) {
    const std::string path = dir.path("image.bin");
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        for (const std::uint16_t w : words) {
            out.put(static_cast<char>(w & 0xFF)).put(static_cast<char>(w >> 8));
        }
    }
    auto image = std::make_shared<const ImageData>(ImageData::read(path));
    return std::make_shared<const ListingDocument>(std::move(image), mode, path);
}

TEST(FindWrapping, GoesToTheEndThenWrapsWithTheCurrentRowLast) {
    struct Case {
        const char* name;
        std::vector<std::uint64_t> matches;  // rows of jmp in a raw image of 10 words
        std::uint64_t from;
        FindDirection direction;
        std::optional<std::uint64_t> row;
        bool wrapped;
    };
    using enum FindDirection;
    const Case cases[] = {
        {"next after the start", {2, 7}, 0, Next, 2, false},
        {"next from a match", {2, 7}, 2, Next, 7, false},
        {"next past the last match wraps", {2, 7}, 7, Next, 2, true},
        {"next from the last row wraps", {2, 7}, 9, Next, 2, true},
        {"previous before a match", {2, 7}, 7, Previous, 2, false},
        {"previous past the first match wraps", {2, 7}, 2, Previous, 7, true},
        {"previous from the first row wraps", {2, 7}, 0, Previous, 7, true},
        {"the only match is the current row, found last", {4}, 4, Next, 4, true},
        {"the only match, backwards", {4}, 4, Previous, 4, true},
        {"no match", {}, 3, Next, std::nullopt, false},
    };
    const TemporaryFolder dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint16_t> words(10, NoClassWord);
        for (const std::uint64_t row : c.matches) {
            words[row] = Jmp3FE;
        }
        const auto scanner = MakeRowScanner(Document(dir, words, ListingMode::Raw), Query("jmp"));
        std::uint64_t lastDone = 0;
        std::uint64_t total = 0;
        const WrappedFind found = FindWrapping(*scanner, c.from, c.direction, {},
                                               [&](std::uint64_t done, std::uint64_t all) {
                                                   EXPECT_GE(done, lastDone);
                                                   lastDone = done;
                                                   total = all;
                                               });
        EXPECT_EQ(found.row, c.row);
        EXPECT_EQ(found.wrapped, c.wrapped);
        if (!c.row) {
            EXPECT_EQ(lastDone, 10u) << "every row is searched once";
            EXPECT_EQ(total, 10u);
        }
    }
}

TEST(FindWrapping, ScansTheListingOfTheDocumentsMode) {
    const TemporaryFolder dir;
    // jmp 03FEh is the bytes FEh, 83h at offsets 2 and 3.
    const std::vector<std::uint16_t> words = {NoClassWord, Jmp3FE, NoClassWord};
    struct Case {
        ListingMode mode;
        const char* query;
        std::optional<std::uint64_t> row;
    };
    const Case cases[] = {
        {ListingMode::Bytes, "10000011", 3},
        {ListingMode::Bytes, "jmp", std::nullopt},
        {ListingMode::Raw, "jmp", 1},
        // In an image with a header every word here is a header word: its bits only.
        {ListingMode::Header, "jmp", std::nullopt},
        {ListingMode::Header, "10000011", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.query);
        const auto scanner = MakeRowScanner(Document(dir, words, c.mode), Query(c.query));
        EXPECT_EQ(FindWrapping(*scanner, 0, FindDirection::Next).row, c.row);
    }
}

}  // namespace
}  // namespace sorrel
