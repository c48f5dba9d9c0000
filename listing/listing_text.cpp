// The main listing's cell texts, made from the image bytes on demand.
#include "listing_text.h"

#include <stdexcept>

namespace sorrel {
namespace {

constexpr char HexDigits[] = "0123456789ABCDEF";

void AppendWordBits(ShortText& out, std::uint16_t word) {
    char bits[16];
    for (int i = 0; i < 16; ++i) {
        bits[i] = static_cast<char>('0' + ((word >> (15 - i)) & 1));
    }
    out.append(std::string_view(bits, 16));
}

}  // namespace

void AppendHex(ShortText& out, std::uint64_t v, int minDigits) {
    char digits[16];
    int n = 0;
    do {
        digits[n++] = HexDigits[v & 0xF];
        v >>= 4;
    } while (v != 0);
    for (int i = n; i < minDigits; ++i) {
        out.append('0');
    }
    while (n > 0) {
        out.append(digits[--n]);
    }
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

ShortText ListingCellText(std::uint64_t row, std::uint16_t word, bool raw, int column) {
    const bool header = !raw && row < HeaderWords;
    ShortText out;
    switch (column) {
        case 0:
            if (header) {
                AppendHex(out, row);
                out.append('(');
                AppendDec(out, row);
                out.append(')');
            } else {
                AppendHex(out, row - (raw ? 0 : HeaderWords));
                out.append('h');
            }
            break;
        case 1:
            AppendWordBits(out, word);
            break;
        case 2:
            if (!header) {
                out = FormatWord(word);
            }
            break;
        default:
            break;
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
