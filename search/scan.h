// Find and cross-references: scans of an image in memory against the word and
// byte sets of word_sets.h.
//
// The image is the bytes that ListingRows or ByteRows point at; no scan copies
// it, and it must stay unchanged and alive until the scan returns. Rows are
// counted from 0 as in the listings: row k of the main listing is word k (in
// an image with a header rows 0 to 255 are header rows, matched with
// ListingMatch::header, and the rest program rows, matched with
// ListingMatch::program); row k of the byte-order listing is byte k.
//
// Every scan:
// - reads each word (byte) of its range once and makes no text: O(rows), at
//   memory speed (over a thousand million words a second on one core);
// - checks stop about every million rows: a scan that finds its stop requested
//   returns at once with no row (FindNext, FindPrevious) or the rows found so
//   far (FindAll, CrossReferences); the caller tells that from a finished scan
//   by its stop token, and drops the result;
// - calls progress (when not empty) after every million rows or so with the
//   rows scanned so far and the rows of its range, on the calling thread;
// - is thread-safe: any number may run at once over the same image;
// - spreads over the machine's cores (SliceOptions, parallel_slices.h): a range
//   of at least options.serialRows rows is cut into slices that the threads
//   take in turns, the calling thread the first (the last for find
//   previous), with the same result as on one thread.
//   The progress is then the rows of all slices, passed on by the calling
//   thread; a stop stops every slice; find next (previous) stops the slices
//   after (before) the first (last) one that found a match, and waits for the
//   ones before (after) it. A shorter range is scanned on the calling thread
//   alone. The overloads without options use every core.
#pragma once

#include <cstdint>
#include <optional>
#include <stop_token>
#include <vector>

#include "byte_text.h"
#include "listing_text.h"
#include "parallel_slices.h"
#include "progress.h"
#include "word_sets.h"

namespace sorrel {

// At most this many rows are listed by one FindAll or CrossReferences.
inline constexpr std::uint64_t FindAllLimit = 100'000'000;

struct RowList {
    std::vector<std::uint64_t> rows;  // in row order
    // More rows matched than the limit: rows holds the first `limit` of them
    // and the scan stopped at the next one.
    bool limited = false;
};

// Rows of a scan between two looks at its stop token and two progress reports.
inline constexpr std::uint64_t ScanStepRows = std::uint64_t{1} << 20;

// Main listing. The range is begin <= row < end; end is cut to rowCount().
//
// The first matching row of the range, or nothing.
std::optional<std::uint64_t> FindNext(const ListingRows& rows, const ListingMatch& match,
                                      std::uint64_t begin, std::uint64_t end,
                                      std::stop_token stop = {}, const ProgressFn& progress = {});
// The last matching row of the range, or nothing; scans from the end back.
std::optional<std::uint64_t> FindPrevious(const ListingRows& rows, const ListingMatch& match,
                                          std::uint64_t begin, std::uint64_t end,
                                          std::stop_token stop = {},
                                          const ProgressFn& progress = {});
// Every matching row of the listing, up to limit.
RowList FindAll(const ListingRows& rows, const ListingMatch& match,
                std::uint64_t limit = FindAllLimit, std::stop_token stop = {},
                const ProgressFn& progress = {});

// The program rows that jump to a listing address (0000h to 03FFh; no jump
// reaches a higher one), in row order, up to limit. Header rows are never
// decoded, so none of them is a jump. Progress counts the program rows.
RowList CrossReferences(const ListingRows& rows, std::uint64_t address,
                        std::uint64_t limit = FindAllLimit, std::stop_token stop = {},
                        const ProgressFn& progress = {});

// Byte-order listing: the same over bytes, matched with MatchBytes.
std::optional<std::uint64_t> FindNext(const ByteRows& rows, const ByteSet& match,
                                      std::uint64_t begin, std::uint64_t end,
                                      std::stop_token stop = {}, const ProgressFn& progress = {});
std::optional<std::uint64_t> FindPrevious(const ByteRows& rows, const ByteSet& match,
                                          std::uint64_t begin, std::uint64_t end,
                                          std::stop_token stop = {},
                                          const ProgressFn& progress = {});
RowList FindAll(const ByteRows& rows, const ByteSet& match, std::uint64_t limit = FindAllLimit,
                std::stop_token stop = {}, const ProgressFn& progress = {});

// The same on options.threads threads. FindAll and CrossReferences stop a
// slice once it and the slices before it have found more than limit rows.
// When stopped they return rows found so far, in row order.
std::optional<std::uint64_t> FindNext(const ListingRows& rows, const ListingMatch& match,
                                      std::uint64_t begin, std::uint64_t end, std::stop_token stop,
                                      const ProgressFn& progress, const SliceOptions& options);
std::optional<std::uint64_t> FindPrevious(const ListingRows& rows, const ListingMatch& match,
                                          std::uint64_t begin, std::uint64_t end,
                                          std::stop_token stop, const ProgressFn& progress,
                                          const SliceOptions& options);
RowList FindAll(const ListingRows& rows, const ListingMatch& match, std::uint64_t limit,
                std::stop_token stop, const ProgressFn& progress, const SliceOptions& options);
RowList CrossReferences(const ListingRows& rows, std::uint64_t address, std::uint64_t limit,
                        std::stop_token stop, const ProgressFn& progress,
                        const SliceOptions& options);
std::optional<std::uint64_t> FindNext(const ByteRows& rows, const ByteSet& match,
                                      std::uint64_t begin, std::uint64_t end, std::stop_token stop,
                                      const ProgressFn& progress, const SliceOptions& options);
std::optional<std::uint64_t> FindPrevious(const ByteRows& rows, const ByteSet& match,
                                          std::uint64_t begin, std::uint64_t end,
                                          std::stop_token stop, const ProgressFn& progress,
                                          const SliceOptions& options);
RowList FindAll(const ByteRows& rows, const ByteSet& match, std::uint64_t limit,
                std::stop_token stop, const ProgressFn& progress, const SliceOptions& options);

}  // namespace sorrel
