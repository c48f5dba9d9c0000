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

// How FormatOperands shows one operand field.
enum class FieldKind : std::uint8_t {
    Register,  // RegisterName of the field: "a0" to "d7"
    Bits,      // the field's characters as they stand, then "b": "0101b"
    Number,    // "#" and the value in decimal: "#5"
    Hex2,      // the value in upper-case hexadecimal of at least 2 digits, then "h": "ACh"
    Hex4,      // the same with at least 4 digits: "03FEh"
    Decimal,   // the value in decimal, then "b": "1b"
};

// The count of a field that is the whole operand text, whatever its length.
inline constexpr std::uint8_t WholeText = 0;

// A field of the operand bits: the characters start to start + count - 1,
// counted from 1 at the first operand character (the most significant operand
// bit) and cut at the text's end; or, with count WholeText, the whole text.
// The value of a field is what its characters spell in base two; a field cut
// to nothing has the value 0.
struct OperandField {
    FieldKind kind{};
    std::uint8_t start = 0;
    std::uint8_t count = 0;
    constexpr bool operator==(const OperandField&) const = default;
};

// The operand layout of a class: one or two fields in the order they are
// shown, joined by ", ". The default layout has no field (no class has it).
struct OperandLayout {
    std::array<OperandField, 2> fields{};
    std::uint8_t size = 0;

    constexpr OperandLayout() = default;
    constexpr OperandLayout(OperandField only) : fields{only, {}}, size(1) {}
    constexpr OperandLayout(OperandField first, OperandField second)
        : fields{first, second}, size(2) {}
    constexpr const OperandField* begin() const { return fields.data(); }
    constexpr const OperandField* end() const { return fields.data() + size; }
    constexpr bool operator==(const OperandLayout&) const = default;
};

// The twelve operand layouts. Where a layout has a register field, the register
// of the word's last five bits is shown first.
namespace layouts {
using enum FieldKind;
inline constexpr OperandLayout RegisterPair{{Register, 6, 5}, {Register, 1, 5}};
inline constexpr OperandLayout RegisterImm8{{Register, 9, 5}, {Bits, 1, 8}};
inline constexpr OperandLayout RegisterImm5{{Register, 6, 5}, {Bits, 1, 5}};
inline constexpr OperandLayout RegisterImm4{{Register, 5, 5}, {Bits, 1, 4}};
inline constexpr OperandLayout SingleRegister{{Register, 1, WholeText}};
inline constexpr OperandLayout Load{{Number, 9, 3}, {Hex2, 1, 8}};
inline constexpr OperandLayout FromProcessor{{Register, 4, 5}, {Number, 1, 3}};
inline constexpr OperandLayout ToProcessor{{Number, 1, 3}, {Register, 4, 5}};
inline constexpr OperandLayout WholeNumber{{Number, 1, WholeText}};
inline constexpr OperandLayout WholeBits{{Bits, 1, WholeText}};
inline constexpr OperandLayout JumpTarget{{Hex4, 1, WholeText}};
inline constexpr OperandLayout WholeDecimal{{Decimal, 1, WholeText}};
}  // namespace layouts

// Where an operand field lies in a word whose class has operandBits operand
// bits (16 less the length of its pattern): its lowest bit and its width.
// Operand character k is word bit operandBits - k; a field that is the whole
// text takes every operand bit.
struct FieldBits {
    unsigned shift = 0;
    unsigned width = 0;
    constexpr bool operator==(const FieldBits&) const = default;
};

constexpr FieldBits BitsOfField(OperandField field, int operandBits) {
    if (field.count == WholeText) {
        return {0, static_cast<unsigned>(operandBits)};
    }
    return {static_cast<unsigned>(operandBits + 1 - field.start - field.count), field.count};
}

// The value of a field of word: its bits read as a number.
constexpr unsigned ValueOfField(unsigned word, FieldBits bits) {
    return (word >> bits.shift) & ((1u << bits.width) - 1);
}

struct InstructionEntry {
    std::string_view pattern;   // 3 to 16 leading bits
    std::string_view mnemonic;  // exactly four characters, filled up with blanks
    OperandLayout operands;     // how the operand bits, those after the pattern, are shown
};

inline constexpr int InstructionClassCount = 56;

// The instruction classes in class order, which is fixed: the class numbers
// are those of the listings. Classes that share an operand layout are
// neighbours. A class without operand bits has the layout of its neighbours,
// which FormatOperands applies to operand bits of any other length. Checked at
// compile time: no pattern is a prefix of another, and every layout fits the
// operand bits of its class.
inline constexpr std::array<InstructionEntry, InstructionClassCount> InstructionTable{{
    {"000001", "mov ", layouts::RegisterPair},            // 0
    {"000100", "add ", layouts::RegisterPair},            // 1
    {"000011", "sub ", layouts::RegisterPair},            // 2
    {"000010", "cmp ", layouts::RegisterPair},            // 3
    {"000101", "and ", layouts::RegisterPair},            // 4
    {"000110", "or  ", layouts::RegisterPair},            // 5
    {"000111", "xor ", layouts::RegisterPair},            // 6
    {"010", "movl", layouts::RegisterImm8},               // 7
    {"011", "cmpl", layouts::RegisterImm8},               // 8
    {"001100", "addl", layouts::RegisterImm5},            // 9
    {"001011", "subl", layouts::RegisterImm5},            // 10
    {"0010100", "bicl", layouts::RegisterImm4},           // 11
    {"0010101", "bich", layouts::RegisterImm4},           // 12
    {"0011100", "bisl", layouts::RegisterImm4},           // 13
    {"0011101", "bish", layouts::RegisterImm4},           // 14
    {"0011110", "btgl", layouts::RegisterImm4},           // 15
    {"0011111", "btgh", layouts::RegisterImm4},           // 16
    {"0011010", "bttl", layouts::RegisterImm4},           // 17
    {"0011011", "btth", layouts::RegisterImm4},           // 18
    {"00000000001", "swap", layouts::SingleRegister},     // 19
    {"00000000010", "neg ", layouts::SingleRegister},     // 20
    {"00000000011", "not ", layouts::SingleRegister},     // 21
    {"00000000100", "shl ", layouts::SingleRegister},     // 22
    {"00000000101", "shr ", layouts::SingleRegister},     // 23
    {"00000000110", "shra", layouts::SingleRegister},     // 24
    {"00000000111", "rlc ", layouts::SingleRegister},     // 25
    {"00000001000", "rrc ", layouts::SingleRegister},     // 26
    {"00000001001", "adc ", layouts::SingleRegister},     // 27
    {"00000001010", "sbc ", layouts::SingleRegister},     // 28
    {"00100", "ldr ", layouts::Load},                     // 29
    {"00000011", "mfpr", layouts::FromProcessor},         // 30
    {"00000010", "mtpr", layouts::ToProcessor},           // 31
    {"0000000000010", "push", layouts::WholeNumber},      // 32
    {"0000000000011", "pop ", layouts::WholeNumber},      // 33
    {"000000011000", "sst ", layouts::WholeBits},         // 34
    {"000000011100", "cst ", layouts::WholeBits},         // 35
    {"0000000000000100", "tof ", layouts::WholeBits},     // 36
    {"0000000000000101", "tdc ", layouts::JumpTarget},    // 37
    {"100100", "jsr ", layouts::JumpTarget},              // 38
    {"100000", "jmp ", layouts::JumpTarget},              // 39
    {"110100", "js  ", layouts::JumpTarget},              // 40
    {"110000", "jns ", layouts::JumpTarget},              // 41
    {"101000", "jz  ", layouts::JumpTarget},              // 42
    {"101100", "jnz ", layouts::JumpTarget},              // 43
    {"111100", "jc  ", layouts::JumpTarget},              // 44
    {"111000", "jnc ", layouts::JumpTarget},              // 45
    {"0000000000000011", "ijmp", layouts::WholeDecimal},  // 46
    {"0000000000000111", "ijsr", layouts::WholeDecimal},  // 47
    {"0000000000001100", "rts ", layouts::WholeDecimal},  // 48
    {"000000000000111", "rtsc", layouts::WholeDecimal},   // 49
    {"0000000000001101", "rti ", layouts::WholeDecimal},  // 50
    {"0000000000000000", "nop ", layouts::WholeDecimal},  // 51
    {"0000000000000001", "wait", layouts::WholeDecimal},  // 52
    {"0000000000001000", "slp ", layouts::WholeDecimal},  // 53
    {"0000000000000010", "rst ", layouts::WholeDecimal},  // 54
    {"0000000000000110", "sksp", layouts::WholeDecimal},  // 55
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
    // The operand text of a class for its operand bits, by the class's
    // operand layout; empty bits give the empty text. A class below 0 formats
    // like class 0, one above 55 like class 55.
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

// The text of one operand field of a word as its disassembly shows it ("d1",
// "#5", "0101b", "ACh", "03FEh", "1b"): a field of the given kind and width
// (at most 16 bits) whose bits read value.
ShortText OperandFieldText(FieldKind kind, unsigned value, unsigned width);

// The 10-bit field of one of the eight jumps (jsr, jmp, js, jns, jz, jnz, jc,
// jnc): the listing address the jump goes to, 0 to 1023; -1 for any other
// word. Every jump, the following of a jump and the counting of jumps to an
// address take the target from here.
constexpr int JumpField(std::uint16_t word) {
    // The jumps fill 8000h-FFFFh wherever bits 11 and 10 are both clear.
    return (word & 0x8C00u) == 0x8000u ? static_cast<int>(word & 0x3FFu) : -1;
}

namespace detail {
// The listing text of word, made from its bits without the table.
ShortText ComposeWordText(std::uint16_t word);

// The listing texts of all 65,536 words packed end to end (about 0.8 MiB in
// all, so that a sweep over the words stays in the cache): the text of word w
// is pool[offsets[w]] up to pool[offsets[w + 1]]. Every text is at most 18
// characters.
struct WordTextIndex {
    WordTextIndex();  // composes the text of every word
    std::array<std::uint32_t, 65537> offsets;
    std::string pool;
};

// Builds the table the first time it is called (a function-local static, so
// any number of threads may ask at once) and returns it.
const WordTextIndex& BuildWordTextTable();
// The table once built, for the calls on the fast path: a load and a test,
// with the build out of line. (The static's guard inlined at every caller
// made each cell's text some 10 % slower.)
inline std::atomic<const WordTextIndex*> BuiltWordTexts{nullptr};

inline const WordTextIndex& WordTextTable() {
    const WordTextIndex* index = BuiltWordTexts.load(std::memory_order_acquire);
    if (index == nullptr) [[unlikely]] {
        index = &BuildWordTextTable();
    }
    return *index;
}
}  // namespace detail

// The table of every word's listing text, built the first time it is asked
// for and valid for the life of the program. A loop over many words takes it
// once (AllWordTexts) and keeps its two pointers in locals, which its stores
// through char pointers cannot change; the table is padded, so a fixed-size
// copy of ShortText::capacity bytes from a text's data() never reads past it.
struct WordTexts {
    const std::uint32_t* offsets;
    const char* pool;

    std::string_view operator[](std::uint16_t word) const {
        const std::uint32_t begin = offsets[word];
        return {pool + begin, offsets[word + 1u] - begin};
    }
};

inline WordTexts AllWordTexts() {
    const detail::WordTextIndex& index = detail::WordTextTable();
    return {index.offsets.data(), index.pool.data()};
}

// The listing text of word, the same as DecodeWord of its 16-character
// BitString, as a view into the table of all words.
inline std::string_view WordText(std::uint16_t word) {
    return AllWordTexts()[word];
}

// The same text as a copy.
inline ShortText FormatWord(std::uint16_t word) {
    const std::string_view from = WordText(word);
    ShortText text;
    std::memcpy(text.data.data(), from.data(), ShortText::capacity);
    text.size = static_cast<std::uint8_t>(from.size());
    return text;
}

}  // namespace sorrel
