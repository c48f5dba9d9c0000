// The main listing's cell texts: header rows, decoded rows, addresses past
// FFFFh, and rows made from the image bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "listing_text.h"

namespace sorrel {
namespace {

std::string Hex(std::uint64_t v, int minDigits = 4) {
    ShortText t;
    AppendHex(t, v, minDigits);
    return std::string(t.view());
}

std::string Dec(std::uint64_t v) {
    ShortText t;
    AppendDec(t, v);
    return std::string(t.view());
}

TEST(NumberTexts, HexAndDec) {
    EXPECT_EQ(Hex(0), "0000");
    EXPECT_EQ(Hex(10), "000A");
    EXPECT_EQ(Hex(0xABCD), "ABCD");
    EXPECT_EQ(Hex(65536), "10000");
    EXPECT_EQ(Hex(0xFFFFFFFFull), "FFFFFFFF");
    EXPECT_EQ(Hex(UINT64_MAX), "FFFFFFFFFFFFFFFF");
    EXPECT_EQ(Hex(5, 2), "05");
    EXPECT_EQ(Hex(0x3FE, 1), "3FE");
    EXPECT_EQ(Dec(0), "0");
    EXPECT_EQ(Dec(65536), "65536");
    EXPECT_EQ(Dec(UINT64_MAX), "18446744073709551615");
    EXPECT_EQ(Hex(65536) + "(" + Dec(65536) + ")", "10000(65536)");
}

TEST(NumberTexts, AppendingToANearlyFullTextKeepsTheLeadingCharacters) {
    ShortText t;
    t.append(std::string(20, '.'));
    AppendHex(t, UINT64_MAX);
    EXPECT_EQ(t.view(), std::string(20, '.') + std::string(11, 'F'));

    ShortText u;
    u.append(std::string(25, '.'));
    AppendHex(u, 0x123, 10);
    EXPECT_EQ(u.view(), std::string(25, '.') + "000000");

    ShortText v;
    v.append(std::string(28, '.'));
    AppendDec(v, 1234567);
    EXPECT_EQ(v.view(), std::string(28, '.') + "123");
}

struct CellCase {
    std::uint64_t row;
    std::uint16_t word;
    bool raw;
    std::string column0;
    std::string column1;
    std::string column2;
};

TEST(ListingCellText, Rows) {
    const CellCase cases[] = {
        // Image header: index in hexadecimal and decimal, never decoded.
        {0, 0x0000, false, "0000(0)", "0000000000000000", ""},
        {10, 0x11B9, false, "000A(10)", "0001000110111001", ""},
        {255, 0x2563, false, "00FF(255)", "0010010101100011", ""},
        // The program part: addresses start again at 0000h.
        {256, 0x2563, false, "0000h", "0010010101100011", "ldr  #3, ACh"},
        {257, 0x0000, false, "0001h", "0000000000000000", "nop  "},
        {65792, 0x83FE, false, "10000h", "1000001111111110", "jmp  03FEh"},
        // Raw image: every row decoded, addresses from 0000h.
        {0, 0x0000, true, "0000h", "0000000000000000", "nop  "},
        {10, 0x11B9, true, "000Ah", "0001000110111001", "add  d1, b5"},
        {255, 0x1234, true, "00FFh", "0001001000110100", "add  c4, c1"},
        {65536, 0x07E0, true, "10000h", "0000011111100000", "mov  a0, d7"},
        {0xFFFFFFFFull, 0xFFFF, true, "FFFFFFFFh", "1111111111111111", ""},
        // A word of no class leaves column 2 empty.
        {300, 0x8400, false, "002Ch", "1000010000000000", ""},
    };
    for (const CellCase& c : cases) {
        EXPECT_EQ(ListingCellText(c.row, c.word, c.raw, 0).view(), c.column0) << c.row;
        EXPECT_EQ(ListingCellText(c.row, c.word, c.raw, 1).view(), c.column1) << c.row;
        EXPECT_EQ(ListingCellText(c.row, c.word, c.raw, 2).view(), c.column2) << c.row;
        EXPECT_EQ(ListingCellText(c.row, c.word, c.raw, 3).view(), "") << c.row;
        EXPECT_EQ(ListingCellText(c.row, c.word, c.raw, -1).view(), "") << c.row;
    }
}

TEST(ListingRows, WordsAreLittleEndian) {
    const std::vector<std::uint8_t> bytes{0x34, 0x12, 0xB9, 0x11, 0xFF};
    const ListingRows rows{bytes.data(), bytes.size(), true};
    ASSERT_EQ(rows.rowCount(), 2u);  // the last odd byte belongs to no word
    EXPECT_EQ(rows.word(0), 0x1234);
    EXPECT_EQ(rows.word(1), 0x11B9);
    EXPECT_EQ(rows.cell(0, 1).view(), "0001001000110100");
    EXPECT_EQ(rows.cell(1, 2).view(), "add  d1, b5");
    EXPECT_EQ(rows.cell(2, 0).view(), "");
    EXPECT_THROW(rows.word(2), std::out_of_range);
}

TEST(ListingRows, EmptyAndOneByteImagesHaveNoRows) {
    const std::uint8_t one = 0x12;
    EXPECT_EQ((ListingRows{nullptr, 0, false}.rowCount()), 0u);
    EXPECT_EQ((ListingRows{&one, 1, false}.rowCount()), 0u);
    EXPECT_EQ((ListingRows{&one, 1, false}.cell(0, 0).view()), "");
}

TEST(ListingRows, HeaderOf256WordsIsNeverDecoded) {
    const std::vector<std::uint8_t> bytes(512, 0x00);  // 256 nop words
    const ListingRows rows{bytes.data(), bytes.size(), false};
    ASSERT_EQ(rows.rowCount(), 256u);
    for (std::uint64_t r = 0; r < rows.rowCount(); ++r) {
        EXPECT_EQ(rows.cell(r, 0).view(), Hex(r) + "(" + Dec(r) + ")");
        EXPECT_EQ(rows.cell(r, 2).view(), "");
    }
    EXPECT_EQ(rows.cell(255, 0).view(), "00FF(255)");
}

TEST(ListingRows, With257WordsOnlyTheLastIsDecoded) {
    std::vector<std::uint8_t> bytes(514, 0x00);
    const ListingRows header{bytes.data(), bytes.size(), false};
    EXPECT_EQ(header.cell(0, 0).view(), "0000(0)");
    EXPECT_EQ(header.cell(255, 0).view(), "00FF(255)");
    EXPECT_EQ(header.cell(255, 2).view(), "");
    EXPECT_EQ(header.cell(256, 0).view(), "0000h");
    EXPECT_EQ(header.cell(256, 2).view(), "nop  ");

    const ListingRows raw{bytes.data(), bytes.size(), true};
    EXPECT_EQ(raw.cell(0, 0).view(), "0000h");
    EXPECT_EQ(raw.cell(1, 0).view(), "0001h");
    EXPECT_EQ(raw.cell(0, 2).view(), "nop  ");
}

TEST(ListingRows, AddressesPastFFFFh) {
    std::vector<std::uint8_t> bytes(2 * 65793, 0xFF);  // unread bytes list as FFFFh
    const ListingRows header{bytes.data(), bytes.size(), false};
    EXPECT_EQ(header.cell(65792, 0).view(), "10000h");
    EXPECT_EQ(header.cell(65792, 1).view(), "1111111111111111");
    EXPECT_EQ(header.cell(65792, 2).view(), "");
    const ListingRows raw{bytes.data(), bytes.size(), true};
    EXPECT_EQ(raw.cell(65536, 0).view(), "10000h");
    EXPECT_EQ(raw.cell(65792, 0).view(), "10100h");
}

}  // namespace
}  // namespace sorrel
