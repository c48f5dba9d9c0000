#include "notes_column.h"

#include <utility>

#include "listing_text.h"
#include "number_text.h"
#include "sorrel_support.h"

namespace sorrel {

namespace {

constexpr InstructionClass ClassNamed(std::string_view mnemonic) {
    for (std::size_t i = 0; i < InstructionTable.size(); ++i) {
        if (InstructionTable[i].mnemonic == mnemonic) {
            return static_cast<InstructionClass>(i);
        }
    }
    return NoClass;
}

constexpr InstructionClass CallClass = ClassNamed("jsr ");
static_assert(CallClass != NoClass);

std::uint64_t Base(bool raw) {
    return raw ? 0 : HeaderWords;
}

}  // namespace

std::string AutomaticName(std::uint64_t address, bool call) {
    ShortText digits;
    AppendHex(digits, address);
    return (call ? "sub_" : "loc_") + std::string(digits.view());
}

std::optional<std::string_view> LabelOfAddress(const NoteSet& notes, std::uint64_t address,
                                               bool raw) {
    const std::optional<NoteView> note = notes.find(Base(raw) + address);
    if (!note || note->label.empty()) {
        return std::nullopt;
    }
    return note->label;
}

std::optional<JumpName> JumpTargetName(const NoteSet& notes, std::uint64_t row, std::uint16_t word,
                                       bool raw) {
    const int field = JumpField(word);
    if (field < 0 || row < Base(raw)) {
        return std::nullopt;
    }
    const auto address = static_cast<std::uint64_t>(field);
    if (const auto label = LabelOfAddress(notes, address, raw)) {
        return JumpName{std::string(*label), false};
    }
    return JumpName{AutomaticName(address, ClassOfWord(word) == CallClass), true};
}

NotesColumn::NotesColumn(std::shared_ptr<const NoteSet> notes) : notes_(std::move(notes)) {}

std::size_t NotesColumn::appendText(std::uint64_t row, std::uint16_t word, bool raw,
                                    std::string& out) const {
    const std::size_t start = out.size();
    if (const std::optional<NoteView> note = notes_->find(row)) {
        if (!note->label.empty()) {
            out.append(note->label).append(":");
        }
        if (!note->comment.empty()) {
            if (out.size() > start) {
                out += ' ';
            }
            out.append(note->comment);
        }
    }
    if (row < Base(raw)) {
        return std::string::npos;
    }
    return appendJump(word, raw, out.size() > start, out);
}

std::size_t NotesColumn::appendJumpText(std::uint16_t word, bool raw, std::string& out) const {
    return appendJump(word, raw, false, out);
}

std::optional<std::uint64_t> NotesColumn::nextNotedRow(std::uint64_t row) const {
    const std::size_t at = notes_->lowerBound(row);
    if (at >= notes_->size()) {
        return std::nullopt;
    }
    return notes_->at(at).word;
}

std::optional<std::uint64_t> NotesColumn::previousNotedRow(std::uint64_t row) const {
    const std::size_t at = notes_->lowerBound(row);
    if (at == 0) {
        return std::nullopt;
    }
    return notes_->at(at - 1).word;
}

std::string_view NotesColumn::label(std::uint64_t row) const {
    const std::optional<NoteView> note = notes_->find(row);
    return note ? note->label : std::string_view();
}

bool NotesColumn::bookmarked(std::uint64_t row) const {
    const std::optional<NoteView> note = notes_->find(row);
    return note && note->bookmark;
}

std::size_t NotesColumn::appendJump(std::uint16_t word, bool raw, bool afterNote,
                                    std::string& out) const {
    const int field = JumpField(word);
    if (field < 0) {
        return std::string::npos;
    }
    out.append(afterNote ? " → " : "→ ");
    const auto address = static_cast<std::uint64_t>(field);
    if (const auto label = LabelOfAddress(*notes_, address, raw)) {
        out.append(*label);
        return std::string::npos;
    }
    const std::size_t madeUp = out.size();
    out.append(AutomaticName(address, ClassOfWord(word) == CallClass));
    return madeUp;
}

}  // namespace sorrel
