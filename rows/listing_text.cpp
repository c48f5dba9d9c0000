// The main listing's cell texts, made from the image bytes on demand.
#include "listing_text.h"

#include <cstring>
#include <stdexcept>
#include <string>

namespace sorrel {

ShortText ListingCellText(std::uint64_t row, std::uint16_t word, bool raw, int column) {
    const bool header = !raw && row < HeaderWords;
    if (column == 2) {
        return header ? ShortText{} : FormatWord(word);
    }
    ShortText out;
    if (column == 0) {
        if (header) {
            AppendIndex(out, row);
        } else {
            out = AddressText(row - (raw ? 0 : HeaderWords));
        }
    } else if (column == 1) {
        std::memcpy(out.data.data(), ByteBitsTable[word >> 8].data(), 8);
        std::memcpy(out.data.data() + 8, ByteBitsTable[word & 0xFF].data(), 8);
        out.size = 16;
    }
    return out;
}

ShortText AddressText(std::uint64_t address) {
    ShortText out;
    AppendHex(out, address);
    out.append('h');
    return out;
}

std::uint16_t ListingRows::word(std::uint64_t row) const {
    if (row >= rowCount()) {
        throw std::out_of_range("word " + std::to_string(row) + " is beyond the image");
    }
    return ImageWord(bytes, row);
}

ShortText ListingRows::cell(std::uint64_t row, int column) const {
    if (row >= rowCount()) {
        return {};
    }
    return ListingCellText(row, word(row), raw, column);
}

}  // namespace sorrel
