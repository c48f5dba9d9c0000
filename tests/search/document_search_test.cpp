// Find over a listing document with the columns shown on request: the hex
// and text columns and the notes column, whose rows with notes of their own
// are looked at one by one and whose "→ NAME" of a jump follows from the
// word alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "notes_column.h"
#include "row_scanner.h"
#include "search_test_words.h"
#include "temporary_folder.h"
#include "wrap_find.h"

namespace sorrel {
namespace {

constexpr std::uint16_t JsrAt3 = 0x9003;   // jsr  0003h
constexpr std::uint16_t JmpAt1 = 0x8001;   // jmp  0001h
constexpr std::uint16_t Letters = 0x4946;  // the bytes 46h 49h: "FI"

std::shared_ptr<const ImageData> Image(const TemporaryFolder& dir,
                                       const std::vector<std::uint16_t>& words) {
    const std::string path = dir.path("image.bin");
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        for (const std::uint16_t w : words) {
            out.put(static_cast<char>(w & 0xFF)).put(static_cast<char>(w >> 8));
        }
    }
    return std::make_shared<const ImageData>(ImageData::read(path));
}

TEST(DocumentSearch, FindsInTheColumnsShownOnly) {
    const TemporaryFolder dir;
    // A raw image: row 0 add, 1 jsr 0003h, 2 "FI", 3 jmp 0001h, 4 add, 5 add.
    const auto image = Image(dir, {Add, JsrAt3, Letters, JmpAt1, Add, Add});
    const auto notes = std::make_shared<const NotesColumn>(NoteSet::Of({
        {1, {"start", "", false}},
        {4, {"", "wait for the timer", true}},
        {5, {"", "", true}},  // a bookmark alone: its notes text is empty
    }));
    struct Case {
        const char* query;
        ExtraColumns extra;
        std::vector<std::uint64_t> rows;
    };
    const ExtraColumns none{};
    const ExtraColumns hex{true, false, false};
    const ExtraColumns text{false, true, false};
    const ExtraColumns noted{false, false, true};
    const Case cases[] = {
        {"11b9", none, {}},        {"11b9", hex, {0, 4, 5}},   {"FI", none, {}}, {"FI", text, {2}},
        {"start", none, {}},       {"start:", noted, {1}},  // the row's own label
        {"→ start", noted, {3}},                            // a jump to it, by its label
        {"sub_0003", noted, {1}},                           // the name made up for a jsr's target
        {"timer", noted, {4}},                              // a comment
        {"add", noted, {0, 4, 5}},                          // the disassembly still
        {"jsr", noted, {1}},       {"start*sub_", noted, {1}},  // across the label and the jump's
                                                                // name
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.query) + (c.extra.hex ? " hex" : "") +
                     (c.extra.text ? " text" : "") + (c.extra.notes ? " notes" : ""));
        const auto document = std::make_shared<const ListingDocument>(image, ListingMode::Raw,
                                                                      "image.bin", c.extra, notes);
        const auto scanner = MakeRowScanner(document, Query(c.query));
        EXPECT_EQ(scanner->all(100, {}, {}).rows, c.rows);
        // Find next and previous round the listing reach the same rows.
        std::vector<std::uint64_t> forward;
        std::vector<std::uint64_t> backward;
        std::uint64_t from = 5;
        for (std::size_t i = 0; i < c.rows.size(); ++i) {
            const WrappedFind found = FindWrapping(*scanner, from, FindDirection::Next);
            ASSERT_TRUE(found.row);
            forward.push_back(*found.row);
            from = *found.row;
        }
        from = 0;
        for (std::size_t i = 0; i < c.rows.size(); ++i) {
            const WrappedFind found = FindWrapping(*scanner, from, FindDirection::Previous);
            ASSERT_TRUE(found.row);
            backward.push_back(*found.row);
            from = *found.row;
        }
        std::sort(forward.begin(), forward.end());
        std::sort(backward.begin(), backward.end());
        EXPECT_EQ(forward, c.rows);
        EXPECT_EQ(backward, c.rows);
        if (c.rows.empty()) {
            EXPECT_FALSE(FindWrapping(*scanner, 0, FindDirection::Next).row);
        }
    }
}

// With the text column shown, a text is found where its bytes stand, across
// the rows that show them two (or one) at a time.
TEST(DocumentSearch, FindsATextAcrossTheRowsOfTheTextColumn) {
    const TemporaryFolder dir;
    // " FIRMWARE V1" from byte 1: words " F", "IR", "MW", "AR", "E ", "V1".
    const auto image = Image(dir, {0x4620, 0x5249, 0x574D, 0x5241, 0x2045, 0x3156, Add});
    struct Case {
        ListingMode mode;
        const char* query;
        bool text;
        std::vector<std::uint64_t> rows;
    };
    const Case cases[] = {
        {ListingMode::Raw, "firmware", true, {0}},  // begins in word 0
        {ListingMode::Raw, "firmware", false, {}},   {ListingMode::Raw, "RMWA", true, {1}},
        {ListingMode::Bytes, "FIRMWARE", true, {1}}, {ListingMode::Bytes, "E V1", true, {8}},
        {ListingMode::Raw, "F*E", true, {}},  // no wildcards across rows
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.query);
        const auto document = std::make_shared<const ListingDocument>(
            image, c.mode, "image.bin", ExtraColumns{false, c.text, false});
        const auto scanner = MakeRowScanner(document, Query(c.query), c.query);
        EXPECT_EQ(scanner->all(100, {}, {}).rows, c.rows);
        const WrappedFind next =
            FindWrapping(*scanner, scanner->rowCount() - 1, FindDirection::Next);
        const WrappedFind previous = FindWrapping(*scanner, 0, FindDirection::Previous);
        EXPECT_EQ(next.row, c.rows.empty() ? std::nullopt : std::optional(c.rows.front()));
        EXPECT_EQ(previous.row, c.rows.empty() ? std::nullopt : std::optional(c.rows.back()));
    }
}

}  // namespace
}  // namespace sorrel
