// The notes column of the main listing ("Заметки"), over a NoteSet: the
// row's label followed by a colon, then its comment (one blank between
// them), then, on a jump row of the program part, " → NAME" ("→ NAME" when
// nothing precedes it). NAME is the label of the word the jump goes to
// (the row base + JumpField(word), base 0 raw and 256 with a header), or,
// when that word has no label, a name the program makes up and never
// stores: "sub_03FE" for the target of a jsr, "loc_03FE" for the other
// jumps (the listing address in four upper-case hexadecimal digits). Header
// rows are never decoded, so they have no jump part.
//
// The same texts serve the grid, the saved listing and sorrel-dis --notes.
// Thread-safe: the column holds an immutable set.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "listing_columns.h"
#include "note_set.h"

namespace sorrel {

// "sub_03FE" (call: the target of a jsr) or "loc_03FE".
std::string AutomaticName(std::uint64_t address, bool call);

// The label of the word at a listing address of the program part (word
// address, or 256 + address with a header); nothing when it has none. For
// "Ссылки на 03FEh (main_loop)", the arrows' tool tips and the results.
std::optional<std::string_view> LabelOfAddress(const NoteSet& notes, std::uint64_t address,
                                               bool raw);

// The name a jump row goes to: the target's label, or a made-up name.
struct JumpName {
    std::string name;
    bool madeUp = false;
    bool operator==(const JumpName&) const = default;
};
// Of word at row of the main listing; nothing for a row that is not a
// jump or that is a header row.
std::optional<JumpName> JumpTargetName(const NoteSet& notes, std::uint64_t row, std::uint16_t word,
                                       bool raw);

class NotesColumn final : public RowNotes {
  public:
    explicit NotesColumn(std::shared_ptr<const NoteSet> notes);

    // The column's text of row (whose word is word), appended to out;
    // returns where the made-up name begins in out, or npos.
    std::size_t appendText(std::uint64_t row, std::uint16_t word, bool raw,
                           std::string& out) const override;
    std::size_t appendJumpText(std::uint16_t word, bool raw, std::string& out) const override;
    std::optional<std::uint64_t> nextNotedRow(std::uint64_t row) const override;
    std::optional<std::uint64_t> previousNotedRow(std::uint64_t row) const override;
    bool bookmarked(std::uint64_t row) const override;
    std::string_view label(std::uint64_t row) const override;

    const std::shared_ptr<const NoteSet>& notes() const { return notes_; }

  private:
    // " → NAME" after a note (afterNote), "→ NAME" alone; nothing for a word
    // that is no jump.
    std::size_t appendJump(std::uint16_t word, bool raw, bool afterNote, std::string& out) const;

    std::shared_ptr<const NoteSet> notes_;
};

}  // namespace sorrel
