// The byte-order listing's cell texts, made on demand.
#include "byte_text.h"

#include "number_text.h"

namespace sorrel {

ShortText ByteCellText(std::uint64_t offset, std::uint8_t byte, int column) {
    ShortText out;
    switch (column) {
        case 0:
            AppendIndex(out, offset);
            break;
        case 1:
            if (offset % 2 == 0) {
                AppendHex(out, offset / 2);
            }
            break;
        case 2:
            AppendByteBits(out, byte);
            break;
        default:
            break;
    }
    return out;
}

ShortText ByteRows::cell(std::uint64_t row, int column) const {
    if (row >= rowCount()) {
        return {};
    }
    return ByteCellText(row, bytes[row], column);
}

}  // namespace sorrel
