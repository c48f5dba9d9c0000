#include "data_text.h"

#include <array>
#include <string>

#include "number_text.h"

namespace sorrel {

namespace {

// The UTF-8 text of each byte's character, made once.
struct CharacterTable {
    std::array<std::array<char, 2>, 256> bytes{};
    std::array<std::uint8_t, 256> sizes{};

    CharacterTable() {
        for (unsigned b = 0; b < 256; ++b) {
            char32_t code = 0;
            if (b >= 0x20 && b <= 0x7E) {
                code = b;
            } else if (b >= 0xC0) {
                code = 0x0410 + (b - 0xC0);  // А .. я
            } else if (b == 0xA8) {
                code = 0x0401;  // Ё
            } else if (b == 0xB8) {
                code = 0x0451;  // ё
            } else {
                code = 0x00B7;  // ·
            }
            if (code < 0x80) {
                bytes[b][0] = static_cast<char>(code);
                sizes[b] = 1;
            } else {
                bytes[b][0] = static_cast<char>(0xC0 | (code >> 6));
                bytes[b][1] = static_cast<char>(0x80 | (code & 0x3F));
                sizes[b] = 2;
            }
        }
    }
};

const CharacterTable& Characters() {
    static const CharacterTable table;
    return table;
}

}  // namespace

bool IsTextByte(std::uint8_t byte) {
    return (byte >= 0x20 && byte <= 0x7E) || byte >= 0xC0 || byte == 0xA8 || byte == 0xB8;
}

std::string_view ByteCharacter(std::uint8_t byte) {
    const CharacterTable& table = Characters();
    return {table.bytes[byte].data(), table.sizes[byte]};
}

ShortText WordHexText(std::uint16_t word) {
    ShortText out;
    AppendHex(out, word, 4);
    return out;
}

ShortText ByteHexText(std::uint8_t byte) {
    ShortText out;
    AppendHex(out, byte, 2);
    return out;
}

ShortText WordCharactersText(std::uint16_t word) {
    ShortText out;
    out.append(ByteCharacter(static_cast<std::uint8_t>(word & 0xFF)));
    out.append(ByteCharacter(static_cast<std::uint8_t>(word >> 8)));
    return out;
}

ShortText ByteCharacterText(std::uint8_t byte) {
    ShortText out;
    out.append(ByteCharacter(byte));
    return out;
}

}  // namespace sorrel
