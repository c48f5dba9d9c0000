// Go to: the texts a user may type to reach a row of a listing, read into the
// row, or into a one-line reason (Russian, UTF-8) why there is no such row.
//
// Main listing:
//   "03FEh", "3fe", "0x3fe"  a listing address as column 0 writes it, or its
//                    hexadecimal digits alone or after "0x": the program row
//                    of that address (in an image with a header "0000h" is
//                    row 256);
//   "00FF(255)"      a header row as column 0 writes it (only in an image with
//                    a header);
//   "@1FE", "@1FEh", "@0x1fe", "@#510", "@01FE(510)"  a byte offset in the
//                    file, in hexadecimal, in decimal after "#" or as the
//                    byte-order listing's column 0 writes it: the row of the
//                    word that holds that byte (offset / 2, header or not);
// byte-order listing:
//   "000A(10)", "a", "0Ah", "0xa"  a byte offset as column 0 writes it, or in
//                    hexadecimal with or without "h", or after "0x"; also
//                    the main listing's "@" forms, which name the same row;
// both:
//   "#N"             row N counted from 0, in decimal;
//   "+N", "-N"       N rows down or up from the current one.
// "0x" and "h" do not go together ("0x3eh" is no address).
// Letters may be of either case; blanks around the text are ignored, blanks
// inside it are not. Every reason names the last address of the listing.
//
// Pure functions: thread-safe, O(size of text).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "listing_mode.h"

namespace sorrel {

struct GoToOutcome {
    std::optional<std::uint64_t> row;  // the row to go to
    std::string reason;                // why there is none; empty when there is
};

// The main listing of rowCount rows, raw or with a header; current is the row
// of the current cell, for "+N" and "-N".
GoToOutcome GoToListingRow(std::string_view text, std::uint64_t rowCount, bool raw,
                           std::uint64_t current);

// The byte-order listing of rowCount rows (bytes).
GoToOutcome GoToByteRow(std::string_view text, std::uint64_t rowCount, std::uint64_t current);

// The listing of rowCount rows in mode: one of the two above.
GoToOutcome GoToRow(std::string_view text, ListingMode mode, std::uint64_t rowCount,
                    std::uint64_t current);

}  // namespace sorrel
