// The texts of the main listing, made on demand for one cell from the image
// bytes. Shared by the listing window's cells, find and sorrel-dis.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#include "number_text.h"
#include "sorrel_support.h"

namespace sorrel {

// Words of an image header: listed with their index, never decoded.
inline constexpr std::uint64_t HeaderWords = 256;

// Word k of an image's bytes, byte 2k + 256 * byte 2k+1: one 16-bit load on a
// little-endian machine, for passes over many words. Unchecked: k must be
// below the number of whole words. The one place where a word is read from
// the bytes of an image.
inline std::uint16_t ImageWord(const std::uint8_t* bytes, std::uint64_t k) {
    std::uint16_t word;
    std::memcpy(&word, bytes + 2 * k, sizeof word);
    if constexpr (std::endian::native == std::endian::big) {
        word = static_cast<std::uint16_t>(word >> 8 | word << 8);
    }
    return word;
}

struct ListingRows {
    const std::uint8_t* bytes = nullptr;
    std::uint64_t size = 0;  // bytes; a last odd byte belongs to no word
    bool raw = false;        // raw image: decoding starts at word 0

    // One row per whole 16-bit little-endian word.
    std::uint64_t rowCount() const { return size / 2; }
    // Base of the listing addresses: 0 for a raw image, 256 with a header.
    std::uint64_t base() const { return raw ? 0 : HeaderWords; }
    // Whether row is one of the header's rows, listed but never decoded.
    bool isHeaderRow(std::uint64_t row) const { return !raw && row < HeaderWords; }
    // Word k is byte 2k + 256 * byte 2k+1; std::out_of_range past the last word.
    std::uint16_t word(std::uint64_t row) const;

    // Column 0: "000A(10)" for a header word, "000Ah" for a decoded one;
    // column 1: the word's 16 bits; column 2: its disassembly (empty in the
    // header). Row must be below rowCount(), column 0 to 2; any other row or
    // column gives the empty text.
    ShortText cell(std::uint64_t row, int column) const;
};

// The text of one cell of the main listing for word k = row: column 0 is
// "000A(10)" in an image header (raw false, row < 256) and hex(row - base) + "h"
// otherwise; column 1 the word's 16 bits; column 2 its disassembly (empty in
// the header). Streaming callers (sorrel-dis) use it without a ListingRows.
// A column other than 0 to 2 gives the empty text.
ShortText ListingCellText(std::uint64_t row, std::uint16_t word, bool raw, int column);

// "03FEh": a listing address as column 0 writes it.
ShortText AddressText(std::uint64_t address);

}  // namespace sorrel
