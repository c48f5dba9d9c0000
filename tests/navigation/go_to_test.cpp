// Go-to texts of both listings: every form in either case, with and without
// a header, out of range at both ends, overflowing numbers, blanks, rubbish;
// C-style hexadecimal and byte offsets in the file.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <variant>

#include "go_to.h"

namespace sorrel {
namespace {

// A row, or the reason why there is none.
using Expected = std::variant<std::uint64_t, const char*>;

void Check(const GoToOutcome& outcome, const Expected& expected, const std::string& name) {
    if (const auto* row = std::get_if<std::uint64_t>(&expected)) {
        EXPECT_EQ(outcome.row, *row) << name;
        EXPECT_EQ(outcome.reason, "") << name;
    } else {
        EXPECT_EQ(outcome.row, std::nullopt) << name;
        EXPECT_EQ(outcome.reason, std::get<const char*>(expected)) << name;
    }
}

constexpr const char* Rubbish3FF =
    "Не адрес: введите адрес, #строку, +N или -N; последний адрес — 03FFh.";
constexpr const char* TooLarge3FF = "Слишком большое число; последний адрес — 03FFh.";

struct ListingCase {
    const char* text;
    std::uint64_t rowCount;
    bool raw;
    std::uint64_t current;
    Expected expected;
};

TEST(GoToListingRow, Forms) {
    // With a header: 256 header rows, then the addresses 0000h to 03FFh.
    constexpr std::uint64_t n = 256 + 1024;
    const ListingCase cases[] = {
        // Listing addresses as column 0 writes them, or their digits alone.
        {"03FEh", n, false, 300, std::uint64_t{1278}},
        {"03feh", n, false, 300, std::uint64_t{1278}},
        {"03FEH", n, false, 300, std::uint64_t{1278}},
        {"3fe", n, false, 300, std::uint64_t{1278}},
        {"3FE", n, false, 300, std::uint64_t{1278}},
        {"0000h", n, false, 300, std::uint64_t{256}},
        {"0", n, false, 300, std::uint64_t{256}},
        {"3ff", n, false, 300, std::uint64_t{1279}},
        {"400", n, false, 300, "Адреса 0400h нет в листинге; последний адрес — 03FFh."},
        {"0400h", n, false, 300, "Адреса 0400h нет в листинге; последний адрес — 03FFh."},
        // C-style hexadecimal: the same addresses, without "h".
        {"0x3fe", n, false, 300, std::uint64_t{1278}},
        {"0X3FE", n, false, 300, std::uint64_t{1278}},
        {"0x03Fe", n, false, 300, std::uint64_t{1278}},
        {"0x0", n, false, 300, std::uint64_t{256}},
        {"0x400", n, false, 300, "Адреса 0400h нет в листинге; последний адрес — 03FFh."},
        {"0x3feh", n, false, 300, Rubbish3FF},
        {"0x", n, false, 300, Rubbish3FF},
        {"0x 3fe", n, false, 300, Rubbish3FF},
        {"00x3fe", n, false, 300, Rubbish3FF},
        {"x3fe", n, false, 300, Rubbish3FF},
        {"0x-3", n, false, 300, Rubbish3FF},
        {"0x10000000000000000", n, false, 300, TooLarge3FF},
        // A byte offset in the file: the word that holds it, header or not.
        // The 1,280 words hold the offsets 0 to 9FFh (2559).
        {"@1FE", n, false, 300, std::uint64_t{255}},
        {"@1ff", n, false, 300, std::uint64_t{255}},
        {"@1FEh", n, false, 300, std::uint64_t{255}},
        {"@0x1fe", n, false, 300, std::uint64_t{255}},
        {"@0X200", n, false, 300, std::uint64_t{256}},
        {"@#510", n, false, 300, std::uint64_t{255}},
        {"@#512", n, false, 300, std::uint64_t{256}},
        {"@01FE(510)", n, false, 300, std::uint64_t{255}},
        {"@0", n, false, 300, std::uint64_t{0}},
        {" @9ff ", n, false, 300, std::uint64_t{1279}},
        {"@A00", n, false, 300,
         "Смещения 0A00(2560) нет в листинге; последнее смещение — 09FF(2559)."},
        {"@#2560", n, false, 300,
         "Смещения 0A00(2560) нет в листинге; последнее смещение — 09FF(2559)."},
        {"@FFFFFFFFFFFFFFFF", n, false, 300,
         "Смещения FFFFFFFFFFFFFFFF(18446744073709551615) нет в листинге; последнее смещение — "
         "09FF(2559)."},
        {"@10000000000000000", n, false, 300, TooLarge3FF},
        {"@#18446744073709551616", n, false, 300, TooLarge3FF},
        {"@", n, false, 300, Rubbish3FF},
        {"@#", n, false, 300, Rubbish3FF},
        {"@ 1FE", n, false, 300, Rubbish3FF},
        {"@+5", n, false, 300, Rubbish3FF},
        {"@-5", n, false, 300, Rubbish3FF},
        {"@@1FE", n, false, 300, Rubbish3FF},
        {"@#0x1fe", n, false, 300, Rubbish3FF},
        {"@#1FE", n, false, 300, Rubbish3FF},
        {"@01FE(511)", n, false, 300, Rubbish3FF},
        {"1FE@", n, false, 300, Rubbish3FF},
        // Header rows by their index.
        {"00FF(255)", n, false, 300, std::uint64_t{255}},
        {"00ff(255)", n, false, 300, std::uint64_t{255}},
        {"ff(255)", n, false, 300, std::uint64_t{255}},
        {"0000(0)", n, false, 300, std::uint64_t{0}},
        {"0100(256)", n, false, 300, "Адреса 0100(256) нет в листинге; последний адрес — 03FFh."},
        {"00FF(254)", n, false, 300, Rubbish3FF},
        // Rows by number.
        {"#0", n, false, 300, std::uint64_t{0}},
        {"#00012", n, false, 300, std::uint64_t{12}},
        {"#1279", n, false, 300, std::uint64_t{1279}},
        {"#1280", n, false, 300, "Строки #1280 нет в листинге; последняя строка — #1279 (03FFh)."},
        // Moves from the current row.
        {"+0", n, false, 300, std::uint64_t{300}},
        {"-0", n, false, 300, std::uint64_t{300}},
        {"+979", n, false, 300, std::uint64_t{1279}},
        {"+980", n, false, 300, "Сдвиг +980 уходит за конец листинга; последний адрес — 03FFh."},
        {"-300", n, false, 300, std::uint64_t{0}},
        {"-301", n, false, 300,
         "Сдвиг -301 уходит за начало листинга; первый адрес — 0000(0), последний — 03FFh."},
        // Blanks around the text, not inside.
        {"  3fe\t", n, false, 300, std::uint64_t{1278}},
        {" #5 ", n, false, 300, std::uint64_t{5}},
        {" 00FF(255) ", n, false, 300, std::uint64_t{255}},
        {"3 fe", n, false, 300, Rubbish3FF},
        {"# 5", n, false, 300, Rubbish3FF},
        {"00FF (255)", n, false, 300, Rubbish3FF},
        // Rubbish.
        {"", n, false, 300, Rubbish3FF},
        {"   ", n, false, 300, Rubbish3FF},
        {"h", n, false, 300, Rubbish3FF},
        {"#", n, false, 300, Rubbish3FF},
        {"+", n, false, 300, Rubbish3FF},
        {"-", n, false, 300, Rubbish3FF},
        {"#-5", n, false, 300, Rubbish3FF},
        {"+5h", n, false, 300, Rubbish3FF},
        {"#a", n, false, 300, Rubbish3FF},
        {"3feg", n, false, 300, Rubbish3FF},
        {"3feh)", n, false, 300, Rubbish3FF},
        {"(255)", n, false, 300, Rubbish3FF},
        {"00FF()", n, false, 300, Rubbish3FF},
        {"00FF(255", n, false, 300, Rubbish3FF},
        {"00FF(255)(255)", n, false, 300, Rubbish3FF},
        {"адрес", n, false, 300, Rubbish3FF},
        // Numbers of 64 bits and beyond.
        {"FFFFFFFFFFFFFFFF", n, false, 300,
         "Адреса FFFFFFFFFFFFFFFFh нет в листинге; последний адрес — 03FFh."},
        {"10000000000000000", n, false, 300, TooLarge3FF},
        {"FFFFFFFFFFFFFFFF(18446744073709551615)", n, false, 300,
         "Адреса FFFFFFFFFFFFFFFF(18446744073709551615) нет в листинге; последний адрес — 03FFh."},
        {"10000000000000000(18446744073709551616)", n, false, 300, TooLarge3FF},
        {"#18446744073709551615", n, false, 300,
         "Строки #18446744073709551615 нет в листинге; последняя строка — #1279 (03FFh)."},
        {"#18446744073709551616", n, false, 300, TooLarge3FF},
        {"+18446744073709551615", n, false, 300,
         "Сдвиг +18446744073709551615 уходит за конец листинга; последний адрес — 03FFh."},
        {"-99999999999999999999", n, false, 300, TooLarge3FF},
        // A header of fewer than 256 rows: no program addresses at all.
        {"0", 100, false, 0, "Адреса 0000h нет в листинге; последний адрес — 0063(99)."},
        {"0063(99)", 100, false, 0, std::uint64_t{99}},
        {"64(100)", 100, false, 0, "Адреса 0064(100) нет в листинге; последний адрес — 0063(99)."},
        // A raw image: addresses from the first row, no header rows.
        {"0", 1024, true, 0, std::uint64_t{0}},
        {"0000H", 1024, true, 0, std::uint64_t{0}},
        {"03ffh", 1024, true, 0, std::uint64_t{1023}},
        {"400h", 1024, true, 0, "Адреса 0400h нет в листинге; последний адрес — 03FFh."},
        {"0000(0)", 1024, true, 0, "В \"сыром\" образе нет заголовка; последний адрес — 03FFh."},
        {"#1023", 1024, true, 0, std::uint64_t{1023}},
        {"-1", 1024, true, 0,
         "Сдвиг -1 уходит за начало листинга; первый адрес — 0000h, последний — 03FFh."},
        {"+1023", 1024, true, 0, std::uint64_t{1023}},
        {"rubbish", 1024, true, 0, Rubbish3FF},
        {"0x3ff", 1024, true, 0, std::uint64_t{1023}},
        {"@7FF", 1024, true, 0, std::uint64_t{1023}},
        {"@800", 1024, true, 0,
         "Смещения 0800(2048) нет в листинге; последнее смещение — 07FF(2047)."},
        // An odd last byte belongs to no row: 3 rows hold the offsets 0 to 5.
        {"@5", 3, true, 0, std::uint64_t{2}},
        {"@6", 3, true, 0, "Смещения 0006(6) нет в листинге; последнее смещение — 0005(5)."},
        // Nothing listed.
        {"0", 0, true, 0, "Листинг пуст."},
        {"#0", 0, false, 0, "Листинг пуст."},
        {"@0", 0, true, 0, "Листинг пуст."},
    };
    for (const ListingCase& c : cases) {
        const std::string name = "\"" + std::string(c.text) + "\" in " +
                                 std::to_string(c.rowCount) + (c.raw ? " raw" : " header");
        Check(GoToListingRow(c.text, c.rowCount, c.raw, c.current), c.expected, name);
    }
}

struct ByteCase {
    const char* text;
    Expected expected;
};

TEST(GoToByteRow, Forms) {
    // 1,000 bytes, the current one at offset 10.
    const ByteCase cases[] = {
        {"000A(10)", std::uint64_t{10}},
        {"000a(10)", std::uint64_t{10}},
        {"a(10)", std::uint64_t{10}},
        {"a", std::uint64_t{10}},
        {"A", std::uint64_t{10}},
        {"0Ah", std::uint64_t{10}},
        {"0aH", std::uint64_t{10}},
        {" 0Ah ", std::uint64_t{10}},
        {"0", std::uint64_t{0}},
        {"3e7", std::uint64_t{999}},
        {"0x3e7", std::uint64_t{999}},
        {"0XA", std::uint64_t{10}},
        {"0x3e8", "Адреса 03E8(1000) нет в листинге; последний адрес — 03E7(999)."},
        {"0xah", "Не адрес: введите адрес, #строку, +N или -N; последний адрес — 03E7(999)."},
        // The main listing's offsets name the same rows.
        {"@3e7", std::uint64_t{999}},
        {"@0xa", std::uint64_t{10}},
        {"@#10", std::uint64_t{10}},
        {"@000A(10)", std::uint64_t{10}},
        {"@3e8", "Адреса 03E8(1000) нет в листинге; последний адрес — 03E7(999)."},
        {"03E7(999)", std::uint64_t{999}},
        {"3E8h", "Адреса 03E8(1000) нет в листинге; последний адрес — 03E7(999)."},
        {"03E8(1000)", "Адреса 03E8(1000) нет в листинге; последний адрес — 03E7(999)."},
        {"000A(11)", "Не адрес: введите адрес, #строку, +N или -N; последний адрес — 03E7(999)."},
        {"#999", std::uint64_t{999}},
        {"#1000", "Строки #1000 нет в листинге; последняя строка — #999 (03E7(999))."},
        {"+989", std::uint64_t{999}},
        {"+990", "Сдвиг +990 уходит за конец листинга; последний адрес — 03E7(999)."},
        {"-10", std::uint64_t{0}},
        {"-11",
         "Сдвиг -11 уходит за начало листинга; первый адрес — 0000(0), последний — 03E7(999)."},
        {"a a", "Не адрес: введите адрес, #строку, +N или -N; последний адрес — 03E7(999)."},
        {"99999999999999999", "Слишком большое число; последний адрес — 03E7(999)."},
    };
    for (const ByteCase& c : cases) {
        Check(GoToByteRow(c.text, 1000, 10), c.expected, c.text);
    }
    Check(GoToByteRow("0", 0, 0), "Листинг пуст.", "empty");
}

}  // namespace
}  // namespace sorrel
