// Unit sorrel_support: the instruction table's checks, the text operations and
// the fast path for whole words.
#include "sorrel_support.h"

#include <cstring>
#include <mutex>
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

// ---- The chain of class bounds -----------------------------------------

enum class OperandFormat : std::uint8_t {
    RegisterPair,    // R(6,5), R(1,5)
    RegisterImm8,    // R(9,5), (1,8) b
    RegisterImm5,    // R(6,5), (1,5) b
    RegisterImm4,    // R(5,5), (1,4) b
    SingleRegister,  // R(whole)
    Load,            // #(9,3), hex2(1,8) h
    FromProcessor,   // R(4,5), #(1,3)
    ToProcessor,     // #(1,3), R(4,5)
    Number,          // #whole
    Bits,            // whole b
    Hex4,            // hex4(whole) h
    DecimalBit,      // dec(whole) b
};

constexpr OperandFormat FormatOfClass(InstructionClass cls) {
    if (cls < 7)
        return OperandFormat::RegisterPair;
    if (cls < 9)
        return OperandFormat::RegisterImm8;
    if (cls < 11)
        return OperandFormat::RegisterImm5;
    if (cls < 19)
        return OperandFormat::RegisterImm4;
    if (cls < 29)
        return OperandFormat::SingleRegister;
    if (cls < 30)
        return OperandFormat::Load;
    if (cls < 31)
        return OperandFormat::FromProcessor;
    if (cls < 32)
        return OperandFormat::ToProcessor;
    if (cls < 34)
        return OperandFormat::Number;
    if (cls < 37)
        return OperandFormat::Bits;
    if (cls < 46)
        return OperandFormat::Hex4;
    return OperandFormat::DecimalBit;
}

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

std::string HexWithDigits(unsigned value, int minDigits) {
    char buffer[16];
    int n = 0;
    do {
        buffer[n++] = HexDigits[value & 0xF];
        value >>= 4;
    } while (value != 0);
    std::string out;
    for (int i = n; i < minDigits; ++i) {
        out += '0';
    }
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

struct ClassInfo {
    OperandFormat format;
    std::uint8_t operandBits;
};

constexpr std::array<ClassInfo, InstructionClassCount> BuildClassInfo() {
    std::array<ClassInfo, InstructionClassCount> info{};
    for (int cls = 0; cls < InstructionClassCount; ++cls) {
        info[cls] = {FormatOfClass(cls),
                     static_cast<std::uint8_t>(16 - InstructionTable[cls].pattern.size())};
    }
    return info;
}

constexpr std::array<ClassInfo, InstructionClassCount> Classes = BuildClassInfo();

// Writers into a character buffer that the caller has sized.
inline char* PutRegister(char* p, unsigned field) {
    p[0] = static_cast<char>('a' + ((field >> 3) & 3));
    p[1] = static_cast<char>('0' + (field & 7));
    return p + 2;
}

inline char* PutBits(char* p, unsigned value, int count) {
    for (int k = count - 1; k >= 0; --k) {
        *p++ = static_cast<char>('0' + ((value >> k) & 1));
    }
    return p;
}

inline char* PutSeparator(char* p) {
    p[0] = ',';
    p[1] = ' ';
    return p + 2;
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
    std::string text;
    switch (FormatOfClass(cls)) {
        case OperandFormat::RegisterPair:
            text = RegisterName(Field(bits, 6, 5));
            text += ", ";
            text += RegisterName(Field(bits, 1, 5));
            break;
        case OperandFormat::RegisterImm8:
            text = RegisterName(Field(bits, 9, 5));
            text += ", ";
            text += Field(bits, 1, 8);
            text += 'b';
            break;
        case OperandFormat::RegisterImm5:
            text = RegisterName(Field(bits, 6, 5));
            text += ", ";
            text += Field(bits, 1, 5);
            text += 'b';
            break;
        case OperandFormat::RegisterImm4:
            text = RegisterName(Field(bits, 5, 5));
            text += ", ";
            text += Field(bits, 1, 4);
            text += 'b';
            break;
        case OperandFormat::SingleRegister:
            text = RegisterName(bits);
            break;
        case OperandFormat::Load:
            text = "#" + BitsToDecimal(Field(bits, 9, 3));
            text += ", ";
            text += HexWithDigits(
                static_cast<unsigned>(DecimalToInt(BitsToDecimal(Field(bits, 1, 8)))), 2);
            text += 'h';
            break;
        case OperandFormat::FromProcessor:
            text = RegisterName(Field(bits, 4, 5));
            text += ", #";
            text += BitsToDecimal(Field(bits, 1, 3));
            break;
        case OperandFormat::ToProcessor:
            text = "#" + BitsToDecimal(Field(bits, 1, 3));
            text += ", ";
            text += RegisterName(Field(bits, 4, 5));
            break;
        case OperandFormat::Number:
            text = "#" + BitsToDecimal(bits);
            break;
        case OperandFormat::Bits:
            text = bits;
            text += 'b';
            break;
        case OperandFormat::Hex4:
            text = HexWithDigits(static_cast<unsigned>(DecimalToInt(BitsToDecimal(bits))), 4);
            text += 'h';
            break;
        case OperandFormat::DecimalBit:
            text = BitsToDecimal(bits);
            text += 'b';
            break;
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

namespace detail {

std::atomic<const WordTextIndex*> WordTexts{nullptr};

const WordTextIndex* BuildWordTexts() {
    static WordTextIndex index;
    static std::string pool;
    static std::once_flag once;
    std::call_once(once, [] {
        for (unsigned w = 0; w < 65536; ++w) {
            index.offsets[w] = static_cast<std::uint32_t>(pool.size());
            pool += ComposeWordText(static_cast<std::uint16_t>(w)).view();
        }
        index.offsets[65536] = static_cast<std::uint32_t>(pool.size());
        pool.append(ShortText::capacity, '\0');  // room for FormatWord's fixed-size copy
        index.pool = pool.data();
        WordTexts.store(&index, std::memory_order_release);
    });
    return &index;
}

ShortText ComposeWordText(std::uint16_t word) {
    ShortText out;
    const InstructionClass cls = Lookup.classOf[word];
    if (cls == NoClass) {
        return out;
    }
    char* const begin = out.data.data();
    std::memcpy(begin, InstructionTable[static_cast<std::size_t>(cls)].mnemonic.data(), 4);
    begin[4] = ' ';
    char* p = begin + 5;
    const ClassInfo info = Classes[static_cast<std::size_t>(cls)];
    const unsigned w = word;
    if (info.operandBits != 0) {
        switch (info.format) {
            case OperandFormat::RegisterPair:
                p = PutRegister(p, w);
                p = PutSeparator(p);
                p = PutRegister(p, w >> 5);
                break;
            case OperandFormat::RegisterImm8:
                p = PutRegister(p, w);
                p = PutSeparator(p);
                p = PutBits(p, w >> 5, 8);
                *p++ = 'b';
                break;
            case OperandFormat::RegisterImm5:
                p = PutRegister(p, w);
                p = PutSeparator(p);
                p = PutBits(p, w >> 5, 5);
                *p++ = 'b';
                break;
            case OperandFormat::RegisterImm4:
                p = PutRegister(p, w);
                p = PutSeparator(p);
                p = PutBits(p, w >> 5, 4);
                *p++ = 'b';
                break;
            case OperandFormat::SingleRegister:
                p = PutRegister(p, w);
                break;
            case OperandFormat::Load:
                *p++ = '#';
                *p++ = static_cast<char>('0' + (w & 7));
                p = PutSeparator(p);
                *p++ = HexDigits[(w >> 7) & 0xF];
                *p++ = HexDigits[(w >> 3) & 0xF];
                *p++ = 'h';
                break;
            case OperandFormat::FromProcessor:
                p = PutRegister(p, w);
                p = PutSeparator(p);
                *p++ = '#';
                *p++ = static_cast<char>('0' + ((w >> 5) & 7));
                break;
            case OperandFormat::ToProcessor:
                *p++ = '#';
                *p++ = static_cast<char>('0' + ((w >> 5) & 7));
                p = PutSeparator(p);
                p = PutRegister(p, w);
                break;
            case OperandFormat::Number:
                *p++ = '#';
                *p++ = static_cast<char>('0' + (w & 7));
                break;
            case OperandFormat::Bits:
                p = PutBits(p, w, 4);
                *p++ = 'b';
                break;
            case OperandFormat::Hex4:
                *p++ = '0';
                *p++ = HexDigits[(w >> 8) & 0x3];
                *p++ = HexDigits[(w >> 4) & 0xF];
                *p++ = HexDigits[w & 0xF];
                *p++ = 'h';
                break;
            case OperandFormat::DecimalBit:
                *p++ = static_cast<char>('0' + (w & 1));
                *p++ = 'b';
                break;
        }
    }
    out.size = static_cast<std::uint8_t>(p - begin);
    return out;
}

}  // namespace detail

}  // namespace sorrel
