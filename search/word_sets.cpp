#include "word_sets.h"

#include "byte_text.h"
#include "listing_text.h"

namespace sorrel {
namespace {

// Whether query matches one of a row's two word columns.
bool MatchesRow(const Query& query, std::uint64_t row, std::uint16_t word, bool raw) {
    return query.matches(ListingCellText(row, word, raw, 1).view()) ||
           query.matches(ListingCellText(row, word, raw, 2).view());
}

}  // namespace

ListingMatch MatchListing(const Query& query) {
    // Row 0 of an image with a header is a header row; row HeaderWords its
    // first program row. Any other row of either kind gives the same texts.
    ListingMatch match;
    for (std::uint32_t w = 0; w < 0x10000; ++w) {
        const auto word = static_cast<std::uint16_t>(w);
        if (MatchesRow(query, HeaderWords, word, false)) {
            match.program.insert(w);
        }
        if (MatchesRow(query, 0, word, false)) {
            match.header.insert(w);
        }
    }
    return match;
}

ByteSet MatchBytes(const Query& query) {
    ByteSet set;
    for (std::uint32_t b = 0; b < 0x100; ++b) {
        if (query.matches(ByteCellText(0, static_cast<std::uint8_t>(b), 2).view())) {
            set.insert(b);
        }
    }
    return set;
}

WordSet JumpsTo(std::uint64_t address) {
    WordSet set;
    if (address > 0x3FF) {
        return set;
    }
    for (std::uint32_t w = 0x8000; w < 0x10000; ++w) {
        if (JumpField(static_cast<std::uint16_t>(w)) == static_cast<int>(address)) {
            set.insert(w);
        }
    }
    return set;
}

}  // namespace sorrel
