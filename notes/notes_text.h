// The UTF-8 texts of notes: reading code points, counting them, and the case
// folding under which two labels are the same name (ASCII A-Z and the
// Cyrillic capitals А-Я and Ё become small letters; nothing else changes).
// Pure functions: thread-safe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace sorrel {

// One code point read from text at pos: its value and the bytes it takes.
// An invalid sequence (a stray continuation byte, a sequence cut short, an
// overlong form, a surrogate, a value past U+10FFFF) gives valid false and
// a size of 1.
struct CodePoint {
    char32_t value = 0;
    std::uint8_t size = 1;
    bool valid = false;
};
CodePoint ReadCodePoint(std::string_view text, std::size_t pos);

// Where text stops being valid UTF-8; std::string_view::npos when all of it
// is valid.
std::size_t InvalidUtf8At(std::string_view text);

// The code points of a valid UTF-8 text.
std::size_t CodePointCount(std::string_view text);

// The small letter of a capital that labels fold (A-Z, А-Я, Ё); any other
// code point unchanged.
char32_t FoldCodePoint(char32_t c);

// text with every capital that labels fold made small; bytes that are not
// valid UTF-8 are kept as they are. Two labels are the same name when their
// folded texts are equal.
std::string FoldLabel(std::string_view text);
// The same into out, which takes text.size() bytes: folding keeps the
// length of every character.
void FoldLabelInto(std::string_view text, char* out);

// Appends c as UTF-8.
void AppendUtf8(std::string& out, char32_t c);

}  // namespace sorrel
