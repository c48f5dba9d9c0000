// Names imported from a text file, as made from a linker's map with awk:
//
//   ; the names of the timer's code
//   03FEh  main_loop  ; wait for the timer
//   3ff    next
//   #1022  row_1022
//   00FF(255) last_header_word ; a header word (an image with a header)
//
// A line is an address, blanks, a name, and optionally ";" and a comment.
// The address is any absolute form the go-to dialog takes for the main
// listing in the current mode and row count: "03FEh", "3fe", "#1022",
// "00FF(255)"; never a step "+N" or "-N". Blank lines are skipped, and so is
// a line whose first character but blanks is ";": that is how the file has
// comments ("#" begins a row number, so it cannot begin a comment). A line
// may end in CR LF.
//
// All or nothing: when any line is wrong (an address not understood or past
// the end, an invalid name, a name or an address twice in the file, a name
// another word has and keeps), nothing is imported, and the result names the
// first lines at fault (up to 10) with their numbers and reasons in Russian.
// Otherwise it is the list of changes, to be made as one step: each word
// gets its name, and its comment when the line gives one; what else the
// word's note has stays.
//
// Pure functions: thread-safe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "note_set.h"

namespace sorrel {

inline constexpr std::size_t MaxImportProblems = 10;

struct ImportProblem {
    std::uint64_t line = 0;  // from 1
    std::string reason;
    bool operator==(const ImportProblem&) const = default;
};

struct ImportResult {
    std::vector<NoteChange> changes;      // none when any line is wrong
    std::vector<ImportProblem> problems;  // the first lines at fault, in order
    std::size_t faultyLines = 0;          // all the lines at fault
    bool ok() const { return faultyLines == 0; }
};

// The changes that import text into notes, for the main listing of rowCount
// rows listed raw or with a header.
ImportResult ImportNames(std::string_view text, const NoteSet& notes, bool raw,
                         std::uint64_t rowCount);

}  // namespace sorrel
