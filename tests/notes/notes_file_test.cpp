// The notes file: its text, the round trip of every escape and field, the
// same bytes for the same notes, and the refusals of what it cannot read.
#include "notes_file.h"

#include <string>

#include <gtest/gtest.h>

namespace sorrel {
namespace {

std::string Repeated(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) {
        out += s;
    }
    return out;
}

const ImageIdentity Image{1073741824, 0x0123456789abcdefULL};

TEST(NotesFile, TheDocumentedExample) {
    const auto notes = NoteSet::Of({{0x3FE, {"main_loop", "wait for the timer", true}},
                                    {0x400, {".skip", "", false}},
                                    {0x512, {"", "", true}},
                                    {0x600, {"", "Сброс таймера", false}}});
    const std::string text =
        "sorrel-notes 1 size=1073741824 xxh3=0123456789abcdef\n"
        "000003FE\tmain_loop\t*\twait for the timer\n"
        "00000400\t.skip\n"
        "00000512\t\t*\n"
        "00000600\t\t\tСброс таймера\n";
    EXPECT_EQ(NotesFileText(*notes, Image), text);
    const NotesFileContent read = ReadNotesFileText(text);
    EXPECT_EQ(read.image, Image);
    EXPECT_EQ(read.notes->changes(), notes->changes());
}

// Notes of every kind go round: written, read, written again, the same.
TEST(NotesFile, RoundTripOfEveryFieldAndEscape) {
    struct Case {
        const char* name;
        Note note;
    };
    const Case cases[] = {
        {"label only", {"main", "", false}},
        {"bookmark only", {"", "", true}},
        {"comment only", {"", "a comment", false}},
        {"label and comment", {"Цикл", "ждём таймер", false}},
        {"all three", {"Ёж", "x", true}},
        {"backslashes", {"slash", "C:\\dir\\ \\t is not a tab \\x41", false}},
        {"control characters", {"", std::string("nul \0 bell \x07 esc \x1b del \x7f", 23), false}},
        {"blanks at both ends", {"", "  blanks  ", false}},
        {"a single blank", {"", " ", true}},
        {"1,000 letters", {"long", Repeated("ж", 1000), false}},
        {"1,000 code points of 4 bytes", {"", Repeated("😀", 1000), false}},
        {"1,000 control characters", {"", Repeated("\x01", 1000), false}},
        {"look-alikes of escapes", {"", "\\\\n \\u2028 ⁄ \u00a0", false}},
    };
    std::vector<NoteChange> all;
    std::uint64_t word = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto one = NoteSet::Of({{7, c.note}});
        const std::string text = NotesFileText(*one, Image);
        EXPECT_EQ(text.find('\r'), std::string::npos);
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2);
        const NotesFileContent read = ReadNotesFileText(text);
        ASSERT_EQ(read.notes->size(), 1u);
        EXPECT_EQ(read.notes->at(0).note(), c.note);
        EXPECT_EQ(NotesFileText(*read.notes, read.image), text);
        all.push_back({word, c.note});
        word = word * 3 + 0x1000;
    }
    all.push_back({0x7FFFFFFE, {"last", "", false}});
    const auto many = NoteSet::Of(all);
    EXPECT_EQ(ReadNotesFileText(NotesFileText(*many, Image)).notes->changes(), many->changes());
}

// Any text, the characters a field cannot hold as they are included, goes
// through the escapes and back; the escaped field has no tab, line break or
// other control character, and does not end in a blank.
TEST(NotesFile, EscapesGoRoundForAnyText) {
    std::string every;
    for (int b = 0; b < 128; ++b) {
        every += static_cast<char>(b);
    }
    const std::string texts[] = {every,
                                 "\u0085\u2028\u2029",
                                 "ends in a blank ",
                                 "\\",
                                 "",
                                 "Ё\\x20\\u0085",
                                 "\xc2\xa0\xe2\x80\xa8x\xe2\x82\xac"};
    for (const std::string& text : texts) {
        std::string escaped;
        AppendEscaped(escaped, text);
        for (const char c : escaped) {
            EXPECT_FALSE(static_cast<unsigned char>(c) < 0x20 || c == 0x7F) << escaped;
        }
        EXPECT_TRUE(escaped.find("\u0085") == std::string::npos &&
                    escaped.find("\u2028") == std::string::npos &&
                    escaped.find("\u2029") == std::string::npos);
        EXPECT_TRUE(escaped.empty() || escaped.back() != ' ');
        std::string back;
        std::string reason;
        ASSERT_TRUE(Unescape(escaped, back, reason)) << reason;
        EXPECT_EQ(back, text);
    }
}

// The same notes give the same bytes, however the set was made.
TEST(NotesFile, TheSameNotesGiveTheSameBytes) {
    std::shared_ptr<const NoteSet> oneByOne = NoteSet::Empty();
    std::vector<NoteChange> all;
    for (std::uint64_t w = 2000; w-- > 0;) {
        const Note note{w % 2 ? "n" + std::to_string(w) : "", w % 3 ? "c" : "", w % 5 == 0};
        oneByOne = oneByOne->with(w, Note{"tmp" + std::to_string(w), "", false});
        oneByOne = oneByOne->with(w, note);
        all.push_back({w, note});
    }
    EXPECT_EQ(NotesFileText(*oneByOne, Image), NotesFileText(*NoteSet::Of(all), Image));
}

TEST(NotesFile, RefusesWhatItCannotReadWithTheLine) {
    const std::string head = "sorrel-notes 1 size=4 xxh3=0000000000000001\n";
    const std::string form =
        "Первая строка должна быть вида «sorrel-notes 1 size=РАЗМЕР xxh3=ХЕШ» (РАЗМЕР в байтах, "
        "ХЕШ из 16 шестнадцатеричных цифр).";
    struct Case {
        const char* name;
        std::string text;
        std::uint64_t line;
        std::string reason;
    };
    const Case cases[] = {
        {"empty file", "", 1,
         "Это не файл заметок: первая строка должна начинаться с «sorrel-notes»."},
        {"another format", "notes 1\n", 1,
         "Это не файл заметок: первая строка должна начинаться с «sorrel-notes»."},
        {"a newer version", "sorrel-notes 2 whatever may follow\n00000001\tx\n", 1,
         "Файл заметок версии 2 новее этой программы: она читает версию 1."},
        {"no version", "sorrel-notes\n", 1,
         "Первая строка должна быть вида «sorrel-notes 1 size=РАЗМЕР xxh3=ХЕШ»: не указана "
         "версия формата."},
        {"bad size", "sorrel-notes 1 size=4k xxh3=0000000000000001\n", 1, form},
        {"short hash", "sorrel-notes 1 size=4 xxh3=01\n", 1, form},
        {"fields in another order", "sorrel-notes 1 xxh3=0000000000000001 size=4\n", 1, form},
        {"an unknown field", "sorrel-notes 1 size=4 xxh3=0000000000000001 crc=1\n", 1, form},
        {"a bad escape", head + "00000001\tx\n00000002\t\t\tbad \\q\n", 3,
         "Комментарий: неизвестная последовательность «\\q» (бывают \\\\, \\t, \\n, \\r, \\xHH и "
         "\\uHHHH)."},
        {"a short \\x", head + "00000002\t\t\t\\x4\n", 2,
         "Комментарий: после «\\x» должны стоять две шестнадцатеричные цифры."},
        {"a backslash at the end", head + "00000002\tname\\\n", 2,
         "Имя: обратная косая черта в конце поля (сама она пишется как \\\\)."},
        {"a surrogate", head + "00000002\t\t\t\\ud800\n", 2,
         "Комментарий: «\\ud800» — половина суррогатной пары, а не знак."},
        {"a duplicate word", head + "00000001\tx\n00000001\ty\n", 3,
         "Слово 00000001 уже было в строке 2."},
        {"words out of order", head + "00000002\tx\n00000001\ty\n", 3,
         "Слово 00000001 стоит после слова 00000002: заметки идут по возрастанию слов."},
        {"an invalid label", head + "00000001\tface\n", 2, "Имя «face» читается как адрес FACEh."},
        {"one label twice in any case", head + "00000001\tMain\n00000005\tx\n00000009\tMAIN\n", 4,
         "Имя «MAIN» уже дано слову 00000001 в строке 2."},
        {"a label twice before another fault",
         head + "00000001\tmain\n00000002\tMain\n00000003\t\t\tbad \\q\n", 3,
         "Имя «Main» уже дано слову 00000001 в строке 2."},
        {"a line too long", head + "00000001\t\t\t" + std::string(8190, 'x') + "\n", 2,
         "Строка длиннее 8192 байт."},
        {"a comment too long", head + "00000001\t\t\t" + std::string(1001, 'x') + "\n", 2,
         "Комментарий длиннее 1000 знаков: в нём 1001."},
        {"an escaped tab in a comment", head + "00000001\t\t\ta\\tb\n", 2,
         "В комментарии не может быть табуляции."},
        {"invalid UTF-8", head + "00000001\t\t\t\xff\n", 2, "Комментарий не в кодировке UTF-8."},
        {"a control character",
         head + "00000001\t\t\ta\x01"
                "b\n",
         2, "Управляющий знак U+0001 должен быть записан как \\x01."},
        {"Windows line ends", head + "00000001\tx\r\n", 2,
         "Строка кончается знаком U+000D (CR): строки файла заметок кончаются только переводом "
         "строки (LF)."},
        {"an empty line", head + "00000001\tx\n\n00000002\ty\n", 3,
         "Пустая строка: в файле заметок каждая строка после первой — заметка."},
        {"five fields", head + "00000001\tx\t*\tc\textra\n", 2,
         "Лишнее поле: в строке заметки не больше четырёх полей (слово, имя, закладка, "
         "комментарий)."},
        {"a bad bookmark mark", head + "00000001\tx\tyes\n", 2, "Поле закладки — «*» или пустое."},
        {"a short word", head + "0000001\tx\n", 2,
         "Строка должна начинаться с номера слова из 8 шестнадцатеричных цифр."},
        {"blanks for tabs", head + "00000001 x\n", 2,
         "Строка должна начинаться с номера слова из 8 шестнадцатеричных цифр."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            ReadNotesFileText(c.text);
            ADD_FAILURE() << "read";
        } catch (const NotesFileError& e) {
            EXPECT_EQ(e.line(), c.line);
            EXPECT_EQ(e.reason(), c.reason);
            EXPECT_EQ(std::string(e.what()), "Строка " + std::to_string(c.line) + ": " + c.reason);
        }
    }
    // What may be read: no final line feed, lower-case digits, a word
    // alone (no note), and a file of no notes.
    const NotesFileContent read =
        ReadNotesFileText("sorrel-notes 1 size=0 xxh3=ABCDEF0123456789\n000000ff\n00000100\tx");
    EXPECT_EQ(read.image, (ImageIdentity{0, 0xABCDEF0123456789ULL}));
    EXPECT_EQ(read.notes->changes(), (std::vector<NoteChange>{{0x100, {"x", "", false}}}));
    EXPECT_TRUE(ReadNotesFileText(head).notes->empty());
}

}  // namespace
}  // namespace sorrel
