// Regions: the stretches of erased or empty memory in an image, and the rows
// beside them where Ctrl+Down and Ctrl+Up stop, so that a 1 GiB dump of
// erased memory with islands of code is crossed in a few key presses.
//
// A fill run is a maximal stretch of at least RegionMinimum consecutive rows
// that all hold 0000h, or all hold FFFFh (in the byte-order listing: bytes,
// 00h or FFh). Header rows count as any other: a run is about what the
// memory holds, not how it is listed. A run has two boundaries, the rows
// just outside it:
// - where it begins: the last row before it (none when it begins at row 0);
// - where it ends: the first row after it (none when it reaches the last row).
//
//     row    97    98    99   100   101  ...   199   200   201
//     word  11B9  83FE  11B9  0000  0000  ...  0000  11B9  11B9
//                        ^    |<- a run of 100 rows ->|   ^
//                        |                            |
//                  it begins here               it ends here
//              (the last row before it)    (the first row after it)
//
// The next boundary from a row is the nearest boundary below it in the
// listing (a greater row), the previous one the nearest above it. So Ctrl+Down
// from row 98 goes to 99, and from 99 or from inside the run to 200, its
// end; from there on to where the next run begins. Ctrl+Up is the mirror
// image: from 201 to 200, from 200 or from inside the run to 99, where it
// begins; from there to where the previous run ends. Read backwards, an
// image has the same boundaries, each the other kind. Where a run of 0000h
// touches a run of FFFFh, each has its own: the last 0000h row is where the
// FFFFh run begins, and its first row where the 0000h run ends.
//
// Whether a row is a boundary depends only on the RegionMinimum rows on
// either side of it, so a scan of a range reads at most that many rows
// beyond each end of it: FirstRegionBoundary and LastRegionBoundary of
// consecutive ranges can be asked apart, in any order and on any thread, and
// the first (last) range with an answer holds the answer for all of them.
//
// Scans, as those of scan.h: they read each row of their range about once
// and compare eight rows at a time; the whole-image ones look at their stop
// token and report their progress (rows scanned, rows of the range) about
// every million rows, and return nothing when stopped (the caller tells that
// from a scan that found nothing by its token). They run on every core, or
// on options.threads threads, in slices, a slice with an answer stopping the
// slices beyond it. Thread-safe.
#pragma once

#include <cstdint>
#include <optional>
#include <stop_token>

#include "byte_text.h"
#include "listing_text.h"
#include "parallel_slices.h"
#include "progress.h"

namespace sorrel {

// The shortest fill run, in rows.
inline constexpr std::uint64_t RegionMinimum = 16;

// Main listing (a row a word). The boundary at row begin or later, below end
// (end is cut to rowCount()): the least, or the greatest.
std::optional<std::uint64_t> FirstRegionBoundary(const ListingRows& rows, std::uint64_t begin,
                                                 std::uint64_t end);
std::optional<std::uint64_t> LastRegionBoundary(const ListingRows& rows, std::uint64_t begin,
                                                std::uint64_t end);

// The next boundary after row, or the previous one before it; nothing when
// there is none (row may be at or past the last row).
std::optional<std::uint64_t> NextRegionBoundary(const ListingRows& rows, std::uint64_t row,
                                                std::stop_token stop = {},
                                                const ProgressFn& progress = {});
std::optional<std::uint64_t> PreviousRegionBoundary(const ListingRows& rows, std::uint64_t row,
                                                    std::stop_token stop = {},
                                                    const ProgressFn& progress = {});

// The same on options.threads threads.
std::optional<std::uint64_t> NextRegionBoundary(const ListingRows& rows, std::uint64_t row,
                                                std::stop_token stop, const ProgressFn& progress,
                                                const SliceOptions& options);
std::optional<std::uint64_t> PreviousRegionBoundary(const ListingRows& rows, std::uint64_t row,
                                                    std::stop_token stop,
                                                    const ProgressFn& progress,
                                                    const SliceOptions& options);

// Byte-order listing (a row a byte, runs of 00h or FFh): the same.
std::optional<std::uint64_t> FirstRegionBoundary(const ByteRows& rows, std::uint64_t begin,
                                                 std::uint64_t end);
std::optional<std::uint64_t> LastRegionBoundary(const ByteRows& rows, std::uint64_t begin,
                                                std::uint64_t end);
std::optional<std::uint64_t> NextRegionBoundary(const ByteRows& rows, std::uint64_t row,
                                                std::stop_token stop = {},
                                                const ProgressFn& progress = {});
std::optional<std::uint64_t> PreviousRegionBoundary(const ByteRows& rows, std::uint64_t row,
                                                    std::stop_token stop = {},
                                                    const ProgressFn& progress = {});

std::optional<std::uint64_t> NextRegionBoundary(const ByteRows& rows, std::uint64_t row,
                                                std::stop_token stop, const ProgressFn& progress,
                                                const SliceOptions& options);
std::optional<std::uint64_t> PreviousRegionBoundary(const ByteRows& rows, std::uint64_t row,
                                                    std::stop_token stop,
                                                    const ProgressFn& progress,
                                                    const SliceOptions& options);

}  // namespace sorrel
