// The texts of the columns that read a listing as data: "Hex", the value in
// hexadecimal, and "Текст", the bytes as characters in file order.
//
// The characters: printable ASCII (20h to 7Eh) as themselves, C0h to FFh as
// the Cyrillic letters of Windows-1251 (А to я), A8h as Ё and B8h as ё, and
// every other byte as "·". The texts are UTF-8.
#pragma once

#include <cstdint>
#include <string_view>

#include "sorrel_support.h"

namespace sorrel {

// The byte stands for a character of its own (not "·").
bool IsTextByte(std::uint8_t byte);
// The character of a byte, as UTF-8 (one to two bytes).
std::string_view ByteCharacter(std::uint8_t byte);

// "11B9": a word as four upper-case hexadecimal digits.
ShortText WordHexText(std::uint16_t word);
// "B9": a byte as two.
ShortText ByteHexText(std::uint8_t byte);
// The characters of a word's two bytes in file order: low byte first.
ShortText WordCharactersText(std::uint16_t word);
// The character of one byte.
ShortText ByteCharacterText(std::uint8_t byte);

}  // namespace sorrel
