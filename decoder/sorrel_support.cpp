// Unit sorrel_support: the instruction table's checks, the text operations and
// the fast path for whole words.
#include "sorrel_support.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <vector>

namespace sorrel {
namespace {

// ---- Compile-time checks of the instruction table -------------------------

constexpr bool IsPrefix(std::string_view a, std::string_view b) {
    return a.size() <= b.size() && b.substr(0, a.size()) == a;
}

constexpr bool TableIsWellFormed() {
    for (const InstructionEntry& e : InstructionTable) {
        if (e.mnemonic.size() != 4 || e.pattern.size() < 3 || e.pattern.size() > 16) {
            return false;
        }
        for (char c : e.pattern) {
            if (c != '0' && c != '1') {
                return false;
            }
        }
    }
    return true;
}

constexpr bool NoPatternIsAPrefixOfAnother() {
    for (std::size_t i = 0; i < InstructionTable.size(); ++i) {
        for (std::size_t j = 0; j < InstructionTable.size(); ++j) {
            if (i != j && IsPrefix(InstructionTable[i].pattern, InstructionTable[j].pattern)) {
                return false;
            }
        }
    }
    return true;
}

static_assert(InstructionTable.size() == 56);
static_assert(TableIsWellFormed(),
              "every mnemonic has 4 characters, every pattern 3 to 16 of '0' and '1'");
static_assert(NoPatternIsAPrefixOfAnother());

// ---- Where the fields lie ------------------------------------------------

constexpr int OperandBitsOf(const InstructionEntry& entry) {
    return 16 - static_cast<int>(entry.pattern.size());
}

constexpr unsigned HexDigitCount(FieldKind kind) {
    return kind == FieldKind::Hex2 ? 2 : kind == FieldKind::Hex4 ? 4 : 0;
}

// The character that a field kind shows before and after the field's own
// text, '\0' for none.
struct Affixes {
    char before;
    char after;
};

constexpr Affixes AffixesOf(FieldKind kind) {
    switch (kind) {
        case FieldKind::Number:
            return {'#', '\0'};
        case FieldKind::Hex2:
        case FieldKind::Hex4:
            return {'\0', 'h'};
        case FieldKind::Bits:
        case FieldKind::Decimal:
            return {'\0', 'b'};
        case FieldKind::Register:
            break;
    }
    return {'\0', '\0'};
}

// ---- Compile-time checks of the operand layouts ---------------------------

constexpr bool HasALayout(const InstructionEntry& entry) {
    return entry.operands.size == 1 || entry.operands.size == 2;
}

// A field that is the whole text is the only one; the fields lie inside the
// operand bits and, where the class has operand bits, cover each of them
// exactly once.
constexpr bool LayoutFitsThePattern(const InstructionEntry& entry) {
    const OperandLayout& layout = entry.operands;
    const int operandBits = OperandBitsOf(entry);
    unsigned covered = 0;
    unsigned total = 0;
    for (const OperandField& field : layout) {
        if (field.count == WholeText
                ? layout.size != 1 || field.start != 1
                : field.start < 1 || field.start + field.count - 1 > operandBits) {
            return false;
        }
        const FieldBits bits = BitsOfField(field, operandBits);
        covered |= ((1u << bits.width) - 1) << bits.shift;
        total += bits.width;
    }
    return operandBits == 0 ||
           (total == static_cast<unsigned>(operandBits) && covered == (1u << operandBits) - 1);
}

// What the fast path assumes of a word's fields: a register field has five
// bits (two of bank, three of number), a hexadecimal field no more bits than
// its digits show, and the text fits a ShortText: a field of width bits
// writes at most max(width, 5) characters besides its affixes.
constexpr bool FieldsFitTheirRenderings(const InstructionEntry& entry) {
    const int operandBits = OperandBitsOf(entry);
    unsigned length = 5 + 2 * (entry.operands.size - 1u);  // mnemonic, blank, ", "
    for (const OperandField& field : entry.operands) {
        const unsigned width = BitsOfField(field, operandBits).width;
        const Affixes affixes = AffixesOf(field.kind);
        length += std::max(width, 5u) + (affixes.before != '\0') + (affixes.after != '\0');
        if (operandBits != 0 && field.kind == FieldKind::Register && width != 5) {
            return false;
        }
        if (HexDigitCount(field.kind) != 0 && width > 4 * HexDigitCount(field.kind)) {
            return false;
        }
    }
    return length <= ShortText::capacity;
}

constexpr bool EveryClass(bool (*holds)(const InstructionEntry&)) {
    for (const InstructionEntry& entry : InstructionTable) {
        if (!holds(entry)) {
            return false;
        }
    }
    return true;
}

// Classes that share a layout are neighbours: a layout that the table leaves
// never comes back.
constexpr bool ClassesOfALayoutAreNeighbours() {
    for (std::size_t i = 1; i < InstructionTable.size(); ++i) {
        for (std::size_t j = i; j < InstructionTable.size(); ++j) {
            if (InstructionTable[i].operands != InstructionTable[i - 1].operands &&
                InstructionTable[j].operands == InstructionTable[i - 1].operands) {
                return false;
            }
        }
    }
    return true;
}

static_assert(EveryClass(HasALayout), "every class has an operand layout");
static_assert(EveryClass(LayoutFitsThePattern), "every layout fits the operand bits of its class");
static_assert(EveryClass(FieldsFitTheirRenderings));
static_assert(ClassesOfALayoutAreNeighbours());

// ---- Text helpers ------------------------------------------------------

// The field (start, count) of text, positions from 1: cut at the text's end,
// empty for a count below 1 or a start beyond the last character.
std::string_view Field(std::string_view text, std::size_t start, int count) {
    if (count < 1 || start < 1 || start > text.size()) {
        return {};
    }
    return text.substr(start - 1, static_cast<std::size_t>(count));
}

// A decimal text read as a signed 32-bit integer; ConversionError names the
// whole text when it is not one of "0" to "2147483647".
int DecimalToInt(const std::string& text) {
    if (text.empty() || text.size() > 10) {
        throw ConversionError(text);
    }
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            throw ConversionError(text);
        }
        value = value * 10 + (c - '0');
    }
    if (value > 2147483647) {
        throw ConversionError(text);
    }
    return static_cast<int>(value);
}

constexpr char HexDigits[] = "0123456789ABCDEF";

// value in upper-case hexadecimal, zero-padded to minDigits digits.
std::string HexWithDigits(unsigned value, unsigned minDigits) {
    char buffer[8];
    unsigned n = 0;
    do {
        buffer[n++] = HexDigits[value & 0xF];
        value >>= 4;
    } while (value != 0);
    std::string out(n < minDigits ? minDigits - n : 0, '0');
    while (n > 0) {
        out += buffer[--n];
    }
    return out;
}

// ---- Fast path tables --------------------------------------------------

struct ClassLookup {
    std::array<std::int8_t, 65536> classOf{};
};

constexpr ClassLookup BuildClassLookup() {
    ClassLookup lookup;
    for (auto& c : lookup.classOf) {
        c = static_cast<std::int8_t>(NoClass);
    }
    for (int cls = 0; cls < InstructionClassCount; ++cls) {
        const std::string_view pattern = InstructionTable[cls].pattern;
        unsigned prefix = 0;
        for (char c : pattern) {
            prefix = prefix * 2 + static_cast<unsigned>(c - '0');
        }
        const unsigned shift = 16 - static_cast<unsigned>(pattern.size());
        const unsigned first = prefix << shift;
        const unsigned count = 1u << shift;
        for (unsigned w = first; w < first + count; ++w) {
            if (lookup.classOf[w] == NoClass) {  // the first class in order wins
                lookup.classOf[w] = static_cast<std::int8_t>(cls);
            }
        }
    }
    return lookup;
}

constexpr ClassLookup Lookup = BuildClassLookup();

// A word has a jump field exactly when its class shows its ten operand bits
// in four hexadecimal digits; JumpField's mask must agree with that for every
// word.
constexpr bool HasJumpField(const InstructionEntry& entry) {
    return entry.operands == layouts::JumpTarget && OperandBitsOf(entry) == 10;
}

constexpr bool JumpFieldAgreesWithTheTable(unsigned first, unsigned end) {
    std::array<bool, InstructionClassCount> jump{};
    for (std::size_t cls = 0; cls < jump.size(); ++cls) {
        jump[cls] = HasJumpField(InstructionTable[cls]);
    }
    const FieldBits target = BitsOfField(layouts::JumpTarget.fields[0], 10);
    for (unsigned w = first; w < end; ++w) {
        const InstructionClass cls = Lookup.classOf[w];
        const bool hasField = cls != NoClass && jump[static_cast<std::size_t>(cls)];
        if (JumpField(static_cast<std::uint16_t>(w)) !=
            (hasField ? static_cast<int>(ValueOfField(w, target)) : -1)) {
            return false;
        }
    }
    return true;
}

// In halves, each well within clang's limit of steps for one constant
// evaluation.
static_assert(JumpFieldAgreesWithTheTable(0x0000, 0x8000));
static_assert(JumpFieldAgreesWithTheTable(0x8000, 0x10000));

// ---- The renderings of the field kinds ------------------------------------

// The text path: a field as cut from the operand text.
void AppendFieldText(std::string& out, const Disassembler& d, FieldKind kind,
                     std::string_view field) {
    const Affixes affixes = AffixesOf(kind);
    if (affixes.before != '\0') {
        out += affixes.before;
    }
    switch (kind) {
        case FieldKind::Register:
            out += RegisterName(field);
            break;
        case FieldKind::Bits:
            out += field;
            break;
        case FieldKind::Number:
        case FieldKind::Decimal:
            out += d.BitsToDecimal(field);
            break;
        case FieldKind::Hex2:
        case FieldKind::Hex4:
            out += HexWithDigits(static_cast<unsigned>(DecimalToInt(d.BitsToDecimal(field))),
                                 HexDigitCount(kind));
            break;
    }
    if (affixes.after != '\0') {
        out += affixes.after;
    }
}

// The fast path: a field of width bits with the given value, written at p;
// returns the end. A word's text fits its ShortText, so no write is checked.
char* PutFieldOfWord(char* p, FieldKind kind, unsigned value, unsigned width) {
    const Affixes affixes = AffixesOf(kind);
    if (affixes.before != '\0') {
        *p++ = affixes.before;
    }
    switch (kind) {
        case FieldKind::Register:
            *p++ = static_cast<char>('a' + (value >> 3));
            *p++ = static_cast<char>('0' + (value & 7));
            break;
        case FieldKind::Bits:
            for (unsigned k = width; k-- > 0;) {
                *p++ = static_cast<char>('0' + ((value >> k) & 1));
            }
            break;
        case FieldKind::Number:
        case FieldKind::Decimal:
            p = std::to_chars(p, p + 5, value).ptr;  // at most 16 bits: five digits
            break;
        case FieldKind::Hex2:
        case FieldKind::Hex4:
            for (unsigned k = HexDigitCount(kind); k-- > 0;) {
                *p++ = HexDigits[(value >> (4 * k)) & 0xF];
            }
            break;
    }
    if (affixes.after != '\0') {
        *p++ = affixes.after;
    }
    return p;
}

}  // namespace

// ---- Errors and ShortText ----------------------------------------------

ConversionError::ConversionError(std::string_view text)
    : std::invalid_argument("'" + std::string(text) + "' is not a valid integer value") {}

void ShortText::append(std::string_view s) {
    const std::size_t room = capacity - size;
    const std::size_t n = s.size() < room ? s.size() : room;
    std::memcpy(data.data() + size, s.data(), n);
    size = static_cast<std::uint8_t>(size + n);
}

// ---- Text operations ----------------------------------------------------

std::string WordToBits(std::uint32_t value) {
    std::string bits(32, '0');
    for (int i = 0; i < 32; ++i) {
        if (value & (1u << (31 - i))) {
            bits[static_cast<std::size_t>(i)] = '1';
        }
    }
    return bits;
}

std::string Disassembler::BitsToDecimal(std::string_view bits) const {
    // Horner's rule, value = value * 2 + d for each character: first in 64 bits,
    // then, should the value grow past them, in base 10^9 limbs (lowest first).
    constexpr std::uint64_t SmallLimit = (UINT64_MAX - 9) / 2;
    constexpr std::uint32_t LimbBase = 1000000000;
    std::uint64_t small = 0;
    std::vector<std::uint32_t> limbs;
    for (char c : bits) {
        if (c < '0' || c > '9') {
            throw ConversionError(std::string_view(&c, 1));
        }
        const unsigned d = static_cast<unsigned>(c - '0');
        if (limbs.empty() && small <= SmallLimit) {
            small = small * 2 + d;
            continue;
        }
        if (limbs.empty()) {
            while (small != 0) {
                limbs.push_back(static_cast<std::uint32_t>(small % LimbBase));
                small /= LimbBase;
            }
        }
        std::uint64_t carry = d;
        for (std::uint32_t& limb : limbs) {
            const std::uint64_t v = std::uint64_t{limb} * 2 + carry;
            limb = static_cast<std::uint32_t>(v % LimbBase);
            carry = v / LimbBase;
        }
        if (carry != 0) {
            limbs.push_back(static_cast<std::uint32_t>(carry));
        }
    }
    if (limbs.empty()) {
        return std::to_string(small);
    }
    std::string out = std::to_string(limbs.back());
    for (std::size_t i = limbs.size() - 1; i-- > 0;) {
        const std::string part = std::to_string(limbs[i]);
        out.append(9 - part.size(), '0');
        out += part;
    }
    return out;
}

std::string RegisterName(std::string_view field) {
    static constexpr std::array<char, 4> BankLetters{'a', 'b', 'c', 'd'};
    const Disassembler d;
    const int bank = DecimalToInt(d.BitsToDecimal(Field(field, 1, 2)));
    if (bank > 3) {
        throw std::out_of_range("register bank " + std::to_string(bank) +
                                " is out of range 0 to 3");
    }
    std::string name(1, BankLetters[static_cast<std::size_t>(bank)]);
    name += d.BitsToDecimal(Field(field, 3, 6));
    return name;
}

std::string Disassembler::FormatOperands(InstructionClass cls, std::string_view bits) const {
    if (bits.empty()) {
        return {};
    }
    const OperandLayout& layout =
        InstructionTable[static_cast<std::size_t>(std::clamp(cls, 0, InstructionClassCount - 1))]
            .operands;
    std::string text;
    for (const OperandField& field : layout) {
        if (&field != layout.begin()) {
            text += ", ";
        }
        AppendFieldText(text, *this, field.kind,
                        field.count == WholeText ? bits : Field(bits, field.start, field.count));
    }
    return text;
}

std::string Disassembler::DecodeWord(std::string_view bits) const {
    for (InstructionClass cls = 0; cls < InstructionClassCount; ++cls) {
        const InstructionEntry& entry = InstructionTable[static_cast<std::size_t>(cls)];
        if (!bits.starts_with(entry.pattern)) {
            continue;
        }
        const std::string_view operands = bits.substr(entry.pattern.size()).substr(0, 16);
        std::string text(entry.mnemonic);
        text += ' ';
        text += FormatOperands(cls, operands);
        return text;
    }
    return {};
}

// ---- Fast path ------------------------------------------------------------

InstructionClass ClassOfWord(std::uint16_t word) {
    return Lookup.classOf[word];
}

ShortText OperandFieldText(FieldKind kind, unsigned value, unsigned width) {
    // The longest field text: 16 bits and a suffix.
    std::array<char, 24> buffer{};
    width = std::min(width, 16u);
    const char* const end = PutFieldOfWord(buffer.data(), kind, value & ((1u << width) - 1), width);
    ShortText out;
    out.append(std::string_view(buffer.data(), static_cast<std::size_t>(end - buffer.data())));
    return out;
}

namespace detail {

WordTextIndex::WordTextIndex() {
    for (unsigned w = 0; w < 65536; ++w) {
        offsets[w] = static_cast<std::uint32_t>(pool.size());
        pool += ComposeWordText(static_cast<std::uint16_t>(w)).view();
    }
    offsets[65536] = static_cast<std::uint32_t>(pool.size());
    pool.append(ShortText::capacity, '\0');  // room for FormatWord's fixed-size copy
}

const WordTextIndex& BuildWordTextTable() {
    static const WordTextIndex index;
    BuiltWordTexts.store(&index, std::memory_order_release);
    return index;
}

ShortText ComposeWordText(std::uint16_t word) {
    ShortText out;
    const InstructionClass cls = Lookup.classOf[word];
    if (cls == NoClass) {
        return out;
    }
    const InstructionEntry& entry = InstructionTable[static_cast<std::size_t>(cls)];
    char* const begin = out.data.data();
    std::memcpy(begin, entry.mnemonic.data(), 4);  // every mnemonic has four characters
    begin[4] = ' ';
    char* p = begin + 5;
    const int operandBits = OperandBitsOf(entry);
    if (operandBits != 0) {  // no operand bits, no operand text
        for (const OperandField& field : entry.operands) {
            if (&field != entry.operands.begin()) {
                *p++ = ',';
                *p++ = ' ';
            }
            const FieldBits bits = BitsOfField(field, operandBits);
            p = PutFieldOfWord(p, field.kind, ValueOfField(word, bits), bits.width);
        }
    }
    out.size = static_cast<std::uint8_t>(p - begin);
    return out;
}

}  // namespace detail

}  // namespace sorrel
