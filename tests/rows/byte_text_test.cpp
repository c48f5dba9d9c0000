// The byte-order listing's cell texts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "byte_text.h"

namespace sorrel {
namespace {

struct ByteCase {
    std::uint64_t offset;
    std::uint8_t byte;
    std::string column0;
    std::string column1;
    std::string column2;
};

TEST(ByteCellText, Rows) {
    const ByteCase cases[] = {
        {0, 0x34, "0000(0)", "0000", "00110100"},
        {1, 0x12, "0001(1)", "", "00010010"},
        {2, 0x00, "0002(2)", "0001", "00000000"},
        {10, 0xA5, "000A(10)", "0005", "10100101"},
        {11, 0xFF, "000B(11)", "", "11111111"},
        {65535, 0x80, "FFFF(65535)", "", "10000000"},
        {65536, 0x01, "10000(65536)", "8000", "00000001"},
        {131072, 0x7F, "20000(131072)", "10000", "01111111"},
        {0xFFFFFFFEull, 0x55, "FFFFFFFE(4294967294)", "7FFFFFFF", "01010101"},
        {0xFFFFFFFFull, 0xAA, "FFFFFFFF(4294967295)", "", "10101010"},
    };
    for (const ByteCase& c : cases) {
        EXPECT_EQ(ByteCellText(c.offset, c.byte, 0).view(), c.column0) << c.offset;
        EXPECT_EQ(ByteCellText(c.offset, c.byte, 1).view(), c.column1) << c.offset;
        EXPECT_EQ(ByteCellText(c.offset, c.byte, 2).view(), c.column2) << c.offset;
        EXPECT_EQ(ByteCellText(c.offset, c.byte, 3).view(), "") << c.offset;
    }
}

TEST(ByteRows, EveryByteIsListedTheLastOddOneIncluded) {
    const std::vector<std::uint8_t> bytes{0x34, 0x12, 0xA5};
    const ByteRows rows{bytes.data(), bytes.size()};
    ASSERT_EQ(rows.rowCount(), 3u);
    EXPECT_EQ(rows.cell(0, 0).view(), "0000(0)");
    EXPECT_EQ(rows.cell(0, 1).view(), "0000");
    EXPECT_EQ(rows.cell(0, 2).view(), "00110100");
    EXPECT_EQ(rows.cell(1, 0).view(), "0001(1)");
    EXPECT_EQ(rows.cell(1, 1).view(), "");
    EXPECT_EQ(rows.cell(1, 2).view(), "00010010");
    EXPECT_EQ(rows.cell(2, 0).view(), "0002(2)");
    EXPECT_EQ(rows.cell(2, 1).view(), "0001");
    EXPECT_EQ(rows.cell(2, 2).view(), "10100101");
    EXPECT_EQ(rows.cell(3, 0).view(), "");  // past the last byte
}

TEST(ByteRows, EmptyImageHasNoRows) {
    const ByteRows rows{nullptr, 0};
    EXPECT_EQ(rows.rowCount(), 0u);
    EXPECT_EQ(rows.cell(0, 2).view(), "");
}

TEST(ByteRows, OffsetPastFFFFh) {
    std::vector<std::uint8_t> bytes(65537, 0xFF);
    bytes[65536] = 0x12;
    const ByteRows rows{bytes.data(), bytes.size()};
    EXPECT_EQ(rows.cell(65536, 0).view(), "10000(65536)");
    EXPECT_EQ(rows.cell(65536, 1).view(), "8000");
    EXPECT_EQ(rows.cell(65536, 2).view(), "00010010");
}

}  // namespace
}  // namespace sorrel
