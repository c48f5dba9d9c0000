// The columns of a listing: the three it always has, then those shown on
// request, in this order: "Hex", "Текст" and, in the main listing only,
// "Заметки". While none is shown a listing is exactly its three columns,
// in the grid, in a copy and in a saved listing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sorrel {

// What a column of a listing shows.
enum class ColumnKind : std::uint8_t {
    First,   // the address ("Адрес инструкци"; "Адрес байта")
    Second,  // the bits ("Инструкция"; the word's index, "Адрес слова")
    Third,   // the disassembly ("Мнемоника"; the bits, "Значение")
    Hex,     // the word's or byte's value in hexadecimal
    Text,    // its bytes as characters
    Notes    // the row's label and comment, and the name a jump goes to
};

// The columns shown on request.
struct ExtraColumns {
    bool hex = false;
    bool text = false;
    bool notes = false;

    bool any() const { return hex || text || notes; }
    bool operator==(const ExtraColumns&) const = default;
};

// The number of columns with extra shown.
constexpr int ColumnCount(ExtraColumns extra) {
    return 3 + (extra.hex ? 1 : 0) + (extra.text ? 1 : 0) + (extra.notes ? 1 : 0);
}

// What column index shows (index < ColumnCount(extra)).
constexpr ColumnKind ColumnAt(ExtraColumns extra, int index) {
    if (index < 3) {
        return static_cast<ColumnKind>(index);
    }
    index -= 3;
    if (extra.hex && index-- == 0) {
        return ColumnKind::Hex;
    }
    if (extra.text && index-- == 0) {
        return ColumnKind::Text;
    }
    return ColumnKind::Notes;
}

// The notes of a listing as the notes column shows them: the label of the
// row's word followed by a colon, its comment, and for a jump the name of
// the row it goes to. Made by the notes, read by the listing's cells and
// its writer; thread-safe, immutable.
class RowNotes {
  public:
    virtual ~RowNotes() = default;
    // Appends the notes column's text of row (word) of the main listing of an
    // image listed raw or with a header; nothing for a row without notes.
    // Returns where in out the names made up by the program (never stored,
    // shown greyed) begin, or std::string::npos when it added none.
    virtual std::size_t appendText(std::uint64_t row, std::uint16_t word, bool raw,
                                   std::string& out) const = 0;
    // What appendText adds for a program row with no note of its own whose
    // word is word: a jump's "→ NAME", or nothing. Find decides it once per
    // word, as it decides the other columns.
    virtual std::size_t appendJumpText(std::uint16_t word, bool raw, std::string& out) const = 0;
    // The first row at or after row, and the last row before row, that has a
    // note of its own (a label, a comment or a bookmark); nothing when none.
    virtual std::optional<std::uint64_t> nextNotedRow(std::uint64_t row) const = 0;
    virtual std::optional<std::uint64_t> previousNotedRow(std::uint64_t row) const = 0;
    // The row's word has a bookmark.
    virtual bool bookmarked(std::uint64_t row) const = 0;
    // The label of the row's word; empty when it has none. Valid while the
    // notes live.
    virtual std::string_view label(std::uint64_t row) const = 0;
};

}  // namespace sorrel
