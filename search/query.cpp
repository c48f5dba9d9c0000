// The query as a small automaton: its pieces run over the text side by side,
// one bit each, with a new start at every character (the query may begin
// anywhere in the text).
#include "query.h"

#include <stdexcept>

namespace sorrel {
namespace {

constexpr std::size_t MaxShortPieces = 63;  // bit 63 stands for "all matched"

bool IsAsciiLetter(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Adds to d the positions reached by letting repeating pieces match nothing.
std::uint64_t SkipRepeats(std::uint64_t d, std::uint64_t repeats) {
    for (;;) {
        const std::uint64_t more = d | ((d & repeats) << 1);
        if (more == d) {
            return d;
        }
        d = more;
    }
}

}  // namespace

Query::Query(std::string_view text) {
    if (text.empty()) {
        throw std::invalid_argument("empty find query");
    }
    Piece anyOne;
    anyOne.takes.fill(~std::uint64_t{0});
    Piece anyRun = anyOne;
    anyRun.repeats = true;
    Piece blank;
    blank.takes[0] = std::uint64_t{1} << ' ';
    Piece blankRun = blank;
    blankRun.repeats = true;

    std::vector<Piece> raw;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '*') {
            raw.push_back(anyRun);
        } else if (c == '?') {
            raw.push_back(anyOne);
        } else if (c == ' ') {
            while (i + 1 < text.size() && text[i + 1] == ' ') {
                ++i;
            }
            raw.push_back(blank);
            raw.push_back(blankRun);
        } else {
            Piece literal;
            const auto lower = static_cast<unsigned char>(IsAsciiLetter(c) ? (c | 0x20) : c);
            const auto upper = static_cast<unsigned char>(IsAsciiLetter(c) ? (c & ~0x20) : c);
            literal.takes[lower >> 6] |= std::uint64_t{1} << (lower & 63);
            literal.takes[upper >> 6] |= std::uint64_t{1} << (upper & 63);
            raw.push_back(literal);
        }
    }

    // A "*" makes a neighbouring "*" or blank run redundant, and the query
    // may begin and end anywhere, so leading and trailing runs are dropped.
    auto isAnyRun = [](const Piece& p) { return p.repeats && p.takes[1] == ~std::uint64_t{0}; };
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const Piece& p = raw[i];
        if (p.repeats) {
            const bool atStart = pieces_.empty();
            const bool atEnd = i + 1 == raw.size();
            const bool beforeAnyRun = i + 1 < raw.size() && isAnyRun(raw[i + 1]);
            const bool afterAnyRun = !pieces_.empty() && isAnyRun(pieces_.back());
            if (atStart || atEnd || beforeAnyRun || afterAnyRun) {
                continue;
            }
        } else {
            ++minLength_;
        }
        pieces_.push_back(p);
    }
    // Nothing can repeat at the end once the last piece was dropped there.
    while (!pieces_.empty() && pieces_.back().repeats) {
        pieces_.pop_back();
    }

    if (pieces_.size() <= MaxShortPieces) {
        for (std::size_t i = 0; i < pieces_.size(); ++i) {
            for (unsigned c = 0; c < 256; ++c) {
                if (pieces_[i].takesChar(static_cast<unsigned char>(c))) {
                    takes_[c] |= std::uint64_t{1} << i;
                }
            }
            if (pieces_[i].repeats) {
                repeats_ |= std::uint64_t{1} << i;
            }
        }
    }
}

bool Query::matches(std::string_view text) const {
    if (text.size() < minLength_) {
        return false;
    }
    if (pieces_.size() > MaxShortPieces) {
        return matchesLong(text);
    }
    const std::uint64_t done = std::uint64_t{1} << pieces_.size();
    std::uint64_t d = SkipRepeats(1, repeats_);
    if (d & done) {
        return true;
    }
    for (const char ch : text) {
        const std::uint64_t taken = d & takes_[static_cast<unsigned char>(ch)];
        d = ((taken & ~repeats_) << 1) | (taken & repeats_) | 1;
        d = SkipRepeats(d, repeats_);
        if (d & done) {
            return true;
        }
    }
    return false;
}

// The same automaton with one flag a position, for queries too long for the
// bits of one word.
bool Query::matchesLong(std::string_view text) const {
    const std::size_t m = pieces_.size();
    std::vector<char> d(m + 1, 0);
    std::vector<char> next(m + 1, 0);
    auto skipRepeats = [&](std::vector<char>& v) {
        for (std::size_t i = 0; i < m; ++i) {
            if (v[i] && pieces_[i].repeats) {
                v[i + 1] = 1;
            }
        }
    };
    d[0] = 1;
    skipRepeats(d);
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        std::fill(next.begin(), next.end(), 0);
        next[0] = 1;
        for (std::size_t i = 0; i < m; ++i) {
            if (d[i] && pieces_[i].takesChar(c)) {
                next[pieces_[i].repeats ? i : i + 1] = 1;
            }
        }
        skipRepeats(next);
        if (next[m]) {
            return true;
        }
        d.swap(next);
    }
    return false;
}

}  // namespace sorrel
