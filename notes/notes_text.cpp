#include "notes_text.h"

namespace sorrel {

CodePoint ReadCodePoint(std::string_view text, std::size_t pos) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[pos + i]); };
    const unsigned char b0 = byte(0);
    if (b0 < 0x80) {
        return {b0, 1, true};
    }
    int length = 0;
    char32_t value = 0;
    char32_t least = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
        value = b0 & 0x1Fu;
        least = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        value = b0 & 0x0Fu;
        least = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        value = b0 & 0x07u;
        least = 0x10000;
    } else {
        return {};
    }
    if (text.size() - pos < static_cast<std::size_t>(length)) {
        return {};
    }
    for (int i = 1; i < length; ++i) {
        const unsigned char b = byte(static_cast<std::size_t>(i));
        if ((b & 0xC0u) != 0x80u) {
            return {};
        }
        value = value << 6 | (b & 0x3Fu);
    }
    if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return {};
    }
    return {value, static_cast<std::uint8_t>(length), true};
}

std::size_t InvalidUtf8At(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size();) {
        if (static_cast<unsigned char>(text[pos]) < 0x80) {
            ++pos;
            continue;
        }
        const CodePoint c = ReadCodePoint(text, pos);
        if (!c.valid) {
            return pos;
        }
        pos += c.size;
    }
    return std::string_view::npos;
}

std::size_t CodePointCount(std::string_view text) {
    std::size_t count = 0;
    for (const char c : text) {
        // Every byte but a continuation byte begins a code point.
        count += (static_cast<unsigned char>(c) & 0xC0u) != 0x80u ? 1 : 0;
    }
    return count;
}

char32_t FoldCodePoint(char32_t c) {
    if (c >= U'A' && c <= U'Z') {
        return c + 0x20;
    }
    if (c >= U'А' && c <= U'Я') {
        return c + 0x20;
    }
    if (c == U'Ё') {
        return U'ё';
    }
    return c;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void FoldLabelInto(std::string_view text, char* out) {
    for (std::size_t pos = 0; pos < text.size();) {
        const auto b = static_cast<unsigned char>(text[pos]);
        if (b < 0x80) {
            out[pos++] = static_cast<char>(b >= 'A' && b <= 'Z' ? b + 0x20 : b);
            continue;
        }
        const CodePoint c = ReadCodePoint(text, pos);
        const char32_t folded = c.valid ? FoldCodePoint(c.value) : 0;
        if (folded == 0 || folded == c.value) {
            out[pos] = text[pos];  // the first byte; the others follow as they are
            ++pos;
            continue;
        }
        // А-Я and Ё fold to а-я and ё: two bytes each, as they were.
        std::string bytes;
        AppendUtf8(bytes, folded);
        out[pos] = bytes[0];
        out[pos + 1] = bytes[1];
        pos += 2;
    }
}

std::string FoldLabel(std::string_view text) {
    std::string out(text.size(), '\0');
    FoldLabelInto(text, out.data());
    return out;
}

}  // namespace sorrel
