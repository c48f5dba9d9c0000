// The number texts of the listings, appended to a cell's text: hex(v), dec(v),
// the index text "000A(10)" of a header word or a byte, and a byte's bits.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "sorrel_support.h"

namespace sorrel {

// hex(v): upper-case hexadecimal with at least minDigits digits.
void AppendHex(ShortText& out, std::uint64_t v, int minDigits = 4);
// The value of a hexadecimal digit in either case; -1 for any other character.
constexpr int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}
// dec(v): decimal without leading zeros.
void AppendDec(ShortText& out, std::uint64_t v);
// hex(v) + "(" + dec(v) + ")": "000A(10)".
void AppendIndex(ShortText& out, std::uint64_t v);
// The eight bits of a byte, bit 7 first.
void AppendByteBits(ShortText& out, std::uint8_t byte);

// The eight characters of each byte's bits, bit 7 first, packed for memcpy.
constexpr std::array<std::array<char, 8>, 256> MakeByteBitsTable() {
    std::array<std::array<char, 8>, 256> table{};
    for (unsigned b = 0; b < 256; ++b) {
        for (unsigned i = 0; i < 8; ++i) {
            table[b][i] = static_cast<char>('0' + ((b >> (7 - i)) & 1));
        }
    }
    return table;
}
inline constexpr auto ByteBitsTable = MakeByteBitsTable();

// The eight bits of a byte, bit 7 first, as a view of the table.
inline std::string_view ByteBitsText(std::uint8_t byte) {
    return {ByteBitsTable[byte].data(), 8};
}

}  // namespace sorrel
