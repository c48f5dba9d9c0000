// The scans: eight words (bytes) at a time looked up in a bit set that stays in
// the L1 cache; the loop over a block has no branch but the one on its hits.
#include "scan.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <utility>

namespace sorrel {
namespace {

// Rows between two looks at the stop token and two progress reports.
constexpr std::uint64_t SliceRows = std::uint64_t{1} << 20;

// The stop token and progress of one scan over all the segments of its range.
class Pace {
  public:
    Pace(std::stop_token stop, const ProgressFn& progress, std::uint64_t total)
        : stop_(std::move(stop)), progress_(progress), total_(total) {}

    bool stopped() const { return stop_.stop_requested(); }
    void advance(std::uint64_t rows) {
        done_ += rows;
        if (progress_) {
            progress_(done_, total_);
        }
    }

  private:
    std::stop_token stop_;
    const ProgressFn& progress_;
    std::uint64_t total_;
    std::uint64_t done_ = 0;
};

// Splits begin..end into slices, first to last or last to first, and calls
// body(sliceBegin, sliceEnd) on each until it returns true (found what it
// looked for) or a stop is requested. True when the body ended the scan.
template <typename Body>
bool ForEachSlice(std::uint64_t begin, std::uint64_t end, bool backwards, Pace& pace, Body&& body) {
    while (begin < end) {
        if (pace.stopped()) {
            return false;
        }
        const std::uint64_t n = std::min(SliceRows, end - begin);
        const std::uint64_t b = backwards ? end - n : begin;
        if (body(b, b + n)) {
            return true;
        }
        pace.advance(n);
        if (backwards) {
            end -= n;
        } else {
            begin += n;
        }
    }
    return false;
}

// The word (UnitBytes 2, little-endian) or byte (UnitBytes 1) at p.
template <int UnitBytes>
std::uint32_t UnitAt(const std::uint8_t* p) {
    if constexpr (UnitBytes == 2) {
        std::uint16_t w;
        std::memcpy(&w, p, sizeof w);
        if constexpr (std::endian::native == std::endian::big) {
            w = static_cast<std::uint16_t>((w >> 8) | (w << 8));
        }
        return w;
    } else {
        return *p;
    }
}

// Bit v & 63 of set[v >> 6], in bit 0, with other bits above it.
inline std::uint64_t Probe(const std::uint64_t* set, std::size_t v) {
    return set[v >> 6] >> (v & 63);
}

// Whether any of the eight rows from p on is in set (bit 0), unrolled.
template <int UnitBytes, std::size_t... J>
inline std::uint64_t Any8(const std::uint8_t* p, const std::uint64_t* set,
                          std::index_sequence<J...>) {
    return (Probe(set, UnitAt<UnitBytes>(p + UnitBytes * J)) | ...) & 1;
}

// Which of the eight rows from p on are in set: bit j for row j.
template <int UnitBytes, std::size_t... J>
inline unsigned Each8(const std::uint8_t* p, const std::uint64_t* set, std::index_sequence<J...>) {
    return ((static_cast<unsigned>(Probe(set, UnitAt<UnitBytes>(p + UnitBytes * J)) & 1) << J) |
            ...);
}

// Which of the eight rows from p on are in set. Most blocks have none, and
// telling that costs a row its load, one look into the set and a shift.
template <int UnitBytes>
inline unsigned Hits8(const std::uint8_t* p, const std::uint64_t* set) {
    constexpr auto rows = std::make_index_sequence<8>();
    if (Any8<UnitBytes>(p, set, rows) == 0) [[likely]] {
        return 0;
    }
    return Each8<UnitBytes>(p, set, rows);
}

// One segment of rows, all matched with the same set.
template <int UnitBytes, std::size_t Bits>
struct Segment {
    const std::uint8_t* bytes;
    const BitSet<Bits>& set;
    std::uint64_t begin;
    std::uint64_t end;

    bool has(std::uint64_t row) const {
        return set.contains(UnitAt<UnitBytes>(bytes + UnitBytes * row));
    }

    std::optional<std::uint64_t> first(Pace& pace) const {
        std::optional<std::uint64_t> found;
        const std::uint8_t* const p = bytes;
        const std::uint64_t* const words = set.words();
        ForEachSlice(begin, end, false, pace, [&](std::uint64_t b, std::uint64_t e) {
            std::uint64_t i = b;
            for (; i + 8 <= e; i += 8) {
                if (const unsigned h = Hits8<UnitBytes>(p + UnitBytes * i, words)) {
                    found = i + static_cast<std::uint64_t>(std::countr_zero(h));
                    return true;
                }
            }
            for (; i < e; ++i) {
                if (has(i)) {
                    found = i;
                    return true;
                }
            }
            return false;
        });
        return found;
    }

    std::optional<std::uint64_t> last(Pace& pace) const {
        std::optional<std::uint64_t> found;
        const std::uint8_t* const p = bytes;
        const std::uint64_t* const words = set.words();
        ForEachSlice(begin, end, true, pace, [&](std::uint64_t b, std::uint64_t e) {
            std::uint64_t i = e;
            for (; i >= b + 8; i -= 8) {
                if (const unsigned h = Hits8<UnitBytes>(p + UnitBytes * (i - 8), words)) {
                    found = i - 8 + static_cast<std::uint64_t>(std::bit_width(h) - 1);
                    return true;
                }
            }
            for (; i > b; --i) {
                if (has(i - 1)) {
                    found = i - 1;
                    return true;
                }
            }
            return false;
        });
        return found;
    }

    // Adds the rows in set to list up to limit; true when it reached the limit.
    bool all(std::uint64_t limit, RowList& list, Pace& pace) const {
        auto add = [&](std::uint64_t row) {
            if (list.rows.size() >= limit) {
                list.limited = true;
                return false;
            }
            list.rows.push_back(row);
            return true;
        };
        const std::uint8_t* const p = bytes;
        const std::uint64_t* const words = set.words();
        return ForEachSlice(begin, end, false, pace, [&](std::uint64_t b, std::uint64_t e) {
            std::uint64_t i = b;
            for (; i + 8 <= e; i += 8) {
                for (unsigned h = Hits8<UnitBytes>(p + UnitBytes * i, words); h != 0; h &= h - 1) {
                    if (!add(i + static_cast<std::uint64_t>(std::countr_zero(h)))) {
                        return true;
                    }
                }
            }
            for (; i < e; ++i) {
                if (has(i) && !add(i)) {
                    return true;
                }
            }
            return false;
        });
    }
};

// The main listing's rows begin..end split at the end of the header: the
// header segment (empty in a raw image) and the program segment.
struct ListingSegments {
    Segment<2, 65536> header;
    Segment<2, 65536> program;

    ListingSegments(const ListingRows& rows, const WordSet& headerSet, const WordSet& programSet,
                    std::uint64_t begin, std::uint64_t end)
        : header{rows.bytes, headerSet, 0, 0}, program{rows.bytes, programSet, 0, 0} {
        end = std::min(end, rows.rowCount());
        begin = std::min(begin, end);
        const std::uint64_t programStart = std::min(rows.base(), rows.rowCount());
        header.begin = std::min(begin, programStart);
        header.end = std::min(end, programStart);
        program.begin = std::max(begin, programStart);
        program.end = std::max(end, programStart);
    }
    std::uint64_t size() const { return header.end - header.begin + program.end - program.begin; }
};

}  // namespace

std::optional<std::uint64_t> FindNext(const ListingRows& rows, const ListingMatch& match,
                                      std::uint64_t begin, std::uint64_t end, std::stop_token stop,
                                      const ProgressFn& progress) {
    const ListingSegments s(rows, match.header, match.program, begin, end);
    Pace pace(std::move(stop), progress, s.size());
    if (auto row = s.header.first(pace)) {
        return row;
    }
    return s.program.first(pace);
}

std::optional<std::uint64_t> FindPrevious(const ListingRows& rows, const ListingMatch& match,
                                          std::uint64_t begin, std::uint64_t end,
                                          std::stop_token stop, const ProgressFn& progress) {
    const ListingSegments s(rows, match.header, match.program, begin, end);
    Pace pace(std::move(stop), progress, s.size());
    if (auto row = s.program.last(pace)) {
        return row;
    }
    return s.header.last(pace);
}

RowList FindAll(const ListingRows& rows, const ListingMatch& match, std::uint64_t limit,
                std::stop_token stop, const ProgressFn& progress) {
    const ListingSegments s(rows, match.header, match.program, 0, rows.rowCount());
    Pace pace(std::move(stop), progress, s.size());
    RowList list;
    if (!s.header.all(limit, list, pace)) {
        s.program.all(limit, list, pace);
    }
    return list;
}

RowList CrossReferences(const ListingRows& rows, std::uint64_t address, std::uint64_t limit,
                        std::stop_token stop, const ProgressFn& progress) {
    RowList list;
    if (address > 0x3FF) {
        return list;
    }
    const WordSet jumps = JumpsTo(address);
    const WordSet none;
    const ListingSegments s(rows, none, jumps, 0, rows.rowCount());
    Pace pace(std::move(stop), progress, s.program.end - s.program.begin);
    s.program.all(limit, list, pace);
    return list;
}

std::optional<std::uint64_t> FindNext(const ByteRows& rows, const ByteSet& match,
                                      std::uint64_t begin, std::uint64_t end, std::stop_token stop,
                                      const ProgressFn& progress) {
    end = std::min(end, rows.rowCount());
    begin = std::min(begin, end);
    Pace pace(std::move(stop), progress, end - begin);
    return Segment<1, 256>{rows.bytes, match, begin, end}.first(pace);
}

std::optional<std::uint64_t> FindPrevious(const ByteRows& rows, const ByteSet& match,
                                          std::uint64_t begin, std::uint64_t end,
                                          std::stop_token stop, const ProgressFn& progress) {
    end = std::min(end, rows.rowCount());
    begin = std::min(begin, end);
    Pace pace(std::move(stop), progress, end - begin);
    return Segment<1, 256>{rows.bytes, match, begin, end}.last(pace);
}

RowList FindAll(const ByteRows& rows, const ByteSet& match, std::uint64_t limit,
                std::stop_token stop, const ProgressFn& progress) {
    Pace pace(std::move(stop), progress, rows.rowCount());
    RowList list;
    Segment<1, 256>{rows.bytes, match, 0, rows.rowCount()}.all(limit, list, pace);
    return list;
}

}  // namespace sorrel
