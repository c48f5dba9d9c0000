// The fields of a word: over all 65,536 words the pattern and the fields give
// the word's bits back, each once, and the fields' texts are the disassembly's
// operands; the tool tip of a few words of each kind of layout, as shown.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "sorrel_support.h"
#include "word_fields.h"

namespace sorrel {
namespace {

std::string BitsOf(std::uint16_t word) {
    return WordToBits(word).substr(16);
}

TEST(WordFields, PatternAndFieldsGiveEveryBitOnceAndTheDisassembly) {
    const Disassembler disassembler;
    for (unsigned w = 0; w < 65536; ++w) {
        const auto word = static_cast<std::uint16_t>(w);
        SCOPED_TRACE(BitsOf(word));
        const WordFields fields = FieldsOfWord(word);
        ASSERT_EQ(fields.word, word);
        ASSERT_EQ(fields.cls, ClassOfWord(word));
        const std::string bits = BitsOf(word);
        if (!fields.hasClass()) {
            ASSERT_EQ(fields.count, 0);
            ASSERT_EQ(fields.pattern, "");
            ASSERT_EQ(BitsApart(fields), bits);
            continue;
        }
        ASSERT_TRUE(bits.starts_with(fields.pattern));

        // The fields in the order of their bits follow the pattern without a
        // gap or an overlap and end at bit 0.
        std::string together(fields.pattern);
        int next = 15 - static_cast<int>(fields.pattern.size());  // the next bit to cover
        std::string covered(16, '.');
        for (unsigned bit = 0; bit < fields.pattern.size(); ++bit) {
            covered[bit] = 'p';
        }
        for (int round = 0; round < fields.count; ++round) {
            const WordField* field = nullptr;
            for (const WordField& f : fields) {
                if (static_cast<int>(f.high) == next) {
                    field = &f;
                }
            }
            ASSERT_NE(field, nullptr) << "no field begins at bit " << next;
            ASSERT_LE(field->low, field->high);
            for (unsigned bit = field->high + 1; bit-- > field->low;) {
                ASSERT_EQ(covered[15 - bit], '.');
                covered[15 - bit] = 'f';
                together += static_cast<char>('0' + ((word >> bit) & 1));
            }
            EXPECT_EQ(field->value, (w >> field->low) & ((1u << field->width()) - 1));
            next = static_cast<int>(field->low) - 1;
        }
        ASSERT_EQ(next, -1) << "bits left uncovered";
        ASSERT_EQ(together, bits);

        // What the fields show is the disassembly's operand text.
        std::string operands;
        for (const WordField& f : fields) {
            operands += (&f == fields.begin() ? "" : ", ");
            operands += f.shown.view();
        }
        ASSERT_EQ(operands,
                  disassembler.FormatOperands(fields.cls, bits.substr(fields.pattern.size())));
        ASSERT_EQ(std::string(fields.mnemonic) + " " + operands, WordText(word));

        std::string apart = BitsApart(fields);
        std::erase(apart, ' ');
        ASSERT_EQ(apart, bits);
    }
}

struct ToolTipCase {
    std::uint16_t word;
    const char* toolTip;
};

TEST(WordFields, ToolTips) {
    const ToolTipCase cases[] = {
        // A register pair shows its low field first.
        {0x11B9,
         "000100 01101 11001\n"
         "Шаблон 000100: add\n"
         "Биты 4–0 (11001): регистр d1\n"
         "Биты 9–5 (01101): регистр b5"},
        {0x7FCD,
         "011 11111110 01101\n"
         "Шаблон 011: cmpl\n"
         "Биты 4–0 (01101): регистр b5\n"
         "Биты 12–5 (11111110): биты 11111110b"},
        // ldr shows its low field first, mfpr its high one.
        {0x2563,
         "00100 10101100 011\n"
         "Шаблон 00100: ldr\n"
         "Биты 2–0 (011): число #3\n"
         "Биты 10–3 (10101100): байт ACh"},
        {0x03B3,
         "00000011 101 10011\n"
         "Шаблон 00000011: mfpr\n"
         "Биты 4–0 (10011): регистр c3\n"
         "Биты 7–5 (101): число #5"},
        {0x83FE,
         "100000 1111111110\n"
         "Шаблон 100000: jmp\n"
         "Биты 9–0 (1111111110): адрес перехода 03FEh"},
        {0x000F,
         "000000000000111 1\n"
         "Шаблон 000000000000111: rtsc\n"
         "Бит 0 (1): число 1b"},
        {0x0000,
         "0000000000000000\n"
         "Шаблон 0000000000000000: nop\n"
         "Операндов нет."},
        {0xFFFF,
         "1111111111111111\n"
         "Слово не относится ни к одному классу инструкций."},
    };
    for (const ToolTipCase& c : cases) {
        EXPECT_EQ(WordToolTip(c.word), c.toolTip) << BitsOf(c.word);
    }
}

}  // namespace
}  // namespace sorrel
