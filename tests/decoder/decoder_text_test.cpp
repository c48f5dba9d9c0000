// The text operations on texts of every shape: worked examples, fields cut
// short or too long, digits other than 0 and 1, values past 32 and 64 bits.
#include <gtest/gtest.h>

#include <string>

#include "sorrel_support.h"

namespace sorrel {
namespace {

struct TextCase {
    std::string input;
    std::string expected;
};

std::string Repeat(char c, std::size_t n) {
    return std::string(n, c);
}

// ---- DecodeWord on texts other than a word's 16 bits --------------------

TEST(DecodeText, ShortAndLongTexts) {
    const TextCase cases[] = {
        {"", ""},
        {"0", ""},
        {"01", ""},
        {"010", "movl "},  // the pattern alone: empty operand bits
        {"011", "cmpl "},
        {"0100", "movl a0, 0b"},  // immediate cut to one character, register field empty
        {"1000001", "jmp  0001h"},
        // Operand bits are at most 16 characters after the pattern.
        {"000000011000" + Repeat('1', 20), "sst  " + Repeat('1', 16) + "b"},
        {"0000000000010" + Repeat('1', 20), "push #65535"},
        // A full-width pattern followed by more characters gets operand bits too.
        {"0000000000000100"
         "1",
         "tof  1b"},
        {"0000000000000101"
         "1",
         "tdc  0001h"},
        {"0000000000000000"
         "1",
         "nop  1b"},
        // Characters other than 0 and 1 never match a pattern.
        {"x000000000000000", ""},
        {"01x", ""},
    };
    const Disassembler d;
    for (const TextCase& c : cases) {
        EXPECT_EQ(d.DecodeWord(c.input), c.expected) << "bits \"" << c.input << "\"";
    }
}

TEST(DecodeText, ConversionErrorPassesThrough) {
    const Disassembler d;
    // movl whose low register field reads "0x000".
    try {
        d.DecodeWord("010000000000x000");
        FAIL() << "no ConversionError";
    } catch (const ConversionError& e) {
        EXPECT_STREQ(e.what(), "'x' is not a valid integer value");
    }
}

// ---- FormatOperands -----------------------------------------------------

struct OperandCase {
    InstructionClass cls;
    std::string bits;
    std::string expected;
};

TEST(FormatOperands, EmptyOperandBitsGiveEmptyTextForEveryClass) {
    const Disassembler d;
    for (InstructionClass cls = -3; cls < InstructionClassCount + 3; ++cls) {
        EXPECT_EQ(d.FormatOperands(cls, ""), "") << "class " << cls;
    }
}

TEST(FormatOperands, OperandBitsOfTheirClassWidth) {
    const OperandCase cases[] = {
        {0, "1111100000", "a0, d7"},
        {1, "0110111001", "d1, b5"},
        {6, "0000011111", "d7, a0"},
        {8, "1111111001101", "b5, 11111110b"},
        {7, "0000000000000", "a0, 00000000b"},
        {10, "0101100111", "a7, 01011b"},
        {12, "111111000", "d0, 1111b"},
        {16, "011110010", "c2, 0111b"},
        {20, "10010", "c2"},
        {29, "10101100011", "#3, ACh"},
        {29, "00000000000", "#0, 00h"},
        {30, "10110011", "c3, #5"},
        {31, "10110011", "#5, c3"},
        {32, "110", "#6"},
        {33, "000", "#0"},
        {34, "0101", "0101b"},
        {35, "0000", "0000b"},
        {39, "1111111110", "03FEh"},
        {45, "0000000001", "0001h"},
        {49, "1", "1b"},
        {49, "0", "0b"},
    };
    const Disassembler d;
    for (const OperandCase& c : cases) {
        EXPECT_EQ(d.FormatOperands(c.cls, c.bits), c.expected)
            << "class " << c.cls << " bits \"" << c.bits << "\"";
    }
}

TEST(FormatOperands, OperandBitsOfAnotherLength) {
    const OperandCase cases[] = {
        // Fields cut at the end of the text; an empty register field names a0.
        {0, "00001", "a0, a1"},
        {0, "1", "a0, b0"},
        {0, "111111", "b0, d7"},
        {7, "0000", "a0, 0000b"},
        {9, "1010", "a0, 1010b"},
        {11, "11", "a0, 11b"},
        {29, "1010", "#0, 0Ah"},
        {29, "101011000", "#0, ACh"},
        {30, "101", "a0, #5"},
        {31, "1", "#1, a0"},
        {30, "1011", "b0, #5"},
        // Characters beyond the last field are ignored.
        {0, "111110000011111", "a0, d7"},
        {8, "11111110011011111", "b5, 11111110b"},
        {29, "1010110001111111", "#3, ACh"},
        {30, "1011001111", "c3, #5"},
        // The one-field forms and the single register take the whole text.
        {19, "0011111", "a31"},
        {19, "00111111111", "a63"},
        {19, "1", "b0"},
        {32, "11111", "#31"},
        {34, "1", "1b"},
        {34, "0000011111", "0000011111b"},
        {39, "1", "0001h"},
        {39, Repeat('1', 16), "FFFFh"},
        {39, Repeat('1', 20), "FFFFFh"},  // more digits when the value needs them
        {49, "1101", "13b"},
        // Classes without operand bits have the layout of their neighbours.
        {36, "0101", "0101b"},
        {37, "11", "0003h"},
        {46, "0", "0b"},
        // A class number below 0 formats like class 0, one above 55 like class 55.
        {-1, "0110111001", "d1, b5"},
        {56, "101", "5b"},
        {1000, "11", "3b"},
    };
    const Disassembler d;
    for (const OperandCase& c : cases) {
        EXPECT_EQ(d.FormatOperands(c.cls, c.bits), c.expected)
            << "class " << c.cls << " bits \"" << c.bits << "\"";
    }
}

TEST(FormatOperands, DigitsAboveOneCountWithTheirValue) {
    const OperandCase cases[] = {
        {32, "2", "#2"},
        {32, "21", "#5"},
        {19, "00999", "a63"},  // number 9*4 + 9*2 + 9
        {19, "10222", "c14"},
        {29, "99999999", "#0, 8F7h"},  // 9 * 255 = 2295 needs three digits
        {39, "9999999999", "23F7h"},   // 9 * 1023
        {49, "9", "9b"},
        {34, "2345", "2345b"},  // bits are shown as they stand
    };
    const Disassembler d;
    for (const OperandCase& c : cases) {
        EXPECT_EQ(d.FormatOperands(c.cls, c.bits), c.expected)
            << "class " << c.cls << " bits \"" << c.bits << "\"";
    }
}

// ---- BitsToDecimal ----------------------------------------------------------

TEST(BitsToDecimal, Values) {
    const TextCase cases[] = {
        {"", "0"},
        {"0", "0"},
        {"000", "0"},
        {"1", "1"},
        {"11", "3"},
        {"00000101", "5"},
        {"1111111111", "1023"},
        {Repeat('1', 16), "65535"},
        // Digits 2 to 9 weigh d * 2^(n-i).
        {"2", "2"},
        {"9", "9"},
        {"21", "5"},
        {"99", "27"},
        {"120", "8"},
        {Repeat('9', 31), "19327352823"},
        {Repeat('2', 40), "2199023255550"},
        // Past 31, 63 and 64 bits the value stays exact.
        {"1" + Repeat('0', 31), "2147483648"},
        {Repeat('1', 32), "4294967295"},
        {"1" + Repeat('0', 63), "9223372036854775808"},
        {Repeat('1', 64), "18446744073709551615"},
        {Repeat('1', 65), "36893488147419103231"},
        {"1" + Repeat('0', 99), "633825300114114700748351602688"},
        {Repeat('9', 60), "10376293541461622775"},
        {Repeat('9', 61), "20752587082923245559"},
        {Repeat('9', 62), "41505174165846491127"},
        {Repeat('9', 63), "83010348331692982263"},
        {Repeat('9', 64), "166020696663385964535"},
        {Repeat('9', 64) + Repeat('0', 64), "3062541302288446171004350770222527938560"},
        {Repeat('0', 200) + "101", "5"},
        {"526018159083016613186091390996030824628194821993518190937865"
         "797543231948757491186252760189555979711471049746507529170342",
         "5258664048924430754122040306112618214"},
    };
    const Disassembler d;
    for (const TextCase& c : cases) {
        EXPECT_EQ(d.BitsToDecimal(c.input), c.expected) << "bits \"" << c.input << "\"";
    }
}

TEST(BitsToDecimal, NonDigitRaisesConversionErrorNamingTheCharacter) {
    const TextCase cases[] = {
        {"x", "'x' is not a valid integer value"},
        {"01a1", "'a' is not a valid integer value"},
        {"1x2y", "'x' is not a valid integer value"},
        {" ", "' ' is not a valid integer value"},
        {"-1", "'-' is not a valid integer value"},
        {"+1", "'+' is not a valid integer value"},
        {Repeat('1', 70) + "$", "'$' is not a valid integer value"},
    };
    const Disassembler d;
    for (const TextCase& c : cases) {
        try {
            d.BitsToDecimal(c.input);
            ADD_FAILURE() << "no ConversionError for \"" << c.input << "\"";
        } catch (const ConversionError& e) {
            EXPECT_STREQ(e.what(), c.expected.c_str());
        }
    }
    // The text library's conversion error is an invalid argument.
    EXPECT_THROW(d.BitsToDecimal("z"), std::invalid_argument);
}

// ---- RegisterName -------------------------------------------------------------

TEST(RegisterName, Names) {
    const TextCase cases[] = {
        {"00000", "a0"},  {"01101", "b5"},    {"10010", "c2"},
        {"11111", "d7"},  {"00111", "a7"},    {"11000", "d0"},
        {"", "a0"},       {"1", "b0"},        {"10", "c0"},
        {"110", "d0"},    {"0011111", "a31"}, {"00111111111", "a63"},
        {"00123", "a11"}, {"02000", "c0"},    {"00" + Repeat('1', 64), "a63"},
    };
    for (const TextCase& c : cases) {
        EXPECT_EQ(RegisterName(c.input), c.expected) << "field \"" << c.input << "\"";
    }
}

TEST(RegisterName, BankAboveThreeIsOutOfRange) {
    const TextCase cases[] = {
        {"20000", "register bank 4 is out of range 0 to 3"},
        {"21", "register bank 5 is out of range 0 to 3"},
        {"99111", "register bank 27 is out of range 0 to 3"},
    };
    for (const TextCase& c : cases) {
        try {
            RegisterName(c.input);
            ADD_FAILURE() << "no out_of_range for \"" << c.input << "\"";
        } catch (const std::out_of_range& e) {
            EXPECT_STREQ(e.what(), c.expected.c_str());
        }
    }
    const Disassembler d;
    EXPECT_THROW(d.FormatOperands(19, "21000"), std::out_of_range);
    EXPECT_THROW(d.FormatOperands(0, "0000099000"), std::out_of_range);
    EXPECT_THROW(d.DecodeWord("0000000000199000"), std::out_of_range);
}

TEST(RegisterName, NonDigitRaisesConversionError) {
    EXPECT_THROW(RegisterName("x0000"), ConversionError);
    EXPECT_THROW(RegisterName("00x"), ConversionError);
    EXPECT_THROW(RegisterName("0000?"), ConversionError);
}

// ---- Values converted back to an integer ----------------------------------

TEST(IntegerConversion, ValuesAbove2147483647RaiseConversionErrorNamingTheText) {
    struct ErrorCase {
        InstructionClass cls;
        std::string bits;
        std::string message;
    };
    const ErrorCase cases[] = {
        {39, "1" + Repeat('0', 31), "'2147483648' is not a valid integer value"},
        {44, Repeat('1', 32), "'4294967295' is not a valid integer value"},
        {37, Repeat('1', 40), "'1099511627775' is not a valid integer value"},
        {37, Repeat('1', 64), "'18446744073709551615' is not a valid integer value"},
    };
    const Disassembler d;
    for (const ErrorCase& c : cases) {
        try {
            d.FormatOperands(c.cls, c.bits);
            ADD_FAILURE() << "no ConversionError for " << c.bits.size() << " characters";
        } catch (const ConversionError& e) {
            EXPECT_STREQ(e.what(), c.message.c_str());
        }
    }
    EXPECT_EQ(d.FormatOperands(39, Repeat('1', 31)), "7FFFFFFFh");
    EXPECT_EQ(d.FormatOperands(39, "1" + Repeat('0', 30)), "40000000h");
}

// ---- WordToBits -----------------------------------------------------------------

TEST(WordToBits, Values) {
    struct WordCase {
        std::uint32_t value;
        std::string expected;
    };
    const WordCase cases[] = {
        {0, Repeat('0', 32)},
        {1, Repeat('0', 31) + "1"},
        {0x1234, "00000000000000000001001000110100"},
        {0x80000000u, "1" + Repeat('0', 31)},
        {0xFFFFFFFFu, Repeat('1', 32)},
        {0xA5, Repeat('0', 24) + "10100101"},
    };
    for (const WordCase& c : cases) {
        EXPECT_EQ(WordToBits(c.value), c.expected) << std::hex << c.value;
    }
    EXPECT_EQ(WordToBits(0x1234).substr(16), "0001001000110100");
}

// ---- ShortText -------------------------------------------------------------------

TEST(ShortText, AppendNeverWritesPastItsCapacity) {
    ShortText t;
    t.append(Repeat('a', 20));
    t.append(Repeat('b', 20));
    EXPECT_EQ(t.size, ShortText::capacity);
    EXPECT_EQ(t.view(), Repeat('a', 20) + Repeat('b', 11));
    t.append('c');
    t.append("");
    EXPECT_EQ(t.view(), Repeat('a', 20) + Repeat('b', 11));

    ShortText u;
    for (int i = 0; i < 40; ++i) {
        u.append('x');
    }
    EXPECT_EQ(u.view(), Repeat('x', ShortText::capacity));
}

}  // namespace
}  // namespace sorrel
