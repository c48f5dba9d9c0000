// What a find query matches, decided once for every possible word or byte.
//
// The texts of a row's word columns depend only on its word (main listing) or
// its byte (byte-order listing), so a query is decided once for each of the
// 65,536 words or 256 bytes, into a bit set, and a search then only looks
// the image's words up in it. The sets are made from the listings' own cell
// texts (ListingCellText, ByteCellText), so they never disagree with the grids.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

#include "listing_columns.h"
#include "query.h"

namespace sorrel {

// A set of the numbers 0 to Bits - 1, one bit each.
template <std::size_t Bits>
class BitSet {
  public:
    static_assert(Bits % 64 == 0);
    static constexpr std::size_t WordCount = Bits / 64;

    bool contains(std::uint32_t v) const { return (words_[v >> 6] >> (v & 63)) & 1; }
    void insert(std::uint32_t v) { words_[v >> 6] |= std::uint64_t{1} << (v & 63); }
    std::size_t count() const {
        std::size_t n = 0;
        for (const std::uint64_t w : words_) {
            n += static_cast<std::size_t>(std::popcount(w));
        }
        return n;
    }
    // Bit v of the set is bit v % 64 of words()[v / 64].
    const std::uint64_t* words() const { return words_.data(); }

    friend bool operator==(const BitSet&, const BitSet&) = default;

  private:
    std::array<std::uint64_t, WordCount> words_{};
};

using WordSet = BitSet<65536>;  // 8 KiB: stays in the L1 cache during a scan
using ByteSet = BitSet<256>;

// The words of the main listing that a query matches: program rows in their
// bits (column 1) or their disassembly (column 2); header rows, which have no
// disassembly, in their bits only. With the columns shown on request, also
// in the word's hexadecimal value and characters, and in the notes column's
// "→ NAME" of a jump, which depends on the word alone in a row without a
// note of its own (rows with notes are looked at one by one).
struct ListingMatch {
    WordSet program;
    WordSet header;
};

// Decides query for all 65,536 words, from their cell texts: about 200,000
// texts matched, a few milliseconds. extra: the columns shown; notes (with
// the notes column shown) the names of the jumps' targets, in the listing of
// a raw image (raw) or one with a header. Thread-safe.
ListingMatch MatchListing(const Query& query, ExtraColumns extra = {},
                          const RowNotes* notes = nullptr, bool raw = false);

// The bytes of the byte-order listing whose bits (column 2, "Значение") the
// query matches, or, when shown, their hexadecimal value or character.
// Thread-safe.
ByteSet MatchBytes(const Query& query, ExtraColumns extra = {});

// The eight jump words whose target is the listing address (JumpField); empty
// for an address above 03FFh, which no jump reaches.
WordSet JumpsTo(std::uint64_t address);

}  // namespace sorrel
