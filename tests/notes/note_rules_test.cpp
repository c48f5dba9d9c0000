// What may be a label and a comment, and the reasons given for what may not.
#include "note_rules.h"

#include <string>

#include <gtest/gtest.h>

namespace sorrel {
namespace {

std::string Times(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) {
        out += s;
    }
    return out;
}

TEST(NoteRules, LabelsAcceptedAndRefused) {
    const std::string only = "не может входить в имя: в нём только буквы, цифры, «_» и «.».";
    struct Case {
        std::string name;
        std::string reason;  // empty: accepted
    };
    const Case cases[] = {
        {"main_loop", ""},
        {"_start", ""},
        {".L1", ""},
        {"Цикл_ожидания", ""},
        {"Ёлка.ёж", ""},
        {"x", ""},
        {"h", ""},        // no digits: not an address
        {"loop2", ""},    // l, o, p are not hexadecimal digits
        {"abcdefg", ""},  // nor is g
        {Times("a", 64), ""},
        {Times("ж", 64), ""},       // 64 letters, 128 bytes
        {"", ""},                   // removes the label
        {"fffffffffffffffff", ""},  // 17 digits: past 64 bits, no address
        {"1abc", "Имя не может начинаться с цифры."},
        {"0", "Имя не может начинаться с цифры."},
        {"face", "Имя «face» читается как адрес FACEh."},
        {"add", "Имя «add» читается как адрес 0ADDh."},
        {"ABCh", "Имя «ABCh» читается как адрес 0ABCh."},
        {"eH", "Имя «eH» читается как адрес 000Eh."},
        {"fffffffffffffffe", "Имя «fffffffffffffffe» читается как адрес FFFFFFFFFFFFFFFEh."},
        {"ffffffffffffffff", ""},  // a row no listing of 64-bit rows can have
        {"a b", "Пробел " + only},
        {"a-b", "Знак «-» " + only},
        {"a#1", "Знак «#» " + only},
        {"a\tb", "Знак U+0009 " + only},
        {"über", "Знак «ü» " + only},
        {"\u0430\u0306", "Знак «\u0306» " + only},  // а with a combining breve
        {"Ї", "Знак «Ї» " + only},                  // Ukrainian, not А-я
        {Times("a", 65), "Имя длиннее 64 знаков: в нём 65."},
        {Times("я", 65), "Имя длиннее 64 знаков: в нём 65."},
        {"a\xff", "Имя не в кодировке UTF-8."},
        {"\xd0", "Имя не в кодировке UTF-8."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LabelSyntaxProblem(c.name), c.reason) << c.name;
    }
}

// Uniqueness in any case, with the other word's address as the listing
// writes it in each mode.
TEST(NoteRules, LabelsOfOtherWordsAreRefused) {
    const auto notes = NoteSet::Of(
        {{259, {"Main", "", false}}, {3, {"Старт", "", false}}, {10, {"", "no label", true}}});
    struct Case {
        std::string name;
        std::uint64_t word;
        bool raw;
        std::string reason;
    };
    const Case cases[] = {
        {"main", 300, false, "Имя «Main» уже дано адресу 0003h."},
        {"MAIN", 300, true, "Имя «Main» уже дано адресу 0103h."},
        {"СТАРТ", 259, false, "Имя «Старт» уже дано адресу 0003(3)."},
        {"старт", 259, true, "Имя «Старт» уже дано адресу 0003h."},
        {"MAIN", 259, false, ""},  // its own name in another case
        {"старт", 3, true, ""},
        {"other", 10, true, ""},
        {"", 3, true, ""},
        {"face", 10, true, "Имя «face» читается как адрес FACEh."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LabelProblem(c.name, *notes, c.word, c.raw), c.reason) << c.name;
    }
}

TEST(NoteRules, CommentsAcceptedAndRefused) {
    const std::string oneLine = "Комментарий — одна строка: в нём не может быть разрыва строки ";
    struct Case {
        std::string text;
        std::string reason;
    };
    const Case cases[] = {
        {"", ""},
        {"wait for the timer", ""},
        {Times("x", 1000), ""},
        {Times("ж", 1000), ""},  // 1,000 code points, 2,000 bytes
        {Times("😀", 1000), ""},  // 4,000 bytes
        {"a \\ b ", ""},
        {"bell \x07 and \x7f", ""},  // other control characters may be kept
        {Times("x", 1001), "Комментарий длиннее 1000 знаков: в нём 1001."},
        {Times("ж", 1001), "Комментарий длиннее 1000 знаков: в нём 1001."},
        {"a\tb", "В комментарии не может быть табуляции."},
        {"a\nb", oneLine + "U+000A."},
        {"a\rb", oneLine + "U+000D."},
        {"a\vb", oneLine + "U+000B."},
        {"a\fb", oneLine + "U+000C."},
        {"a\u0085b", oneLine + "U+0085."},
        {"a\u2028b", oneLine + "U+2028."},
        {"a\u2029b", oneLine + "U+2029."},
        {"a\xc3", "Комментарий не в кодировке UTF-8."},
        {"\xc0\xaf", "Комментарий не в кодировке UTF-8."},          // overlong
        {"\xed\xa0\x80", "Комментарий не в кодировке UTF-8."},      // a surrogate
        {"\xf4\x90\x80\x80", "Комментарий не в кодировке UTF-8."},  // past U+10FFFF
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CommentProblem(c.text), c.reason) << c.text.substr(0, 20);
    }
}

}  // namespace
}  // namespace sorrel
