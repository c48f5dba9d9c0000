// The main listing's cell texts, made from the image bytes on demand.
#include "listing_text.h"

#include <array>
#include <bit>
#include <cstring>
#include <stdexcept>
#include <string>

namespace sorrel {
namespace {

constexpr char HexDigits[] = "0123456789ABCDEF";

// The eight characters of each byte's bits, bit 7 first, packed for memcpy.
constexpr std::array<std::array<char, 8>, 256> BuildByteBits() {
    std::array<std::array<char, 8>, 256> table{};
    for (unsigned b = 0; b < 256; ++b) {
        for (unsigned i = 0; i < 8; ++i) {
            table[b][i] = static_cast<char>('0' + ((b >> (7 - i)) & 1));
        }
    }
    return table;
}

constexpr auto ByteBits = BuildByteBits();

// The two hexadecimal digits of each byte.
constexpr std::array<std::array<char, 2>, 256> BuildHexPairs() {
    std::array<std::array<char, 2>, 256> table{};
    for (unsigned b = 0; b < 256; ++b) {
        table[b] = {HexDigits[b >> 4], HexDigits[b & 0xF]};
    }
    return table;
}

constexpr auto HexPairs = BuildHexPairs();

// Room left in out, or 0 when it is full.
std::size_t Room(const ShortText& out) {
    return ShortText::capacity - out.size;
}

}  // namespace

void AppendHex(ShortText& out, std::uint64_t v, int minDigits) {
    const int needed = v == 0 ? 1 : (std::bit_width(v) + 3) / 4;
    const int digits = needed > minDigits ? needed : minDigits;
    if (static_cast<std::size_t>(digits) > Room(out)) {
        // Too long for the text: keep its leading characters.
        for (int i = digits - 1; i >= 0; --i) {
            out.append(i >= 16 ? '0' : HexDigits[(v >> (4 * i)) & 0xF]);
        }
        return;
    }
    // Written from the last digit back, two at a time.
    char* const start = out.data.data() + out.size;
    char* p = start + digits;
    while (p - start >= 2) {
        p -= 2;
        std::memcpy(p, HexPairs[v & 0xFF].data(), 2);
        v >>= 8;
    }
    if (p != start) {
        *--p = HexDigits[v & 0xF];
    }
    out.size = static_cast<std::uint8_t>(out.size + digits);
}

void AppendDec(ShortText& out, std::uint64_t v) {
    char digits[20];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    while (n > 0) {
        out.append(digits[--n]);
    }
}

void AppendByteBits(ShortText& out, std::uint8_t byte) {
    out.append(std::string_view(ByteBits[byte].data(), 8));
}

ShortText ListingCellText(std::uint64_t row, std::uint16_t word, bool raw, int column) {
    const bool header = !raw && row < HeaderWords;
    if (column == 2) {
        return header ? ShortText{} : FormatWord(word);
    }
    ShortText out;
    if (column == 0) {
        if (header) {
            AppendHex(out, row);
            out.append('(');
            AppendDec(out, row);
            out.append(')');
        } else {
            AppendHex(out, row - (raw ? 0 : HeaderWords));
            out.append('h');
        }
    } else if (column == 1) {
        std::memcpy(out.data.data(), ByteBits[word >> 8].data(), 8);
        std::memcpy(out.data.data() + 8, ByteBits[word & 0xFF].data(), 8);
        out.size = 16;
    }
    return out;
}

std::uint16_t ListingRows::word(std::uint64_t row) const {
    if (row >= rowCount()) {
        throw std::out_of_range("word " + std::to_string(row) + " is beyond the image");
    }
    return static_cast<std::uint16_t>(bytes[2 * row] | (bytes[2 * row + 1] << 8));
}

ShortText ListingRows::cell(std::uint64_t row, int column) const {
    if (row >= rowCount()) {
        return {};
    }
    return ListingCellText(row, word(row), raw, column);
}

}  // namespace sorrel
