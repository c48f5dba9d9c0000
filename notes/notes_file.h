// The notes file: an image's notes as UTF-8 text, for people to read, diff,
// grep, edit by hand and keep under version control. prog.bin's notes are
// prog.bin.sorrel-notes (notes_store.h says where else they may be).
//
//   sorrel-notes 1 size=1073741824 xxh3=0123456789abcdef
//   000003FE	main_loop	*	wait for the timer
//   00000400	.skip
//   00000512		*
//   00000600			Сброс таймера
//
// The first line names the format and its version, then the size in bytes
// and the hash (image_hash.h) of the image the notes were made for. Then a
// line per note, in increasing order of words: the word's index in the image
// in 8 hexadecimal digits, a tab, the label, a tab, "*" for a bookmark (or
// nothing), a tab, the comment. Empty fields at the end of a line are left
// out with their tabs. Every line ends with a line feed.
//
// In the label and the comment a backslash begins an escape: "\\" a
// backslash, "\t" a tab, "\n" a line feed, "\r" a carriage return, "\xHH" a
// byte of two hexadecimal digits (the other control characters, U+0000 to
// U+001F and U+007F, and a blank that ends the field, which editors may
// drop), "\uHHHH" a code point (U+0085, U+2028 and U+2029, which some
// editors take for line breaks). Everything else stands for itself.
//
// The same notes always give the same bytes; reading them gives the same
// notes back. Reading refuses, with the line's number and a reason in
// Russian, whatever it cannot read exactly: it never guesses.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "note_set.h"

namespace sorrel {

inline constexpr int NotesFileVersion = 1;
// The longest line a notes file may have, in bytes: a note's line is at
// most some 4,200 bytes.
inline constexpr std::size_t MaxNotesLine = 8192;

// The image notes are made for: its size in bytes and its hash.
struct ImageIdentity {
    std::uint64_t size = 0;
    std::uint64_t hash = 0;
    bool operator==(const ImageIdentity&) const = default;
};

// What a notes file holds.
struct NotesFileContent {
    ImageIdentity image;
    std::shared_ptr<const NoteSet> notes;
};

// Why a notes file cannot be read: the line (from 1) and the reason.
class NotesFileError : public std::runtime_error {
  public:
    NotesFileError(std::uint64_t line, std::string reason);
    std::uint64_t line() const { return line_; }
    const std::string& reason() const { return reason_; }

  private:
    std::uint64_t line_;
    std::string reason_;
};

// The text of the notes file of notes made for image. Throws
// std::out_of_range for a word past 8 hexadecimal digits (no image the
// program lists has one).
std::string NotesFileText(const NoteSet& notes, const ImageIdentity& image);

// Reads the text of a notes file; throws NotesFileError. Every label and
// comment must satisfy note_rules.h, and no two words may have one label.
NotesFileContent ReadNotesFileText(std::string_view text);

// A field's text with the escapes it needs, appended to out; and the text
// of an escaped field, or nothing with a reason in Russian when an escape is
// wrong.
void AppendEscaped(std::string& out, std::string_view text);
bool Unescape(std::string_view field, std::string& out, std::string& reason);

}  // namespace sorrel
