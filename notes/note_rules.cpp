#include "note_rules.h"

#include <cstdint>
#include <cstdio>

#include "go_to.h"
#include "listing_text.h"
#include "notes_text.h"

namespace sorrel {

namespace {

// "«x»", "пробел" or "U+0009": a character as a reason names it.
std::string Named(char32_t c) {
    if (c == U' ') {
        return "пробел";
    }
    if (c < 0x20 || (c >= 0x7F && c < 0xA0) || IsLineBreak(c) || c == 0xA0 || c == 0xFEFF ||
        (c >= 0x2000 && c <= 0x200F)) {
        char text[16];
        std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(c));
        return text;
    }
    std::string out = "«";
    AppendUtf8(out, c);
    return out + "»";
}

bool IsDigit(char32_t c) {
    return c >= U'0' && c <= U'9';
}

}  // namespace

bool IsLabelCharacter(char32_t c) {
    return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z') || IsDigit(c) || c == U'_' ||
           c == U'.' || (c >= U'А' && c <= U'я') || c == U'Ё' || c == U'ё';
}

bool IsLineBreak(char32_t c) {
    return c == U'\n' || c == U'\r' || c == U'\v' || c == U'\f' || c == 0x85 || c == 0x2028 ||
           c == 0x2029;
}

std::string LabelSyntaxProblem(std::string_view name) {
    if (name.empty()) {
        return {};
    }
    // One pass for the encoding and the length, and the first character
    // that cannot be in a label.
    std::size_t length = 0;
    char32_t wrong = 0;
    bool anyWrong = false;
    for (std::size_t pos = 0; pos < name.size(); ++length) {
        const auto b = static_cast<unsigned char>(name[pos]);
        char32_t c = b;
        if (b < 0x80) {
            ++pos;
        } else {
            const CodePoint read = ReadCodePoint(name, pos);
            if (!read.valid) {
                return "Имя не в кодировке UTF-8.";
            }
            c = read.value;
            pos += read.size;
        }
        if (!anyWrong && !IsLabelCharacter(c)) {
            anyWrong = true;
            wrong = c;
        }
    }
    if (length > MaxLabelLength) {
        return "Имя длиннее " + std::to_string(MaxLabelLength) + " знаков: в нём " +
               std::to_string(length) + ".";
    }
    if (IsDigit(static_cast<unsigned char>(name.front()))) {
        return "Имя не может начинаться с цифры.";
    }
    if (anyWrong) {
        std::string what = Named(wrong);
        what = what == "пробел" ? "Пробел" : "Знак " + what;
        return what + " не может входить в имя: в нём только буквы, цифры, «_» и «.».";
    }
    // A text the go-to dialog takes to a row, in a listing of any length.
    const GoToOutcome read = GoToListingRow(name, UINT64_MAX, true, 0);
    if (read.row) {
        return "Имя «" + std::string(name) + "» читается как адрес " +
               std::string(AddressText(*read.row).view()) + ".";
    }
    return {};
}

std::string LabelProblem(std::string_view name, const NoteSet& notes, std::uint64_t word,
                         bool raw) {
    std::string problem = LabelSyntaxProblem(name);
    if (!problem.empty() || name.empty()) {
        return problem;
    }
    const std::optional<std::uint64_t> owner = notes.wordOfLabel(name);
    if (owner && *owner != word) {
        const std::string label(notes.find(*owner)->label);
        return "Имя «" + label + "» уже дано адресу " +
               std::string(ListingCellText(*owner, 0, raw, 0).view()) + ".";
    }
    return {};
}

std::string CommentProblem(std::string_view text) {
    // One pass for the encoding, the length and the first character a
    // comment cannot hold; printable ASCII goes straight on.
    std::size_t length = 0;
    char32_t wrong = 0;
    for (std::size_t pos = 0; pos < text.size(); ++length) {
        const auto b = static_cast<unsigned char>(text[pos]);
        if (b >= 0x20 && b < 0x80) {
            ++pos;
            continue;
        }
        const CodePoint c = ReadCodePoint(text, pos);
        if (!c.valid) {
            return "Комментарий не в кодировке UTF-8.";
        }
        if (wrong == 0 && (c.value == U'\t' || IsLineBreak(c.value))) {
            wrong = c.value;
        }
        pos += c.size;
    }
    if (length > MaxCommentLength) {
        return "Комментарий длиннее " + std::to_string(MaxCommentLength) + " знаков: в нём " +
               std::to_string(length) + ".";
    }
    if (wrong == U'\t') {
        return "В комментарии не может быть табуляции.";
    }
    if (wrong != 0) {
        return "Комментарий — одна строка: в нём не может быть разрыва строки " + Named(wrong) +
               ".";
    }
    return {};
}

}  // namespace sorrel
