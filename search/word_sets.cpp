#include "word_sets.h"

#include <string>

#include "byte_text.h"
#include "data_text.h"
#include "listing_text.h"

namespace sorrel {
namespace {

// Whether query matches one of a row's two word columns.
bool MatchesRow(const Query& query, std::uint64_t row, std::uint16_t word, bool raw) {
    return query.matches(ListingCellText(row, word, raw, 1).view()) ||
           query.matches(ListingCellText(row, word, raw, 2).view());
}

// Whether query matches the word's value in the columns shown on request.
bool MatchesData(const Query& query, std::uint16_t word, ExtraColumns extra) {
    return (extra.hex && query.matches(WordHexText(word).view())) ||
           (extra.text && query.matches(WordCharactersText(word).view()));
}

}  // namespace

ListingMatch MatchListing(const Query& query, ExtraColumns extra, const RowNotes* notes, bool raw) {
    // Row 0 of an image with a header is a header row; row HeaderWords its
    // first program row. Any other row of either kind gives the same texts.
    ListingMatch match;
    std::string jump;
    for (std::uint32_t w = 0; w < 0x10000; ++w) {
        const auto word = static_cast<std::uint16_t>(w);
        const bool data = MatchesData(query, word, extra);
        bool named = false;
        if (extra.notes && notes != nullptr) {
            jump.clear();
            notes->appendJumpText(word, raw, jump);
            named = !jump.empty() && query.matches(jump);
        }
        if (data || named || MatchesRow(query, HeaderWords, word, false)) {
            match.program.insert(w);
        }
        if (data || MatchesRow(query, 0, word, false)) {
            match.header.insert(w);
        }
    }
    return match;
}

ByteSet MatchBytes(const Query& query, ExtraColumns extra) {
    ByteSet set;
    for (std::uint32_t b = 0; b < 0x100; ++b) {
        const auto byte = static_cast<std::uint8_t>(b);
        if (query.matches(ByteCellText(0, byte, 2).view()) ||
            (extra.hex && query.matches(ByteHexText(byte).view())) ||
            (extra.text && query.matches(ByteCharacterText(byte).view()))) {
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
