// The fields of a word: what each of its sixteen bits means, read from the
// instruction table's data (the class's pattern and its operand layout), for
// the tool tip of the bits column and the classes window.
//
// A word of a class is its pattern (the class's leading bits) followed by its
// operand bits, which the fields of the class's layout cover, each exactly
// once; a class without operand bits has no field. A word of no class has
// neither pattern nor fields.
//
// Pure functions: thread-safe; only the texts of BitsApart and WordToolTip
// allocate.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "sorrel_support.h"

namespace sorrel {

// One operand field of a word.
struct WordField {
    FieldKind kind{};
    // Its bits are high down to low, positions in the word (bit 15 the most
    // significant, the first of the listing's sixteen).
    unsigned high = 0;
    unsigned low = 0;
    unsigned value = 0;         // what its bits read as a number
    ShortText shown;            // as the disassembly shows it: "d1", "#5", "0101b", "03FEh"
    std::string_view kindName;  // what it is, in Russian: "регистр", "число", ...

    unsigned width() const { return high - low + 1; }
};

struct WordFields {
    std::uint16_t word = 0;
    InstructionClass cls = NoClass;
    std::string_view pattern;   // the class's leading bits; empty for no class
    std::string_view mnemonic;  // the class's four characters; empty for no class
    // The fields in the order the disassembly shows them (not always the
    // order of their bits: a register pair shows its low field first).
    std::array<WordField, 2> fields{};
    std::uint8_t count = 0;

    bool hasClass() const { return cls != NoClass; }
    const WordField* begin() const { return fields.data(); }
    const WordField* end() const { return fields.data() + count; }
};

// The class, pattern and fields of any word.
WordFields FieldsOfWord(std::uint16_t word);

// What a field of the kind is, in Russian: "регистр", "биты", "число", "байт"
// (an 8-bit constant in hexadecimal) or "адрес перехода".
std::string_view FieldKindName(FieldKind kind);

// The word's sixteen bits with its pattern and each field set apart by a
// blank, in the order of the bits: "000100 01101 11001". A word of no class
// gives its bits alone.
std::string BitsApart(const WordFields& fields);

// The tool tip of a word (plain text, Russian, lines joined by "\n"): its
// bits apart, then its class and pattern, then one line a field in the order
// the disassembly shows them, e.g. for 11B9h
//   000100 01101 11001
//   Шаблон 000100: add
//   Биты 4–0 (11001): регистр d1
//   Биты 9–5 (01101): регистр b5
std::string WordToolTip(std::uint16_t word);

}  // namespace sorrel
