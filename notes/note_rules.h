// What a label and a comment may be. Each check gives a one-line reason in
// Russian that names what is wrong (as the go-to dialog gives its reasons),
// or the empty text when all is well. The empty label or comment is always
// accepted: it removes the label or the comment.
//
// A label is 1 to 64 characters: letters (A-Z, a-z, А-Я, а-я, Ё, ё),
// digits, "_" and "."; it does not begin with a digit, it is not a text the
// go-to dialog reads as an address or a row ("face" and "add" are
// hexadecimal addresses there), and no other word of the image has it in
// any case ("Main" and "MAIN" are one name; so are "Цикл" and "цикл").
//
// A comment is one line of at most 1,000 characters (code points) of valid
// UTF-8: any text but a tab and the line breaks (LF, CR, VT, FF, U+0085,
// U+2028, U+2029).
//
// Pure functions: thread-safe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "note_set.h"

namespace sorrel {

inline constexpr std::size_t MaxLabelLength = 64;      // characters
inline constexpr std::size_t MaxCommentLength = 1000;  // code points

// Whether c may stand in a label (at its start, unless a digit).
bool IsLabelCharacter(char32_t c);

// Why name cannot be a label, leaving other words' labels aside.
std::string LabelSyntaxProblem(std::string_view name);

// Why name cannot be the label of word among notes: its syntax, or another
// word's label in any case (word's own, in another case, is fine). raw: how
// the reason writes the other word's address (as the main listing of an
// image listed raw or with a header does).
std::string LabelProblem(std::string_view name, const NoteSet& notes, std::uint64_t word, bool raw);

// Why text cannot be a comment.
std::string CommentProblem(std::string_view text);

// Whether c breaks a line (and so cannot be in a comment).
bool IsLineBreak(char32_t c);

}  // namespace sorrel
