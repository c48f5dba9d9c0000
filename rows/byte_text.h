// The texts of the byte-order listing, made on demand for one cell. Shared by
// the byte-order window's cell source and sorrel-dis --bytes.
#pragma once

#include <cstdint>

#include "sorrel_support.h"

namespace sorrel {

// The text of one cell of the byte-order listing for the byte at offset;
// a column other than 0 to 2 gives the empty text.
ShortText ByteCellText(std::uint64_t offset, std::uint8_t byte, int column);

struct ByteRows {
    const std::uint8_t* bytes = nullptr;
    std::uint64_t size = 0;

    // One row per byte, a last odd byte included.
    std::uint64_t rowCount() const { return size; }
    // Column 0: "000A(10)"; column 1: the word index "0005" for an even
    // offset, empty for an odd one; column 2: the byte's eight bits. A row
    // at or past rowCount() gives the empty text.
    ShortText cell(std::uint64_t row, int column) const;
};

}  // namespace sorrel
