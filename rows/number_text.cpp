// The number texts, made without allocating.
#include "number_text.h"

#include <array>
#include <bit>
#include <cstring>
#include <string_view>

namespace sorrel {
namespace {

constexpr char HexDigits[] = "0123456789ABCDEF";

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

void AppendIndex(ShortText& out, std::uint64_t v) {
    AppendHex(out, v);
    out.append('(');
    AppendDec(out, v);
    out.append(')');
}

void AppendByteBits(ShortText& out, std::uint8_t byte) {
    out.append(ByteBitsText(byte));
}

}  // namespace sorrel
