// Unit sorrel_support: the Sorrel instruction table and the decoder.
//
// The text operations (DecodeWord, BitsToDecimal, FormatOperands, RegisterName,
// WordToBits) work on BitStrings, texts of "0" and "1" characters, most
// significant bit first, and keep their exact behaviour for any text. Beside
// them, the fast path (ClassOfWord, FormatWord) decodes a whole 16-bit word
// without scanning patterns or allocating; it gives the same class and text.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace sorrel {

// An index 0 to 55 into InstructionTable; NoClass for a word of no class.
using InstructionClass = int;
inline constexpr InstructionClass NoClass = -1;

struct InstructionEntry {
    std::string_view pattern;   // 3 to 16 leading bits
    std::string_view mnemonic;  // exactly four characters, filled up with blanks
};

inline constexpr int InstructionClassCount = 56;
extern const std::array<InstructionEntry, InstructionClassCount> InstructionTable;

// Raised by BitsToDecimal on a character that is not a decimal digit, with the
// message "'c' is not a valid integer value".
class ConversionError : public std::invalid_argument {
public:
    explicit ConversionError(std::string_view text);
};

// The 32-character BitString of value, bit 31 first.
std::string WordToBits(std::uint32_t value);

// The register name a0 to d7 of a register field: bank from characters 1-2,
// number from characters 3 on (at most six of them).
std::string RegisterName(std::string_view field);

class Disassembler {
public:
    std::string DecodeWord(std::string_view bits) const;
    std::string BitsToDecimal(std::string_view bits) const;
    std::string FormatOperands(InstructionClass cls, std::string_view bits) const;
};

// A short text held by value: the fast path and the row texts use it so that
// making a cell's text never allocates.
struct ShortText {
    std::array<char, 31> data{};
    std::uint8_t size = 0;

    std::string_view view() const { return {data.data(), size}; }
    void append(std::string_view s);
    void append(char c) { data[size++] = c; }
};

// Fast path for whole 16-bit words.
InstructionClass ClassOfWord(std::uint16_t word);
// The listing text of word, the same as DecodeWord of its 16-character BitString.
ShortText FormatWord(std::uint16_t word);

}  // namespace sorrel
