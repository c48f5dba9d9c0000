// The region boundaries: blocks of eight rows compared at once, all 0000h or
// all FFFFh (two 64-bit loads for words, one for bytes). A run of sixteen
// rows or more holds a whole block of any grid of eight, so the scan steps
// from block to block until one is a fill, then finds that run's edges row
// by row and goes on after it. Backwards is the same scan over the image
// read from its end, whose boundaries are the mirror images of the image's.
#include "regions.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <utility>

#include "slice_scan.h"

namespace sorrel {
namespace {

// Rows between two looks at the stop token and two progress reports.
constexpr std::uint64_t SliceRows = std::uint64_t{1} << 20;

constexpr std::uint64_t Block = 8;
static_assert(RegionMinimum >= 2 * Block - 1, "a run must hold a whole block");

// What a row or a block holds: no fill, all zero bits or all one bits.
enum class Fill : std::uint8_t { None, Zeros, Ones };

// The rows of an image as UnitBytes-byte units, row i at bytes + UnitBytes * i,
// read forwards or, Backwards, from the last row: row i is then the image's
// row count - 1 - i.
template <int UnitBytes, bool Backwards>
struct View {
    const std::uint8_t* bytes;
    std::uint64_t count;

    const std::uint8_t* at(std::uint64_t row) const {
        return bytes + UnitBytes * (Backwards ? count - 1 - row : row);
    }

    Fill row(std::uint64_t i) const {
        const std::uint8_t* p = at(i);
        bool zeros = p[0] == 0x00;
        bool ones = p[0] == 0xFF;
        if constexpr (UnitBytes == 2) {
            zeros = zeros && p[1] == 0x00;
            ones = ones && p[1] == 0xFF;
        }
        return zeros ? Fill::Zeros : ones ? Fill::Ones : Fill::None;
    }

    // Rows i to i + 7, which must lie in the image.
    Fill block(std::uint64_t i) const {
        const std::uint8_t* p = Backwards ? at(i + Block - 1) : at(i);
        std::uint64_t a;
        std::memcpy(&a, p, 8);
        std::uint64_t b = a;
        if constexpr (UnitBytes == 2) {
            std::memcpy(&b, p + 8, 8);
        }
        if ((a | b) == 0) {
            return Fill::Zeros;
        }
        if ((a & b) == ~std::uint64_t{0}) {
            return Fill::Ones;
        }
        return Fill::None;
    }
};

// Whether the RegionMinimum rows from `from` on lie in the view and all hold
// fill.
template <typename V>
bool IsRunAt(const V& view, std::uint64_t from, Fill fill) {
    if (view.count - from < RegionMinimum) {
        return false;
    }
    for (std::uint64_t i = from; i < from + RegionMinimum; ++i) {
        if (view.row(i) != fill) {
            return false;
        }
    }
    return true;
}

// The least boundary from begin on, below end, of view (see regions.h). It
// reads the rows from begin - RegionMinimum to about end + RegionMinimum.
template <typename V>
std::optional<std::uint64_t> First(const V& view, std::uint64_t begin, std::uint64_t end) {
    const std::uint64_t n = view.count;
    end = std::min(end, n);
    if (begin >= end) {
        return std::nullopt;
    }
    // A run that holds begin - 1 or a later row shows its length within
    // these rows; one that began earlier is at least RegionMinimum long.
    const std::uint64_t floor = begin > RegionMinimum ? begin - RegionMinimum : 0;
    std::uint64_t from = floor;  // no run found yet begins here or later
    for (;;) {
        // A run that begins at or before end has a whole block of the grid
        // from `from` at or before end + Block - 1.
        std::uint64_t k = from;
        Fill fill = Fill::None;
        for (; k + Block <= n && k < end + Block; k += Block) {
            fill = view.block(k);
            if (fill != Fill::None) {
                break;
            }
        }
        if (fill == Fill::None) {
            return std::nullopt;
        }
        // Its first row: the block before was no fill, so at most seven back.
        std::uint64_t start = k;
        while (start > from && view.row(start - 1) == fill) {
            --start;
        }
        // Its end, read no further than needed to know its length and
        // whether it ends below end.
        const std::uint64_t cap = std::min(n, std::max(end, start + RegionMinimum));
        std::uint64_t stop = k + Block;
        while (stop + Block <= cap && view.block(stop) == fill) {
            stop += Block;
        }
        while (stop < cap && view.row(stop) == fill) {
            ++stop;
        }
        // Whether the run is known to end at stop, with a row of another kind.
        const bool ends = stop < cap || (stop < n && view.row(stop) != fill);
        const auto below = [end](std::uint64_t row) {
            return row < end ? std::optional(row) : std::nullopt;
        };
        if (stop - start >= RegionMinimum) {
            // Where it begins (start > floor here: start is its first row).
            if (start > begin) {
                return below(start - 1);
            }
            if (!ends) {
                return std::nullopt;  // it ends at or past end, or never
            }
            // A run of the other fill that begins at stop begins, by its
            // boundary, one row before this one's end.
            if (stop > begin && view.row(stop) != Fill::None &&
                IsRunAt(view, stop, view.row(stop))) {
                return below(stop - 1);
            }
            if (stop >= begin) {
                return below(stop);
            }
        } else if (!ends) {
            return std::nullopt;  // the image ends within a short run
        }
        from = stop;
    }
}

template <int UnitBytes>
std::optional<std::uint64_t> FirstIn(const std::uint8_t* bytes, std::uint64_t count,
                                     std::uint64_t begin, std::uint64_t end) {
    return First(View<UnitBytes, false>{bytes, count}, begin, end);
}

template <int UnitBytes>
std::optional<std::uint64_t> LastIn(const std::uint8_t* bytes, std::uint64_t count,
                                    std::uint64_t begin, std::uint64_t end) {
    end = std::min(end, count);
    if (begin >= end) {
        return std::nullopt;
    }
    // Backwards, the rows begin..end - 1 are count - end .. count - 1 - begin.
    const auto found = First(View<UnitBytes, true>{bytes, count}, count - end, count - begin);
    return found ? std::optional(count - 1 - *found) : std::nullopt;
}

// The rows of a whole-image scan are cut into slices at multiples of this.
constexpr std::uint64_t RegionAlign = 64;

// The first boundary of from..end (Backwards: the last), over the slices of
// options: each slice asks FirstIn (LastIn) of its steps in turn.
template <int UnitBytes, bool Backwards>
std::optional<std::uint64_t> Nearest(const std::uint8_t* bytes, std::uint64_t count,
                                     std::uint64_t from, std::uint64_t end, std::stop_token stop,
                                     const ProgressFn& progress, const SliceOptions& options) {
    if (from >= end) {
        return std::nullopt;
    }
    const SliceProgress pace{&progress, end - from, SliceRows, 0};
    return NearestOfSlices<Backwards>(
        from, end, RegionAlign, std::move(stop), pace, options, [&](SliceContext& slice) {
            std::optional<std::uint64_t> found;
            ForEachStep(slice.range().begin, slice.range().end, SliceRows, Backwards, slice,
                        [&](std::uint64_t b, std::uint64_t e) {
                            found = Backwards ? LastIn<UnitBytes>(bytes, count, b, e)
                                              : FirstIn<UnitBytes>(bytes, count, b, e);
                            return found.has_value();
                        });
            return found;
        });
}

template <int UnitBytes>
std::optional<std::uint64_t> Next(const std::uint8_t* bytes, std::uint64_t count, std::uint64_t row,
                                  std::stop_token stop, const ProgressFn& progress,
                                  const SliceOptions& options) {
    return row >= count ? std::nullopt
                        : Nearest<UnitBytes, false>(bytes, count, row + 1, count, std::move(stop),
                                                    progress, options);
}

template <int UnitBytes>
std::optional<std::uint64_t> Previous(const std::uint8_t* bytes, std::uint64_t count,
                                      std::uint64_t row, std::stop_token stop,
                                      const ProgressFn& progress, const SliceOptions& options) {
    return Nearest<UnitBytes, true>(bytes, count, 0, std::min(row, count), std::move(stop),
                                    progress, options);
}

}  // namespace

std::optional<std::uint64_t> FirstRegionBoundary(const ListingRows& rows, std::uint64_t begin,
                                                 std::uint64_t end) {
    return FirstIn<2>(rows.bytes, rows.rowCount(), begin, end);
}

std::optional<std::uint64_t> LastRegionBoundary(const ListingRows& rows, std::uint64_t begin,
                                                std::uint64_t end) {
    return LastIn<2>(rows.bytes, rows.rowCount(), begin, end);
}

std::optional<std::uint64_t> NextRegionBoundary(const ListingRows& rows, std::uint64_t row,
                                                std::stop_token stop, const ProgressFn& progress,
                                                const SliceOptions& options) {
    return Next<2>(rows.bytes, rows.rowCount(), row, std::move(stop), progress, options);
}

std::optional<std::uint64_t> NextRegionBoundary(const ListingRows& rows, std::uint64_t row,
                                                std::stop_token stop, const ProgressFn& progress) {
    return Next<2>(rows.bytes, rows.rowCount(), row, std::move(stop), progress, SliceOptions{});
}

std::optional<std::uint64_t> PreviousRegionBoundary(const ListingRows& rows, std::uint64_t row,
                                                    std::stop_token stop,
                                                    const ProgressFn& progress,
                                                    const SliceOptions& options) {
    return Previous<2>(rows.bytes, rows.rowCount(), row, std::move(stop), progress, options);
}

std::optional<std::uint64_t> PreviousRegionBoundary(const ListingRows& rows, std::uint64_t row,
                                                    std::stop_token stop,
                                                    const ProgressFn& progress) {
    return Previous<2>(rows.bytes, rows.rowCount(), row, std::move(stop), progress, SliceOptions{});
}

std::optional<std::uint64_t> FirstRegionBoundary(const ByteRows& rows, std::uint64_t begin,
                                                 std::uint64_t end) {
    return FirstIn<1>(rows.bytes, rows.rowCount(), begin, end);
}

std::optional<std::uint64_t> LastRegionBoundary(const ByteRows& rows, std::uint64_t begin,
                                                std::uint64_t end) {
    return LastIn<1>(rows.bytes, rows.rowCount(), begin, end);
}

std::optional<std::uint64_t> NextRegionBoundary(const ByteRows& rows, std::uint64_t row,
                                                std::stop_token stop, const ProgressFn& progress,
                                                const SliceOptions& options) {
    return Next<1>(rows.bytes, rows.rowCount(), row, std::move(stop), progress, options);
}

std::optional<std::uint64_t> NextRegionBoundary(const ByteRows& rows, std::uint64_t row,
                                                std::stop_token stop, const ProgressFn& progress) {
    return Next<1>(rows.bytes, rows.rowCount(), row, std::move(stop), progress, SliceOptions{});
}

std::optional<std::uint64_t> PreviousRegionBoundary(const ByteRows& rows, std::uint64_t row,
                                                    std::stop_token stop,
                                                    const ProgressFn& progress,
                                                    const SliceOptions& options) {
    return Previous<1>(rows.bytes, rows.rowCount(), row, std::move(stop), progress, options);
}

std::optional<std::uint64_t> PreviousRegionBoundary(const ByteRows& rows, std::uint64_t row,
                                                    std::stop_token stop,
                                                    const ProgressFn& progress) {
    return Previous<1>(rows.bytes, rows.rowCount(), row, std::move(stop), progress, SliceOptions{});
}

}  // namespace sorrel
