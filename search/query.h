// A find query: the text that the user looks for in a cell.
//
// A query matches a cell when it occurs anywhere in the cell's text, letters
// compared without regard to case (ASCII), where
//   "?"  stands for any one character,
//   "*"  for any run of characters, the empty one included,
//   a run of blanks for a run of one or more blanks,
// and every other character for itself. So "add d1" occurs in "add  d1, b5",
// "j* 03fe*" in "jmp  03FEh", "1???00??????????" in the bits of every jump.
// A query of only "*" matches every text, the empty one included.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace sorrel {

class Query {
  public:
    // Throws std::invalid_argument for the empty text.
    explicit Query(std::string_view text);

    // Whether the query occurs in text. O(size of text) for a query of up to
    // 63 pieces (characters, "?", "*" and blank runs, less the redundant
    // "*"s), O(size of text x size of query) beyond; no allocation for the
    // short ones. Thread-safe: a Query is never changed after it is made.
    bool matches(std::string_view text) const;

  private:
    struct Piece {
        std::array<std::uint64_t, 4> takes{};  // bit c: the piece takes character c
        bool repeats = false;                  // any number of times, else once
        bool takesChar(unsigned char c) const { return (takes[c >> 6] >> (c & 63)) & 1; }
    };
    bool matchesLong(std::string_view text) const;

    std::vector<Piece> pieces_;
    std::size_t minLength_ = 0;  // the shortest text the query can occur in
    // For at most 63 pieces: bit i of takes_[c] is set when piece i takes
    // character c, bit i of repeats_ when piece i repeats.
    std::array<std::uint64_t, 256> takes_{};
    std::uint64_t repeats_ = 0;
};

}  // namespace sorrel
