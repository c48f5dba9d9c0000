// Importing names from a text file: every address form of the go-to dialog,
// comments of the file and of the notes, all or nothing, the lines at fault.
#include "notes_import.h"

#include <string>

#include <gtest/gtest.h>

namespace sorrel {

void PrintTo(const ImportProblem& p, std::ostream* out) {
    *out << p.line << ": " << p.reason;
}

namespace {

// 256 header words and 1,024 program words.
constexpr std::uint64_t Rows = 256 + 1024;

std::shared_ptr<const NoteSet> Existing() {
    return NoteSet::Of({{0x103, {"old_name", "kept", true}}, {0x200, {"Taken", "", false}}});
}

TEST(NotesImport, AGoodFileGivesItsChanges) {
    struct Case {
        const char* name;
        std::string text;
        bool raw;
        std::vector<NoteChange> changes;
    };
    const Case cases[] = {
        {"every address form, with a header",
         "; names from the map\n"
         "03FEh  main_loop  ; wait for the timer\n"
         "\n"
         "   \t\n"
         "3ff\tnext;no blanks\r\n"
         "#10 header_word\n"
         "00FF(255) last_header ;\n"
         "  ; an indented comment line\n"
         "0 z;b;c",
         false,
         {{0x4FE, {"main_loop", "wait for the timer", false}},
          {0x4FF, {"next", "no blanks", false}},
          {10, {"header_word", "", false}},
          {255, {"last_header", "", false}},
          {0x100, {"z", "b;c", false}}}},
        {"raw: addresses are words",
         "3FEh x\n#5 y\n",
         true,
         {{0x3FE, {"x", "", false}}, {5, {"y", "", false}}}},
        {"a word's note keeps its comment and bookmark",
         "3 renamed\n",
         false,
         {{0x103, {"renamed", "kept", true}}}},
        {"a given comment replaces the old one",
         "3 renamed ; new\n",
         false,
         {{0x103, {"renamed", "new", true}}}},
        {"a name moves from a word the file renames",
         "100h Taken2\n5 taken\n",
         false,
         {{0x200, {"Taken2", "", false}}, {0x105, {"taken", "", false}}}},
        {"a word keeps its own name in another case",
         "100h TAKEN\n",
         false,
         {{0x200, {"TAKEN", "", false}}}},
        {"nothing but comments", "; a\n\n;b\n", false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ImportResult result = ImportNames(c.text, *Existing(), c.raw, Rows);
        EXPECT_TRUE(result.ok());
        EXPECT_EQ(result.problems, std::vector<ImportProblem>{});
        EXPECT_EQ(result.changes, c.changes);
        EXPECT_NO_THROW(Existing()->with(result.changes));
    }
}

TEST(NotesImport, AnyLineWrongImportsNothingAndNamesTheFirstLines) {
    const std::string text =
        "03FEh ok_name\n"      // 1
        "5000h far\n"          // 2
        "+16 step\n"           // 3
        "3ff 1bad\n"           // 4
        "3fd face\n"           // 5
        "3fc OK_NAME\n"        // 6
        "03FEh another\n"      // 7
        "3fb Taken\n"          // 8
        "3fa\n"                // 9
        "3f9 a b\n"            // 10
        "# comment\n"          // 11
        "3f8 x ; tab\there\n"  // 12
        "3f7 fine\n";          // 13
    const ImportResult result = ImportNames(text, *Existing(), false, Rows);
    EXPECT_FALSE(result.ok());
    EXPECT_TRUE(result.changes.empty());
    EXPECT_EQ(result.faultyLines, 11u);
    const std::vector<ImportProblem> expected = {
        {2, "Адреса 5000h нет в листинге; последний адрес — 03FFh."},
        {3, "«+16» — сдвиг, а не адрес: в файле нужны адреса."},
        {4, "Имя не может начинаться с цифры."},
        {5, "Имя «face» читается как адрес FACEh."},
        {6, "Имя «OK_NAME» уже было в строке 1."},
        {7, "Адрес 03FEh уже был в строке 1."},
        {8, "Имя «Taken» уже дано адресу 0100h."},
        {9, "После адреса нет имени: строка пишется как «АДРЕС ИМЯ ; комментарий»."},
        {10, "После имени «a» лишнее: «b». Комментарий начинается с «;»."},
        {11, "Не адрес: введите адрес, #строку, +N или -N; последний адрес — 03FFh."},
    };
    EXPECT_EQ(result.problems, expected);

    // The mode decides what an address is.
    const ImportResult raw = ImportNames("00FF(255) x\n400h y\n", *Existing(), true, Rows);
    EXPECT_EQ(raw.problems,
              (std::vector<ImportProblem>{
                  {1, "В \"сыром\" образе нет заголовка; последний адрес — 04FFh."}}));
    EXPECT_TRUE(raw.changes.empty());
}

}  // namespace
}  // namespace sorrel
