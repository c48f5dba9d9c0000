// The scans: eight words (bytes) at a time looked up in a bit set that stays in
// the L1 cache; the loop over a block has no branch but the one on its hits.
// Each loop is a function of its own over plain pointers, so that the
// compiler keeps the image and the set in registers at every optimisation
// level, and the forward and backward loops are the same code.
#include "scan.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstring>
#include <utility>

#include "slice_scan.h"

namespace sorrel {
namespace {

// Rows in the slices of a scan's range are cut at multiples of this: a
// cache line of words.
constexpr std::uint64_t ScanAlign = 64;

// The word (UnitBytes 2, little-endian) or byte (UnitBytes 1) at p.
template <int UnitBytes>
inline std::size_t UnitAt(const std::uint8_t* p) {
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

template <int UnitBytes>
inline bool Has(const std::uint8_t* p, const std::uint64_t* set) {
    return (Probe(set, UnitAt<UnitBytes>(p)) & 1) != 0;
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

constexpr auto Eight = std::make_index_sequence<8>();
constexpr std::uint64_t BlockRows = 8;

// The first row of b..e (rows of UnitBytes bytes from bytes on) in set, or e.
// Most blocks of eight rows have none, and telling that costs a row its load,
// one look into the set and a shift.
template <int UnitBytes>
std::uint64_t FirstIn(const std::uint8_t* bytes, const std::uint64_t* set, std::uint64_t b,
                      std::uint64_t e) {
    const std::uint8_t* p = bytes + UnitBytes * b;
    const std::uint8_t* const blocksEnd = p + UnitBytes * ((e - b) / BlockRows * BlockRows);
    for (; p != blocksEnd; p += UnitBytes * BlockRows) {
        if (Any8<UnitBytes>(p, set, Eight) != 0) [[unlikely]] {
            const unsigned hits = Each8<UnitBytes>(p, set, Eight);
            return static_cast<std::uint64_t>(p - bytes) / UnitBytes +
                   static_cast<std::uint64_t>(std::countr_zero(hits));
        }
    }
    for (std::uint64_t i = static_cast<std::uint64_t>(p - bytes) / UnitBytes; i < e; ++i) {
        if (Has<UnitBytes>(bytes + UnitBytes * i, set)) {
            return i;
        }
    }
    return e;
}

// The last row of b..e in set, or e; the same loop from the end back.
template <int UnitBytes>
std::uint64_t LastIn(const std::uint8_t* bytes, const std::uint64_t* set, std::uint64_t b,
                     std::uint64_t e) {
    const std::uint8_t* p = bytes + UnitBytes * e;
    const std::uint8_t* const blocksBegin = p - UnitBytes * ((e - b) / BlockRows * BlockRows);
    while (p != blocksBegin) {
        p -= UnitBytes * BlockRows;
        if (Any8<UnitBytes>(p, set, Eight) != 0) [[unlikely]] {
            const unsigned hits = Each8<UnitBytes>(p, set, Eight);
            return static_cast<std::uint64_t>(p - bytes) / UnitBytes +
                   static_cast<std::uint64_t>(std::bit_width(hits) - 1);
        }
    }
    for (std::uint64_t i = static_cast<std::uint64_t>(p - bytes) / UnitBytes; i > b; --i) {
        if (Has<UnitBytes>(bytes + UnitBytes * (i - 1), set)) {
            return i - 1;
        }
    }
    return e;
}

// Calls add(row) for the rows of b..e in set, in order, until it returns
// false; true when it did.
template <int UnitBytes, typename Add>
bool AllIn(const std::uint8_t* bytes, const std::uint64_t* set, std::uint64_t b, std::uint64_t e,
           Add&& add) {
    const std::uint8_t* p = bytes + UnitBytes * b;
    const std::uint8_t* const blocksEnd = p + UnitBytes * ((e - b) / BlockRows * BlockRows);
    for (; p != blocksEnd; p += UnitBytes * BlockRows) {
        if (Any8<UnitBytes>(p, set, Eight) != 0) [[unlikely]] {
            const std::uint64_t row = static_cast<std::uint64_t>(p - bytes) / UnitBytes;
            for (unsigned h = Each8<UnitBytes>(p, set, Eight); h != 0; h &= h - 1) {
                if (!add(row + static_cast<std::uint64_t>(std::countr_zero(h)))) {
                    return true;
                }
            }
        }
    }
    for (std::uint64_t i = static_cast<std::uint64_t>(p - bytes) / UnitBytes; i < e; ++i) {
        if (Has<UnitBytes>(bytes + UnitBytes * i, set) && !add(i)) {
            return true;
        }
    }
    return false;
}

// One segment of rows, all matched with the same set.
template <int UnitBytes, std::size_t Bits>
struct Segment {
    const std::uint8_t* bytes;
    const BitSet<Bits>& set;
    std::uint64_t begin;
    std::uint64_t end;

    template <typename Pace>
    std::optional<std::uint64_t> first(Pace& pace) const {
        std::optional<std::uint64_t> found;
        ForEachStep(begin, end, ScanStepRows, false, pace, [&](std::uint64_t b, std::uint64_t e) {
            const std::uint64_t row = FirstIn<UnitBytes>(bytes, set.words(), b, e);
            if (row != e) {
                found = row;
            }
            return found.has_value();
        });
        return found;
    }

    template <typename Pace>
    std::optional<std::uint64_t> last(Pace& pace) const {
        std::optional<std::uint64_t> found;
        ForEachStep(begin, end, ScanStepRows, true, pace, [&](std::uint64_t b, std::uint64_t e) {
            const std::uint64_t row = LastIn<UnitBytes>(bytes, set.words(), b, e);
            if (row != e) {
                found = row;
            }
            return found.has_value();
        });
        return found;
    }

    // Adds the rows in set to list up to limit; true when it reached the limit.
    template <typename Pace>
    bool all(std::uint64_t limit, RowList& list, Pace& pace) const {
        auto add = [&](std::uint64_t row) {
            if (list.rows.size() >= limit) {
                list.limited = true;
                return false;
            }
            list.rows.push_back(row);
            return true;
        };
        return ForEachStep(begin, end, ScanStepRows, false, pace,
                           [&](std::uint64_t b, std::uint64_t e) {
                               return AllIn<UnitBytes>(bytes, set.words(), b, e, add);
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
    std::uint64_t begin() const { return header.begin < header.end ? header.begin : program.begin; }
    std::uint64_t end() const { return program.end > program.begin ? program.end : header.end; }
    std::uint64_t size() const { return header.end - header.begin + program.end - program.begin; }
};

// The progress of a scan of rows rows.
SliceProgress ScanProgress(const ProgressFn& progress, std::uint64_t rows) {
    return {&progress, rows, ScanStepRows, 0};
}

// The pace of one slice of FindAll. The scan keeps the first limit rows and
// needs to know of one more: once the slices before this one and this one
// have found more than limit rows together, this one has all of its rows that
// can be kept, whatever more the others find, and stops. So the slices hold
// little more than limit rows between them (a step of rows each at most).
class AllPace {
  public:
    AllPace(SliceContext& slice, const RowList& list, std::uint64_t limit,
            std::vector<std::atomic<std::uint64_t>>& found)
        : slice_(slice), list_(list), limit_(limit), found_(found) {}

    bool stopped() {
        std::uint64_t sum = list_.rows.size() + (list_.limited ? 1 : 0);
        for (std::size_t i = 0; i < slice_.index(); ++i) {
            sum += found_[i].load(std::memory_order_relaxed);
        }
        return sum > limit_ || slice_.stopped();
    }
    void advance(std::uint64_t rows) {
        found_[slice_.index()].store(list_.rows.size(), std::memory_order_relaxed);
        slice_.advance(rows);
    }

  private:
    SliceContext& slice_;
    const RowList& list_;
    std::uint64_t limit_;
    std::vector<std::atomic<std::uint64_t>>& found_;
};

// Every match of begin..end up to limit over the slices of options: all(
// segments of a slice, its pace, its list) adds a slice's matches to its list.
template <typename All>
RowList AllOfSlices(std::uint64_t begin, std::uint64_t end, std::uint64_t limit,
                    std::stop_token stop, const ProgressFn& progress, const SliceOptions& options,
                    All&& all) {
    const std::vector<SliceRange> slices = PlanSlices(begin, end, ScanAlign, options);
    std::vector<RowList> lists(slices.size());
    std::vector<std::atomic<std::uint64_t>> found(slices.size());
    RunSlices(slices, std::move(stop), ScanProgress(progress, end - begin),
              [&](SliceContext& slice) {
                  RowList& list = lists[slice.index()];
                  AllPace pace(slice, list, limit, found);
                  all(slice.range(), pace, list);
              },
              {ThreadCount(options)});
    // The first limit rows of the slices in order; limited when there are more.
    if (lists.empty()) {
        return {};
    }
    RowList result = std::move(lists[0]);
    for (std::size_t i = 1; i < lists.size() && !result.limited; ++i) {
        const std::vector<std::uint64_t>& rows = lists[i].rows;
        const std::uint64_t room = limit - std::min<std::uint64_t>(limit, result.rows.size());
        const auto take = static_cast<std::size_t>(std::min<std::uint64_t>(room, rows.size()));
        result.rows.insert(result.rows.end(), rows.begin(),
                           rows.begin() + static_cast<std::ptrdiff_t>(take));
        result.limited = take < rows.size() || lists[i].limited;
    }
    return result;
}

}  // namespace

std::optional<std::uint64_t> FindNext(const ListingRows& rows, const ListingMatch& match,
                                      std::uint64_t begin, std::uint64_t end, std::stop_token stop,
                                      const ProgressFn& progress, const SliceOptions& options) {
    const ListingSegments s(rows, match.header, match.program, begin, end);
    return NearestOfSlices<false>(
        s.begin(), s.end(), ScanAlign, std::move(stop), ScanProgress(progress, s.size()), options,
        [&](SliceContext& slice) {
            const ListingSegments part(rows, match.header, match.program, slice.range().begin,
                                       slice.range().end);
            if (auto row = part.header.first(slice)) {
                return row;
            }
            return part.program.first(slice);
        });
}

std::optional<std::uint64_t> FindPrevious(const ListingRows& rows, const ListingMatch& match,
                                          std::uint64_t begin, std::uint64_t end,
                                          std::stop_token stop, const ProgressFn& progress,
                                          const SliceOptions& options) {
    const ListingSegments s(rows, match.header, match.program, begin, end);
    return NearestOfSlices<true>(
        s.begin(), s.end(), ScanAlign, std::move(stop), ScanProgress(progress, s.size()), options,
        [&](SliceContext& slice) {
            const ListingSegments part(rows, match.header, match.program, slice.range().begin,
                                       slice.range().end);
            if (auto row = part.program.last(slice)) {
                return row;
            }
            return part.header.last(slice);
        });
}

RowList FindAll(const ListingRows& rows, const ListingMatch& match, std::uint64_t limit,
                std::stop_token stop, const ProgressFn& progress, const SliceOptions& options) {
    return AllOfSlices(0, rows.rowCount(), limit, std::move(stop), progress, options,
                       [&](SliceRange range, AllPace& pace, RowList& list) {
                           const ListingSegments part(rows, match.header, match.program,
                                                      range.begin, range.end);
                           if (!part.header.all(limit, list, pace)) {
                               part.program.all(limit, list, pace);
                           }
                       });
}

RowList CrossReferences(const ListingRows& rows, std::uint64_t address, std::uint64_t limit,
                        std::stop_token stop, const ProgressFn& progress,
                        const SliceOptions& options) {
    if (address > 0x3FF) {
        return {};
    }
    const WordSet jumps = JumpsTo(address);
    const std::uint64_t programStart = std::min(rows.base(), rows.rowCount());
    return AllOfSlices(programStart, rows.rowCount(), limit, std::move(stop), progress, options,
                       [&](SliceRange range, AllPace& pace, RowList& list) {
                           const Segment<2, 65536> part{rows.bytes, jumps, range.begin, range.end};
                           part.all(limit, list, pace);
                       });
}

std::optional<std::uint64_t> FindNext(const ByteRows& rows, const ByteSet& match,
                                      std::uint64_t begin, std::uint64_t end, std::stop_token stop,
                                      const ProgressFn& progress, const SliceOptions& options) {
    end = std::min(end, rows.rowCount());
    begin = std::min(begin, end);
    return NearestOfSlices<false>(
        begin, end, ScanAlign, std::move(stop), ScanProgress(progress, end - begin), options,
        [&](SliceContext& slice) {
            const Segment<1, 256> part{rows.bytes, match, slice.range().begin, slice.range().end};
            return part.first(slice);
        });
}

std::optional<std::uint64_t> FindPrevious(const ByteRows& rows, const ByteSet& match,
                                          std::uint64_t begin, std::uint64_t end,
                                          std::stop_token stop, const ProgressFn& progress,
                                          const SliceOptions& options) {
    end = std::min(end, rows.rowCount());
    begin = std::min(begin, end);
    return NearestOfSlices<true>(
        begin, end, ScanAlign, std::move(stop), ScanProgress(progress, end - begin), options,
        [&](SliceContext& slice) {
            const Segment<1, 256> part{rows.bytes, match, slice.range().begin, slice.range().end};
            return part.last(slice);
        });
}

RowList FindAll(const ByteRows& rows, const ByteSet& match, std::uint64_t limit,
                std::stop_token stop, const ProgressFn& progress, const SliceOptions& options) {
    return AllOfSlices(0, rows.rowCount(), limit, std::move(stop), progress, options,
                       [&](SliceRange range, AllPace& pace, RowList& list) {
                           const Segment<1, 256> part{rows.bytes, match, range.begin, range.end};
                           part.all(limit, list, pace);
                       });
}

// Without options: every core.

std::optional<std::uint64_t> FindNext(const ListingRows& rows, const ListingMatch& match,
                                      std::uint64_t begin, std::uint64_t end, std::stop_token stop,
                                      const ProgressFn& progress) {
    return FindNext(rows, match, begin, end, std::move(stop), progress, SliceOptions{});
}

std::optional<std::uint64_t> FindPrevious(const ListingRows& rows, const ListingMatch& match,
                                          std::uint64_t begin, std::uint64_t end,
                                          std::stop_token stop, const ProgressFn& progress) {
    return FindPrevious(rows, match, begin, end, std::move(stop), progress, SliceOptions{});
}

RowList FindAll(const ListingRows& rows, const ListingMatch& match, std::uint64_t limit,
                std::stop_token stop, const ProgressFn& progress) {
    return FindAll(rows, match, limit, std::move(stop), progress, SliceOptions{});
}

RowList CrossReferences(const ListingRows& rows, std::uint64_t address, std::uint64_t limit,
                        std::stop_token stop, const ProgressFn& progress) {
    return CrossReferences(rows, address, limit, std::move(stop), progress, SliceOptions{});
}

std::optional<std::uint64_t> FindNext(const ByteRows& rows, const ByteSet& match,
                                      std::uint64_t begin, std::uint64_t end, std::stop_token stop,
                                      const ProgressFn& progress) {
    return FindNext(rows, match, begin, end, std::move(stop), progress, SliceOptions{});
}

std::optional<std::uint64_t> FindPrevious(const ByteRows& rows, const ByteSet& match,
                                          std::uint64_t begin, std::uint64_t end,
                                          std::stop_token stop, const ProgressFn& progress) {
    return FindPrevious(rows, match, begin, end, std::move(stop), progress, SliceOptions{});
}

RowList FindAll(const ByteRows& rows, const ByteSet& match, std::uint64_t limit,
                std::stop_token stop, const ProgressFn& progress) {
    return FindAll(rows, match, limit, std::move(stop), progress, SliceOptions{});
}

}  // namespace sorrel
