// Whole 16-bit words: the worked examples through both the text decoder and
// the fast path, and every one of the 65,536 words against the class table.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "sorrel_support.h"

namespace sorrel {
namespace {

std::string BitsOfWord(std::uint16_t word) {
    return WordToBits(word).substr(16);
}

struct WordCase {
    std::uint16_t word;
    std::string expected;
};

// Listing texts of single words, grouped by what they show; at least one word
// of every class, so that a class given another class's operand layout shows.
const WordCase WordCases[] = {
    // Classes without operand bits: the mnemonic and the joining blank.
    {0x0000, "nop  "},
    {0x0001, "wait "},
    {0x0002, "rst  "},
    {0x0003, "ijmp "},
    {0x0006, "sksp "},
    {0x0007, "ijsr "},
    {0x0008, "slp  "},
    {0x000C, "rts  "},
    {0x000D, "rti  "},
    {0x0004, "tof  "},  // its group prints bits, but it has none
    {0x0005, "tdc  "},  // its group prints hexadecimal, but it has none
    {0x000E, "rtsc 0b"},
    {0x000F, "rtsc 1b"},
    // Register pairs: the low register field comes first.
    {0x11B9, "add  d1, b5"},
    {0x0DB9, "sub  d1, b5"},
    {0x09B9, "cmp  d1, b5"},
    {0x15B9, "and  d1, b5"},
    {0x19B9, "or   d1, b5"},
    {0x07E0, "mov  a0, d7"},
    {0x0400, "mov  a0, a0"},
    {0x1FFF, "xor  d7, d7"},
    // Register and immediate: every bit of the immediate is kept.
    {0x4000, "movl a0, 00000000b"},
    {0x5FFF, "movl d7, 11111111b"},
    {0x6000, "cmpl a0, 00000000b"},
    {0x7FFF, "cmpl d7, 11111111b"},
    {0x7FCD, "cmpl b5, 11111110b"},
    {0x2D67, "subl a7, 01011b"},
    {0x3167, "addl a7, 01011b"},
    {0x3EF2, "btgh c2, 0111b"},
    {0x28F2, "bicl c2, 0111b"},
    {0x38F2, "bisl c2, 0111b"},
    {0x3AF2, "bish c2, 0111b"},
    {0x3CF2, "btgl c2, 0111b"},
    {0x34F2, "bttl c2, 0111b"},
    {0x36F2, "btth c2, 0111b"},
    {0x2BF8, "bich d0, 1111b"},
    // Single register.
    {0x0052, "neg  c2"},
    {0x0020, "swap a0"},
    {0x015F, "sbc  d7"},
    {0x0072, "not  c2"},
    {0x0092, "shl  c2"},
    {0x00B2, "shr  c2"},
    {0x00D2, "shra c2"},
    {0x00F2, "rlc  c2"},
    {0x0112, "rrc  c2"},
    {0x0132, "adc  c2"},
    // ldr: number first, then two hexadecimal digits, upper case.
    {0x2563, "ldr  #3, ACh"},
    {0x2000, "ldr  #0, 00h"},
    {0x27FF, "ldr  #7, FFh"},
    // mfpr and mtpr mirror each other.
    {0x03B3, "mfpr c3, #5"},
    {0x02B3, "mtpr #5, c3"},
    {0x0300, "mfpr a0, #0"},
    {0x03FF, "mfpr d7, #7"},
    {0x0200, "mtpr #0, a0"},
    {0x02FF, "mtpr #7, d7"},
    // Numbers without leading zeros, bits with them.
    {0x0016, "push #6"},
    {0x0010, "push #0"},
    {0x001F, "pop  #7"},
    {0x0185, "sst  0101b"},
    {0x0180, "sst  0000b"},
    {0x01CF, "cst  1111b"},
    // Jumps: four hexadecimal digits, the first always 0.
    {0x83FE, "jmp  03FEh"},
    {0x8000, "jmp  0000h"},
    {0x83FF, "jmp  03FFh"},
    {0x93FF, "jsr  03FFh"},
    {0xF200, "jc   0200h"},
    {0xE001, "jnc  0001h"},
    {0xD3FF, "js   03FFh"},
    {0xC000, "jns  0000h"},
    {0xA155, "jz   0155h"},
    {0xB2AA, "jnz  02AAh"},
    // Words of no class.
    {0x0009, ""},
    {0x000A, ""},
    {0x000B, ""},
    {0x0160, ""},
    {0x017F, ""},
    {0x0190, ""},
    {0x01BF, ""},
    {0x01D0, ""},
    {0x01FF, ""},
    {0x8400, ""},
    {0x9FFF, ""},
    {0xFFFF, ""},
};

TEST(DecodeWords, WorkedExamplesThroughTextAndFastPath) {
    const Disassembler d;
    for (const WordCase& c : WordCases) {
        EXPECT_EQ(d.DecodeWord(BitsOfWord(c.word)), c.expected) << std::hex << c.word;
        EXPECT_EQ(FormatWord(c.word).view(), c.expected) << std::hex << c.word;
    }
}

// The class table: mnemonic and word range of every class. The exhaustive test
// below checks every word's class and mnemonic against it, and so the patterns.
struct ClassRange {
    const char* mnemonic;
    std::uint16_t first;
    std::uint16_t last;
};

const std::array<ClassRange, 56> ClassRanges{{
    {"mov ", 0x0400, 0x07FF},  // 0
    {"add ", 0x1000, 0x13FF},  // 1
    {"sub ", 0x0C00, 0x0FFF},  // 2
    {"cmp ", 0x0800, 0x0BFF},  // 3
    {"and ", 0x1400, 0x17FF},  // 4
    {"or  ", 0x1800, 0x1BFF},  // 5
    {"xor ", 0x1C00, 0x1FFF},  // 6
    {"movl", 0x4000, 0x5FFF},  // 7
    {"cmpl", 0x6000, 0x7FFF},  // 8
    {"addl", 0x3000, 0x33FF},  // 9
    {"subl", 0x2C00, 0x2FFF},  // 10
    {"bicl", 0x2800, 0x29FF},  // 11
    {"bich", 0x2A00, 0x2BFF},  // 12
    {"bisl", 0x3800, 0x39FF},  // 13
    {"bish", 0x3A00, 0x3BFF},  // 14
    {"btgl", 0x3C00, 0x3DFF},  // 15
    {"btgh", 0x3E00, 0x3FFF},  // 16
    {"bttl", 0x3400, 0x35FF},  // 17
    {"btth", 0x3600, 0x37FF},  // 18
    {"swap", 0x0020, 0x003F},  // 19
    {"neg ", 0x0040, 0x005F},  // 20
    {"not ", 0x0060, 0x007F},  // 21
    {"shl ", 0x0080, 0x009F},  // 22
    {"shr ", 0x00A0, 0x00BF},  // 23
    {"shra", 0x00C0, 0x00DF},  // 24
    {"rlc ", 0x00E0, 0x00FF},  // 25
    {"rrc ", 0x0100, 0x011F},  // 26
    {"adc ", 0x0120, 0x013F},  // 27
    {"sbc ", 0x0140, 0x015F},  // 28
    {"ldr ", 0x2000, 0x27FF},  // 29
    {"mfpr", 0x0300, 0x03FF},  // 30
    {"mtpr", 0x0200, 0x02FF},  // 31
    {"push", 0x0010, 0x0017},  // 32
    {"pop ", 0x0018, 0x001F},  // 33
    {"sst ", 0x0180, 0x018F},  // 34
    {"cst ", 0x01C0, 0x01CF},  // 35
    {"tof ", 0x0004, 0x0004},  // 36
    {"tdc ", 0x0005, 0x0005},  // 37
    {"jsr ", 0x9000, 0x93FF},  // 38
    {"jmp ", 0x8000, 0x83FF},  // 39
    {"js  ", 0xD000, 0xD3FF},  // 40
    {"jns ", 0xC000, 0xC3FF},  // 41
    {"jz  ", 0xA000, 0xA3FF},  // 42
    {"jnz ", 0xB000, 0xB3FF},  // 43
    {"jc  ", 0xF000, 0xF3FF},  // 44
    {"jnc ", 0xE000, 0xE3FF},  // 45
    {"ijmp", 0x0003, 0x0003},  // 46
    {"ijsr", 0x0007, 0x0007},  // 47
    {"rts ", 0x000C, 0x000C},  // 48
    {"rtsc", 0x000E, 0x000F},  // 49
    {"rti ", 0x000D, 0x000D},  // 50
    {"nop ", 0x0000, 0x0000},  // 51
    {"wait", 0x0001, 0x0001},  // 52
    {"slp ", 0x0008, 0x0008},  // 53
    {"rst ", 0x0002, 0x0002},  // 54
    {"sksp", 0x0006, 0x0006},  // 55
}};

InstructionClass ClassByScan(const std::string& bits) {
    for (int cls = 0; cls < InstructionClassCount; ++cls) {
        if (bits.starts_with(InstructionTable[cls].pattern)) {
            return cls;
        }
    }
    return NoClass;
}

TEST(AllWords, FastPathEqualsTextDecoderAndClassRanges) {
    std::array<InstructionClass, 65536> expected;
    expected.fill(NoClass);
    for (int cls = 0; cls < InstructionClassCount; ++cls) {
        for (unsigned w = ClassRanges[cls].first; w <= ClassRanges[cls].last; ++w) {
            ASSERT_EQ(expected[w], NoClass) << "ranges overlap at " << std::hex << w;
            expected[w] = cls;
        }
    }

    const Disassembler d;
    std::array<int, InstructionClassCount> wordsOfClass{};
    int decoded = 0;
    int empty = 0;
    for (unsigned w = 0; w < 65536; ++w) {
        const auto word = static_cast<std::uint16_t>(w);
        const std::string bits = BitsOfWord(word);
        const std::string text = d.DecodeWord(bits);
        const InstructionClass cls = ClassOfWord(word);

        ASSERT_EQ(cls, expected[w]) << std::hex << w;
        ASSERT_EQ(cls, ClassByScan(bits)) << std::hex << w;
        ASSERT_EQ(FormatWord(word).view(), text) << std::hex << w;
        ASSERT_EQ(detail::ComposeWordText(word).view(), text) << std::hex << w;
        // A jump's target is its text's four hexadecimal digits; no other word has one.
        const bool jump = cls >= 38 && cls <= 45;
        ASSERT_EQ(JumpField(word), jump ? std::stoi(text.substr(5, 4), nullptr, 16) : -1)
            << std::hex << w;
        if (cls == NoClass) {
            ASSERT_EQ(text, "") << std::hex << w;
            ++empty;
        } else {
            ASSERT_EQ(text.substr(0, 5), std::string(ClassRanges[cls].mnemonic) + " ")
                << std::hex << w;
            ++wordsOfClass[cls];
            ++decoded;
        }
    }
    EXPECT_EQ(decoded, 40829);
    EXPECT_EQ(empty, 24707);
    for (int cls = 0; cls < InstructionClassCount; ++cls) {
        EXPECT_EQ(wordsOfClass[cls], ClassRanges[cls].last - ClassRanges[cls].first + 1)
            << "class " << cls;
    }
}

TEST(AllWords, WordsOfNoClass) {
    // 0009-000B, 0160-017F, 0190-01BF, 01D0-01FF, and 8000-FFFF where bits 11
    // and 10 are not both 0.
    for (unsigned w = 0; w < 65536; ++w) {
        const bool none = (w >= 0x0009 && w <= 0x000B) || (w >= 0x0160 && w <= 0x017F) ||
                          (w >= 0x0190 && w <= 0x01BF) || (w >= 0x01D0 && w <= 0x01FF) ||
                          (w >= 0x8000 && (w & 0x0C00) != 0);
        ASSERT_EQ(ClassOfWord(static_cast<std::uint16_t>(w)) == NoClass, none) << std::hex << w;
    }
}

}  // namespace
}  // namespace sorrel
