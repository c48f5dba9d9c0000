#include "go_to.h"

#include <limits>
#include <optional>

#include "byte_text.h"
#include "listing_text.h"
#include "number_text.h"

namespace sorrel {
namespace {

// The forms of a go-to text, before they are looked up in a listing.
enum class Form {
    Rubbish,
    TooLarge,   // a number of the right form beyond 64 bits
    Address,    // "3FE" or "3FEh"
    Indexed,    // "03FE(1022)"
    RowNumber,  // "#N"
    Down,       // "+N"
    Up,         // "-N"
    Offset,     // "@1FE", "@0x1fe", "@#510", "@01FE(510)": a byte offset in the file
};

struct Parsed {
    Form form = Form::Rubbish;
    std::uint64_t value = 0;
};

// Reads all of digits in base 10 or 16 into value. Fails on an empty text or
// any other character; sets tooLarge when the value needs more than 64 bits.
bool ReadNumber(std::string_view digits, int base, std::uint64_t& value, bool& tooLarge) {
    if (digits.empty()) {
        return false;
    }
    value = 0;
    for (const char c : digits) {
        const int d = HexDigitValue(c);
        if (d < 0 || d >= base) {
            return false;
        }
        const auto b = static_cast<std::uint64_t>(base);
        if (value >
            (std::numeric_limits<std::uint64_t>::max() - static_cast<std::uint64_t>(d)) / b) {
            tooLarge = true;
        }
        value = value * b + static_cast<std::uint64_t>(d);
    }
    return true;
}

std::string_view Trim(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// "0x3e" or "0X3E": the digits after the prefix, or nothing.
std::optional<std::string_view> AfterHexPrefix(std::string_view text) {
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        return text.substr(2);
    }
    return std::nullopt;
}

Parsed ParseOffset(std::string_view text);

Parsed Parse(std::string_view text) {
    text = Trim(text);
    Parsed p;
    bool tooLarge = false;
    auto result = [&](Form form) {
        p.form = tooLarge ? Form::TooLarge : form;
        return p;
    };
    if (text.empty()) {
        return p;
    }
    const char first = text.front();
    if (first == '@') {
        return ParseOffset(text.substr(1));
    }
    if (const auto digits = AfterHexPrefix(text)) {
        if (!ReadNumber(*digits, 16, p.value, tooLarge)) {
            return p;
        }
        return result(Form::Address);
    }
    if (first == '#' || first == '+' || first == '-') {
        if (!ReadNumber(text.substr(1), 10, p.value, tooLarge)) {
            return p;
        }
        return result(first == '#' ? Form::RowNumber : first == '+' ? Form::Down : Form::Up);
    }
    if (text.back() == ')') {
        const std::size_t open = text.find('(');
        std::uint64_t decimal = 0;
        if (open == std::string_view::npos ||
            !ReadNumber(text.substr(0, open), 16, p.value, tooLarge) ||
            !ReadNumber(text.substr(open + 1, text.size() - open - 2), 10, decimal, tooLarge)) {
            return p;
        }
        if (!tooLarge && decimal != p.value) {
            return p;  // the two numbers of one index always agree
        }
        return result(Form::Indexed);
    }
    if (text.back() == 'h' || text.back() == 'H') {
        text.remove_suffix(1);
    }
    if (!ReadNumber(text, 16, p.value, tooLarge)) {
        return p;
    }
    return result(Form::Address);
}

// What follows "@": an offset in hexadecimal ("1FE", "1FEh", "0x1fe"), in
// decimal ("#510") or as the byte-order listing's column 0 writes it
// ("01FE(510)").
Parsed ParseOffset(std::string_view text) {
    Parsed p;
    if (text.empty() || text.front() == '+' || text.front() == '-' || text.front() == '@' ||
        text.front() == ' ' || text.front() == '\t') {
        return p;
    }
    bool tooLarge = false;
    if (text.front() == '#') {
        if (!ReadNumber(text.substr(1), 10, p.value, tooLarge)) {
            return p;
        }
        p.form = tooLarge ? Form::TooLarge : Form::Offset;
        return p;
    }
    p = Parse(text);
    if (p.form == Form::Address || p.form == Form::Indexed) {
        p.form = Form::Offset;
    }
    return p;
}

std::string Text(const ShortText& t) {
    return std::string(t.view());
}

std::string Hex(std::uint64_t v) {
    ShortText t;
    AppendHex(t, v);
    return Text(t);
}

std::string Dec(std::uint64_t v) {
    ShortText t;
    AppendDec(t, v);
    return Text(t);
}

// "000A(10)"
std::string Indexed(std::uint64_t v) {
    return Hex(v) + "(" + Dec(v) + ")";
}

// What the reasons need to know of a listing. The address texts are made only
// for a reason, so that going costs the same whatever the listing's size.
struct Listing {
    std::uint64_t rowCount;
    bool raw;
    ShortText (*column0)(std::uint64_t row, bool raw);  // column 0 of a row

    std::string firstAddress() const { return Text(column0(0, raw)); }
    std::string lastAddress() const { return Text(column0(rowCount - 1, raw)); }
};

ShortText ListingColumn0(std::uint64_t row, bool raw) {
    return ListingCellText(row, 0, raw, 0);
}

ShortText ByteColumn0(std::uint64_t row, bool) {
    return ByteCellText(row, 0, 0);
}

GoToOutcome Row(std::uint64_t row) {
    return {row, {}};
}

GoToOutcome Reason(std::string reason) {
    return {std::nullopt, std::move(reason)};
}

GoToOutcome NotInListing(const std::string& address, const Listing& listing) {
    return Reason("Адреса " + address + " нет в листинге; последний адрес — " +
                  listing.lastAddress() + ".");
}

// The forms that read the same in both listings: rubbish, "#N", "+N", "-N";
// nothing for the others.
std::optional<GoToOutcome> Common(const Parsed& p, const Listing& listing, std::uint64_t current) {
    const auto last = [&listing] { return "последний адрес — " + listing.lastAddress() + "."; };
    switch (p.form) {
        case Form::Rubbish:
            return Reason("Не адрес: введите адрес, #строку, +N или -N; " + last());
        case Form::TooLarge:
            return Reason("Слишком большое число; " + last());
        case Form::RowNumber:
            if (p.value < listing.rowCount) {
                return Row(p.value);
            }
            return Reason("Строки #" + Dec(p.value) + " нет в листинге; последняя строка — #" +
                          Dec(listing.rowCount - 1) + " (" + listing.lastAddress() + ").");
        case Form::Down:
            if (current < listing.rowCount && p.value < listing.rowCount - current) {
                return Row(current + p.value);
            }
            return Reason("Сдвиг +" + Dec(p.value) + " уходит за конец листинга; " + last());
        case Form::Up:
            if (current < listing.rowCount && p.value <= current) {
                return Row(current - p.value);
            }
            return Reason("Сдвиг -" + Dec(p.value) + " уходит за начало листинга; первый адрес — " +
                          listing.firstAddress() + ", последний — " + listing.lastAddress() + ".");
        default:
            return std::nullopt;
    }
}

}  // namespace

GoToOutcome GoToListingRow(std::string_view text, std::uint64_t rowCount, bool raw,
                           std::uint64_t current) {
    if (rowCount == 0) {
        return Reason("Листинг пуст.");
    }
    const Listing listing{rowCount, raw, &ListingColumn0};
    const Parsed p = Parse(text);
    if (auto outcome = Common(p, listing, current)) {
        return *outcome;
    }
    if (p.form == Form::Offset) {
        // The word that holds the byte.
        if (p.value / 2 < rowCount) {
            return Row(p.value / 2);
        }
        return Reason("Смещения " + Indexed(p.value) + " нет в листинге; последнее смещение — " +
                      Indexed(2 * rowCount - 1) + ".");
    }
    const std::uint64_t base = raw ? 0 : HeaderWords;
    if (p.form == Form::Address) {
        if (rowCount > base && p.value < rowCount - base) {
            return Row(base + p.value);
        }
        return NotInListing(Hex(p.value) + "h", listing);
    }
    // Form::Indexed
    if (raw) {
        return Reason("В \"сыром\" образе нет заголовка; последний адрес — " +
                      listing.lastAddress() + ".");
    }
    if (p.value < HeaderWords && p.value < rowCount) {
        return Row(p.value);
    }
    return NotInListing(Indexed(p.value), listing);
}

GoToOutcome GoToByteRow(std::string_view text, std::uint64_t rowCount, std::uint64_t current) {
    if (rowCount == 0) {
        return Reason("Листинг пуст.");
    }
    const Listing listing{rowCount, false, &ByteColumn0};
    const Parsed p = Parse(text);
    if (auto outcome = Common(p, listing, current)) {
        return *outcome;
    }
    // Form::Address, Form::Indexed and Form::Offset name the same offsets.
    if (p.value < rowCount) {
        return Row(p.value);
    }
    return NotInListing(Indexed(p.value), listing);
}

GoToOutcome GoToRow(std::string_view text, ListingMode mode, std::uint64_t rowCount,
                    std::uint64_t current) {
    return mode == ListingMode::Bytes
               ? GoToByteRow(text, rowCount, current)
               : GoToListingRow(text, rowCount, mode == ListingMode::Raw, current);
}

}  // namespace sorrel
