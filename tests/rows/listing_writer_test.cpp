// The lister's text in-process, against the windows' own cell sources: the
// table-driven lines must give, row for row, what ListingRows::cell and
// ByteRows::cell give, for any division of the image into pieces and for
// rows past 2^16 and 2^32.
#include "listing_writer.h"

#include <cstdint>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <fstream>

#include "byte_text.h"
#include "listing_document.h"
#include "listing_text.h"
#include "temporary_folder.h"

namespace {

using sorrel::ListingMode;
using sorrel::ListingWriter;

std::vector<std::uint8_t> RandomImage(std::size_t size, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<std::uint8_t> bytes(size);
    for (auto& b : bytes) {
        b = static_cast<std::uint8_t>(random());
    }
    return bytes;
}

void AppendRow(std::string& text, const sorrel::ShortText& a, const sorrel::ShortText& b,
               const sorrel::ShortText& c) {
    text.append(a.view()).append("\t").append(b.view()).append("\t").append(c.view()).append("\n");
}

// The listing made cell by cell from the windows' cell sources.
std::string Reference(const std::vector<std::uint8_t>& bytes, ListingMode mode) {
    std::string text;
    if (mode == ListingMode::Bytes) {
        const sorrel::ByteRows rows{bytes.data(), bytes.size()};
        for (std::uint64_t r = 0; r < rows.rowCount(); ++r) {
            AppendRow(text, rows.cell(r, 0), rows.cell(r, 1), rows.cell(r, 2));
        }
    } else {
        const sorrel::ListingRows rows{bytes.data(), bytes.size(), mode == ListingMode::Raw};
        for (std::uint64_t r = 0; r < rows.rowCount(); ++r) {
            AppendRow(text, rows.cell(r, 0), rows.cell(r, 1), rows.cell(r, 2));
        }
    }
    return text;
}

// Lists bytes given to the writer in pieces of the given sizes (cycled).
std::string InPieces(const std::vector<std::uint8_t>& bytes, ListingMode mode,
                     const std::vector<std::size_t>& pieces, std::uint64_t startOffset = 0) {
    std::string text;
    ListingWriter writer(
        mode,
        [&text](std::string_view piece) {
            text.append(piece);
            return true;
        },
        startOffset);
    std::size_t at = 0;
    for (std::size_t i = 0; at < bytes.size(); ++i) {
        const std::size_t n = std::min(pieces[i % pieces.size()], bytes.size() - at);
        EXPECT_TRUE(writer.write(bytes.data() + at, n));
        at += n;
    }
    EXPECT_TRUE(writer.finish());
    EXPECT_EQ(writer.bytesIn(), bytes.size());
    return text;
}

const char* Name(ListingMode mode) {
    return mode == ListingMode::Raw ? "raw" : mode == ListingMode::Header ? "header" : "bytes";
}

// Enough words for addresses past FFFFh in both word modes (word 65792 is
// "10000h" with a header) and an odd last byte.
TEST(ListingWriterTest, MatchesTheWindowsCellSources) {
    const std::vector<std::uint8_t> image = RandomImage(2 * 65792 + 2 * 300 + 1, 1);
    for (ListingMode mode : {ListingMode::Header, ListingMode::Raw, ListingMode::Bytes}) {
        SCOPED_TRACE(Name(mode));
        const std::string expected = Reference(image, mode);
        EXPECT_TRUE(sorrel::ListingOf(image.data(), image.size(), mode) == expected);
        // Pieces that split words, blocks of addresses and the output buffer.
        for (const auto& pieces : std::vector<std::vector<std::size_t>>{
                 {1}, {3, 1, 2}, {511, 513}, {65535}, {1 << 20}}) {
            EXPECT_TRUE(InPieces(image, mode, pieces) == expected)
                << "pieces of " << pieces.front();
        }
    }
}

TEST(ListingWriterTest, ListsEveryWordValue) {
    std::vector<std::uint8_t> image;
    for (std::uint32_t w = 0; w < 65536; ++w) {
        image.push_back(static_cast<std::uint8_t>(w & 0xFF));
        image.push_back(static_cast<std::uint8_t>(w >> 8));
    }
    for (ListingMode mode : {ListingMode::Header, ListingMode::Raw}) {
        EXPECT_TRUE(sorrel::ListingOf(image.data(), image.size(), mode) == Reference(image, mode))
            << Name(mode);
    }
}

// The listing of bytes that stand at row firstRow of an image, made cell by
// cell with ListingCellText and ByteCellText themselves.
std::string CellByCell(const std::vector<std::uint8_t>& image, ListingMode mode,
                       std::uint64_t firstRow) {
    const bool bytes = mode == ListingMode::Bytes;
    const bool raw = mode == ListingMode::Raw;
    std::string text;
    const std::uint64_t rows = bytes ? image.size() : image.size() / 2;
    for (std::uint64_t i = 0; i < rows; ++i) {
        const std::uint64_t row = firstRow + i;
        if (bytes) {
            const std::uint8_t b = image[i];
            AppendRow(text, sorrel::ByteCellText(row, b, 0), sorrel::ByteCellText(row, b, 1),
                      sorrel::ByteCellText(row, b, 2));
        } else {
            const auto w = static_cast<std::uint16_t>(image[2 * i] | (image[2 * i + 1] << 8));
            AppendRow(text, sorrel::ListingCellText(row, w, raw, 0),
                      sorrel::ListingCellText(row, w, raw, 1),
                      sorrel::ListingCellText(row, w, raw, 2));
        }
    }
    return text;
}

// Row numbers are 64-bit: rows on both sides of 2^32 words (and bytes) are
// listed with the same texts as the cell functions give for them.
TEST(ListingWriterTest, RowsPastThirtyTwoBits) {
    const std::vector<std::uint8_t> image = RandomImage(2 * 700, 7);
    for (ListingMode mode : {ListingMode::Header, ListingMode::Raw, ListingMode::Bytes}) {
        SCOPED_TRACE(Name(mode));
        const bool bytes = mode == ListingMode::Bytes;
        for (const std::uint64_t firstRow :
             {(std::uint64_t{1} << 32) - 300, (std::uint64_t{1} << 36) - 5,
              std::uint64_t{65536} - 1}) {
            const std::uint64_t start = bytes ? firstRow : 2 * firstRow;
            EXPECT_TRUE(InPieces(image, mode, {333}, start) == CellByCell(image, mode, firstRow))
                << firstRow;
        }
    }
    EXPECT_THROW(ListingWriter(
                     ListingMode::Raw, [](std::string_view) { return true; }, 1),
                 std::invalid_argument);
}

// The decoded rows are made in blocks of 256 addresses, from tables cut from
// the texts of the first block: the bits of the high and the low byte, and
// the last two digits of the address. At every kind of block the lines are
// those of ListingCellText, whatever pieces split the blocks.
TEST(ListingWriterTest, BlocksOfAddressesMatchTheCellTexts) {
    constexpr std::uint64_t LastWord = (std::uint64_t{0xFFFFFFFF} / 2) - 1;  // of 4 GiB - 1 bytes
    struct Case {
        const char* name;
        ListingMode mode;
        std::uint64_t firstRow;
        std::size_t words;
        bool oddLastByte;
    };
    const Case cases[] = {
        {"first blocks", ListingMode::Raw, 0, 700, false},
        {"header, then the first blocks", ListingMode::Header, 0, 256 + 700, false},
        {"4 to 5 digits", ListingMode::Raw, 0xFFFF - 300, 600, false},
        {"4 to 5 digits", ListingMode::Header, 256 + 0xFFFF - 300, 600, false},
        {"5 to 6 digits", ListingMode::Raw, 0xFFFFF - 300, 600, false},
        {"7 to 8 digits", ListingMode::Header, 256 + 0xFFFFFFF - 300, 600, false},
        {"last rows of 4 GiB - 1 bytes", ListingMode::Raw, LastWord - 599, 600, true},
        {"last rows of 4 GiB - 1 bytes", ListingMode::Header, LastWord - 599, 600, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + ", " + Name(c.mode));
        const std::vector<std::uint8_t> image =
            RandomImage(2 * c.words + (c.oddLastByte ? 1 : 0), 11);
        const std::string expected = CellByCell(image, c.mode, c.firstRow);
        for (const auto& pieces : std::vector<std::vector<std::size_t>>{{1 << 20}, {333}, {2}}) {
            EXPECT_TRUE(InPieces(image, c.mode, pieces, 2 * c.firstRow) == expected)
                << "pieces of " << pieces.front();
        }
    }
    EXPECT_EQ(2 * (LastWord + 1) + 1, std::uint64_t{0xFFFFFFFF});
}

// Once the sink refuses, the writer stops and never calls it again.
TEST(ListingWriterTest, StopsWhenTheSinkRefuses) {
    const std::vector<std::uint8_t> image = RandomImage(4 << 20, 3);
    for (ListingMode mode : {ListingMode::Raw, ListingMode::Bytes}) {
        int calls = 0;
        ListingWriter writer(mode, [&calls](std::string_view) {
            ++calls;
            return false;
        });
        bool accepted = true;
        for (std::size_t at = 0; at < image.size() && accepted; at += 65536) {
            accepted = writer.write(image.data() + at, 65536);
        }
        EXPECT_FALSE(accepted);
        EXPECT_FALSE(writer.finish());
        EXPECT_FALSE(writer.write(image.data(), 2));
        EXPECT_EQ(calls, 1) << Name(mode);
    }
}

// Notes of every 13th row, long ones now and then, and one longer than the
// writer's buffer; "→ loc" marks the names made up.
class SomeNotes final : public sorrel::RowNotes {
  public:
    std::size_t appendText(std::uint64_t row, std::uint16_t word, bool raw,
                           std::string& out) const override {
        if (row % 13 != 0) {
            return std::string::npos;
        }
        out += "label_" + std::to_string(row) + (raw ? ": raw " : ": ") + std::to_string(word);
        if (row % 39 == 0) {
            out.append(600, 'x');
        }
        if (row == 13 * 300) {
            out.append(200'000, 'y');
        }
        const std::size_t made = out.size();
        out += " → loc";
        return made;
    }
    std::size_t appendJumpText(std::uint16_t, bool, std::string&) const override {
        return std::string::npos;
    }
    std::optional<std::uint64_t> nextNotedRow(std::uint64_t) const override { return {}; }
    std::optional<std::uint64_t> previousNotedRow(std::uint64_t) const override { return {}; }
    bool bookmarked(std::uint64_t) const override { return false; }
    std::string_view label(std::uint64_t) const override { return {}; }
};

// The columns shown on request follow the three, in the order of the grid,
// with the texts of the document's cells, whatever pieces the image comes in.
TEST(ListingWriterTest, ExtraColumnsAreTheDocumentsCells) {
    const sorrel::TemporaryFolder dir;
    const std::vector<std::uint8_t> bytes = RandomImage(2 * 5000 + 1, 5);
    const std::string path = dir.path("image.bin");
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    const auto image = std::make_shared<const sorrel::ImageData>(sorrel::ImageData::read(path));
    const auto notes = std::make_shared<const SomeNotes>();
    const sorrel::ExtraColumns shown[] = {
        {true, false, false}, {false, true, false}, {true, true, false},
        {false, false, true}, {true, true, true},
    };
    for (ListingMode mode : {ListingMode::Header, ListingMode::Raw, ListingMode::Bytes}) {
        for (const sorrel::ExtraColumns& extra : shown) {
            SCOPED_TRACE(std::string(Name(mode)) + (extra.hex ? " hex" : "") +
                         (extra.text ? " text" : "") + (extra.notes ? " notes" : ""));
            const sorrel::ListingDocument document(image, mode, path, extra, notes);
            std::string expected;
            for (std::uint64_t row = 0; row < document.rowCount(); ++row) {
                for (int column = 0; column < document.columnCount(); ++column) {
                    expected += (column == 0 ? "" : "\t") + document.text(row, column);
                }
                expected += '\n';
            }
            for (const std::size_t piece : {std::size_t{1} << 20, std::size_t{333}}) {
                std::string text;
                ListingWriter writer(
                    mode,
                    [&text](std::string_view part) {
                        text.append(part);
                        return true;
                    },
                    0, extra, notes.get());
                for (std::size_t at = 0; at < bytes.size(); at += piece) {
                    writer.write(bytes.data() + at, std::min(piece, bytes.size() - at));
                }
                writer.finish();
                EXPECT_TRUE(text == expected) << "pieces of " << piece;
            }
        }
    }
}

TEST(ListingWriterTest, LastOddByteIsNotAWord) {
    const std::vector<std::uint8_t> image = {0xB9, 0x11, 0x42};
    EXPECT_EQ(sorrel::ListingOf(image.data(), image.size(), ListingMode::Raw),
              "0000h\t0001000110111001\tadd  d1, b5\n");
    EXPECT_EQ(sorrel::ListingOf(image.data(), 1, ListingMode::Header), "");
    EXPECT_EQ(sorrel::ListingOf(image.data(), 0, ListingMode::Bytes), "");
}

}  // namespace
