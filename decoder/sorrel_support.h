// Unit sorrel_support: the Sorrel instruction table and the decoder.
//
// The text operations (DecodeWord, BitsToDecimal, FormatOperands, RegisterName,
// WordToBits) work on BitStrings, texts of "0" and "1" characters, most
// significant bit first, and keep their exact behaviour for any text. Beside
// them, the fast path (ClassOfWord, FormatWord) decodes a whole 16-bit word
// without scanning patterns or allocating; it gives the same class and text.
//
// Behaviour on texts the listing never passes (defined, never undefined):
// - BitsToDecimal is exact for any length: the value sum d_i * 2^(n-i) is
//   accumulated in arbitrary precision, so "1" followed by 63 "0" gives
//   "9223372036854775808". Any character but '0'..'9' raises ConversionError
//   with that one character ("'x' is not a valid integer value"); the digits
//   2 to 9 count with their own value ("2" gives "2", "21" gives "5").
// - A decimal value that is read back as an integer (the bank of a register
//   field; the values that ldr and the jumps print in hexadecimal) must lie in
//   0..2147483647; otherwise ConversionError names the whole decimal text
//   ("'4294967295' is not a valid integer value").
// - A register bank above 3 (only digits 2 to 9 make one, e.g. field "99")
//   raises std::out_of_range ("register bank 27 is out of range 0 to 3").
// - Hexadecimal renderings are upper case, zero-padded to their width and
//   longer when the value needs more digits.
// Errors pass to the caller; the decoder catches none.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
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

// The instruction classes in class order. FormatOperands chooses a class's
// operand format by comparing the class number with fixed bounds, so the
// order is fixed. No pattern is a prefix of another (checked at compile time).
inline constexpr std::array<InstructionEntry, InstructionClassCount> InstructionTable{{
    {"000001", "mov "},            // 0
    {"000100", "add "},            // 1
    {"000011", "sub "},            // 2
    {"000010", "cmp "},            // 3
    {"000101", "and "},            // 4
    {"000110", "or  "},            // 5
    {"000111", "xor "},            // 6
    {"010", "movl"},               // 7
    {"011", "cmpl"},               // 8
    {"001100", "addl"},            // 9
    {"001011", "subl"},            // 10
    {"0010100", "bicl"},           // 11
    {"0010101", "bich"},           // 12
    {"0011100", "bisl"},           // 13
    {"0011101", "bish"},           // 14
    {"0011110", "btgl"},           // 15
    {"0011111", "btgh"},           // 16
    {"0011010", "bttl"},           // 17
    {"0011011", "btth"},           // 18
    {"00000000001", "swap"},       // 19
    {"00000000010", "neg "},       // 20
    {"00000000011", "not "},       // 21
    {"00000000100", "shl "},       // 22
    {"00000000101", "shr "},       // 23
    {"00000000110", "shra"},       // 24
    {"00000000111", "rlc "},       // 25
    {"00000001000", "rrc "},       // 26
    {"00000001001", "adc "},       // 27
    {"00000001010", "sbc "},       // 28
    {"00100", "ldr "},             // 29
    {"00000011", "mfpr"},          // 30
    {"00000010", "mtpr"},          // 31
    {"0000000000010", "push"},     // 32
    {"0000000000011", "pop "},     // 33
    {"000000011000", "sst "},      // 34
    {"000000011100", "cst "},      // 35
    {"0000000000000100", "tof "},  // 36
    {"0000000000000101", "tdc "},  // 37
    {"100100", "jsr "},            // 38
    {"100000", "jmp "},            // 39
    {"110100", "js  "},            // 40
    {"110000", "jns "},            // 41
    {"101000", "jz  "},            // 42
    {"101100", "jnz "},            // 43
    {"111100", "jc  "},            // 44
    {"111000", "jnc "},            // 45
    {"0000000000000011", "ijmp"},  // 46
    {"0000000000000111", "ijsr"},  // 47
    {"0000000000001100", "rts "},  // 48
    {"000000000000111", "rtsc"},   // 49
    {"0000000000001101", "rti "},  // 50
    {"0000000000000000", "nop "},  // 51
    {"0000000000000001", "wait"},  // 52
    {"0000000000001000", "slp "},  // 53
    {"0000000000000010", "rst "},  // 54
    {"0000000000000110", "sksp"},  // 55
}};

// Raised by BitsToDecimal on a character that is not a decimal digit, with the
// message "'c' is not a valid integer value", and by the decoder when a
// decimal text does not fit a signed 32-bit integer (the whole text is named).
class ConversionError : public std::invalid_argument {
  public:
    explicit ConversionError(std::string_view text);
};

// The 32-character BitString of value, bit 31 first.
std::string WordToBits(std::uint32_t value);

// The register name a0 to d7 of a register field: bank from characters 1-2,
// number from characters 3 on (at most six of them). A field cut short is
// named from what is left ("" gives "a0", "1" gives "b0"). Throws
// ConversionError on a non-digit character and std::out_of_range on a bank
// value above 3.
std::string RegisterName(std::string_view field);

class Disassembler {
  public:
    // The listing text of bits: mnemonic, one blank and operand text, or the
    // empty text when bits begins with no pattern. The operand bits are at
    // most 16 characters following the pattern.
    std::string DecodeWord(std::string_view bits) const;
    // The exact decimal text of bits read in base two, any length ("" gives
    // "0"); a digit d at position i of n counts d * 2^(n-i).
    std::string BitsToDecimal(std::string_view bits) const;
    // The operand text of a class for its operand bits; empty bits give the
    // empty text. A class outside 0..55 follows the chain of class bounds like
    // any other (a negative one formats as a register pair, one above 45 as
    // the single-bit field of rtsc).
    std::string FormatOperands(InstructionClass cls, std::string_view bits) const;
};

// A short text held by value: the fast path and the row texts use it so that
// making a cell's text never allocates. It holds at most `capacity`
// characters; appending beyond that drops the excess characters (no write
// ever goes past the array). Every text of the listings fits: the longest
// disassembly has 18 characters and "FFFFFFFF(4294967295)" 20.
struct ShortText {
    static constexpr std::size_t capacity = 31;
    std::array<char, capacity> data{};
    std::uint8_t size = 0;

    std::string_view view() const { return {data.data(), size}; }
    void append(std::string_view s);
    void append(char c) {
        if (size < capacity) {
            data[size++] = c;
        }
    }
};

// Fast path for whole 16-bit words.
InstructionClass ClassOfWord(std::uint16_t word);

// The 10-bit field of one of the eight jumps (jsr, jmp, js, jns, jz, jnz, jc,
// jnc): the listing address the jump goes to, 0 to 1023; -1 for any other
// word. Every jump, the following of a jump and the counting of jumps to an
// address take the target from here.
constexpr int JumpField(std::uint16_t word) {
    // The jumps fill 8000h-FFFFh wherever bits 11 and 10 are both clear.
    return (word & 0x8C00u) == 0x8000u ? static_cast<int>(word & 0x3FFu) : -1;
}

namespace detail {
// The listing texts of all 65,536 words packed end to end (about 0.8 MiB in
// all, so that a sweep over the words stays in the cache): the text of word w
// is pool[offsets[w]] up to pool[offsets[w + 1]]. Every text is at most 18
// characters.
struct WordTextIndex {
    std::array<std::uint32_t, 65537> offsets;
    const char* pool;
};
extern std::atomic<const WordTextIndex*> WordTexts;
const WordTextIndex* BuildWordTexts();  // thread-safe, builds once
// The listing text of word, made from its bits without the table.
ShortText ComposeWordText(std::uint16_t word);

inline const WordTextIndex& WordTextTable() {
    const WordTextIndex* index = WordTexts.load(std::memory_order_acquire);
    if (index == nullptr) [[unlikely]] {
        index = BuildWordTexts();
    }
    return *index;
}
}  // namespace detail

// The listing text of word, the same as DecodeWord of its 16-character
// BitString, as a view into a table of all words built the first time; the
// view stays valid for the life of the program. The table is padded, so a
// fixed-size copy of ShortText::capacity bytes from data() never reads past it.
inline std::string_view WordText(std::uint16_t word) {
    const detail::WordTextIndex& index = detail::WordTextTable();
    const std::uint32_t begin = index.offsets[word];
    return {index.pool + begin, index.offsets[word + 1u] - begin};
}

// The same text as a copy. The pool ends in ShortText::capacity spare bytes,
// so a fixed-size copy never reads past it.
inline ShortText FormatWord(std::uint16_t word) {
    const detail::WordTextIndex& index = detail::WordTextTable();
    const std::uint32_t begin = index.offsets[word];
    ShortText text;
    std::memcpy(text.data.data(), index.pool + begin, ShortText::capacity);
    text.size = static_cast<std::uint8_t>(index.offsets[word + 1u] - begin);
    return text;
}

}  // namespace sorrel
